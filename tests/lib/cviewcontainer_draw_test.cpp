#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cgraphicspath.h"
#include "lib/controls/ccontrol.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace Kavrin::Test {
namespace {

constexpr CColor kClear {0, 0, 0, 0};
constexpr CColor kMarker {0, 255, 0, 255};

std::string describe(const CColor& color)
{
	return "(" + std::to_string(color.red) + ", " + std::to_string(color.green) + ", " +
	       std::to_string(color.blue) + ", " + std::to_string(color.alpha) + ")";
}

// A control that fills its whole size with one colour.
class Swatch : public CControl
{
public:
	Swatch(const CRect& size, const CColor& color) : CControl(size), color(color)
	{
		setWantsFocus(true);
	}

	void draw(CDrawContext* context) override
	{
		context->setFillColor(color);
		context->drawRect(getViewSize(), kDrawFilled);
		setDirty(false);
	}
	CView* cloneView() const override { return new Swatch(*this); }

	CColor color;
};

// A control with a focus outline of its own: a band three units wide along
// its edge, drawn above or below it.
class ShapedFocusSwatch : public Swatch
{
public:
	ShapedFocusSwatch(const CRect& size, const CColor& color, bool onTop)
	    : Swatch(size, color), onTop(onTop)
	{
	}

	bool drawFocusOnTop() override { return onTop; }
	bool getFocusPath(CGraphicsPath& path) override
	{
		CRect outer = getViewSize();
		path.addRect(outer);
		path.addRect(CRect(outer).inset(3, 3));
		return true;
	}

	bool onTop;
};

// A view that fills more than its own size and leaves the context's state
// changed behind it.
class CarelessView : public CView
{
public:
	using CView::CView;

	void draw(CDrawContext* context) override
	{
		context->setFillColor(kRedCColor);
		context->drawRect(CRect(getViewSize()).extend(5, 5), kDrawFilled);
		context->setGlobalAlpha(0.25f);
		context->setFillColor(kWhiteCColor);
		context->setFrameColor(kWhiteCColor);
		context->setLineWidth(7.);
		context->setDrawMode(kNonIntegralMode | kAntiAliasing);
		context->setClipRect(CRect(0, 0, 1, 1));
		setDirty(false);
	}
};

// A container painting a plain background colour in the given style.
CViewContainer* panel(const CRect& size, const CColor& color, CDrawStyle style = kDrawFilled)
{
	auto container = new CViewContainer(size);
	container->setBackgroundColor(color);
	container->setBackgroundColorDrawStyle(style);
	return container;
}

// A frame on the headless platform whose window pixels the tests read. The
// frame itself is transparent (it paints nothing) unless a test gives it a
// background.
class ContainerDrawTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		platform = owned(new HeadlessPlatform);
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 60, 60));
		frame->setTransparency(true);
	}

	void TearDown() override
	{
		if (frame)
			std::exchange(frame, nullptr)->close();
		window = nullptr;
		setPlatform(nullptr);
	}

	// For tables of cases: a fresh platform and frame for each.
	void startOver()
	{
		TearDown();
		SetUp();
	}

	void open()
	{
		ASSERT_TRUE(frame->open(&parentHandle, kHeadless));
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		ASSERT_TRUE(window);
	}

	// Paints the whole window, as the first expose does, and forgets what
	// was invalidated so far.
	void paintAll()
	{
		window->invalidRects.clear();
		window->drawRect(CRect(0, 0, window->size.getWidth(), window->size.getHeight()));
	}

	template <typename View> View* add(View* view, CViewContainer* container = nullptr)
	{
		EXPECT_TRUE((container ? container : static_cast<CViewContainer*>(frame))->addView(view));
		return view;
	}

	CColor pixel(int x, int y) const { return window->getSurface()->getPixel(x, y); }
	bool covered(int x, int y) const { return pixel(x, y).alpha != 0; }

	// One character per device pixel of a row: the letter of a known colour
	// ('r' red, 'g' marker green, 'b' blue, 'w' white, 'k' black, 'm'
	// magenta), '.' for transparent, '?' for anything else.
	std::string row(int y, int from, int to) const
	{
		std::string text;
		for (int x = from; x <= to; ++x)
			text += letter(pixel(x, y));
		return text;
	}
	std::string column(int x, int from, int to) const
	{
		std::string text;
		for (int y = from; y <= to; ++y)
			text += letter(pixel(x, y));
		return text;
	}
	static char letter(const CColor& color)
	{
		if (color == kRedCColor)
			return 'r';
		if (color == kMarker)
			return 'g';
		if (color == kBlueCColor)
			return 'b';
		if (color == kWhiteCColor)
			return 'w';
		if (color == kBlackCColor)
			return 'k';
		if (color == kMagentaCColor)
			return 'm';
		if (color.alpha == 0)
			return '.';
		return '?';
	}

	// Fills the window's pixels with the marker colour directly, past the
	// frame.
	void paintMarker()
	{
		auto context = owned(window->getSurface()->createDrawContext());
		context->setFillColor(kMarker);
		context->drawRect(context->getSurfaceRect(), kDrawFilled);
	}

	SharedPointer<HeadlessPlatform> platform;
	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
	int parentHandle {0};
};

