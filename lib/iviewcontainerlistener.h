#pragma once

namespace Kavrin {

class CView;
class CViewContainer;

// Told about changes of a container's children and transform.
class IViewContainerListener
{
public:
	virtual ~IViewContainerListener() noexcept = default;

	virtual void viewContainerViewAdded(CViewContainer* container, CView* view) = 0;
	virtual void viewContainerViewRemoved(CViewContainer* container, CView* view) = 0;
	virtual void viewContainerViewZOrderChanged(CViewContainer* container, CView* view) = 0;
	virtual void viewContainerTransformChanged(CViewContainer* container) = 0;
};

class ViewContainerListenerAdapter : public IViewContainerListener
{
public:
	void viewContainerViewAdded(CViewContainer*, CView*) override {}
	void viewContainerViewRemoved(CViewContainer*, CView*) override {}
	void viewContainerViewZOrderChanged(CViewContainer*, CView*) override {}
	void viewContainerTransformChanged(CViewContainer*) override {}
};

} // namespace Kavrin
