#pragma once

namespace Kavrin {

class CView;

namespace Animation {

// What an animation changes. pos runs from 0 towards 1 as the timing
// function says (it may overshoot); wasCanceled tells a removal from an end.
class IAnimationTarget
{
public:
	virtual ~IAnimationTarget() noexcept = default;
	virtual void animationStart(CView* view, const char* name) = 0;
	virtual void animationTick(CView* view, const char* name, float pos) = 0;
	virtual void animationFinished(CView* view, const char* name, bool wasCanceled) = 0;
};

} // namespace Animation
} // namespace Kavrin
