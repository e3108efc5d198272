#include "examples/demo/sliderpage.h"

#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace Kavrin::Demo {

namespace {

constexpr double kTitleHeight = 32.;
constexpr double kPadding = 10.;
// Bitmap sliders: a track of kTrackLength x kThickness with a handle
// kHandleLength long. Vector sliders are thinner.
constexpr double kTrackLength = 220.;
constexpr double kThickness = 24.;
constexpr double kHandleLength = 16.;
constexpr double kVectorThickness = 16.;
// Horizontal sliders stand in rows after their names, vertical ones in
// columns.
constexpr double kNameWidth = 104.;
constexpr double kColumnWidth = 66.;

const CColor kNoteColor {200, 205, 215};
const CColor kAccent {110, 215, 255};

struct ModeInfo
{
	CSliderMode mode;
	const char* name;
	const char* note;
};

const ModeInfo kModes[] = {
    {CSliderMode::kTouchMode, "Touch", "Touch: only the handle can be grabbed, and then it follows."},
    {CSliderMode::kRelativeTouchMode, "Relative", "Relative: grab anywhere; the value moves as the pointer does."},
    {CSliderMode::kFreeClickMode, "Free click", "Free click: the handle jumps under the pointer."},
    {CSliderMode::kRampMode, "Ramp", "Ramp: a press beside the handle ramps it to the pointer."},
};

const ModeInfo& currentModeInfo()
{
	for (const auto& info : kModes)
	{
		if (info.mode == CSliderBase::getGlobalMode())
			return info;
	}
	return kModes[2];
}

// Four segments, one a mode; the lit one is the class-wide mode that every
// slider left in kUseGlobal follows. A note beside it tells what the mode
// does.
class SliderModeSwitch : public CView
{
public:
	SliderModeSwitch(const CRect& size, Label* note) : CView(size), note(note)
	{
		setTooltipText("The mode of every slider that has none of its own.");
		note->setText(currentModeInfo().note);
	}

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAliasing);
		context->setFont(kNormalFontSmall);
		for (size_t i = 0; i < std::size(kModes); ++i)
		{
			const bool lit = kModes[i].mode == CSliderBase::getGlobalMode();
			const CRect segment = segmentRect(i);
			context->setFillColor(lit ? kAccent : CColor(40, 46, 60));
			context->drawRect(segment, kDrawFilled);
			context->setFontColor(lit ? CColor(10, 20, 30) : kNoteColor);
			context->drawString(kModes[i].name, segment, kCenterText);
		}
		setDirty(false);
	}

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override
	{
		if (!buttons.isLeftButton())
			return kMouseNotHandled;
		for (size_t i = 0; i < std::size(kModes); ++i)
		{
			if (segmentRect(i).pointInside(where))
			{
				CSliderBase::setGlobalMode(kModes[i].mode);
				note->setText(kModes[i].note);
				invalid();
			}
		}
		return kMouseDownHandledNoMoveOrUp;
	}

private:
	// A segment, one pixel apart from the next, in the parent's coordinates.
	CRect segmentRect(size_t index) const
	{
		const CRect& size = getViewSize();
		const double width = size.getWidth() / double(std::size(kModes));
		return CRect(size.left + index * width, size.top, size.left + (index + 1) * width - 1., size.bottom);
	}

	SharedPointer<Label> note;
};

// ---- Art ----

using KnobBitmaps::Painter;
using KnobBitmaps::paintArt;

// A rect given along and across a slider's axis.
CRect oriented(bool horizontal, double along0, double across0, double along1, double across1)
{
	return horizontal ? CRect(along0, across0, along1, across1) : CRect(across0, along0, across1, along1);
}

// A dark groove down the middle of the track, with a tick every tenth of
// the handle's travel.
void paintTrack(CDrawContext& context, bool horizontal)
{
	const double middle = kThickness / 2.;
	if (auto groove = owned(context.createRoundRectGraphicsPath(
	        oriented(horizontal, 4., middle - 3., kTrackLength - 4., middle + 3.), 3.)))
	{
		context.setFillColor(CColor(12, 13, 18));
		context.drawGraphicsPath(groove, CDrawContext::kPathFilled);
	}
	context.setFrameColor(CColor(150, 150, 160, 150));
	context.setLineWidth(1.);
	const double travel = kTrackLength - kHandleLength;
	for (int tick = 0; tick <= 10; ++tick)
	{
		const double along = kHandleLength / 2. + travel * tick / 10.;
		const double reach = tick % 5 == 0 ? 7. : 4.;
		const CRect line = oriented(horizontal, along, 1., along, 1. + reach);
		context.drawLine({line.getTopLeft(), line.getBottomRight()});
	}
}

