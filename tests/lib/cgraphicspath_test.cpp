#include "lib/cgradient.h"
#include "lib/cgraphicspath.h"
#include "lib/cgraphicstransform.h"
#include "lib/platform/cairo/cairographicspath.h"
#include "lib/platform/headless/headlessplatform.h"

#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

namespace Kavrin {

namespace Test {
namespace {

using Element = CGraphicsPath::Element;

// A path that only keeps its element list and counts how often it is told
// that the list changed.
class CountingPath : public CGraphicsPath
{
public:
	CGradient* createGradient(double, double, const CColor&, const CColor&) override { return nullptr; }
	bool hitTest(const CPoint&, bool, CGraphicsTransform*) override { return false; }
	CPoint getCurrentPosition() override { return {}; }
	CRect getBoundingBox() override { return {}; }
	void dirty() override { ++dirtyCalls; }

	int dirtyCalls {0};
};

void expectArc(const Element& element, const CRect& rect, double start, double end)
{
	EXPECT_EQ(element.type, Element::kArc);
	EXPECT_EQ(element.rect, rect);
	EXPECT_EQ(element.startAngle, start);
	EXPECT_EQ(element.endAngle, end);
	EXPECT_TRUE(element.clockwise);
}

// ---- Adding elements ----

TEST(CGraphicsPathTest, EachAddAppendsOneElementWithItsArgumentsAndMarksThePathDirty)
{
	CountingPath path;
	path.beginSubpath({1, 2});
	EXPECT_EQ(path.dirtyCalls, 1);
	path.addLine({3, 4});
	EXPECT_EQ(path.dirtyCalls, 2);
	path.addBezierCurve({5, 6}, {7, 8}, {9, 10});
	EXPECT_EQ(path.dirtyCalls, 3);
	path.addArc({0, 0, 10, 20}, 45., 135., false);
	EXPECT_EQ(path.dirtyCalls, 4);
	path.addEllipse({1, 1, 5, 5});
	EXPECT_EQ(path.dirtyCalls, 5);
	path.addRect({2, 2, 6, 6});
	EXPECT_EQ(path.dirtyCalls, 6);
	path.closeSubpath();
	EXPECT_EQ(path.dirtyCalls, 7);

	const auto& e = path.getElements();
	ASSERT_EQ(e.size(), 7u);
	EXPECT_EQ(e[0].type, Element::kBeginSubpath);
	EXPECT_EQ(e[0].point, CPoint(1, 2));
	EXPECT_EQ(e[1].type, Element::kLine);
	EXPECT_EQ(e[1].point, CPoint(3, 4));
	EXPECT_EQ(e[2].type, Element::kBezierCurve);
	EXPECT_EQ(e[2].control1, CPoint(5, 6));
	EXPECT_EQ(e[2].control2, CPoint(7, 8));
	EXPECT_EQ(e[2].point, CPoint(9, 10));
	EXPECT_EQ(e[3].type, Element::kArc);
	EXPECT_EQ(e[3].rect, CRect(0, 0, 10, 20));
	EXPECT_EQ(e[3].startAngle, 45.);
	EXPECT_EQ(e[3].endAngle, 135.);
	EXPECT_FALSE(e[3].clockwise);
	EXPECT_EQ(e[4].type, Element::kEllipse);
	EXPECT_EQ(e[4].rect, CRect(1, 1, 5, 5));
	EXPECT_EQ(e[5].type, Element::kRect);
	EXPECT_EQ(e[5].rect, CRect(2, 2, 6, 6));
	EXPECT_EQ(e[6].type, Element::kCloseSubpath);
}

// ---- Round rects ----

TEST(CGraphicsPathTest, RoundRectOfRadiusZeroIsOnePlainRect)
{
	CountingPath path;
	path.addRoundRect({10, 20, 110, 70}, 0.);
	ASSERT_EQ(path.getElements().size(), 1u);
	EXPECT_EQ(path.getElements()[0].type, Element::kRect);
	EXPECT_EQ(path.getElements()[0].rect, CRect(10, 20, 110, 70));
	EXPECT_EQ(path.dirtyCalls, 1);
}

TEST(CGraphicsPathTest, RoundRectIsASubpathOfFourClockwiseQuarterArcs)
{
	// The same outline whichever way round the rect is given.
	const CRect rects[] = {{10, 20, 110, 70}, {110, 70, 10, 20}, {10, 70, 110, 20}};
	for (const auto& rect : rects)
	{
		SCOPED_TRACE(::testing::PrintToString(rect));
		CountingPath path;
		path.addRoundRect(rect, 5.);
		const auto& e = path.getElements();
		ASSERT_EQ(e.size(), 6u);
		EXPECT_EQ(e[0].type, Element::kBeginSubpath);
		EXPECT_EQ(e[0].point, CPoint(105, 20));
		expectArc(e[1], {100, 20, 110, 30}, 270., 360.);   // top right
		expectArc(e[2], {100, 60, 110, 70}, 0., 90.);      // bottom right
		expectArc(e[3], {10, 60, 20, 70}, 90., 180.);      // bottom left
		expectArc(e[4], {10, 20, 20, 30}, 180., 270.);     // top left
		EXPECT_EQ(e[5].type, Element::kCloseSubpath);
		EXPECT_EQ(path.dirtyCalls, 6);
	}
}

// ---- Adding paths ----

TEST(CGraphicsPathTest, AddPathWithATransformMovesEveryPointAndKeepsAnglesAndFlags)
{
	CountingPath source;
	source.beginSubpath({1, 2});
	source.addLine({10, 20});
	source.addBezierCurve({1, 1}, {2, 3}, {4, 5});
	source.addArc({0, 0, 10, 10}, 30., 200., false);
	source.addEllipse({10, 10, 20, 30});
	source.addRect({-5, -5, 0, 0});
	source.closeSubpath();

	CountingPath path;
	path.addLine({100, 100}); // stays where it is
	CGraphicsTransform translation = CGraphicsTransform::translation(5, 5);
	path.addPath(source, &translation);
	EXPECT_EQ(path.dirtyCalls, 2) << "one dirty() for the added path";

	const auto& e = path.getElements();
	ASSERT_EQ(e.size(), 8u);
	EXPECT_EQ(e[0].point, CPoint(100, 100));
	EXPECT_EQ(e[1].type, Element::kBeginSubpath);
	EXPECT_EQ(e[1].point, CPoint(6, 7));
	EXPECT_EQ(e[2].type, Element::kLine);
	EXPECT_EQ(e[2].point, CPoint(15, 25));
	EXPECT_EQ(e[3].type, Element::kBezierCurve);
	EXPECT_EQ(e[3].control1, CPoint(6, 6));
	EXPECT_EQ(e[3].control2, CPoint(7, 8));
	EXPECT_EQ(e[3].point, CPoint(9, 10));
	EXPECT_EQ(e[4].type, Element::kArc);
	EXPECT_EQ(e[4].rect, CRect(5, 5, 15, 15));
	EXPECT_EQ(e[4].startAngle, 30.);
	EXPECT_EQ(e[4].endAngle, 200.);
	EXPECT_FALSE(e[4].clockwise);
	EXPECT_EQ(e[5].type, Element::kEllipse);
	EXPECT_EQ(e[5].rect, CRect(15, 15, 25, 35));
	EXPECT_EQ(e[6].type, Element::kRect);
	EXPECT_EQ(e[6].rect, CRect(0, 0, 5, 5));
	EXPECT_EQ(e[7].type, Element::kCloseSubpath);

	// The source is not changed.
	EXPECT_EQ(source.getElements()[1].point, CPoint(10, 20));
	EXPECT_EQ(source.getElements()[4].rect, CRect(10, 10, 20, 30));
}

TEST(CGraphicsPathTest, AddPathMapsTheTwoCornersOfARectThroughAScale)
{
	CountingPath source;
	source.addEllipse({1, 2, 3, 5});
	CountingPath path;
	CGraphicsTransform transform = CGraphicsTransform::scaling(2, 3) * CGraphicsTransform::translation(1, 0);
	path.addPath(source, &transform);
	ASSERT_EQ(path.getElements().size(), 1u);
	EXPECT_EQ(path.getElements()[0].rect, CRect(4, 6, 8, 15));
}

TEST(CGraphicsPathTest, AddPathWithoutATransformCopiesTheElements)
{
	CountingPath source;
	source.beginSubpath({1, 2});
	source.addArc({0, 0, 4, 4}, 10., 20., true);
	CountingPath path;
	path.addPath(source);
	ASSERT_EQ(path.getElements().size(), 2u);
	EXPECT_EQ(path.getElements()[0].point, CPoint(1, 2));
	EXPECT_EQ(path.getElements()[1].rect, CRect(0, 0, 4, 4));
	EXPECT_EQ(path.getElements()[1].startAngle, 10.);
	EXPECT_EQ(path.dirtyCalls, 1);
}

TEST(CGraphicsPathTest, AddingAPathToItselfRepeatsItsElementsOnce)
{
	CountingPath path;
	path.beginSubpath({0, 0});
	path.addLine({1, 0});
	path.addBezierCurve({2, 0}, {3, 1}, {3, 2});
	path.closeSubpath();
	CGraphicsTransform translation = CGraphicsTransform::translation(0, 10);
	path.addPath(path, &translation);

	const auto& e = path.getElements();
	ASSERT_EQ(e.size(), 8u);
	const Element::Type types[] = {Element::kBeginSubpath, Element::kLine, Element::kBezierCurve,
	                               Element::kCloseSubpath};
	for (size_t i = 0; i < 4; ++i)
	{
		EXPECT_EQ(e[i].type, types[i]) << i;
		EXPECT_EQ(e[i + 4].type, types[i]) << i + 4;
	}
	EXPECT_EQ(e[1].point, CPoint(1, 0));
	EXPECT_EQ(e[5].point, CPoint(1, 10));
	EXPECT_EQ(e[2].control1, CPoint(2, 0));
	EXPECT_EQ(e[6].control1, CPoint(2, 10));
	EXPECT_EQ(e[6].control2, CPoint(3, 11));
	EXPECT_EQ(e[6].point, CPoint(3, 12));
	EXPECT_EQ(path.dirtyCalls, 5);
}

// ---- Gradients ----

TEST(CGradientTest, StopsAreOrderedByOffsetAndEqualOffsetsKeepInsertionOrder)
{
	CGradient gradient;
	const CColor a(1, 0, 0), b(2, 0, 0), c(3, 0, 0), d(4, 0, 0);
	gradient.addColorStop({0.7, a});
	const std::pair<double, CColor> second {0.2, b};
	gradient.addColorStop(second);
	gradient.addColorStop({0.7, c});
	gradient.addColorStop(std::make_pair(0.7, d));

	std::vector<std::pair<double, CColor>> stops(gradient.getColorStops().begin(),
	                                             gradient.getColorStops().end());
	const std::vector<std::pair<double, CColor>> expected {{0.2, b}, {0.7, a}, {0.7, c}, {0.7, d}};
	EXPECT_EQ(stops, expected);
}

TEST(CGradientTest, AddingAStopTellsTheGradientItChanged)
{
	// What a back end overrides to drop the gradient it built.
	class ChangeCountingGradient : public CGradient
	{
	public:
		void changed() override { ++changes; }
		int changes {0};
	};
	ChangeCountingGradient gradient;
	gradient.addColorStop({0.5, kRedCColor});
	EXPECT_EQ(gradient.changes, 1);
	const std::pair<double, CColor> stop {0.1, kBlueCColor};
	gradient.addColorStop(stop);
	EXPECT_EQ(gradient.changes, 2);
}

TEST(CGradientTest, PathCreatesAGradientWithItsTwoStopsInOffsetOrder)
{
	auto path = makeOwned<CairoGraphicsPath>();
	auto gradient = owned(path->createGradient(0.8, 0.2, kRedCColor, kBlueCColor));
	ASSERT_NE(gradient, nullptr);
	std::vector<std::pair<double, CColor>> stops(gradient->getColorStops().begin(),
	                                             gradient->getColorStops().end());
	const std::vector<std::pair<double, CColor>> expected {{0.2, kBlueCColor}, {0.8, kRedCColor}};
	EXPECT_EQ(stops, expected);
}

TEST(CGradientTest, CreateAsksTheInstalledPlatformAndIsNullWithoutOne)
{
	setPlatform(nullptr);
	EXPECT_EQ(CGradient::create(0., 1., kRedCColor, kBlueCColor), nullptr);

	setPlatform(makeOwned<HeadlessPlatform>());
	auto gradient = owned(CGradient::create(0., 1., kRedCColor, kBlueCColor));
	setPlatform(nullptr);
	ASSERT_NE(gradient, nullptr);
	std::vector<std::pair<double, CColor>> stops(gradient->getColorStops().begin(),
	                                             gradient->getColorStops().end());
	const std::vector<std::pair<double, CColor>> expected {{0., kRedCColor}, {1., kBlueCColor}};
	EXPECT_EQ(stops, expected);
}

} // namespace
} // namespace Test
} // namespace Kavrin
