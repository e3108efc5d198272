// The gain example's modules as a host loads them from the bundle: each
// exports its descriptor function and nothing else, and the DSP applies
// the gain, tilt and trim it is given, reports the gain on its level port
// and ramps to a new gain instead of stepping.

#include "examples/lv2gain/gain.h"

#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace KavrinGain;

#ifdef KAVRIN_LV2_DIR
const std::string kBundle = std::string(KAVRIN_LV2_DIR) + "/kavrin-gain.lv2/";
#else
const std::string kBundle;
#endif

constexpr double kSampleRate = 48000.;
constexpr uint32_t kBlock = 256;

float fromDecibels(float decibels)
{
	return std::pow(10.f, decibels / 20.f);
}

// The dynamic symbols a module defines, as nm lists them.
std::set<std::string> exportedSymbols(const std::string& path)
{
	std::set<std::string> symbols;
	const std::string command = "nm -D --defined-only '" + path + "'";
	FILE* pipe = ::popen(command.c_str(), "r");
	if (!pipe)
		return symbols;
	char line[512];
	while (std::fgets(line, sizeof(line), pipe))
	{
		char type = 0;
		char name[400] = {};
		if (std::sscanf(line, "%*s %c %399s", &type, name) == 2)
			symbols.insert(name);
	}
	::pclose(pipe);
	return symbols;
}

struct Module
{
	const char* file;
	const char* exported;
};

void PrintTo(const Module& module, std::ostream* out)
{
	*out << module.file;
}

class GainBundleTest : public ::testing::TestWithParam<Module>
{
};

TEST_P(GainBundleTest, ModuleExportsOnlyItsDescriptorFunction)
{
	if (kBundle.empty())
		GTEST_SKIP() << "the LV2 example is not part of this build";
	EXPECT_EQ(exportedSymbols(kBundle + GetParam().file), std::set<std::string> {GetParam().exported});
}

INSTANTIATE_TEST_SUITE_P(Modules, GainBundleTest,
                         ::testing::Values(Module {"kavrin-gain.so", "lv2_descriptor"},
                                           Module {"kavrin-gain-ui.so", "lv2ui_descriptor"}),
                         [](const ::testing::TestParamInfo<Module>& info) {
	                         return std::string(info.param.exported);
                         });

