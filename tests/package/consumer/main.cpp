// A plug-in editor's smallest use of the installed toolkit.
#include <kavrin/kavrin.h>

#include <cstdio>

int main()
{
	using namespace Kavrin;
	auto frame = owned(new CFrame(CRect(0, 0, 200, 100)));
	auto child = new CView(CRect(10, 10, 50, 50));
	frame->addView(child);
	frame->attached(frame);
	CView* found = frame->getViewAt(CPoint(20, 20));
	frame->removed(frame);
	if (found != child)
	{
		std::fprintf(stderr, "lookup through the installed library failed\n");
		return 1;
	}
	return 0;
}
