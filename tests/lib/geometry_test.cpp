#include "lib/cgraphicstransform.h"
#include "lib/cpoint.h"
#include "lib/crect.h"

#include "tests/support/printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace Kavrin {

namespace Test {
namespace {

template <typename T>
std::string text(const T& value)
{
	return ::testing::PrintToString(value);
}

constexpr double kTolerance = 1e-9;

bool near(double a, double b)
{
	return std::fabs(a - b) <= kTolerance;
}

::testing::AssertionResult nearRect(const CRect& actual, const CRect& expected)
{
	if (near(actual.left, expected.left) && near(actual.top, expected.top) &&
	    near(actual.right, expected.right) && near(actual.bottom, expected.bottom))
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got " << text(actual) << ", expected " << text(expected);
}

::testing::AssertionResult nearPoint(const CPoint& actual, const CPoint& expected)
{
	if (near(actual.x, expected.x) && near(actual.y, expected.y))
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got " << text(actual) << ", expected " << text(expected);
}

::testing::AssertionResult nearTransform(const CGraphicsTransform& actual,
                                         const CGraphicsTransform& expected)
{
	if (near(actual.m11, expected.m11) && near(actual.m12, expected.m12) &&
	    near(actual.m21, expected.m21) && near(actual.m22, expected.m22) &&
	    near(actual.dx, expected.dx) && near(actual.dy, expected.dy))
		return ::testing::AssertionSuccess();
	return ::testing::AssertionFailure() << "got " << text(actual) << ", expected " << text(expected);
}

// CRect

TEST(CRectTest, PointInsideIncludesLeftAndTopEdgesButNotRightAndBottom)
{
	struct Case
	{
		const char* name;
		CRect rect;
		CPoint point;
		bool inside;
	};
	const CRect r(10, 20, 30, 40);
	const Case cases[] = {
	    {"top-left corner", r, {10, 20}, true},
	    {"on left edge", r, {10, 39}, true},
	    {"on top edge", r, {29, 20}, true},
	    {"just inside bottom-right", r, {29.999, 39.999}, true},
	    {"on right edge", r, {30, 30}, false},
	    {"on bottom edge", r, {20, 40}, false},
	    {"bottom-right corner", r, {30, 40}, false},
	    {"just left of left edge", r, {9.999, 30}, false},
	    {"just above top edge", r, {20, 19.999}, false},
	    {"empty rect holds not even its origin", CRect(5, 5, 5, 5), {5, 5}, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		EXPECT_EQ(c.rect.pointInside(c.point), c.inside);
	}
}

TEST(CRectTest, RectsOverlapWhenTheyShareAnyPointIncludingAnEdge)
{
	struct Case
	{
		const char* name;
		CRect a;
		CRect b;
		bool overlap;
	};
	const CRect unit(0, 0, 10, 10);
	const Case cases[] = {
	    {"sharing a vertical edge", unit, {10, 0, 20, 10}, true},
	    {"sharing a horizontal edge", unit, {0, 10, 10, 20}, true},
	    {"touching at a corner", unit, {10, 10, 20, 20}, true},
	    {"contained", unit, {2, 2, 3, 3}, true},
	    {"crossing without a corner inside the other", {0, 4, 10, 6}, {4, 0, 6, 10}, true},
	    {"horizontal gap", unit, {10.5, 0, 20, 10}, false},
	    {"vertical gap", unit, {0, 11, 10, 20}, false},
	    {"columns overlap but rows apart", unit, {5, 20, 15, 30}, false},
	    {"rows overlap but columns apart", unit, {20, 5, 30, 15}, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		EXPECT_EQ(c.a.rectOverlap(c.b), c.overlap);
		EXPECT_EQ(c.b.rectOverlap(c.a), c.overlap);
	}
}

TEST(CRectTest, RectInsideAcceptsCoincidentEdgesAndRejectsAnyEdgeOutside)
{
	struct Case
	{
		const char* name;
		CRect inner;
		bool inside;
	};
	const CRect outer(0, 0, 10, 10);
	const Case cases[] = {
	    {"same rect", outer, true},
	    {"strictly inside", {2, 2, 8, 8}, true},
	    {"sharing left and top edges", {0, 0, 5, 5}, true},
	    {"sharing right and bottom edges", {5, 5, 10, 10}, true},
	    {"left edge outside", {-1, 2, 8, 8}, false},
	    {"top edge outside", {2, -1, 8, 8}, false},
	    {"right edge outside", {2, 2, 11, 8}, false},
	    {"bottom edge outside", {2, 2, 8, 11}, false},
	    {"enclosing", {-1, -1, 11, 11}, false},
	    {"only touching", {10, 0, 20, 10}, false},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		EXPECT_EQ(outer.rectInside(c.inner), c.inside);
	}
}

TEST(CRectTest, BoundIntersectsAndCollapsesDisjointResultsToZeroSize)
{
	struct Case
	{
		const char* name;
		CRect a;
		CRect b;
		CRect expected;
	};
	const CRect unit(0, 0, 10, 10);
	const Case cases[] = {
	    {"partial overlap", unit, {5, 5, 15, 15}, {5, 5, 10, 10}},
	    {"contained", unit, {2, 3, 4, 5}, {2, 3, 4, 5}},
	    {"sharing an edge", unit, {10, 0, 20, 10}, {10, 0, 10, 10}},
	    {"other lies to the right", unit, {20, 0, 30, 10}, {20, 0, 20, 10}},
	    {"other lies to the left", {20, 0, 30, 10}, unit, {20, 0, 20, 10}},
	    {"other lies below", unit, {0, 20, 10, 30}, {0, 20, 10, 20}},
	    {"other lies above", {0, 20, 10, 30}, unit, {0, 20, 10, 20}},
	    {"other lies diagonally apart", unit, {20, 20, 30, 30}, {20, 20, 20, 20}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CRect result = c.a;
		result.bound(c.b);
		EXPECT_EQ(result, c.expected);
		EXPECT_GE(result.getWidth(), 0.);
		EXPECT_GE(result.getHeight(), 0.);
	}
}

TEST(CRectTest, UniteTakesTheEnclosingRectInEitherOrder)
{
	struct Case
	{
		const char* name;
		CRect a;
		CRect b;
		CRect expected;
	};
	const Case cases[] = {
	    {"disjoint", {0, 0, 10, 10}, {20, 30, 40, 50}, {0, 0, 40, 50}},
	    {"contained", {0, 0, 10, 10}, {2, 3, 4, 5}, {0, 0, 10, 10}},
	    {"crossing", {0, 5, 10, 10}, {5, 0, 15, 8}, {0, 0, 15, 10}},
	    {"negative coordinates", {-10, -20, -5, -1}, {1, 2, 3, 4}, {-10, -20, 3, 4}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CRect ab = c.a;
		CRect ba = c.b;
		EXPECT_EQ(ab.unite(c.b), c.expected);
		EXPECT_EQ(ba.unite(c.a), c.expected);
	}
}

TEST(CRectTest, InsetMovesEveryEdgeInwardsAndExtendUndoesIt)
{
	struct Case
	{
		const char* name;
		CRect rect;
		double dx;
		double dy;
		CRect inset;
	};
	const Case cases[] = {
	    {"different amounts per axis", {0, 0, 10, 20}, 2, 3, {2, 3, 8, 17}},
	    {"negative amount grows", {0, 0, 10, 20}, -1, 0, {-1, 0, 11, 20}},
	    {"down to nothing", {0, 0, 10, 10}, 5, 5, {5, 5, 5, 5}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CRect r = c.rect;
		EXPECT_EQ(r.inset(c.dx, c.dy), c.inset);
		EXPECT_EQ(r.extend(c.dx, c.dy), c.rect);

		CRect extended = c.rect;
		CRect insetNegative = c.rect;
		EXPECT_EQ(extended.extend(c.dx, c.dy), insetNegative.inset(-c.dx, -c.dy));
	}
}

TEST(CRectTest, MakeIntegralRoundsEveryCoordinateHalfUp)
{
	// floor(v + 0.5): halves go up, also for negative values (-0.5 -> 0,
	// -2.5 -> -2), unlike rounding away from zero or to even.
	struct Case
	{
		double value;
		double expected;
	};
	const Case cases[] = {
	    {0.5, 1},   {1.5, 2},   {2.5, 3},    {-0.5, 0}, {-1.5, -1}, {-2.5, -2}, {0.49, 0},
	    {-0.51, -1}, {1.2, 1},  {-1.2, -1},  {0.7, 1},  {-0.7, -1}, {3, 3},     {-3, -3},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.value);
		// The same fraction in every coordinate, so each one is checked.
		CRect r(c.value, c.value + 10, c.value + 20, c.value + 100);
		EXPECT_EQ(r.makeIntegral(), CRect(c.expected, c.expected + 10, c.expected + 20, c.expected + 100));
	}
}

TEST(CRectTest, MovingKeepsTheSizeAndOffsettingShiftsAllEdges)
{
	struct Case
	{
		const char* name;
		std::function<void(CRect&)> apply;
		CRect expected;
	};
	const CRect start(10, 20, 40, 60);
	const Case cases[] = {
	    {"move to origin", [](CRect& r) { r.moveTo({0, 0}); }, {0, 0, 30, 40}},
	    {"move to negative fractional point", [](CRect& r) { r.moveTo({-5, 7.5}); }, {-5, 7.5, 25, 47.5}},
	    {"originize", [](CRect& r) { r.originize(); }, {0, 0, 30, 40}},
	    {"offset", [](CRect& r) { r.offset(3, -4); }, {13, 16, 43, 56}},
	    {"offset by point", [](CRect& r) { r.offset(CPoint(3, -4)); }, {13, 16, 43, 56}},
	    {"offset inverse", [](CRect& r) { r.offsetInverse({3, -4}); }, {7, 24, 37, 64}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CRect r = start;
		c.apply(r);
		EXPECT_EQ(r, c.expected);
	}
}

// CGraphicsTransform

TEST(CGraphicsTransformTest, PointMapsThroughAllSixValues)
{
	const CGraphicsTransform t(2, 3, 5, 7, 11, 13);
	// x' = 2·1 + 3·2 + 11, y' = 5·1 + 7·2 + 13
	EXPECT_EQ(t.transformed(CPoint(1, 2)), CPoint(19, 32));
}

TEST(CGraphicsTransformTest, ProductAppliesTheRightOperandFirst)
{
	const auto move = CGraphicsTransform::translation(10, 0);
	const auto grow = CGraphicsTransform::scaling(2, 3);
	EXPECT_EQ((move * grow).transformed(CPoint(1, 1)), CPoint(12, 3));
	EXPECT_EQ((grow * move).transformed(CPoint(1, 1)), CPoint(22, 3));

	EXPECT_EQ(CGraphicsTransform(1, 2, 3, 4, 5, 6) * CGraphicsTransform(7, 8, 9, 10, 11, 12),
	          CGraphicsTransform(25, 28, 57, 64, 40, 87));
}

TEST(CGraphicsTransformTest, ProductMapsLikeApplyingBothInTurn)
{
	// Small integers keep every result exact.
	const CGraphicsTransform transforms[] = {
	    {1, 2, 3, 4, 5, 6},
	    {0, -1, 1, 0, 3, 4},
	    {2, 0, 1, 1, -1, 2},
	    {-3, 1, 0, 2, 0, -5},
	};
	const CPoint points[] = {{0, 0}, {1, 0}, {0, 1}, {-2, 5}};
	for (const auto& a : transforms)
	{
		for (const auto& b : transforms)
		{
			SCOPED_TRACE(text(a) + " * " + text(b));
			auto product = a * b;
			auto accumulated = a;
			accumulated *= b;
			EXPECT_EQ(accumulated, product);
			for (const auto& p : points)
				EXPECT_EQ(product.transformed(p), a.transformed(b.transformed(p))) << text(p);
		}
	}
}

TEST(CGraphicsTransformTest, InPlaceOperationsApplyAfterTheCurrentMapping)
{
	auto t = CGraphicsTransform::scaling(2, 2);
	t.translate(5, 0);
	EXPECT_EQ(t.transformed(CPoint(1, 1)), CPoint(7, 2));

	t = CGraphicsTransform::translation(5, 0);
	t.scale(2, 3);
	EXPECT_EQ(t.transformed(CPoint(1, 1)), CPoint(12, 3));

	t = CGraphicsTransform::translation(1, 0);
	t.rotate(90);
	t.rotate(90);
	EXPECT_TRUE(nearPoint(t.transformed(CPoint(1, 0)), {-2, 0}));
}

TEST(CGraphicsTransformTest, InverseUndoesTheTransformFromEitherSide)
{
	const CGraphicsTransform transforms[] = {
	    CGraphicsTransform::translation(10, -20),
	    CGraphicsTransform::scaling(2, -4),
	    CGraphicsTransform::rotation(30),
	    {1, 2, 0, 1, 0, 0},
	    {2, 1, 1, 3, 5, -7},
	    {0, 1, 1, 0, 4, 8},
	};
	const CPoint points[] = {{0, 0}, {1, 0}, {3.5, -2}};
	for (const auto& t : transforms)
	{
		SCOPED_TRACE(text(t));
		const auto inverse = t.inverse();
		EXPECT_TRUE(nearTransform(t * inverse, {}));
		EXPECT_TRUE(nearTransform(inverse * t, {}));
		for (const auto& p : points)
			EXPECT_TRUE(nearPoint(inverse.transformed(t.transformed(p)), p));

		auto inverted = t;
		EXPECT_EQ(inverted.invert(), inverse);
	}

	EXPECT_EQ(CGraphicsTransform::translation(10, 20).inverse(),
	          CGraphicsTransform::translation(-10, -20));
	EXPECT_EQ(CGraphicsTransform::scaling(2, 4).inverse(), CGraphicsTransform::scaling(0.5, 0.25));
}

TEST(CGraphicsTransformTest, InverseOfASingularTransformIsTheIdentity)
{
	const CGraphicsTransform singular[] = {
	    {0, 0, 0, 0, 0, 0},
	    CGraphicsTransform::scaling(0, 3),
	    {1, 2, 2, 4, 5, 6},
	    {0, 1, 0, 1, 7, 8},
	};
	for (const auto& t : singular)
	{
		SCOPED_TRACE(text(t));
		EXPECT_EQ(t.inverse(), CGraphicsTransform());
	}
}

TEST(CGraphicsTransformTest, RectMapsToTheBoundingBoxOfItsCorners)
{
	struct Case
	{
		const char* name;
		CGraphicsTransform transform;
		CRect rect;
		CRect expected;
	};
	const Case cases[] = {
	    {"identity", {}, {1, 2, 3, 4}, {1, 2, 3, 4}},
	    {"translation", CGraphicsTransform::translation(5, -3), {0, 0, 10, 20}, {5, -3, 15, 17}},
	    {"mirrored horizontally", CGraphicsTransform::scaling(-1, 1), {10, 0, 20, 5}, {-20, 0, -10, 5}},
	    {"scaled and flipped vertically", CGraphicsTransform::scaling(2, -2), {1, 1, 3, 4}, {2, -8, 6, -2}},
	    {"sheared", {1, 1, 0, 1, 0, 0}, {0, 0, 10, 10}, {0, 0, 20, 10}},
	    {"quarter turn", CGraphicsTransform::rotation(90), {0, 0, 10, 20}, {-20, 0, 0, 10}},
	    {"eighth turn",
	     CGraphicsTransform::rotation(45),
	     {0, 0, 10, 10},
	     {-10 / std::sqrt(2.), 0, 10 / std::sqrt(2.), 20 / std::sqrt(2.)}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		CRect r = c.rect;
		c.transform.transform(r);
		EXPECT_TRUE(nearRect(r, c.expected));
		EXPECT_TRUE(nearRect(c.transform.transformed(c.rect), c.expected));
	}
}

TEST(CGraphicsTransformTest, OnlyTheExactIdentityIsInvariant)
{
	EXPECT_TRUE(CGraphicsTransform().isInvariant());
	EXPECT_TRUE(CGraphicsTransform::translation(0, 0).isInvariant());
	EXPECT_TRUE(CGraphicsTransform::scaling(1, 1).isInvariant());

	constexpr double tiny = 1e-12;
	const CGraphicsTransform nearlyIdentity[] = {
	    {1 + tiny, 0, 0, 1, 0, 0}, {1, tiny, 0, 1, 0, 0}, {1, 0, tiny, 1, 0, 0},
	    {1, 0, 0, 1 + tiny, 0, 0}, {1, 0, 0, 1, tiny, 0}, {1, 0, 0, 1, 0, tiny},
	};
	for (const auto& t : nearlyIdentity)
		EXPECT_FALSE(t.isInvariant()) << text(t);
}

} // namespace
} // namespace Test
} // namespace Kavrin