// ---- Backgrounds ----

TEST_F(ContainerDrawTest, NestedContainersPaintTheirBackgroundsInTreeOrder)
{
	frame->setTransparency(false);
	frame->setBackgroundColor(kWhiteCColor);
	auto outer = add(panel(CRect(10, 10, 50, 50), kBlueCColor));
	add(panel(CRect(10, 10, 20, 30), kRedCColor), outer);
	open();
	paintAll();
	EXPECT_EQ(row(25, 0, 59), std::string(10, 'w') + std::string(10, 'b') + std::string(10, 'r') +
	                              std::string(20, 'b') + std::string(10, 'w'));
	EXPECT_EQ(column(25, 0, 59), std::string(10, 'w') + std::string(10, 'b') +
	                                 std::string(20, 'r') + std::string(10, 'b') +
	                                 std::string(10, 'w'));
}

TEST_F(ContainerDrawTest, BackgroundFollowsTransparencyColourAndDrawStyle)
{
	constexpr CColor kHalfRed {255, 0, 0, 128};
	struct Case
	{
		const char* name;
		CColor color;
		bool transparent;
		CDrawStyle style;
		// Alpha at the container's edge (10, 20) and inside it (20, 20).
		int edgeAlpha;
		int insideAlpha;
	};
	const Case cases[] = {
	    {"opaque, filled", kRedCColor, false, kDrawFilled, 255, 255},
	    {"opaque, filled and stroked", kRedCColor, false, kDrawFilledAndStroked, 255, 255},
	    {"opaque, stroked", kRedCColor, false, kDrawStroked, 255, 0},
	    {"transparent container, opaque colour", kRedCColor, true, kDrawFilled, 0, 0},
	    {"transparent container, translucent colour", kHalfRed, true, kDrawFilled, 128, 128},
	    {"translucent colour, filled", kHalfRed, false, kDrawFilled, 128, 128},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto container = add(panel(CRect(10, 10, 30, 30), c.color, c.style));
		container->setTransparency(c.transparent);
		open();
		paintAll();
		EXPECT_NEAR(pixel(10, 20).alpha, c.edgeAlpha, 2) << describe(pixel(10, 20));
		EXPECT_NEAR(pixel(20, 20).alpha, c.insideAlpha, 2) << describe(pixel(20, 20));
		if (c.insideAlpha)
		{
			EXPECT_EQ(pixel(20, 20).red, 255);
		}
		EXPECT_EQ(pixel(9, 20), kClear);
		EXPECT_EQ(pixel(30, 20), kClear);
		EXPECT_EQ(pixel(20, 30), kClear);
	}
}

// ---- Alpha, transforms and clipping ----

