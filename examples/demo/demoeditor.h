#pragma once

#include "lib/kavrin.h"

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Demo {

// The editor side of the demo's frame: it names the parameters the knobs
// stand for, chooses the knob mode every knob of the frame drags in, and
// hears each control's edit bracket as a host's automation would.
class DemoEditor : public KavrinEditorInterface
{
public:
	static constexpr int32 kCircularMode = 0;
	static constexpr int32 kLinearMode = 2;

	// A new parameter; its tag is returned.
	int32 addParameter(std::string name);
	// Empty for an unknown tag.
	std::string getParameterName(int32 tag) const;

	int32 getKnobMode() const override { return knobMode; }
	void setKnobMode(int32 mode) { knobMode = mode; }
	void beginEdit(int32 tag) override;
	void endEdit(int32 tag) override;

	// Called with the tag and true at a begin, false at the end.
	std::function<void(int32 tag, bool editing)> onEdit;

private:
	int32 knobMode {kCircularMode};
	std::vector<std::string> parameterNames;
};

// A button that switches the editor between circular and linear knob
// dragging and shows which is on.
class ModeSwitch : public CView
{
public:
	ModeSwitch(const CRect& size, DemoEditor& editor);

	void draw(CDrawContext* context) override;
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

private:
	DemoEditor& editor;
};

} // namespace Kavrin::Demo
