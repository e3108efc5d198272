#include "examples/demo/textpage.h"

#include "examples/demo/labels.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace Kavrin::Demo {

namespace {

constexpr double kPadding = 10.;
constexpr double kRow = 30.;
constexpr double kNameWidth = 120.;

const CColor kNoteColor {200, 205, 215};
const CColor kFieldBack {16, 18, 24};
const CColor kFieldFrame {90, 96, 112};

const char kLongText[] = "A rather long line of text that does not fit its label";
const char kParagraphs[] =
    "Labels wrap their text at spaces and after punctuation, line by line, and grow to hold it.\n"
    "A second paragraph starts on a line of its own.";

void styleAsField(CParamDisplay& display)
{
	display.setBackColor(kFieldBack);
	display.setFrameColor(kFieldFrame);
	display.setFontColor(CColor(236, 238, 244));
	display.setHoriAlign(kLeftText);
	display.setTextInset(CPoint(6., 0.));
}

// "42 %" and "42" both read as 42 %; anything else is refused.
bool parsePercent(const char* text, float& value, CTextEdit*)
{
	char* end = nullptr;
	const double number = std::strtod(text, &end);
	if (end == text)
		return false;
	while (*end == ' ')
		++end;
	if (*end == '%')
		++end;
	if (*end != '\0' || !std::isfinite(number))
		return false;
	value = float(number / 100.);
	return true;
}

bool showPercent(float value, std::string& result, CParamDisplay*)
{
	char text[16];
	std::snprintf(text, sizeof(text), "%d %%", int(std::lround(value * 100.f)));
	result = text;
	return true;
}

// Keeps two controls at the same value: what one is set to by the user,
// the other shows.
class ValueLink : public IControlListener
{
public:
	ValueLink(CControl* first, CControl* second) : first(first), second(second)
	{
		first->registerControlListener(this);
		second->registerControlListener(this);
	}
	~ValueLink() noexcept
	{
		first->unregisterControlListener(this);
		second->unregisterControlListener(this);
	}

	void valueChanged(CControl* control) override
	{
		CControl* other = control == first.get() ? second.get() : first.get();
		if (other->getValue() == control->getValue())
			return;
		other->setValue(control->getValue());
		other->invalid();
	}

private:
	SharedPointer<CControl> first;
	SharedPointer<CControl> second;
};

class TextPage : public CViewContainer
{
public:
	TextPage(const CRect& size, DemoEditor& editor) : CViewContainer(size)
	{
		setBackgroundColor(CColor(28, 30, 38));
		addLabels(CRect(kPadding, kPadding, 420., size.getHeight() - kPadding));
		addFields(CRect(450., kPadding, size.getWidth() - kPadding, size.getHeight() - kPadding), editor);
	}

	~TextPage() noexcept override { delete link; }

private:
	double addName(const CRect& area, double top, const char* name)
	{
		addView(new Label(CRect(area.left, top, area.left + kNameWidth, top + 22.), name, kNormalFontSmall,
		                  kNoteColor));
		return area.left + kNameWidth;
	}

	CTextLabel* addLabel(const CRect& area, double& top, const char* name, const char* text)
	{
		const double left = addName(area, top, name);
		auto label = new CTextLabel(CRect(left, top, area.right, top + 22.), text);
		styleAsField(*label);
		addView(label);
		top += kRow;
		return label;
	}

	void addLabels(const CRect& area)
	{
		addView(new Label(CRect(area.left, area.top, area.right, area.top + 20.), "Labels", kNormalFontBig));
		double top = area.top + 30.;
		addLabel(area, top, "Left", "Aligned left");
		addLabel(area, top, "Centred", "Centred")->setHoriAlign(kCenterText);
		addLabel(area, top, "Right", "Aligned right")->setHoriAlign(kRightText);
		addLabel(area, top, "Truncated head", kLongText)->setTextTruncateMode(CTextLabel::kTruncateHead);
		addLabel(area, top, "Truncated tail", kLongText)->setTextTruncateMode(CTextLabel::kTruncateTail);
		auto shadowed = addLabel(area, top, "Shadow, rounded", "Shadowed text");
		shadowed->setStyle(CParamDisplay::kShadowText | CParamDisplay::kRoundRectStyle);
		shadowed->setShadowColor(CColor(0, 0, 0, 200));
		shadowed->setHoriAlign(kCenterText);
		auto bevel = addLabel(area, top, "3D bevel", "Raised");
		bevel->setStyle(CParamDisplay::k3DOut);
		bevel->setBackColor(CColor(60, 64, 80));
		bevel->setFrameColor(CColor(150, 156, 176));
		bevel->setHoriAlign(kCenterText);

		const double left = addName(area, top, "Wrapped lines");
		auto paragraph = new CMultiLineTextLabel(CRect(left, top, area.right, top + 22.));
		styleAsField(*paragraph);
		paragraph->setTextInset(CPoint(6., 3.));
		paragraph->setLineLayout(CMultiLineTextLabel::LineLayout::kWrap);
		paragraph->setText(kParagraphs);
		paragraph->setAutoHeight(true);
		addView(paragraph);
	}

	CTextEdit* addField(CTextEdit* field, const CRect& area, double& top, const char* name, double rightMargin = 0.)
	{
		const double left = addName(area, top, name);
		field->setViewSize(CRect(left, top, area.right - rightMargin, top + 24.));
		field->setMouseableArea(field->getViewSize());
		styleAsField(*field);
		addView(field);
		top += kRow + 4.;
		return field;
	}

	void addFields(const CRect& area, DemoEditor& editor)
	{
		addView(new Label(CRect(area.left, area.top, area.right, area.top + 20.), "Text fields", kNormalFontBig));
		double top = area.top + 30.;
		addField(new CTextEdit(CRect(), nullptr, -1, "Type here"), area, top, "Plain");

		const double knobTop = top - 8.;
		auto numeric = addField(new CTextEdit(CRect()), area, top, "Percent", 60.);
		numeric->setTag(editor.addParameter("Percent field"));
		numeric->setStringToValueFunction(parsePercent);
		numeric->setValueToStringFunction2(showPercent);
		numeric->setValue(0.25f);
		auto knob = new CKnob(CRect(area.right - 40., knobTop, area.right, knobTop + 40.), nullptr,
		                      editor.addParameter("Percent knob"), nullptr, nullptr, CPoint(),
		                      CKnob::kCoronaDrawing);
		knob->setCoronaColor(CColor(110, 215, 255));
		knob->setValue(0.25f);
		addView(knob);
		addView(new Label(CRect(area.left, top - 2., area.right, top + 16.),
		                  "Type 0 to 100 above; the knob follows, and drives the field back.", kNormalFontSmall,
		                  kNoteColor));
		link = new ValueLink(numeric, knob);
		top += 26.;

		auto password = addField(new CTextEdit(CRect(), nullptr, -1, "secret"), area, top, "Password");
		password->setSecureStyle(true);
		addField(new CSearchTextEdit(CRect()), area, top, "Search");
		auto doubleClick = addField(new CTextEdit(CRect(), nullptr, -1, "Double-click to edit", nullptr,
		                                          CTextEdit::kDoubleClickStyle),
		                            area, top, "Double click");
		doubleClick->setPlaceholderString("Double-click to edit");
		addField(new CTextEdit(CRect(), nullptr, -1, ""), area, top, "Placeholder")
		    ->setPlaceholderString("Shown while empty");
	}

	ValueLink* link {nullptr};
};

} // namespace

CViewContainer* makeTextPage(const CRect& size, DemoEditor& editor)
{
	return new TextPage(size, editor);
}

} // namespace Kavrin::Demo
