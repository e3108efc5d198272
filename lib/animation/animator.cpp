#include "lib/animation/animator.h"

#include "lib/animation/ownership.h"
#include "lib/ckavrintimer.h"
#include "lib/cview.h"
#include "lib/platform/iplatformframe.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace Kavrin::Animation {

const char* const kMsgAnimationFinished = "kMsgAnimationFinished";

namespace {

DoneFunction notifying(CBaseObject* notificationObject)
{
	if (!notificationObject)
		return {};
	SharedPointer<CBaseObject> receiver = notificationObject;
	return [receiver](CView* view, const char* name, IAnimationTarget* target) {
		FinishedMessage message(view, name, target);
		receiver->notify(&message, kMsgAnimationFinished);
	};
}

} // namespace

// ---- One animation ----

namespace Detail {

Animation::Animation(CView* view, const std::string& name, IAnimationTarget* target,
                     ITimingFunction* timingFunction, const DoneFunction& notification)
: name(name), view(view), target(target), timingFunction(timingFunction), notification(notification)
{
}

Animation::~Animation() noexcept
{
	releaseOwned(std::exchange(target, nullptr));
	releaseOwned(std::exchange(timingFunction, nullptr));
}

void Animation::beforeDelete()
{
	if (DoneFunction notify = std::move(notification))
	{
		notification = nullptr;
		notify(view, name.c_str(), target);
	}
	releaseOwned(std::exchange(target, nullptr));
	releaseOwned(std::exchange(timingFunction, nullptr));
	view = nullptr;
}

} // namespace Detail

// ---- Animator ----

Animator::~Animator() noexcept
{
	Detail::Timer::removeAnimator(this);
}

void Animator::beforeDelete()
{
	// Leave first: a nested tick from a target's call must not reach an
	// animator on its way out.
	Detail::Timer::removeAnimator(this);
	removeAllAnimations();
	Detail::Timer::removeAnimator(this);
}

void Animator::addAnimation(CView* view, const char* name, IAnimationTarget* target,
                            ITimingFunction* timingFunction, CBaseObject* notificationObject)
{
	addAnimation(view, name, target, timingFunction, notifying(notificationObject));
}

void Animator::addAnimation(CView* view, const char* name, IAnimationTarget* target,
                            ITimingFunction* timingFunction, const DoneFunction& notification)
{
	if (!view || !target || !timingFunction)
	{
		Detail::releaseOwned(target);
		Detail::releaseOwned(timingFunction);
		return;
	}
	SharedPointer<Animator> self = this;
	SharedPointer<CView> keepView = view;
	// A copy: name may point into the animation about to be replaced.
	const std::string animationName = name ? name : "";
	const bool wasInTree = view->isInTree();
	// The timer keeps its beat through a replacement instead of going and
	// coming back a moment later.
	++replacing;
	// A canceled target may hand the name to yet another animation: the
	// name stays unique, whatever holds it is canceled.
	while (contains(view, animationName))
	{
		cancel([&](const Detail::Animation& animation) {
			return !animation.done && animation.view == view && animation.name == animationName;
		}, false);
	}
	--replacing;
	// A view taken out of the tree by the canceled target would be held,
	// and animated, outside it.
	if (wasInTree && !view->isInTree())
	{
		Detail::releaseOwned(target);
		Detail::releaseOwned(timingFunction);
		leaveTimerWhenIdle();
		return;
	}
	animations.push_back(
	    owned(new Detail::Animation(view, animationName, target, timingFunction, notification)));
	Detail::Timer::addAnimator(this);
}

void Animator::removeAnimation(CView* view, const char* name)
{
	SharedPointer<CView> keepView = view;
	const std::string animationName = name ? name : "";
	cancel([&](const Detail::Animation& animation) {
		return animation.view == view && animation.name == animationName;
	}, false);
}

void Animator::removeAnimations(CView* view)
{
	SharedPointer<CView> keepView = view;
	cancel([&](const Detail::Animation& animation) { return animation.view == view; }, true);
}

void Animator::removeAllAnimations()
{
	cancel([](const Detail::Animation&) { return true; }, true);
}

