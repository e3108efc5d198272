// The DSP side: a stereo gain with a tilt equaliser and an output trim. The
// broadband gain (gain plus trim) ramps to a new setting over a few
// milliseconds instead of stepping, which would click, and the gain applied
// at the end of each block is reported on the level port.

#include "examples/lv2gain/gain.h"

#include <lv2/core/lv2.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>

namespace KavrinGain {
namespace {

constexpr double kRampSeconds = 0.01;

float decibelsToGain(float decibels)
{
	return std::pow(10.f, decibels / 20.f);
}

float clamp(const float* port, uint32_t parameter)
{
	const Range& range = kRanges[parameter];
	// An unconnected control port reads as its default.
	const float value = port ? *port : range.defaultValue;
	return std::isfinite(value) ? std::clamp(value, range.min, range.max) : range.defaultValue;
}

class GainPlugin
{
public:
	explicit GainPlugin(double sampleRate)
	: lowpassCoefficient(float(1. - std::exp(-2. * M_PI * kTiltFrequency / sampleRate))),
	  rampLength(std::max(uint32_t(1), uint32_t(kRampSeconds * sampleRate)))
	{
	}

	void connect(uint32_t port, void* data)
	{
		if (port < kPortCount)
			ports[port] = static_cast<float*>(data);
	}

	void activate()
	{
		std::fill(std::begin(lowpass), std::end(lowpass), 0.f);
		gain = rampTarget = target();
		rampLeft = 0;
	}

	void run(uint32_t frames)
	{
		// A new setting starts a ramp from the gain applied now; one that
		// arrives mid-ramp starts a new one from where that ramp got to.
		const float wanted = target();
		if (wanted != rampTarget)
		{
			rampTarget = wanted;
			rampLeft = rampLength;
			rampStep = (wanted - gain) / float(rampLength);
		}
		// The tilt raises the highs and lowers the lows by the same amount,
		// so the level at the pivot frequency stays where it is.
		const float high = decibelsToGain(clamp(ports[kTone], kTone) * kTiltDecibels);
		const float low = 1.f / high;
		const float* inputs[2] = {ports[kInputLeft], ports[kInputRight]};
		float* outputs[2] = {ports[kOutputLeft], ports[kOutputRight]};

		for (uint32_t i = 0; i < frames; ++i)
		{
			if (rampLeft > 0)
				gain = --rampLeft == 0 ? rampTarget : gain + rampStep;
			for (int channel = 0; channel < 2; ++channel)
			{
				if (!inputs[channel] || !outputs[channel])
					continue;
				// Read before writing: the host may process in place.
				const float in = inputs[channel][i];
				float& state = lowpass[channel];
				state += (in - state) * lowpassCoefficient;
				// Keep the filter out of denormals when the input falls silent.
				if (std::fabs(state) < 1e-20f)
					state = 0.f;
				outputs[channel][i] = gain * (low * state + high * (in - state));
			}
		}
		if (ports[kLevel])
			*ports[kLevel] = 20.f * std::log10(gain);
	}

private:
	float target() const { return decibelsToGain(clamp(ports[kGain], kGain) + clamp(ports[kTrim], kTrim)); }

	float* ports[kPortCount] {};
	float lowpass[2] {};
	const float lowpassCoefficient;
	const uint32_t rampLength;
	float gain {1.f};
	float rampTarget {1.f};
	float rampStep {0.f};
	uint32_t rampLeft {0};
};

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*, const LV2_Feature* const*)
{
	return new (std::nothrow) GainPlugin(sampleRate);
}

void connectPort(LV2_Handle instance, uint32_t port, void* data)
{
	static_cast<GainPlugin*>(instance)->connect(port, data);
}

void activate(LV2_Handle instance)
{
	static_cast<GainPlugin*>(instance)->activate();
}

void run(LV2_Handle instance, uint32_t frames)
{
	static_cast<GainPlugin*>(instance)->run(frames);
}

void cleanup(LV2_Handle instance)
{
	delete static_cast<GainPlugin*>(instance);
}

const void* extensionData(const char*)
{
	return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginURI, instantiate, connectPort, activate, run, nullptr, cleanup, extensionData};

} // namespace
} // namespace KavrinGain

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
	return index == 0 ? &KavrinGain::kDescriptor : nullptr;
}