TEST_F(ContainerDrawTest, ChildAlphaMultipliesDownTheTree)
{
	auto half = add(panel(CRect(0, 0, 30, 30), kRedCColor));
	half->setAlphaValue(0.5f);
	auto quarter = add(panel(CRect(10, 10, 20, 20), kBlueCColor), half);
	quarter->setAlphaValue(0.5f);
	auto sibling = add(panel(CRect(30, 0, 60, 30), kRedCColor));
	add(panel(CRect(10, 10, 20, 20), kBlueCColor), sibling);
	open();
	paintAll();
	EXPECT_NEAR(pixel(5, 5).alpha, 128, 1) << describe(pixel(5, 5));
	EXPECT_EQ(pixel(5, 5).red, 255);
	// Blue at a quarter over red at a half.
	CColor nested = pixel(15, 15);
	EXPECT_NEAR(nested.alpha, 160, 2) << describe(nested);
	EXPECT_NEAR(nested.blue, 102, 3) << describe(nested);
	EXPECT_NEAR(nested.red, 153, 3) << describe(nested);
	EXPECT_EQ(pixel(35, 5), kRedCColor) << "the alpha does not leak to the next sibling";
	EXPECT_EQ(pixel(45, 15), kBlueCColor);
}

TEST_F(ContainerDrawTest, ScaledContainerDrawsItsChildrenEnlarged)
{
	struct Case
	{
		const char* name;
		CRect container;
		CGraphicsTransform transform;
		// The child at (5, 5, 10, 10) lands on these frame pixels.
		int from;
		int to;
	};
	const Case cases[] = {
	    {"scale 2 at the origin", CRect(0, 0, 60, 60), CGraphicsTransform::scaling(2, 2), 10, 19},
	    {"scale 2 moved", CRect(10, 10, 60, 60), CGraphicsTransform::scaling(2, 2), 20, 29},
	    {"scale 3", CRect(0, 0, 60, 60), CGraphicsTransform::scaling(3, 3), 15, 29},
	    {"translated", CRect(0, 0, 60, 60), CGraphicsTransform::translation(20, 20), 25, 29},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto container = add(new CViewContainer(c.container));
		container->setTransparency(true);
		container->setTransform(c.transform);
		add(panel(CRect(5, 5, 10, 10), kRedCColor), container);
		open();
		paintAll();
		for (int i = 0; i < 60; ++i)
		{
			bool inside = i >= c.from && i <= c.to;
			EXPECT_EQ(pixel(i, (c.from + c.to) / 2), inside ? kRedCColor : kClear)
			    << "column " << i;
			EXPECT_EQ(pixel((c.from + c.to) / 2, i), inside ? kRedCColor : kClear) << "row " << i;
		}
	}
}

TEST_F(ContainerDrawTest, ChildrenAreClippedToTheirContainer)
{
	struct Case
	{
		const char* name;
		CGraphicsTransform transform;
		CRect child;
	};
	// Both children would reach (20, 20) to (50, 50) in the frame.
	const Case cases[] = {
	    {"plain", CGraphicsTransform(), CRect(10, 10, 40, 40)},
	    {"scaled", CGraphicsTransform::scaling(2, 2), CRect(5, 5, 20, 20)},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto container = add(panel(CRect(10, 10, 30, 30), kBlueCColor));
		container->setTransform(c.transform);
		add(panel(c.child, kRedCColor), container);
		open();
		paintAll();
		const std::string expected = std::string(5, '.') + std::string(10, 'b') +
		                             std::string(10, 'r') + std::string(25, '.');
		EXPECT_EQ(row(25, 5, 54), expected);
		EXPECT_EQ(column(25, 5, 54), expected);
	}
}

TEST_F(ContainerDrawTest, HiddenChildIsNotDrawn)
{
	auto hidden = add(panel(CRect(10, 10, 20, 20), kRedCColor));
	hidden->setVisible(false);
	auto invisible = add(panel(CRect(30, 10, 40, 20), kRedCColor));
	invisible->setAlphaValue(0.f);
	open();
	paintAll();
	EXPECT_EQ(pixel(15, 15), kClear);
	EXPECT_EQ(pixel(35, 15), kClear);
}

