#pragma once

#include "lib/controls/icontrollistener.h"
#include "lib/kavrin.h"

#include <functional>
#include <string>

namespace Kavrin::Demo {

// A line of text drawn with the context.
class Label : public CView
{
public:
	Label(const CRect& size, std::string text, CFontRef font = kNormalFont, CColor color = kWhiteCColor,
	      CHoriTxtAlign align = kLeftText);

	void setText(std::string newText);
	const std::string& getText() const { return text; }
	void draw(CDrawContext* context) override;

private:
	std::string text;
	CFontRef font;
	CColor color;
	CHoriTxtAlign align;
};

// A label that shows a control's value: the value the control has when the
// label joins the frame, and every change from then on. It listens as one
// of the control's sub-listeners, so the editor keeps the main listener,
// and holds a reference so that the control outlives it.
class ValueLabel : public Label, public IControlListener
{
public:
	using Format = std::function<std::string(const CControl&)>;

	ValueLabel(const CRect& size, CControl* control, Format format);
	~ValueLabel() noexcept override;

	bool attached(CView* parent) override;
	void valueChanged(CControl* control) override;

	// The value as a percentage of the range.
	static std::string percent(const CControl& control);

private:
	SharedPointer<CControl> control;
	Format format;
};

// A push button that runs an action when released over it.
class ActionButton : public CView
{
public:
	ActionButton(const CRect& size, std::string title, std::function<void()> action);

	void setTitle(std::string newTitle);
	void draw(CDrawContext* context) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;

private:
	void setPressed(bool state);

	std::string title;
	std::function<void()> action;
	bool pressed {false};
};

} // namespace Kavrin::Demo
