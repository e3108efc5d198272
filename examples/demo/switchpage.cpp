#include "examples/demo/switchpage.h"

#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Demo {

namespace {

using KnobBitmaps::LazyArt;

constexpr double kPadding = 10.;
constexpr double kTitleHeight = 34.;
constexpr double kLabelHeight = 16.;

const CColor kNoteColor {200, 205, 215};
const CColor kLit {255, 176, 64};
const CColor kDark {32, 34, 42};

// ---- Art ----

CRect around(const CPoint& centre, double radius)
{
	return {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
}

// The frame a strip painter is asked for, from its position in the strip.
int32 frameOf(double position, int32 frames)
{
	return int32(std::lround(position * (frames - 1)));
}

void fillRoundRect(CDrawContext& context, const CRect& rect, double radius, const CColor& fill,
                   const CColor& outline)
{
	auto path = owned(context.createRoundRectGraphicsPath(rect, radius));
	if (!path)
		return;
	context.setFillColor(fill);
	context.drawGraphicsPath(path, CDrawContext::kPathFilled);
	context.setFrameColor(outline);
	context.setLineWidth(1.);
	context.drawGraphicsPath(path, CDrawContext::kPathStroked);
}

// A dark slot with a notch for each position and a lever in the band of
// the frame's position; the bands split the cell from top to bottom.
LazyArt::FramePainter leverSlot(int32 positions)
{
	return [positions](CDrawContext& context, const CRect& cell, double position) {
		const double band = cell.getHeight() / positions;
		CRect slot = cell;
		slot.inset(3., 2.);
		fillRoundRect(context, slot, 5., CColor(18, 20, 26), CColor(100, 106, 122));
		context.setFillColor(CColor(120, 126, 140));
		for (int32 j = 0; j < positions; ++j)
		{
			const double middle = cell.top + band * (j + 0.5);
			context.drawRect(CRect(slot.right - 7., middle - 1., slot.right - 3., middle + 1.), kDrawFilled);
		}
		const int32 at = frameOf(position, positions);
		CRect lever(slot.left + 4., cell.top + band * at + 4., slot.right - 10., cell.top + band * (at + 1) - 4.);
		fillRoundRect(context, lever, 3., CColor(196, 200, 210), CColor(240, 242, 248));
		context.setFillColor(kLit);
		context.drawRect(CRect(lever.left + 3., lever.top + lever.getHeight() / 2. - 1.5, lever.right - 3.,
		                       lever.top + lever.getHeight() / 2. + 1.5),
		                 kDrawFilled);
	};
}

// Segments side by side, one per position, the frame's own lit.
LazyArt::FramePainter segments(std::vector<std::string> names)
{
	return [names = std::move(names)](CDrawContext& context, const CRect& cell, double position) {
		const int32 count = int32(names.size());
		const double width = cell.getWidth() / count;
		const int32 lit = frameOf(position, count);
		context.setFont(kNormalFontSmall);
		for (int32 j = 0; j < count; ++j)
		{
			CRect segment(cell.left + width * j, cell.top, cell.left + width * (j + 1), cell.bottom);
			segment.inset(1.5, 1.5);
			fillRoundRect(context, segment, 4., j == lit ? kLit : CColor(52, 56, 68), CColor(20, 22, 28));
			context.setFontColor(j == lit ? CColor(30, 20, 10) : CColor(200, 204, 214));
			context.drawString(names[j].c_str(), segment, kCenterText);
		}
	};
}

// A round button with the power sign: grey when off, glowing when on.
LazyArt::FramePainter powerButton(CColor glow)
{
	return [glow](CDrawContext& context, const CRect& cell, double position) {
		const bool on = position > 0.5;
		const CPoint centre = cell.getCenter();
		const double radius = cell.getWidth() / 2. - 2.;
		context.setFillColor(on ? CColor(glow.red, glow.green, glow.blue, 60) : CColor(0, 0, 0, 0));
		context.drawEllipse(around(centre, radius + 1.5), kDrawFilled);
		context.setFillColor(kDark);
		context.setFrameColor(CColor(110, 116, 130));
		context.setLineWidth(1.5);
		context.drawEllipse(around(centre, radius - 1.), kDrawFilledAndStroked);
		const CColor sign = on ? glow : CColor(110, 114, 124);
		context.setFrameColor(sign);
		context.setLineWidth(2.5);
		context.setLineStyle(CLineStyle(CLineStyle::kLineCapRound));
		context.drawArc(around(centre, radius * 0.5), 300.f, 600.f, kDrawStroked);
		context.drawLine({centre - CPoint(0., radius * 0.65), centre - CPoint(0., radius * 0.15)});
	};
}

// A raised cap when released, pressed in and ringed when held.
void kickCap(CDrawContext& context, const CRect& cell, double position)
{
	const bool pressed = position > 0.5;
	const CPoint centre = cell.getCenter() + CPoint(0., pressed ? 1. : 0.);
	const double radius = cell.getWidth() / 2. - 3.;
	if (!pressed)
	{
		context.setFillColor(CColor(0, 0, 0, 90));
		context.drawEllipse(around(centre + CPoint(0., 2.), radius), kDrawFilled);
	}
	context.setFillColor(pressed ? CColor(150, 70, 40) : CColor(210, 110, 70));
	context.setFrameColor(pressed ? kLit : CColor(250, 190, 160));
	context.setLineWidth(pressed ? 2.5 : 1.);
	context.drawEllipse(around(centre, radius), kDrawFilledAndStroked);
}

// A paddle with an arrow at each end; the end it is pushed to sinks and
// lights. Frames: pushed to the first end, at rest, pushed to the second.
LazyArt::FramePainter rockerPaddle(bool vertical)
{
	return [vertical](CDrawContext& context, const CRect& cell, double position) {
		const int32 state = frameOf(position, 3);
		CRect body = cell;
		body.inset(2., 2.);
		fillRoundRect(context, body, 5., CColor(70, 74, 88), CColor(150, 156, 172));
		const CPoint centre = cell.getCenter();
		const double reach = (vertical ? body.getHeight() : body.getWidth()) / 4.;
		for (int32 end = 0; end < 2; ++end)
		{
			const bool pushed = state == end * 2;
			const double sign = end == 0 ? -1. : 1.;
			const CPoint tip = vertical ? centre + CPoint(0., sign * (reach + 5.)) : centre + CPoint(sign * (reach + 5.), 0.);
			const CPoint base = vertical ? centre + CPoint(0., sign * (reach - 4.)) : centre + CPoint(sign * (reach - 4.), 0.);
			const CPoint side = vertical ? CPoint(6., 0.) : CPoint(0., 6.);
			if (pushed)
			{
				CRect half = body;
				if (vertical)
					(end == 0 ? half.bottom : half.top) = centre.y;
				else
					(end == 0 ? half.right : half.left) = centre.x;
				half.inset(2., 2.);
				fillRoundRect(context, half, 3., CColor(40, 42, 52), CColor(40, 42, 52));
			}
			context.setFillColor(pushed ? kLit : CColor(190, 194, 206));
			context.drawPolygon({tip, base + side, base - side}, kDrawFilled);
		}
	};
}

// Six frames: off, mixed, on, then the same three while pressed.
void checkBoxFace(CDrawContext& context, const CRect& cell, double position)
{
	const int32 frame = frameOf(position, 6);
	const int32 state = frame % 3;
	const bool pressed = frame >= 3;
	CRect box = cell;
	box.inset(1.5, 1.5);
	fillRoundRect(context, box, 4., pressed ? CColor(70, 96, 80) : CColor(30, 44, 36), CColor(140, 220, 170));
	context.setFrameColor(CColor(140, 240, 170));
	context.setLineWidth(2.5);
	context.setLineStyle(CLineStyle(CLineStyle::kLineCapRound, CLineStyle::kLineJoinRound));
	const CPoint centre = cell.getCenter();
	if (state == 1)
		context.drawLine({CPoint(box.left + 4., centre.y), CPoint(box.right - 4., centre.y)});
	else if (state == 2)
	{
		const CPoint bottom(centre.x - 1., box.bottom - 4.);
		context.drawLine({CPoint(box.left + 4., centre.y), bottom});
		context.drawLine({bottom, CPoint(box.right - 3.5, box.top + 4.)});
	}
}

// ---- Value labels ----

// The name of the position the value stands at, as the switch shows it.
ValueLabel::Format positionName(std::vector<std::string> names)
{
	return [names = std::move(names)](const CControl& control) {
		const int32 count = int32(names.size());
		const int32 index = std::clamp(int32(control.getValueNormalized() * count), 0, count - 1);
		return names[size_t(index)];
	};
}

std::string onOrOff(const CControl& control)
{
	return control.getValue() == control.getMax() ? "On" : "Off";
}

std::string checkState(const CControl& control)
{
	const float normalized = control.getValueNormalized();
	return normalized > 0.5f ? "on" : normalized == 0.5f ? "mixed" : "off";
}

// Counts the kicks: each reports the maximum once.
ValueLabel::Format kickCount()
{
	return [count = std::make_shared<int>(0)](const CControl& control) {
		if (control.getValue() == control.getMax())
			++*count;
		return "kicks: " + std::to_string(*count);
	};
}

// A running total the rocker steps down or up, once for each report at an
// end (a held key repeats).
ValueLabel::Format rockerTotal()
{
	return [total = std::make_shared<int>(0)](const CControl& control) {
		if (control.getValue() == control.getMin())
			--*total;
		else if (control.getValue() == control.getMax())
			++*total;
		return "total " + std::to_string(*total);
	};
}

// ---- Layout ----

// A coloured panel with a title, for a group of controls each over its
// name and a label that follows its value.
class Panel : public CViewContainer
{
public:
	Panel(const CRect& size, const char* title, const CColor& background, DemoEditor& editor)
	: CViewContainer(size), editor(editor)
	{
		setBackgroundColor(background);
		addView(new Label(CRect(kPadding, 8, size.getWidth() - kPadding, 28), title, kNormalFontBig));
	}

	// Takes the control over, centred in a column, with its name and value
	// under it.
	template <typename Control>
	Control* addInColumn(Control* control, double columnLeft, double columnWidth, const char* name,
	                     ValueLabel::Format format)
	{
		CRect size = control->getViewSize();
		size.moveTo(CPoint(columnLeft + (columnWidth - size.getWidth()) / 2., size.top));
		control->setViewSize(size);
		control->setMouseableArea(size);
		addControl(control, name);
		CRect below(columnLeft, size.bottom + 4., columnLeft + columnWidth, size.bottom + 4. + kLabelHeight);
		addView(new Label(below, name, kNormalFontSmall, kNoteColor, kCenterText));
		addView(new ValueLabel(below.offset(0., kLabelHeight), control, std::move(format)));
		return control;
	}

	// Takes the control over as it is placed, with its value at its right.
	template <typename Control>
	Control* addInRow(Control* control, const char* name, ValueLabel::Format format, double valueLeft)
	{
		addControl(control, name);
		const CRect& size = control->getViewSize();
		addView(new ValueLabel(CRect(valueLeft, size.top, valueLeft + 80., size.bottom), control, std::move(format)));
		return control;
	}

	void addNote(const CRect& where, const char* text)
	{
		addView(new Label(where, text, kNormalFontSmall, kNoteColor));
	}

private:
	void addControl(CControl* control, const char* name)
	{
		control->setTag(editor.addParameter(name));
		control->setTooltipText(name);
		addView(control);
	}

	DemoEditor& editor;
};

class SwitchPage : public CViewContainer
{
public:
	SwitchPage(const CRect& size, DemoEditor& editor) : CViewContainer(size)
	{
		setBackgroundColor(CColor(24, 26, 32));
		const double right = size.getWidth() - kPadding;
		const double middle = std::round(size.getWidth() * 0.52);
		addSwitches(new Panel(CRect(kPadding, kPadding, right, 186), "Multi-position switches", CColor(36, 64, 104),
		                      editor));
		addButtons(new Panel(CRect(kPadding, 196, middle - 5., size.getHeight() - kPadding),
		                     "On/off, kick and rocker", CColor(104, 56, 40), editor));
		addCheckBoxes(new Panel(CRect(middle + 5., 196, right, size.getHeight() - kPadding), "Check boxes",
		                        CColor(36, 84, 58), editor));
	}

	// The art needs the frame's offscreen contexts: it is painted once the
	// page is in an open frame.
	bool attached(CView* parent) override
	{
		CFrame* frame = parent ? parent->getFrame() : nullptr;
		if (!skinned && frame && frame->getPlatformFrame())
		{
			skinned = true;
			for (const auto& skin : skins)
				skin(frame);
			skins.clear();
		}
		return CViewContainer::attached(parent);
	}

private:
	using Skin = std::function<void(CFrame*)>;

	// Gives the control a strip of frames of its own size once there is a
	// frame to paint it with.
	void skin(CControl* control, int32 frames, LazyArt::FramePainter painter, CPoint frameSize = {})
	{
		if (frameSize == CPoint())
			frameSize = control->getViewSize().getSize();
		skins.push_back([control = shared(control), frames, frameSize, painter = std::move(painter)](CFrame* frame) {
			control->setBackground(makeOwned<LazyArt>(frame, frameSize, frames, painter));
		});
	}

	void addSwitches(Panel* panel)
	{
		addView(panel);
		const double column = 150.;
		auto mode = panel->addInColumn(new CVerticalSwitch(CRect(0, kTitleHeight, 36, kTitleHeight + 104), nullptr, 0, 4,
		                                                   104., 4, nullptr),
		                               kPadding, column, "Mode", positionName({"Off", "Low", "Mid", "High"}));
		mode->setValue(1.f / 3.f);
		skin(mode, 4, leverSlot(4));

		auto range = panel->addInColumn(new CVerticalSwitch(CRect(0, kTitleHeight + 13, 36, kTitleHeight + 91), nullptr,
		                                                    0, 3, 78., 3, nullptr),
		                                kPadding + column, column, "Range (inverse)",
		                                positionName({"x1", "x10", "x100"}));
		range->setInverseBitmap(true);
		range->setValue(0.5f);
		skin(range, 3, leverSlot(3));

		const std::vector<std::string> filters {"LP", "BP", "HP"};
		auto filter = panel->addInColumn(new CHorizontalSwitch(CRect(0, kTitleHeight + 30, 132, kTitleHeight + 60),
		                                                       nullptr, 0, 3, 30., 3, nullptr),
		                                 kPadding + 2. * column, column, "Filter", positionName(filters));
		skin(filter, 3, segments(filters));

		const std::vector<std::string> slopes {"6", "12", "18", "24", "36"};
		auto slope = panel->addInColumn(new CHorizontalSwitch(CRect(0, kTitleHeight + 30, 140, kTitleHeight + 58),
		                                                      nullptr, 0, 5, 28., 5, nullptr),
		                                kPadding + 3. * column, column, "Slope (dB/oct)", positionName(slopes));
		slope->setValue(0.75f);
		skin(slope, 5, segments(slopes));

		const char* notes[] = {"Click a position or", "drag across them;", "the arrow keys step.",
		                       "Ctrl-click: the first."};
		double top = kTitleHeight + 8.;
		for (const char* note : notes)
		{
			panel->addNote(CRect(kPadding + 4. * column + 6., top, panel->getViewSize().getWidth() - kPadding,
			                     top + kLabelHeight),
			               note);
			top += kLabelHeight;
		}
	}

	void addButtons(Panel* panel)
	{
		addView(panel);
		const double column = (panel->getViewSize().getWidth() - 2. * kPadding) / 5.;
		const double top = kTitleHeight + 12.;
		auto power = panel->addInColumn(new COnOffButton(CRect(0, top, 40, top + 40)), kPadding, column, "Power", onOrOff);
		power->setValue(1.f);
		skin(power, 2, powerButton(CColor(120, 240, 140)), CPoint(40, 40));

		auto bypass = panel->addInColumn(new COnOffButton(CRect(0, top, 40, top + 40)), kPadding + column, column,
		                                 "Bypass", onOrOff);
		skin(bypass, 2, powerButton(kLit), CPoint(40, 40));

		auto tap = panel->addInColumn(new CKickButton(CRect(0, top, 44, top + 44)), kPadding + 2. * column, column,
		                              "Tap", kickCount());
		skin(tap, 2, kickCap);

		auto trim = panel->addInColumn(new CRockerSwitch(CRect(0, top - 8., 30, top + 52), nullptr, 0, nullptr, CPoint(),
		                                                 CRockerSwitch::kVertical),
		                               kPadding + 3. * column, column, "Trim", rockerTotal());
		skin(trim, 3, rockerPaddle(true));

		auto nudge = panel->addInColumn(new CRockerSwitch(CRect(0, top + 6., 60, top + 36), nullptr, 0, nullptr,
		                                                  CPoint(), CRockerSwitch::kHorizontal),
		                                kPadding + 4. * column, column, "Nudge", rockerTotal());
		skin(nudge, 3, rockerPaddle(false));

		const char* notes[] = {
		    "Rockers spring back when let go: click a half, hold",
		    "an arrow key, or turn the wheel and pause.",
		    "Return toggles a focused button or kicks the kick.",
		};
		double y = top + 96.;
		for (const char* note : notes)
		{
			panel->addNote(CRect(kPadding, y, panel->getViewSize().getWidth() - kPadding, y + kLabelHeight), note);
			y += kLabelHeight;
		}
	}

	void addCheckBoxes(Panel* panel)
	{
		addView(panel);
		const double valueLeft = panel->getViewSize().getWidth() - kPadding - 80.;
		double top = kTitleHeight + 4.;
		auto row = [&](const char* title, int32 style) {
			auto box = new CCheckBox(CRect(kPadding, top, valueLeft - 4., top + 22.), nullptr, 0, title, nullptr, style);
			top += 26.;
			return panel->addInRow(box, title, checkState, valueLeft);
		};
		row("Tick", 0)->setValue(1.f);
		row("Cross", CCheckBox::kDrawCrossBox);
		row("Mixed, on at the next click", 0)->setValue(0.5f);
		auto rounded = row("Rounded, one-pixel frame", CCheckBox::kDrawCrossBox);
		rounded->setRoundRectRadius(4.);
		rounded->setFrameWidth(-1.);
		rounded->setBoxFillColor(CColor(20, 40, 30));
		rounded->setBoxFrameColor(CColor(170, 230, 190));
		rounded->setCheckMarkColor(CColor(120, 230, 255));
		rounded->setValue(1.f);
		auto big = row("Big title, sized to fit", CCheckBox::kAutoSizeToFit);
		big->setFont(kNormalFontBig);
		big->setFontColor(CColor(255, 230, 160));
		auto painted = row("Painted in six frames", 0);
		painted->setValue(0.5f);
		skin(painted, 6, checkBoxFace, CPoint(18, 18));
	}

	std::vector<Skin> skins;
	bool skinned {false};
};

} // namespace

CViewContainer* makeSwitchPage(const CRect& size, DemoEditor& editor)
{
	return new SwitchPage(size, editor);
}

} // namespace Kavrin::Demo
