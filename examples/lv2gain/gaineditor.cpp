#include "examples/lv2gain/gaineditor.h"

#include "examples/lv2gain/gain.h"
#include "lib/kavrin.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace KavrinGain {

using namespace Kavrin;

namespace {

constexpr CColor rgb(uint32_t value)
{
	return CColor(uint8((value >> 16) & 0xFF), uint8((value >> 8) & 0xFF), uint8(value & 0xFF));
}

const CColor kTextColor {225, 228, 235};
const CColor kNoteColor {150, 158, 172};
const CColor kTrackColor {52, 62, 78};

// A line of text.
class TextLabel : public CView
{
public:
	TextLabel(const CRect& size, std::string text, CFontRef font, CColor color)
	: CView(size), text(std::move(text)), font(font), color(color)
	{
		setMouseEnabled(false);
	}

	void setText(std::string newText)
	{
		if (newText == text)
			return;
		text = std::move(newText);
		invalid();
	}

	void draw(CDrawContext* context) override
	{
		context->setFont(font);
		context->setFontColor(color);
		context->drawString(text.c_str(), getViewSize(), kCenterText);
		setDirty(false);
	}

private:
	std::string text;
	CFontRef font;
	CColor color;
};

using Format = std::string (*)(float value);

std::string decibels(float value)
{
	char text[16];
	// No "-0.0 dB" for values that round to zero.
	std::snprintf(text, sizeof(text), "%+.1f dB", std::fabs(value) < 0.05f ? 0. : double(value));
	return text;
}

std::string tilt(float value)
{
	const int percent = int(std::lround(value * 100.f));
	if (percent == 0)
		return "flat";
	char text[24];
	std::snprintf(text, sizeof(text), "%s %d %%", percent < 0 ? "dark" : "bright", std::abs(percent));
	return text;
}

// A knob whose label follows its value: the user's changes arrive through
// valueChanged, the host's through setValue, which tells no listener.
class ParameterKnob : public CKnob
{
public:
	ParameterKnob(const CRect& size, IControlListener* listener, int32 tag, TextLabel* label, Format format)
	: CKnob(size, listener, tag, nullptr, nullptr, CPoint(), kCoronaDrawing | kCoronaOutline),
	  label(label), format(format)
	{
	}

	void setValue(float newValue) override
	{
		CKnob::setValue(newValue);
		label->setText(format(getValue()));
	}

	void valueChanged() override
	{
		CKnob::valueChanged();
		label->setText(format(getValue()));
	}

private:
	SharedPointer<TextLabel> label;
	Format format;
};

struct Parameter
{
	const char* name;
	Format format;
};

const Parameter kParameters[kParameterCount] = {
    {"Gain", decibels},
    {"Tone", tilt},
    {"Trim", decibels},
};

} // namespace

GainEditor::GainEditor() : PluginGUIEditor(Kavrin::ERect {0, 0, Layout::kHeight, Layout::kWidth})
{
}

bool GainEditor::open(void* parent)
{
	if (!PluginGUIEditor::open(parent))
		return false;
	frame->setBackgroundColor(rgb(Layout::kBackgroundRGB));
	frame->addView(new TextLabel(CRect(0, 10, Layout::kWidth, 32), "Kavrin Gain", kNormalFontBig, kTextColor));

	const double half = Layout::kKnobSize / 2.;
	for (uint32_t index = 0; index < kParameterCount; ++index)
	{
		const Parameter& parameter = kParameters[index];
		const Range& range = kRanges[index];
		const double centre = Layout::knobCentreX(index);
		const double column = Layout::kColumnWidth / 2.;
		const double below = Layout::kKnobTop + Layout::kKnobSize + 6.;

		auto value = new TextLabel(CRect(centre - column, below + 18, centre + column, below + 34), "",
		                           kNormalFontSmall, kNoteColor);
		CRect knobRect(centre - half, Layout::kKnobTop, centre + half, Layout::kKnobTop + Layout::kKnobSize);
		auto knob = new ParameterKnob(knobRect, this, int32(index), value, parameter.format);
		knob->setCoronaColor(rgb(Layout::kCoronaRGB));
		knob->setColorShadowHandle(kTrackColor);
		knob->setColorHandle(kTextColor);
		knob->setHandleLineWidth(4.);
		knob->setCoronaInset(4.);
		knob->setCoronaOutlineWidthAdd(2.);
		knob->setMin(range.min);
		knob->setMax(range.max);
		knob->setDefaultValue(range.defaultValue);
		knob->setValue(range.defaultValue);
		// Wheel steps of a hundredth of the range.
		knob->setWheelInc(0.01f);

		frame->addView(knob);
		frame->addView(new TextLabel(CRect(centre - column, below, centre + column, below + 18), parameter.name,
		                             kNormalFont, kTextColor));
		frame->addView(value);
	}
	return true;
}

} // namespace KavrinGain
