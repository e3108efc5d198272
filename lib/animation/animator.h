#pragma once

#include "lib/animation/ianimationtarget.h"
#include "lib/animation/itimingfunction.h"
#include "lib/cbaseobject.h"
#include "lib/dispatchlist.h"

#include <functional>
#include <string>
#include <vector>

namespace Kavrin {

class CKavrinTimer;
class CView;

namespace Animation {

// Sent to an animation's notification object when the animation ends; the
// sender is a FinishedMessage.
extern const char* const kMsgAnimationFinished;

// Called when an animation has ended, naturally or by removal, with the
// animation's view, name and target (still alive during the call).
using DoneFunction = std::function<void(CView* view, const char* name, IAnimationTarget* target)>;

// The sender of kMsgAnimationFinished. It lives on the stack for the call:
// a receiver that keeps it must copy what it needs.
class FinishedMessage : public CBaseObject
{
public:
	FinishedMessage(CView* view, const char* name, IAnimationTarget* target)
	: view(view), name(name), target(target)
	{
	}

	CView* getView() const { return view; }
	const char* getName() const { return name; }
	IAnimationTarget* getTarget() const { return target; }

private:
	CView* view;
	const char* name;
	IAnimationTarget* target;
};

namespace Detail {

// One running animation. It retains its view and owns its target and timing
// function; at the end of its life it calls its notification (unless that was
// dropped), then releases target, timing function and view.
class Animation : public NonAtomicReferenceCounted
{
public:
	Animation(CView* view, const std::string& name, IAnimationTarget* target,
	          ITimingFunction* timingFunction, const DoneFunction& notification);
	Animation(const Animation&) = delete;
	Animation& operator=(const Animation&) = delete;
	~Animation() noexcept override;

	void beforeDelete() override;

	std::string name;
	SharedPointer<CView> view;
	IAnimationTarget* target;
	ITimingFunction* timingFunction;
	DoneFunction notification;
	// Read only once started is set: the clock may well read 0 at the start.
	uint32 startTime {0};
	float lastPos {-1.f};
	// Finished or canceled: no target call follows.
	bool done {false};
	bool started {false};
};

} // namespace Detail

// Runs the animations of one frame's views on the process-wide animation
// timer: every animation starts on the first tick after it was added, ticks
// while its position changes and ends when its timing function is done or
// when it is removed.
//
// Targets, done functions and notification objects may do anything from
// their calls (add and remove animations, remove views, close the frame):
// the animator keeps itself and the animation alive across each call and
// skips animations that ended meanwhile. An animation added during a tick
// starts on the next one.
class Animator : public NonAtomicReferenceCounted
{
public:
	Animator() = default;
	Animator(const Animator&) = delete;
	Animator& operator=(const Animator&) = delete;
	~Animator() noexcept override;

	// Takes over target and timingFunction (released at the animation's
	// end, or at once when nothing can run: no view, target or timing
	// function). A running animation of the view with the same name is
	// canceled first; its notification does not run. A notificationObject
	// is retained and gets kMsgAnimationFinished when the animation ends.
	void addAnimation(CView* view, const char* name, IAnimationTarget* target,
	                  ITimingFunction* timingFunction, CBaseObject* notificationObject = nullptr);
	void addAnimation(CView* view, const char* name, IAnimationTarget* target,
	                  ITimingFunction* timingFunction, const DoneFunction& notification);
	// Cancels the view's animation of that name without its notification.
	void removeAnimation(CView* view, const char* name);
	// Cancels every animation of the view; their notifications run.
	void removeAnimations(CView* view);
	// Cancels every animation; their notifications run.
	void removeAllAnimations();
	// One tick: what the animation timer calls.
	void onTimer();

	bool hasAnimations() const { return !animations.empty(); }

	void beforeDelete() override;

private:
	using AnimationPtr = SharedPointer<Detail::Animation>;
	using Matcher = std::function<bool(const Detail::Animation&)>;

	void tick(Detail::Animation& animation, uint32 now);
	// Cancels the matching animations, keeping or dropping their
	// notifications.
	void cancel(const Matcher& matches, bool keepNotifications);
	void cancel(Detail::Animation& animation);
	bool contains(CView* view, const std::string& name) const;
	void erase(Detail::Animation* animation);
	void leaveTimerWhenIdle();

	std::vector<AnimationPtr> animations;
	int replacing {0};
};

namespace Detail {

// The one process-wide 16 ms timer that drives every animator. It exists
// exactly while some animator has animations (gInstance is null otherwise).
// Animators may join and leave, or go away, while it ticks.
class Timer : public NonAtomicReferenceCounted
{
public:
	static constexpr uint32 kInterval = 16; // milliseconds

	static void addAnimator(Animator* animator);
	static void removeAnimator(Animator* animator);

	static Timer* gInstance;

	Timer(const Timer&) = delete;
	Timer& operator=(const Timer&) = delete;
	~Timer() noexcept override;

private:
	Timer();
	void onTimer();
	void releaseWhenIdle();

	SharedPointer<CKavrinTimer> timer;
	// Not owned: an animator leaves before it goes away.
	DispatchList<Animator*> animators;
	int tickDepth {0};
};

} // namespace Detail
} // namespace Animation
} // namespace Kavrin