TEST(GainBundle, DescriptorsNameThePluginAndItsUI)
{
	if (kBundle.empty())
		GTEST_SKIP() << "the LV2 example is not part of this build";
	void* dsp = ::dlopen((kBundle + "kavrin-gain.so").c_str(), RTLD_NOW | RTLD_LOCAL);
	ASSERT_NE(dsp, nullptr) << ::dlerror();
	auto plugin = reinterpret_cast<LV2_Descriptor_Function>(::dlsym(dsp, "lv2_descriptor"));
	ASSERT_NE(plugin, nullptr);
	ASSERT_NE(plugin(0), nullptr);
	EXPECT_STREQ(plugin(0)->URI, kPluginURI);
	EXPECT_EQ(plugin(1), nullptr);
	::dlclose(dsp);

	void* ui = ::dlopen((kBundle + "kavrin-gain-ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
	ASSERT_NE(ui, nullptr) << ::dlerror();
	auto editor = reinterpret_cast<LV2UI_DescriptorFunction>(::dlsym(ui, "lv2ui_descriptor"));
	ASSERT_NE(editor, nullptr);
	ASSERT_NE(editor(0), nullptr);
	EXPECT_STREQ(editor(0)->URI, kUIURI);
	// A host drives the editor through the idle interface.
	ASSERT_NE(editor(0)->extension_data, nullptr);
	EXPECT_NE(editor(0)->extension_data(LV2_UI__idleInterface), nullptr);
	EXPECT_EQ(editor(1), nullptr);
	::dlclose(ui);
}

// One instance of the DSP with its ports connected to buffers here.
class GainPluginTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		if (kBundle.empty())
			GTEST_SKIP() << "the LV2 example is not part of this build";
		module = ::dlopen((kBundle + "kavrin-gain.so").c_str(), RTLD_NOW | RTLD_LOCAL);
		ASSERT_NE(module, nullptr) << ::dlerror();
		descriptor = reinterpret_cast<LV2_Descriptor_Function>(::dlsym(module, "lv2_descriptor"))(0);
		ASSERT_NE(descriptor, nullptr);
		const LV2_Feature* none[] = {nullptr};
		instance = descriptor->instantiate(descriptor, kSampleRate, kBundle.c_str(), none);
		ASSERT_NE(instance, nullptr);
		for (uint32_t port = 0; port < kParameterCount; ++port)
			controls[port] = kRanges[port].defaultValue;
		for (uint32_t port = 0; port < kParameterCount; ++port)
			descriptor->connect_port(instance, port, &controls[port]);
		descriptor->connect_port(instance, kLevel, &level);
		descriptor->connect_port(instance, kInputLeft, left.data());
		descriptor->connect_port(instance, kInputRight, right.data());
		descriptor->connect_port(instance, kOutputLeft, outLeft.data());
		descriptor->connect_port(instance, kOutputRight, outRight.data());
		descriptor->activate(instance);
	}

	void TearDown() override
	{
		if (instance)
			descriptor->cleanup(instance);
		if (module)
			::dlclose(module);
	}

	// Runs blocks of the signal until the gain has long settled (0.1 s).
	void settle(float (*signal)(uint32_t))
	{
		for (int block = 0; block < 20; ++block)
			run(signal);
	}

	void run(float (*signal)(uint32_t))
	{
		for (uint32_t i = 0; i < kBlock; ++i)
			left[i] = right[i] = signal(i);
		descriptor->run(instance, kBlock);
	}

	// The output's level against the input's over the last block.
	float ratio() const
	{
		double in = 0.;
		double out = 0.;
		for (uint32_t i = 0; i < kBlock; ++i)
		{
			in += double(left[i]) * left[i];
			out += double(outLeft[i]) * outLeft[i];
		}
		return float(std::sqrt(out / in));
	}

	static float dc(uint32_t) { return 0.5f; }
	// The highest frequency there is: +1, -1, +1...
	static float nyquist(uint32_t i) { return i % 2 ? -0.5f : 0.5f; }

	void* module {nullptr};
	const LV2_Descriptor* descriptor {nullptr};
	LV2_Handle instance {nullptr};
	std::array<float, kParameterCount> controls {};
	float level {-100.f};
	std::array<float, kBlock> left {};
	std::array<float, kBlock> right {};
	std::array<float, kBlock> outLeft {};
	std::array<float, kBlock> outRight {};
};

struct GainCase
{
	const char* name;
	float gain;
	float trim;
	float appliedDecibels;
};

void PrintTo(const GainCase& setting, std::ostream* out)
{
	*out << setting.name;
}

class GainPluginGainTest : public GainPluginTest, public ::testing::WithParamInterface<GainCase>
{
};

// With the tone flat both channels carry the input times the gain, and the
// level port says which gain that is; settings outside the ranges are held
// at their ends, and a value that is no number counts as the default.
TEST_P(GainPluginGainTest, AppliesAndReportsGainPlusTrim)
{
	controls[kGain] = GetParam().gain;
	controls[kTrim] = GetParam().trim;
	settle(dc);
	EXPECT_NEAR(level, GetParam().appliedDecibels, 0.01f);
	const float expected = fromDecibels(GetParam().appliedDecibels);
	for (uint32_t i = 0; i < kBlock; ++i)
	{
		ASSERT_NEAR(outLeft[i], 0.5f * expected, 1e-4f * expected) << "sample " << i;
		ASSERT_EQ(outRight[i], outLeft[i]) << "sample " << i;
	}
}

