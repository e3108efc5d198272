#include "lib/idleviewupdater.h"

#include "lib/ckavrintimer.h"

#include <algorithm>

namespace Kavrin::CViewInternal {

IdleViewUpdater* IdleViewUpdater::gInstance = nullptr;

IdleViewUpdater::IdleViewUpdater()
: timer(owned(new CKavrinTimer([this](CKavrinTimer*) { fire(); }, CView::idleRate)))
{
}

IdleViewUpdater::~IdleViewUpdater() noexcept
{
	if (timer)
		timer->stop();
}

void IdleViewUpdater::add(CView* view)
{
	if (!gInstance)
		gInstance = new IdleViewUpdater();
	if (!isRegistered(view))
		gInstance->views.push_back(view);
}

void IdleViewUpdater::remove(CView* view)
{
	if (!gInstance)
		return;
	auto& views = gInstance->views;
	views.erase(std::remove(views.begin(), views.end(), view), views.end());
	if (views.empty() && gInstance->busyDepth == 0)
	{
		delete gInstance;
		gInstance = nullptr;
	}
}

bool IdleViewUpdater::isRegistered(CView* view)
{
	return gInstance &&
	       std::find(gInstance->views.begin(), gInstance->views.end(), view) != gInstance->views.end();
}

void IdleViewUpdater::fire()
{
	// The views may unregister, or remove each other, from onIdle: the walk
	// goes over remembered copies and skips views that left meanwhile.
	++busyDepth;
	std::vector<SharedPointer<CView>> remembered(views.begin(), views.end());
	for (const auto& view : remembered)
	{
		if (std::find(views.begin(), views.end(), view.get()) != views.end())
			view->onIdle();
	}
	// A nested event loop inside onIdle may fire again: only the outermost
	// fire may end the updater.
	if (--busyDepth == 0 && views.empty())
	{
		gInstance = nullptr;
		// The timer is inside its own callback: it stays alive until the
		// callback returns.
		delete this;
	}
}

} // namespace Kavrin::CViewInternal