TEST_F(ContainerDrawTest, ChildIsClippedToItsSizeAndCannotChangeTheStateOfItsSiblings)
{
	auto careless = add(new CarelessView(CRect(10, 10, 20, 20)));
	add(panel(CRect(30, 10, 40, 20), kBlueCColor, kDrawFilledAndStroked));
	open();
	paintAll();
	EXPECT_EQ(row(15, 0, 45), std::string(10, '.') + std::string(10, 'r') + std::string(10, '.') +
	                              std::string(10, 'b') + std::string(6, '.'));
	EXPECT_EQ(column(15, 0, 25), std::string(10, '.') + std::string(10, 'r') + std::string(6, '.'));
	EXPECT_EQ(careless->getViewSize(), CRect(10, 10, 20, 20));
}

// ---- Scale factors ----

TEST_F(ContainerDrawTest, ZoomAndBackingScaleEnlargeWhatIsDrawn)
{
	struct Case
	{
		const char* name;
		double zoom;
		double backingScale;
		// The child at (5, 5, 10, 10) with a black unit outline lands on
		// these device pixels; its outline is this thick.
		int from;
		int to;
		int outline;
	};
	const Case cases[] = {
	    {"plain", 1., 1., 5, 9, 1},
	    {"zoom 2", 2., 1., 10, 19, 2},
	    {"backing scale 2", 1., 2., 10, 19, 2},
	    {"both", 2., 2., 20, 39, 4},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		frame->setSize(30, 30);
		auto child = add(panel(CRect(5, 5, 10, 10), kBlackCColor, kDrawStroked));
		add(panel(CRect(1, 1, 4, 4), kRedCColor), child);
		open();
		if (c.zoom != 1.)
		{
			ASSERT_TRUE(frame->setZoom(c.zoom));
		}
		window->setScaleFactor(c.backingScale);
		paintAll();
		const int middle = (c.from + c.to) / 2;
		const int pixels = int(30 * c.zoom * c.backingScale);
		ASSERT_EQ(window->getSurface()->getPixelWidth(), pixels);
		for (int i = 0; i < pixels; ++i)
		{
			char expected = i < c.from || i > c.to                           ? '.'
			                : i < c.from + c.outline || i > c.to - c.outline ? 'k'
			                                                                 : '?';
			if (expected == '?')
				continue;
			EXPECT_EQ(letter(pixel(i, middle)), expected) << "column " << i;
			EXPECT_EQ(letter(pixel(middle, i)), expected) << "row " << i;
		}
		// The grandchild at (1, 1, 4, 4) inside the child.
		const int unit = int(c.zoom * c.backingScale);
		EXPECT_EQ(letter(pixel(c.from + unit, c.from + unit)), 'r');
		EXPECT_EQ(letter(pixel(c.from + 4 * unit - 1, c.from + 4 * unit - 1)), 'r');
		EXPECT_EQ(letter(pixel(c.from + 4 * unit, c.from + 2 * unit)), 'k');
	}
}

// ---- Partial repaints ----

