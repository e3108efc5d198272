#include "examples/demo/playground.h"

#include "examples/demo/labels.h"

namespace Kavrin::Demo {

namespace {

class Dot : public CView
{
public:
	explicit Dot(const CRect& size) : CView(size) { setMouseEnabled(false); }

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(CColor(250, 200, 60));
		context->drawEllipse(getViewSize(), kDrawFilled);
		setDirty(false);
	}
};

} // namespace

Playground::Playground(const CRect& size) : CViewContainer(size)
{
	setBackgroundColor(CColor(40, 44, 56));
	addView(new Label(CRect(10, 8, size.getWidth() - 10, 28), "Playground: move the mouse here"));
	dot = new Dot(CRect(0, 0, 24, 24));
	addView(dot);
	moveDot(CPoint(size.getWidth() / 2., size.getHeight() / 2.));
	setTooltipText("The dot follows the mouse.\nIt is drawn anew wherever it goes.");
}

CMouseEventResult Playground::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
	CViewContainer::onMouseMoved(where, buttons);
	moveDot(where - getViewSize().getTopLeft());
	return kMouseHandled;
}

void Playground::moveDot(const CPoint& where)
{
	CRect size = dot->getViewSize();
	size.moveTo(CPoint(where.x - size.getWidth() / 2., where.y - size.getHeight() / 2.));
	dot->invalid();
	dot->setViewSize(size);
	dot->invalid();
}

} // namespace Kavrin::Demo
