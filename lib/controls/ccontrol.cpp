#include "lib/controls/ccontrol.h"

namespace Kavrin {

CControl::CControl(const CRect& size, IControlListener* listener, int32 tag, CBitmap* background)
: CView(size), listener(listener), tag(tag)
{
	if (background)
		setBackground(background);
}

CControl::CControl(const CControl& other)
: CView(other), IFocusDrawing(other), listener(other.listener), tag(other.tag)
{
}

CControl::~CControl() noexcept = default;

int32 CControl::getTag() const
{
	return tag;
}

void CControl::setTag(int32 newTag)
{
	if (listener)
		listener->controlTagWillChange(this);
	tag = newTag;
	if (listener)
		listener->controlTagDidChange(this);
}

IControlListener* CControl::getListener() const
{
	return listener;
}

void CControl::setListener(IControlListener* newListener)
{
	listener = newListener;
}

bool CControl::drawFocusOnTop()
{
	return false;
}

bool CControl::getFocusPath(CGraphicsPath&)
{
	return false;
}

} // namespace Kavrin
