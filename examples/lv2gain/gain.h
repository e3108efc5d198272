#pragma once

// What the gain plug-in, its editor and the tests agree on: the URIs, the
// port indices (which are also the editor's control tags), the parameter
// ranges, and where the editor puts its knobs.

#include <cstdint>

namespace KavrinGain {

constexpr const char* kPluginURI = "urn:kavrin:examples:gain";
constexpr const char* kUIURI = "urn:kavrin:examples:gain#ui";

enum Port : uint32_t
{
	kGain = 0,  // input, dB
	kTone = 1,  // input, tilt from dark (-1) to bright (+1)
	kTrim = 2,  // input, dB after the tone stage
	kLevel = 3, // output: the broadband gain applied now, dB
	kInputLeft = 4,
	kInputRight = 5,
	kOutputLeft = 6,
	kOutputRight = 7,
	kPortCount = 8,
};

// The ranges the plug-in description declares, repeated for the code.
struct Range
{
	float min;
	float max;
	float defaultValue;
};

constexpr Range kRanges[] = {
    {-24.f, 12.f, 0.f}, // gain
    {-1.f, 1.f, 0.f},   // tone
    {-12.f, 12.f, 0.f}, // trim
};
constexpr uint32_t kParameterCount = 3;

// The tone control tilts the spectrum around this frequency by up to this
// much at either end.
constexpr float kTiltFrequency = 1000.f;
constexpr float kTiltDecibels = 6.f;

// The editor's layout, in logical units from the top left of its window.
namespace Layout {

constexpr int kWidth = 360;
constexpr int kHeight = 200;
constexpr int kKnobSize = 64;
constexpr int kKnobTop = 56;
// The centre of the first knob's column; the others follow one column
// width to the right.
constexpr int kFirstColumnCentre = 60;
constexpr int kColumnWidth = 120;
constexpr uint32_t kBackgroundRGB = 0x1F2630;
constexpr uint32_t kCoronaRGB = 0xF2A03D;

constexpr int knobCentreX(uint32_t parameter)
{
	return kFirstColumnCentre + int(parameter) * kColumnWidth;
}
constexpr int knobCentreY()
{
	return kKnobTop + kKnobSize / 2;
}

} // namespace Layout

} // namespace KavrinGain