void Animator::onTimer()
{
	SharedPointer<Animator> self = this;
	const uint32 now = IPlatformFrame::getTicks();
	// Animations added during the walk start on the next tick; each one is
	// let go right after its turn, so that a finished one's notification
	// runs before the next animation ticks.
	std::vector<AnimationPtr> walk = animations;
	for (auto& animation : walk)
	{
		tick(*animation, now);
		animation = nullptr;
	}
	leaveTimerWhenIdle();
}

void Animator::tick(Detail::Animation& animation, uint32 now)
{
	if (animation.done)
		return;
	CView* view = animation.view;
	const char* name = animation.name.c_str();
	const bool firstTick = !animation.started;
	if (firstTick)
	{
		// Marked before the call, so that a nested tick starts it only once.
		animation.started = true;
		animation.startTime = now;
		animation.target->animationStart(view, name);
		if (animation.done)
			return;
	}
	const uint32 elapsed = now - animation.startTime;
	const float pos = animation.timingFunction->getPosition(elapsed);
	// The first position always reaches the target, whatever its value.
	if (firstTick || pos != animation.lastPos)
	{
		animation.lastPos = pos;
		animation.target->animationTick(view, name, pos);
		if (animation.done)
			return;
	}
	if (animation.timingFunction->isDone(elapsed))
	{
		animation.done = true;
		animation.target->animationFinished(view, name, false);
		erase(&animation);
	}
}

void Animator::cancel(const Matcher& matches, bool keepNotifications)
{
	SharedPointer<Animator> self = this;
	std::vector<AnimationPtr> matching;
	std::copy_if(animations.begin(), animations.end(), std::back_inserter(matching),
	             [&](const AnimationPtr& animation) { return matches(*animation); });
	for (auto& animation : matching)
	{
		cancel(*animation);
		if (!keepNotifications)
			animation->notification = nullptr;
		erase(animation);
		// A kept notification runs here, with the list whole again.
		animation = nullptr;
	}
	leaveTimerWhenIdle();
}

void Animator::cancel(Detail::Animation& animation)
{
	if (animation.done)
		return;
	animation.done = true;
	animation.target->animationFinished(animation.view, animation.name.c_str(), true);
}

bool Animator::contains(CView* view, const std::string& name) const
{
	return std::any_of(animations.begin(), animations.end(), [&](const AnimationPtr& animation) {
		return !animation->done && animation->view == view && animation->name == name;
	});
}

void Animator::erase(Detail::Animation* animation)
{
	auto it = std::find_if(animations.begin(), animations.end(),
	                       [&](const AnimationPtr& entry) { return entry.get() == animation; });
	if (it == animations.end())
		return;
	// Taken out before the vector moves: releasing the last reference runs
	// the notification, which may add and remove animations.
	AnimationPtr removed = std::move(*it);
	animations.erase(it);
}

void Animator::leaveTimerWhenIdle()
{
	if (animations.empty() && replacing == 0)
		Detail::Timer::removeAnimator(this);
}

// ---- The process-wide timer ----

namespace Detail {

Timer* Timer::gInstance = nullptr;

Timer::Timer() : timer(owned(new CKavrinTimer([this](CKavrinTimer*) { onTimer(); }, kInterval))) {}

Timer::~Timer() noexcept
{
	if (timer)
		timer->stop();
}

void Timer::addAnimator(Animator* animator)
{
	if (!gInstance)
		gInstance = new Timer();
	if (!gInstance->animators.contains(animator))
		gInstance->animators.add(animator);
}

void Timer::removeAnimator(Animator* animator)
{
	if (!gInstance)
		return;
	gInstance->animators.remove(animator);
	gInstance->releaseWhenIdle();
}

void Timer::onTimer()
{
	SharedPointer<Timer> keepAlive = this;
	++tickDepth;
	animators.forEach([](Animator* animator) { animator->onTimer(); });
	--tickDepth;
	releaseWhenIdle();
}

void Timer::releaseWhenIdle()
{
	if (tickDepth > 0 || !animators.empty() || gInstance != this)
		return;
	gInstance = nullptr;
	// gInstance's reference; a tick running now holds its own.
	forget();
}

} // namespace Detail
} // namespace Kavrin::Animation