TEST_F(ContainerDrawTest, InvalidatedViewAloneIsRepainted)
{
	struct Case
	{
		const char* name;
		double zoom;
		double backingScale;
	};
	const Case cases[] = {
	    {"plain", 1., 1.},
	    {"zoom 2", 2., 1.},
	    {"backing scale 2", 1., 2.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		frame->setSize(30, 30);
		frame->setTransparency(false);
		frame->setBackgroundColor(kWhiteCColor);
		add(panel(CRect(0, 0, 10, 10), kRedCColor));
		auto blue = add(panel(CRect(15, 15, 25, 25), kBlueCColor));
		open();
		if (c.zoom != 1.)
		{
			ASSERT_TRUE(frame->setZoom(c.zoom));
		}
		window->setScaleFactor(c.backingScale);
		paintAll();
		const int unit = int(c.zoom * c.backingScale);
		ASSERT_EQ(pixel(20 * unit, 20 * unit), kBlueCColor);
		paintMarker();

		blue->invalid();
		ASSERT_EQ(window->invalidRects.size(), 1u);
		EXPECT_EQ(window->invalidRects[0],
		          CRect(15 * c.zoom, 15 * c.zoom, 25 * c.zoom, 25 * c.zoom));
		EXPECT_EQ(window->drawInvalidRects(), 1u);
		const std::string expected =
		    std::string(15 * unit, 'g') + std::string(10 * unit, 'b') + std::string(5 * unit, 'g');
		EXPECT_EQ(row(20 * unit, 0, 30 * unit - 1), expected);
		EXPECT_EQ(column(20 * unit, 0, 30 * unit - 1), expected);
		EXPECT_EQ(pixel(5 * unit, 5 * unit), kMarker);
		EXPECT_TRUE(window->invalidRects.empty());
	}
}

TEST_F(ContainerDrawTest, RepaintedRectShowsEveryLayerInsideItOnly)
{
	frame->setTransparency(false);
	frame->setBackgroundColor(kWhiteCColor);
	add(panel(CRect(30, 30, 50, 50), kBlueCColor));
	open();
	paintAll();
	paintMarker();

	frame->invalidRect(CRect(25, 25, 35, 35));
	EXPECT_EQ(window->drawInvalidRects(), 1u);
	EXPECT_EQ(row(32, 20, 39), "gggggwwwwwbbbbbggggg");
	EXPECT_EQ(row(27, 20, 39), "gggggwwwwwwwwwwggggg");
	EXPECT_EQ(row(36, 20, 39), "gggggggggggggggggggg");
}

// The outline of a background belongs to the whole container, also when
// only a part of it is repainted; only an opaque filled-and-stroked
// background is limited to the repainted part (where its outline cannot be
// told from its fill).
TEST_F(ContainerDrawTest, PartialRepaintKeepsTheBackgroundOutlineOnTheContainerEdge)
{
	struct Case
	{
		const char* name;
		CColor color;
		CDrawStyle style;
	};
	const Case cases[] = {
	    {"stroked", kBlueCColor, kDrawStroked},
	    {"translucent, filled and stroked", CColor(0, 0, 255, 128), kDrawFilledAndStroked},
	    {"opaque, filled and stroked", kBlueCColor, kDrawFilledAndStroked},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		frame->setTransparency(false);
		frame->setBackgroundColor(kWhiteCColor);
		add(panel(CRect(10, 10, 50, 50), c.color, c.style));
		open();
		paintAll();
		const CColor edge = pixel(10, 30);
		const CColor inside = pixel(30, 30);
		ASSERT_NE(edge, kWhiteCColor) << describe(edge);
		paintMarker();

		window->drawRect(CRect(0, 0, 30, 60));
		EXPECT_EQ(pixel(10, 30), edge) << describe(pixel(10, 30));
		for (int x = 11; x < 30; ++x)
			EXPECT_EQ(pixel(x, 30), inside) << x << " " << describe(pixel(x, 30));
		for (int x = 30; x < 35; ++x)
			EXPECT_EQ(pixel(x, 30), kMarker) << x;
		EXPECT_EQ(pixel(29, 10), edge) << "the top edge runs on";
	}
}

// ---- Focus ----

TEST_F(ContainerDrawTest, FocusRingIsDrawnAroundTheFocusedControl)
{
	struct Case
	{
		const char* name;
		bool enabled;
		double width;
	};
	const Case cases[] = {
	    {"default width", true, 2.},
	    {"wider", true, 3.},
	    {"disabled", false, 2.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		startOver();
		frame->setTransparency(false);
		frame->setBackgroundColor(kWhiteCColor);
		frame->setFocusDrawingEnabled(c.enabled);
		frame->setFocusColor(kMagentaCColor);
		if (c.width != 2.)
			frame->setFocusWidth(c.width);
		auto container = add(panel(CRect(10, 10, 50, 50), kBlueCColor));
		auto control = add(new Swatch(CRect(10, 10, 30, 30), kRedCColor), container);
		open();
		frame->platformOnActivate(true);
		ASSERT_EQ(frame->getFocusView(), control);
		paintAll();
		// The control covers frame pixels 20 to 39; the ring lies around it.
		const int w = c.enabled ? int(c.width) : 0;
		std::string expected = std::string(10, 'w') + std::string(10 - w, 'b') +
		                       std::string(w, 'm') + std::string(20, 'r') + std::string(w, 'm') +
		                       std::string(10 - w, 'b') + std::string(10, 'w');
		EXPECT_EQ(row(30, 0, 59), expected);
		EXPECT_EQ(column(30, 0, 59), expected);
	}
}

TEST_F(ContainerDrawTest, FocusRingDisappearsWithTheFocus)
{
	frame->setTransparency(false);
	frame->setBackgroundColor(kWhiteCColor);
	frame->setFocusDrawingEnabled(true);
	frame->setFocusColor(kMagentaCColor);
	auto container = add(panel(CRect(10, 10, 50, 50), kBlueCColor));
	auto first = add(new Swatch(CRect(2, 2, 12, 12), kRedCColor), container);
	auto second = add(new Swatch(CRect(20, 20, 30, 30), kRedCColor), container);
	open();
	frame->platformOnActivate(true);
	ASSERT_EQ(frame->getFocusView(), first);
	paintAll();
	EXPECT_EQ(row(17, 8, 25), "wwmmrrrrrrrrrrmmbb");

	frame->setFocusView(second);
	window->drawInvalidRects();
	EXPECT_EQ(row(17, 8, 25), "wwbbrrrrrrrrrrbbbb") << "the old ring is gone";
	EXPECT_EQ(row(35, 26, 43), "bbmmrrrrrrrrrrmmbb") << "the new one is drawn";
}

// A control's own focus outline goes below it or above it as it asks.
TEST_F(ContainerDrawTest, ShapedFocusIsDrawnBelowOrAboveTheControl)
{
	for (bool onTop : {false, true})
	{
		SCOPED_TRACE(onTop ? "on top" : "below");
		startOver();
		frame->setTransparency(false);
		frame->setBackgroundColor(kWhiteCColor);
		frame->setFocusDrawingEnabled(true);
		frame->setFocusColor(kMagentaCColor);
		auto control = add(new ShapedFocusSwatch(CRect(20, 20, 40, 40), kRedCColor, onTop));
		open();
		frame->platformOnActivate(true);
		ASSERT_EQ(frame->getFocusView(), control);
		paintAll();
		const std::string edge = onTop ? "mmm" : "rrr";
		EXPECT_EQ(row(30, 18, 41), "ww" + edge + std::string(14, 'r') + edge + "ww");
	}
}

// A child whose draw removes its focused sibling: the container draws no ring
// for the view that left, and does not touch it after its release.
TEST_F(ContainerDrawTest, FocusedSiblingRemovedDuringTheDrawGetsNoRing)
{
	class Remover : public CView
	{
	public:
		using CView::CView;
		void draw(CDrawContext*) override
		{
			if (auto victim = std::exchange(target, nullptr))
				getParentView()->toViewContainer()->removeView(victim, true);
			setDirty(false);
		}
		CView* target {nullptr};
	};
	frame->setTransparency(false);
	frame->setBackgroundColor(kWhiteCColor);
	frame->setFocusDrawingEnabled(true);
	frame->setFocusColor(kMagentaCColor);
	auto remover = add(new Remover(CRect(0, 0, 5, 5)));
	auto focused = add(new Swatch(CRect(20, 20, 40, 40), kRedCColor));
	remover->target = focused;
	open();
	frame->platformOnActivate(true);
	ASSERT_EQ(frame->getFocusView(), focused);
	paintAll();
	EXPECT_EQ(frame->getFocusView(), nullptr);
	EXPECT_EQ(row(30, 16, 23), "wwwwwwww") << "no ring where the control was";
}

} // namespace
} // namespace Kavrin::Test