// A cap lit from above, with a line across where the value is read.
void paintHandle(CDrawContext& context, bool horizontal)
{
	const CRect body = oriented(horizontal, 1., 1., kHandleLength - 1., kThickness - 1.);
	auto cap = owned(context.createRoundRectGraphicsPath(body, 3.));
	auto gradient = owned(CGradient::create(0., 1., CColor(235, 236, 240), CColor(120, 124, 136)));
	if (cap && gradient)
		context.fillLinearGradient(cap, *gradient, body.getTopLeft(), body.getBottomLeft());
	context.setFrameColor(CColor(20, 22, 28));
	context.setLineWidth(2.);
	const CRect line = oriented(horizontal, kHandleLength / 2., 4., kHandleLength / 2., kThickness - 4.);
	context.drawLine({line.getTopLeft(), line.getBottomRight()});
}

// ---- Value labels ----

std::string gain(const CControl& control)
{
	if (control.getValue() <= control.getMin())
		return "-inf dB";
	char text[16];
	std::snprintf(text, sizeof(text), "%+.1f dB", double(control.getValue()));
	return text;
}

// A balance from -1 (all left) to 1 (all right), as the two shares.
std::string balance(const CControl& control)
{
	const int right = int(std::lround((control.getValue() + 1.f) * 50.f));
	return "L" + std::to_string(100 - right) + " R" + std::to_string(right);
}

// -100 % to +100 % over a range from -1 to 1.
std::string signedPercent(const CControl& control)
{
	char text[16];
	std::snprintf(text, sizeof(text), "%+d %%", int(std::lround(control.getValue() * 100.f)));
	return text;
}

// ---- The page ----

class SliderPage : public CViewContainer
{
public:
	SliderPage(const CRect& size, DemoEditor& editor) : CViewContainer(size), editor(editor)
	{
		setBackgroundColor(CColor(24, 26, 32));
		addView(new Label(CRect(14, 8, 380, 36), "Kavrin sliders", kNormalFontVeryBig));
		auto note = new Label(CRect(390, 38, size.getWidth() - 10, 54), "", kNormalFontSmall, kNoteColor,
		                      kRightText);
		addView(new SliderModeSwitch(CRect(390, 10, size.getWidth() - 10, 34), note));
		addView(note);
		const double middle = 400.;
		addBitmapPanel(CRect(10, 60, middle, 228));
		addVectorPanel(CRect(10, 238, middle, size.getHeight() - 10));
		addVerticalPanel(CRect(middle + 10, 60, size.getWidth() - 10, size.getHeight() - 10));
	}

	bool attached(CView* parent) override
	{
		CFrame* frame = parent ? parent->getFrame() : nullptr;
		if (!madeArt && frame && frame->getPlatformFrame())
			makeArt(frame);
		return CViewContainer::attached(parent);
	}

private:
	// A slider that gets its track and handle once the art is painted.
	struct Skinned
	{
		CSlider* slider;
		bool horizontal;
		bool sharp; // 2x pixels as well as 1x
	};

	CViewContainer* addPanel(const CRect& rect, const char* title, const CColor& color)
	{
		auto panel = new CViewContainer(rect);
		panel->setBackgroundColor(color);
		panel->addView(new Label(CRect(kPadding, 6, rect.getWidth() - kPadding, 26), title, kNormalFontBig));
		addView(panel);
		return panel;
	}

	static void moveTo(CSlider* slider, const CPoint& topLeft)
	{
		CRect size = slider->getViewSize();
		size.moveTo(topLeft);
		slider->setViewSize(size);
		slider->setMouseableArea(size);
	}

