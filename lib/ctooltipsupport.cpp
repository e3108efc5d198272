#include "lib/ctooltipsupport.h"

#include "lib/cframe.h"
#include "lib/ckavrintimer.h"
#include "lib/cview.h"
#include "lib/platform/iplatformframe.h"

#include <vector>

namespace Kavrin {

namespace {

constexpr uint32 kSwitchPhase = 50;  // from one tooltip view to the next
constexpr uint32 kSettlePhase = 100; // after a tooltip appeared
constexpr uint32 kHidePhase = 200;   // before a tooltip goes
constexpr double kJiggle = 2.;       // moves within this band keep the tooltip

uint32 tooltipAttributeSize(CView* view)
{
	uint32 size = 0;
	if (!view || !view->getAttributeSize(kCViewTooltipAttribute, size))
		return 0;
	return size;
}

} // namespace

CTooltipSupport::CTooltipSupport(CFrame* frame, uint32 delay)
: timer(owned(new CKavrinTimer(this, delay, false))), frame(frame), delay(delay)
{
}

CTooltipSupport::~CTooltipSupport() noexcept = default;

void CTooltipSupport::beforeDelete()
{
	if (timer)
		timer->stop();
	timer = nullptr;
	currentView = nullptr;
	CBaseObject::beforeDelete();
}

CView* CTooltipSupport::getCurrentView() const
{
	return currentView;
}

void CTooltipSupport::startPhase(uint32 milliseconds)
{
	timer->setFireTime(milliseconds);
	timer->start();
}

void CTooltipSupport::reset()
{
	timer->stop();
	if (auto platformFrame = frame->getPlatformFrame())
		platformFrame->hideTooltip();
	timer->setFireTime(delay);
}

void CTooltipSupport::hideTooltip()
{
	state = kHidden;
	timer->stop();
	if (auto platformFrame = frame->getPlatformFrame())
		platformFrame->hideTooltip();
}

void CTooltipSupport::onMouseEntered(CView* view)
{
	if (tooltipAttributeSize(view) == 0)
		return;
	currentView = view;
	if (state == kHidden)
	{
		state = kPending;
		startPhase(delay);
	}
	else if (state == kHiding)
	{
		state = kPending;
		startPhase(kSwitchPhase);
	}
}

void CTooltipSupport::onMouseExited(CView* view)
{
	if (!view || view != currentView)
		return;
	if (state == kVisible || state == kJustShown || state == kHiding)
	{
		state = kHiding;
		startPhase(kHidePhase);
	}
	else
	{
		state = kHidden;
		reset();
	}
	currentView = nullptr;
}

void CTooltipSupport::onMouseMoved(const CPoint& where)
{
	if (currentView && state != kJustShown)
	{
		bool moved = where.x < lastMouseMove.x - kJiggle || where.x >= lastMouseMove.x + kJiggle ||
		             where.y < lastMouseMove.y - kJiggle || where.y >= lastMouseMove.y + kJiggle;
		if (moved && state == kVisible)
		{
			state = kHiding;
			startPhase(kHidePhase);
		}
	}
	lastMouseMove = where;
}

void CTooltipSupport::onMouseDown(const CPoint&)
{
	if (state == kHidden)
		return;
	state = kHidden;
	reset();
}

bool CTooltipSupport::showTooltip()
{
	auto platformFrame = frame->getPlatformFrame();
	if (!currentView || !platformFrame)
		return false;
	if (!currentView->isAttached())
	{
		currentView = nullptr;
		return false;
	}
	CRect rect = currentView->getVisibleViewSize();
	currentView->getGlobalTransform().transform(rect);

	uint32 size = tooltipAttributeSize(currentView);
	std::vector<char> text(size + 1, 0);
	uint32 outSize = 0;
	if (size)
		currentView->getAttribute(kCViewTooltipAttribute, size, text.data(), outSize);
	if (text[0] == 0)
		return false;
	state = kJustShown;
	platformFrame->showTooltip(rect, text.data());
	return true;
}

NotifyResult CTooltipSupport::notify(CBaseObject* sender, const char* message)
{
	if (message != CKavrinTimer::kMsgTimer || sender != timer.get())
		return CBaseObject::notify(sender, message);
	SharedPointer<CTooltipSupport> keepAlive = this;
	switch (state)
	{
		case kPending:
			if (showTooltip())
				startPhase(kSettlePhase);
			else
			{
				state = kHidden;
				timer->stop();
			}
			break;
		case kJustShown:
			state = kVisible;
			timer->stop();
			timer->setFireTime(delay);
			break;
		case kHiding:
			state = kHidden;
			reset();
			break;
		case kHidden:
		case kVisible:
			break;
	}
	return kMessageHandled;
}

} // namespace Kavrin
