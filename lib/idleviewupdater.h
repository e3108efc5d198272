#pragma once

#include "lib/cview.h"

#include <vector>

namespace Kavrin {

class CKavrinTimer;

namespace CViewInternal {

// Calls onIdle() on every attached view that wants idle, every
// CView::idleRate milliseconds, in registration order. A process-wide
// singleton that exists only while some view is registered.
class IdleViewUpdater
{
public:
	static void add(CView* view);
	static void remove(CView* view);
	static bool isRegistered(CView* view);

private:
	IdleViewUpdater();
	~IdleViewUpdater() noexcept;
	void fire();

	static IdleViewUpdater* gInstance;

	SharedPointer<CKavrinTimer> timer;
	std::vector<CView*> views;
	int busyDepth {0};
};

} // namespace CViewInternal
} // namespace Kavrin
