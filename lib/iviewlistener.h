#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/crect.h"

namespace Kavrin {

class CView;

// Told about a view's life: size, attachment, focus and deletion.
class IViewListener
{
public:
	virtual ~IViewListener() noexcept = default;

	virtual void viewSizeChanged(CView* view, const CRect& oldSize) = 0;
	virtual void viewAttached(CView* view) = 0;
	virtual void viewRemoved(CView* view) = 0;
	virtual void viewLostFocus(CView* view) = 0;
	virtual void viewTookFocus(CView* view) = 0;
	virtual void viewWillDelete(CView* view) = 0;
};

class ViewListenerAdapter : public IViewListener
{
public:
	void viewSizeChanged(CView*, const CRect&) override {}
	void viewAttached(CView*) override {}
	void viewRemoved(CView*) override {}
	void viewLostFocus(CView*) override {}
	void viewTookFocus(CView*) override {}
	void viewWillDelete(CView*) override {}
};

// Sees a view's mouse events before the view does. Listeners are asked last
// registered first; the first answer that counts as handled wins and the view
// itself is then not asked.
class IViewMouseListener
{
public:
	virtual ~IViewMouseListener() noexcept = default;

	virtual CMouseEventResult viewOnMouseDown(CView* view, CPoint pos, CButtonState buttons) = 0;
	virtual CMouseEventResult viewOnMouseUp(CView* view, CPoint pos, CButtonState buttons) = 0;
	virtual CMouseEventResult viewOnMouseMoved(CView* view, CPoint pos, CButtonState buttons) = 0;
	virtual CMouseEventResult viewOnMouseCancel(CView* view) = 0;
	virtual void viewOnMouseEntered(CView* view) = 0;
	virtual void viewOnMouseExited(CView* view) = 0;
	virtual void viewOnMouseEnabled(CView* view, bool state) = 0;
};

class ViewMouseListenerAdapter : public IViewMouseListener
{
public:
	CMouseEventResult viewOnMouseDown(CView*, CPoint, CButtonState) override { return kMouseNotHandled; }
	CMouseEventResult viewOnMouseUp(CView*, CPoint, CButtonState) override { return kMouseNotHandled; }
	CMouseEventResult viewOnMouseMoved(CView*, CPoint, CButtonState) override { return kMouseNotHandled; }
	CMouseEventResult viewOnMouseCancel(CView*) override { return kMouseNotHandled; }
	void viewOnMouseEntered(CView*) override {}
	void viewOnMouseExited(CView*) override {}
	void viewOnMouseEnabled(CView*, bool) override {}
};

} // namespace Kavrin