INSTANTIATE_TEST_SUITE_P(Settings, GainPluginGainTest,
                         ::testing::Values(GainCase {"Unity", 0.f, 0.f, 0.f}, GainCase {"Boost", 6.f, 0.f, 6.f},
                                           GainCase {"GainAndTrimAdd", -24.f, -12.f, -36.f},
                                           GainCase {"TrimCancelsGain", 12.f, -12.f, 0.f},
                                           GainCase {"GainAboveRangeIsHeldAtMaximum", 40.f, 0.f, 12.f},
                                           GainCase {"TrimBelowRangeIsHeldAtMinimum", 0.f, -90.f, -12.f},
                                           GainCase {"NotANumberIsTheDefault", NAN, 3.f, 3.f}),
                         [](const ::testing::TestParamInfo<GainCase>& info) { return std::string(info.param.name); });

struct ToneCase
{
	const char* name;
	float tone;
	// Of the highest frequency against DC, in dB.
	float minimumTilt;
	float maximumTilt;
};

void PrintTo(const ToneCase& tone, std::ostream* out)
{
	*out << tone.name;
}

class GainPluginToneTest : public GainPluginTest, public ::testing::WithParamInterface<ToneCase>
{
};

// The tone pivots round 1 kHz: DC moves by the tilt's full 6 dB one way and
// the highest frequency by nearly as much the other.
TEST_P(GainPluginToneTest, TiltsHighsAgainstLows)
{
	controls[kTone] = GetParam().tone;
	controls[kGain] = -6.f;
	settle(dc);
	const float lows = ratio();
	EXPECT_NEAR(20.f * std::log10(lows), -6.f - kTiltDecibels * GetParam().tone, 0.05f);
	settle(nyquist);
	const float tilt = 20.f * std::log10(ratio() / lows);
	EXPECT_GE(tilt, GetParam().minimumTilt);
	EXPECT_LE(tilt, GetParam().maximumTilt);
	// The tone leaves the broadband gain the level port reports alone.
	EXPECT_NEAR(level, -6.f, 0.01f);
}

INSTANTIATE_TEST_SUITE_P(Tones, GainPluginToneTest,
                         ::testing::Values(ToneCase {"Flat", 0.f, -0.01f, 0.01f},
                                           ToneCase {"Bright", 1.f, 11.f, 12.5f},
                                           ToneCase {"HalfDark", -0.5f, -6.f, -5.f}),
                         [](const ::testing::TestParamInfo<ToneCase>& info) { return std::string(info.param.name); });

// A new gain is reached within a few milliseconds but never in a step,
// which would click: neither when it is set nor when it changes again
// before the ramp is over.
TEST_F(GainPluginTest, RampsToANewGain)
{
	settle(dc);
	float previous = outLeft[kBlock - 1];
	auto largestStep = [&] {
		float largest = 0.f;
		for (float sample : outLeft)
		{
			largest = std::max(largest, std::fabs(sample - previous));
			previous = sample;
		}
		return largest;
	};
	controls[kGain] = 12.f;
	run(dc);
	EXPECT_LT(largestStep(), 0.01f);
	EXPECT_GT(outLeft[kBlock - 1], 0.5f * 1.5f);
	EXPECT_GT(level, 0.f);
	EXPECT_LT(level, 12.f);
	// Back down while still on the way up.
	controls[kGain] = -6.f;
	run(dc);
	EXPECT_LT(largestStep(), 0.01f);
	settle(dc);
	EXPECT_NEAR(outLeft[kBlock - 1], 0.5f * fromDecibels(-6.f), 1e-5f);
	EXPECT_NEAR(level, -6.f, 1e-4f);
}

// Silence after a loud signal runs the filter's state down to zero rather
// than into denormal numbers, which are slow on many processors.
TEST_F(GainPluginTest, SilenceLeavesNoDenormals)
{
	controls[kTone] = 1.f;
	settle(dc);
	for (int block = 0; block < 400; ++block)
		run([](uint32_t) { return 0.f; });
	for (float sample : outLeft)
		EXPECT_NE(std::fpclassify(sample), FP_SUBNORMAL);
}

} // namespace
} // namespace Kavrin::Test
