#pragma once

#include "lib/kavrin.h"

namespace Kavrin::Demo {

// A panel whose dot follows the mouse while it is over it, with a tooltip
// that says so.
class Playground : public CViewContainer
{
public:
	explicit Playground(const CRect& size);

	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
	// Centres the dot on a point of the playground.
	void moveDot(const CPoint& where);

private:
	CView* dot;
};

} // namespace Kavrin::Demo