	// A row: the name, the slider, its value.
	void addRow(CViewContainer* panel, int row, const char* name, CSlider* slider,
	            ValueLabel::Format format = ValueLabel::percent)
	{
		const double top = kTitleHeight + row * 44.;
		const double labelTop = top + (slider->getViewSize().getHeight() - 16.) / 2.;
		slider->setTag(editor.addParameter(name));
		moveTo(slider, CPoint(kNameWidth, top));
		panel->addView(
		    new Label(CRect(kPadding, labelTop, kNameWidth - 4., labelTop + 16), name, kNormalFontSmall, kNoteColor));
		panel->addView(slider);
		const double right = slider->getViewSize().right;
		panel->addView(new ValueLabel(CRect(right + 4., labelTop, panel->getViewSize().getWidth() - 4., labelTop + 16),
		                              slider, std::move(format)));
	}

	// A column: the slider, its name and its value under it.
	void addColumn(CViewContainer* panel, int column, const char* name, CSlider* slider,
	               ValueLabel::Format format = ValueLabel::percent)
	{
		const double left = kPadding + column * kColumnWidth;
		slider->setTag(editor.addParameter(name));
		moveTo(slider, CPoint(left + (kColumnWidth - slider->getViewSize().getWidth()) / 2., kTitleHeight));
		panel->addView(slider);
		const double below = slider->getViewSize().bottom + 4.;
		panel->addView(new Label(CRect(left, below, left + kColumnWidth, below + 16), name, kNormalFontSmall,
		                         kNoteColor, kCenterText));
		panel->addView(new ValueLabel(CRect(left, below + 16, left + kColumnWidth, below + 32), slider,
		                              std::move(format)));
	}

	// A slider of the page's mode whose track and handle are bitmaps.
	CSlider* skinned(bool horizontal, int32 direction, bool sharp)
	{
		const CPoint size = horizontal ? CPoint(kTrackLength, kThickness) : CPoint(kThickness, kTrackLength);
		CSlider* slider;
		if (horizontal)
			slider = new CHorizontalSlider(CRect(CPoint(), size), nullptr, 0, CPoint(), 0, nullptr, nullptr, CPoint(),
			                               direction);
		else
			slider = new CVerticalSlider(CRect(CPoint(), size), nullptr, 0, CPoint(), 0, nullptr, nullptr, CPoint(),
			                             direction);
		skins.push_back({slider, horizontal, sharp});
		return slider;
	}

	// A slider of its own mode drawn as a frame, a back and a value bar.
	static CSlider* vector(bool horizontal, int32 direction, int32 drawStyle, CSliderMode mode)
	{
		const CPoint size =
		    horizontal ? CPoint(kTrackLength, kVectorThickness) : CPoint(kVectorThickness, kTrackLength);
		const int32 travel = int32(kTrackLength - 1.);
		CSlider* slider;
		if (horizontal)
			slider = new CHorizontalSlider(CRect(CPoint(), size), nullptr, 0, CPoint(), travel, nullptr, nullptr,
			                               CPoint(), direction);
		else
			slider = new CVerticalSlider(CRect(CPoint(), size), nullptr, 0, CPoint(), travel, nullptr, nullptr,
			                             CPoint(), direction);
		slider->setDrawStyle(CSlider::kDrawFrame | CSlider::kDrawBack | CSlider::kDrawValue | drawStyle);
		slider->setFrameColor(CColor(90, 110, 150));
		slider->setBackColor(CColor(14, 20, 34));
		slider->setValueColor(kAccent);
		slider->setSliderMode(mode);
		return slider;
	}

	void addBitmapPanel(const CRect& rect)
	{
		auto panel = addPanel(rect, "Bitmap handles, in the page's mode", CColor(120, 50, 40));
		auto leftToRight = skinned(true, CSliderBase::kLeft, true);
		leftToRight->setValue(0.3f);
		addRow(panel, 0, "Left to right", leftToRight);
		auto rightToLeft = skinned(true, CSliderBase::kRight, true);
		rightToLeft->setValue(0.3f);
		addRow(panel, 1, "Right to left", rightToLeft);
		auto blurred = skinned(true, CSliderBase::kLeft, false);
		blurred->setValue(0.6f);
		addRow(panel, 2, "Art at 1x only", blurred);
	}

	void addVectorPanel(const CRect& rect)
	{
		auto panel = addPanel(rect, "Vector sliders, each in a mode of its own", CColor(30, 60, 110));
		addVectorSliders(panel, true, 0, balance);
	}

