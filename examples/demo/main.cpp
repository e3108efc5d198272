// Builds a small view tree in a frame opened on the headless platform, sends
// it a few presses as a window would and prints what each view received.

#include "lib/kavrin.h"

#include <cstdio>
#include <string>

using namespace Kavrin;

namespace {

class Pad : public CView
{
public:
	Pad(const CRect& size, std::string name, bool transparent = false)
	: CView(size), name(std::move(name))
	{
		setTransparency(transparent);
	}

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse down at (%g, %g)%s\n", name.c_str(), where.x, where.y,
		            getTransparency() ? ", transparent: passes it on" : "");
		return getTransparency() ? kMouseNotHandled : kMouseHandled;
	}
	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse moved to (%g, %g)\n", name.c_str(), where.x, where.y);
		return kMouseHandled;
	}
	CMouseEventResult onMouseUp(CPoint& where, const CButtonState&) override
	{
		std::printf("  %-12s mouse up at (%g, %g)\n", name.c_str(), where.x, where.y);
		return kMouseHandled;
	}

private:
	std::string name;
};

void press(CFrame& frame, CPoint where)
{
	std::printf("press at (%g, %g):\n", where.x, where.y);
	CPoint p = where;
	if (frame.platformOnMouseDown(p, kLeftButton) != kMouseHandled)
	{
		std::printf("  nothing took it\n");
		return;
	}
	p = where + CPoint(3., 2.);
	frame.platformOnMouseMoved(p, kLeftButton);
	frame.platformOnMouseUp(p, kLeftButton);
}

} // namespace

int main()
{
	setPlatform(owned(new HeadlessPlatform));
	auto frame = new CFrame(CRect(0, 0, 400, 300));
	auto panel = new CViewContainer(CRect(50, 50, 350, 250));
	panel->addView(new Pad(CRect(10, 10, 110, 110), "left pad"));
	panel->addView(new Pad(CRect(150, 10, 250, 110), "right pad"));
	panel->addView(new Pad(CRect(0, 0, 300, 200), "glass", true));
	frame->addView(panel);
	frame->addView(new Pad(CRect(0, 0, 40, 40), "corner"));
	int window = 0;
	if (!frame->open(&window, kHeadless))
	{
		std::fprintf(stderr, "the frame could not be opened\n");
		return 1;
	}

	press(*frame, {20, 20});
	press(*frame, {70, 70});
	press(*frame, {220, 100});
	press(*frame, {380, 280});

	frame->close();
	setPlatform(nullptr);
	return 0;
}
