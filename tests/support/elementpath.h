#pragma once

#include "lib/cgraphicspath.h"

namespace Kavrin::Test {

// A path that only keeps its elements, for tests that read what was added.
class ElementPath : public CGraphicsPath
{
public:
	CGradient* createGradient(double, double, const CColor&, const CColor&) override { return nullptr; }
	bool hitTest(const CPoint&, bool, CGraphicsTransform*) override { return false; }
	CPoint getCurrentPosition() override { return {}; }
	CRect getBoundingBox() override { return {}; }
	void dirty() override {}
};

} // namespace Kavrin::Test
