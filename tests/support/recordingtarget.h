#pragma once

// An animation target that writes what reaches it into a shared log, and
// hooks that let a test act from inside each call.

#include "lib/animation/ianimationtarget.h"
#include "lib/cbaseobject.h"

#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {

using AnimationLog = std::vector<std::string>;

// Logs "<name> start", "<name> tick <pos>", "<name> finished" and
// "<name> canceled" with the animation's name, and "<label> deleted" when it
// goes away. Each hook runs after its entry is logged. Deleted, not
// released: the owner of a plain target deletes it.
class RecordingTarget : public Animation::IAnimationTarget
{
public:
	RecordingTarget(AnimationLog& log, std::string label) : log(log), label(std::move(label)) {}
	~RecordingTarget() noexcept override { log.push_back(label + " deleted"); }

	void animationStart(CView* view, const char* name) override
	{
		log.push_back(std::string(name) + " start");
		if (onStart)
			onStart(view, name);
	}
	void animationTick(CView* view, const char* name, float pos) override
	{
		std::ostringstream entry;
		entry << name << " tick " << pos;
		log.push_back(entry.str());
		if (onTick)
			onTick(view, name, pos);
	}
	void animationFinished(CView* view, const char* name, bool wasCanceled) override
	{
		log.push_back(std::string(name) + (wasCanceled ? " canceled" : " finished"));
		if (onFinished)
			onFinished(view, name, wasCanceled);
	}

	std::function<void(CView*, const char*)> onStart;
	std::function<void(CView*, const char*, float)> onTick;
	std::function<void(CView*, const char*, bool)> onFinished;

private:
	AnimationLog& log;
	std::string label;
};

// The same, reference counted: its owner releases it.
class SharedRecordingTarget : public RecordingTarget, public CBaseObject
{
public:
	using RecordingTarget::RecordingTarget;
};

} // namespace Kavrin::Test