	// One vector slider in each mode of its own, from the given row or
	// column on; the relative one runs the other way, its bar with it.
	void addVectorSliders(CViewContainer* panel, bool horizontal, int first, ValueLabel::Format rampFormat)
	{
		const int32 forwards = horizontal ? CSliderBase::kLeft : CSliderBase::kBottom;
		const int32 backwards = horizontal ? CSliderBase::kRight : CSliderBase::kTop;
		auto place = [&](int index, const char* name, CSlider* slider, ValueLabel::Format format) {
			if (horizontal)
				addRow(panel, first + index, name, slider, std::move(format));
			else
				addColumn(panel, first + index, name, slider, std::move(format));
		};
		auto freeClick = vector(horizontal, forwards, 0, CSliderMode::kFreeClickMode);
		freeClick->setValue(0.6f);
		place(0, "Free click", freeClick, ValueLabel::percent);
		auto relative = vector(horizontal, backwards, CSlider::kDrawInverted, CSliderMode::kRelativeTouchMode);
		relative->setValue(0.35f);
		place(1, "Relative", relative, ValueLabel::percent);
		auto ramp = vector(horizontal, forwards, CSlider::kDrawValueFromCenter, CSliderMode::kRampMode);
		ramp->setMin(-1.f);
		ramp->setDefaultValue(0.f);
		ramp->setValue(-0.4f);
		place(2, "Ramp", ramp, std::move(rampFormat));
	}

	void addVerticalPanel(const CRect& rect)
	{
		auto panel = addPanel(rect, "Vertical", CColor(30, 90, 60));
		auto fader = skinned(false, CSliderBase::kBottom, true);
		fader->setMin(-60.f);
		fader->setMax(6.f);
		fader->setDefaultValue(0.f);
		fader->setValue(-12.f);
		addColumn(panel, 0, "Fader", fader, gain);
		auto hanging = skinned(false, CSliderBase::kTop, true);
		hanging->setValue(0.3f);
		addColumn(panel, 1, "Top down", hanging);
		addVectorSliders(panel, false, 2, signedPercent);

		const char* notes[] = {
		    "Shift drags at a tenth of the speed.",
		    "Ctrl-click or a double click restores the default.",
		    "The wheel along a slider and the arrow keys step it.",
		};
		double top = kTitleHeight + kTrackLength + 40.;
		for (const char* text : notes)
		{
			panel->addView(new Label(CRect(kPadding, top, rect.getWidth() - kPadding, top + 16), text,
			                         kNormalFontSmall, kNoteColor));
			top += 16.;
		}
	}

	void makeArt(CFrame* frame)
	{
		madeArt = true;
		for (bool horizontal : {true, false})
		{
			const CPoint trackSize = horizontal ? CPoint(kTrackLength, kThickness) : CPoint(kThickness, kTrackLength);
			const CPoint handleSize =
			    horizontal ? CPoint(kHandleLength, kThickness) : CPoint(kThickness, kHandleLength);
			const Painter track = [horizontal](CDrawContext& context) { paintTrack(context, horizontal); };
			const Painter handle = [horizontal](CDrawContext& context) { paintHandle(context, horizontal); };
			const SharedPointer<CBitmap> sharpTrack = paintArt(frame, trackSize, {1., 2.}, track);
			const SharedPointer<CBitmap> sharpHandle = paintArt(frame, handleSize, {1., 2.}, handle);
			const SharedPointer<CBitmap> plainTrack = paintArt(frame, trackSize, {1.}, track);
			const SharedPointer<CBitmap> plainHandle = paintArt(frame, handleSize, {1.}, handle);
			for (const auto& skin : skins)
			{
				if (skin.horizontal != horizontal)
					continue;
				skin.slider->setBackground(skin.sharp ? sharpTrack : plainTrack);
				skin.slider->setHandle(skin.sharp ? sharpHandle : plainHandle);
			}
		}
	}

	DemoEditor& editor;
	std::vector<Skinned> skins;
	bool madeArt {false};
};

} // namespace

CViewContainer* makeSliderPage(const CRect& size, DemoEditor& editor)
{
	return new SliderPage(size, editor);
}

} // namespace Kavrin::Demo
