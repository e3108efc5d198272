// A layered container draws its children into a layer of its own, which the
// frame composites over its other views with the container's alpha and
// z-index: fading, moving or reordering it redraws no view.

#include "lib/clayeredviewcontainer.h"

#include "lib/animation/animations.h"
#include "lib/animation/animator.h"
#include "lib/animation/timingfunctions.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/cshadowviewcontainer.h"
#include "lib/iviewlistener.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/headless/headlessplatform.h"
#include "tests/support/layerpixels.h"
#include "tests/support/pixelframe.h"
#include "tests/support/printers.h"
#include "tests/support/scrolledpattern.h"
#include "tests/support/surfacepixels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const CColor kBackground(200, 100, 0);
const CColor kBlue(0, 0, 255);
const CColor kGreen(0, 255, 0);
const CColor kWhite(255, 255, 255);
const CColor kGrey(90, 90, 90);

// Fills its rect and counts how often it is drawn.
class CountingView : public CView
{
public:
	CountingView(const CRect& size, const CColor& color) : CView(size), color(color) {}

	void draw(CDrawContext* context) override
	{
		++draws;
		context->setFillColor(color);
		context->drawRect(getViewSize(), kDrawFilled);
		if (whileDrawing)
			whileDrawing();
		setDirty(false);
	}

	CColor color;
	int draws {0};
	std::function<void()> whileDrawing;
};

CLayeredViewContainer* layered(const CRect& rect, const CColor& background)
{
	auto container = new CLayeredViewContainer(rect);
	container->setBackgroundColor(background);
	return container;
}

class LayeredViewContainerTest : public PixelFrameTest
{
protected:
	LayeredViewContainerTest() : PixelFrameTest(CRect(0, 0, 120, 100), kBackground) {}

	// The colour at a point of the frame, in logical units.
	CColor at(double x, double y) const
	{
		const double scale = window->getScaleFactor();
		return pixel(int(x * scale), int(y * scale));
	}
	// What the idle pass and the paint of the invalid rects bring.
	void update()
	{
		window->runPendingIdle();
		window->drawInvalidRects();
	}
};

TEST_F(LayeredViewContainerTest, TheContentIsCompositedWithTheContainersAlpha)
{
	for (double scale : {1., 2.})
	{
		SCOPED_TRACE(scale);
		startOver();
		auto container = layered(CRect(10, 10, 50, 50), kBlue);
		container->addView(new CountingView(CRect(10, 10, 20, 20), kGreen));
		container->setAlphaValue(0.5f);
		frame->addView(container);
		openAndPaint(scale);

		EXPECT_TRUE(container->getPlatformLayer());
		EXPECT_TRUE(colourNear(at(15, 15), blended(kBlue, kBackground, 0.5)));
		EXPECT_TRUE(colourNear(at(25, 25), blended(kGreen, kBackground, 0.5)));
		EXPECT_EQ(at(55, 25), kBackground);
	}
}

TEST_F(LayeredViewContainerTest, AHigherZIndexShowsOverALowerWhateverTheOrderOfAdding)
{
	struct Case
	{
		const char* name;
		bool blueAddedFirst;
		bool zIndexAfterAdding;
	};
	for (const Case& c : {Case {"blue added first", true, false}, Case {"blue added last", false, false},
	                      Case {"blue added first, z-index set later", true, true},
	                      Case {"blue added last, z-index set later", false, true}})
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto blue = layered(CRect(10, 10, 50, 50), kBlue);
		auto green = layered(CRect(30, 30, 70, 70), kGreen);
		auto setZIndices = [&] {
			blue->setZIndex(2);
			green->setZIndex(1);
		};
		if (!c.zIndexAfterAdding)
			setZIndices();
		frame->addView(c.blueAddedFirst ? static_cast<CView*>(blue) : green);
		frame->addView(c.blueAddedFirst ? static_cast<CView*>(green) : blue);
		openAndPaint();
		if (c.zIndexAfterAdding)
		{
			setZIndices();
			window->drawInvalidRects();
		}

		EXPECT_EQ(at(40, 40), kBlue);
		EXPECT_EQ(at(60, 60), kGreen);
	}
}

// A panel of views under a badge that fades: neither the panel's views nor
// the badge's are drawn again, whether the alpha is set directly or by an
// animation.
class FadingBadgeTest : public LayeredViewContainerTest
{
protected:
	FadingBadgeTest()
	{
		panel = layered(CRect(0, 0, 120, 100), kGrey);
		for (int i = 0; i < 6; ++i)
		{
			auto knob = new CountingView(CRect(5 + i * 19, 40, 20 + i * 19, 55), kWhite);
			panel->addView(knob);
			knobs.push_back(knob);
		}
		badge = layered(CRect(20, 35, 60, 60), kBlue);
		badgeLabel = new CountingView(CRect(5, 5, 15, 15), kGreen);
		badge->addView(badgeLabel);
		frame->addView(panel);
		frame->addView(badge);
		openAndPaint();
		resetDraws();
	}
	void resetDraws()
	{
		for (auto knob : knobs)
			knob->draws = 0;
		badgeLabel->draws = 0;
	}
	int knobDraws() const
	{
		int draws = 0;
		for (auto knob : knobs)
			draws += knob->draws;
		return draws;
	}

	CLayeredViewContainer* panel;
	CLayeredViewContainer* badge;
	CountingView* badgeLabel;
	std::vector<CountingView*> knobs;
};

TEST_F(FadingBadgeTest, SettingTheAlphaRedrawsNoView)
{
	for (float alpha : {0.75f, 0.5f, 0.f, 0.25f})
	{
		SCOPED_TRACE(alpha);
		badge->setAlphaValue(alpha);
		update();
		EXPECT_EQ(knobDraws(), 0);
		EXPECT_EQ(badgeLabel->draws, 0);
		// Over the first knob, and over the panel's background.
		EXPECT_TRUE(colourNear(at(45, 50), blended(kBlue, kWhite, alpha)));
		EXPECT_TRUE(colourNear(at(40, 38), blended(kBlue, kGrey, alpha)));
	}
}

TEST_F(FadingBadgeTest, AnAnimatedFadeRedrawsNoView)
{
	badge->addAnimation("fade", new Animation::AlphaValueAnimation(0.f, false),
	                    new Animation::LinearTimingFunction(160));
	for (int tick = 0; tick < 12; ++tick)
	{
		platform->advance(Animation::Detail::Timer::kInterval);
		update();
	}
	EXPECT_EQ(badge->getAlphaValue(), 0.f);
	EXPECT_EQ(knobDraws(), 0);
	EXPECT_EQ(badgeLabel->draws, 0);
	EXPECT_EQ(at(40, 38), kGrey);
}

TEST_F(FadingBadgeTest, MovingOrReorderingALayerRedrawsNoView)
{
	badge->setViewSize(CRect(60, 60, 100, 85));
	update();
	EXPECT_EQ(at(25, 38), kGrey);
	EXPECT_EQ(at(80, 62), kBlue);
	EXPECT_EQ(at(68, 68), kGreen);

	panel->setZIndex(1);
	update();
	EXPECT_EQ(at(80, 62), kGrey);

	EXPECT_EQ(knobDraws(), 0);
	EXPECT_EQ(badgeLabel->draws, 0);
}

TEST_F(FadingBadgeTest, AnInvalidatedViewIsTheOnlyOneRedrawn)
{
	knobs[3]->color = kGreen;
	knobs[3]->invalid();
	update();
	EXPECT_EQ(knobs[3]->draws, 1);
	EXPECT_EQ(knobDraws(), 1);
	EXPECT_EQ(badgeLabel->draws, 0);
	EXPECT_EQ(at(70, 50), kGreen);

	// The same through the idle pass, for a view marked dirty.
	resetDraws();
	knobs[5]->color = kGreen;
	knobs[5]->setDirty(true);
	update();
	EXPECT_EQ(knobs[5]->draws, 1);
	EXPECT_EQ(knobDraws(), 1);
	EXPECT_EQ(at(105, 50), kGreen);
}

TEST_F(FadingBadgeTest, AViewMarkedDirtyWhileTheLayerShowedNothingIsShownWhenItFadesIn)
{
	badge->setAlphaValue(0.f);
	update();
	badgeLabel->color = kWhite;
	badgeLabel->setDirty(true);
	update();

	badge->setAlphaValue(1.f);
	update();
	EXPECT_EQ(at(28, 43), kWhite);
}

TEST_F(FadingBadgeTest, AHiddenContainersLayerShowsNothing)
{
	badge->setVisible(false);
	update();
	EXPECT_EQ(at(40, 38), kGrey);

	badge->setVisible(true);
	update();
	EXPECT_EQ(at(40, 38), kBlue);
	EXPECT_EQ(knobDraws(), 0);
}

TEST_F(FadingBadgeTest, ARemovedContainerTakesItsLayerAlong)
{
	SharedPointer<CView> kept = badge;
	frame->removeView(badge, false);
	update();
	EXPECT_EQ(badge->getPlatformLayer(), nullptr);
	EXPECT_EQ(at(40, 38), kGrey);

	frame->addView(badge);
	update();
	EXPECT_TRUE(badge->getPlatformLayer());
	EXPECT_EQ(at(40, 38), kBlue);
}

// A nested layered container composes in its parent's layer: clipped to
// it, over its content, faded with it. The tree is attached at once.
TEST_F(LayeredViewContainerTest, ANestedContainerComposesInItsParentsLayer)
{
	struct Case
	{
		const char* name;
		bool addedBeforeOpening;
	};
	for (const Case& c : {Case {"opened with the tree", true}, Case {"added to an open frame", false}})
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto outer = layered(CRect(10, 10, 60, 60), kBlue);
		outer->setAlphaValue(0.5f);
		auto inner = layered(CRect(30, 30, 70, 70), kGreen);
		outer->addView(inner);
		if (c.addedBeforeOpening)
			frame->addView(outer);
		openAndPaint();
		if (!c.addedBeforeOpening)
		{
			frame->addView(outer);
			window->drawInvalidRects();
		}

		EXPECT_EQ(inner->getParentLayerView(), outer);
		EXPECT_TRUE(colourNear(at(20, 20), blended(kBlue, kBackground, 0.5)));
		EXPECT_TRUE(colourNear(at(50, 50), blended(kGreen, kBackground, 0.5)));
		EXPECT_EQ(at(65, 65), kBackground);
	}
}

// A layer is composited apart from the views' drawing, yet shows as an
// ordinary container would: not while an ancestor up to the frame, or up
// to the parent layer, is hidden. Its content stays current meanwhile,
// without a paint of the frame.
TEST_F(LayeredViewContainerTest, AHiddenAncestorHidesTheLayerUntilShownAgain)
{
	struct Case
	{
		const char* name;
		bool inParentLayer;
		bool hiddenBeforeOpening;
	};
	for (const Case& c : {Case {"page over the frame", false, false},
	                      Case {"page over the frame, hidden from the start", false, true},
	                      Case {"panel in a parent layer", true, false},
	                      Case {"panel in a parent layer, hidden from the start", true, true}})
	{
		SCOPED_TRACE(c.name);
		startOver();
		auto page = new CViewContainer(CRect(0, 0, 120, 100));
		page->setTransparency(true);
		auto container = layered(CRect(10, 10, 50, 50), kBlue);
		auto label = new CountingView(CRect(5, 5, 15, 15), kGreen);
		container->addView(label);
		page->addView(container);
		// What shows where the page is hidden.
		CColor below = kBackground;
		if (c.inParentLayer)
		{
			auto outer = layered(CRect(0, 0, 120, 100), kGrey);
			outer->addView(page);
			frame->addView(outer);
			below = kGrey;
		}
		else
			frame->addView(page);
		if (c.hiddenBeforeOpening)
			page->setVisible(false);
		openAndPaint();
		if (!c.hiddenBeforeOpening)
		{
			EXPECT_EQ(at(30, 30), kBlue);
			page->setVisible(false);
			update();
		}
		EXPECT_EQ(at(30, 30), below);
		EXPECT_EQ(at(18, 18), below);

		label->color = kWhite;
		label->invalid();
		EXPECT_THAT(window->invalidRects, IsEmpty());

		page->setVisible(true);
		update();
		EXPECT_EQ(at(30, 30), kBlue);
		EXPECT_EQ(at(18, 18), kWhite);
	}
}

// The demo gallery's pages lie on one another, the hidden ones under the
// shown: a layered container on a hidden page shows nothing over the page
// in front.
TEST_F(LayeredViewContainerTest, ALayerOnAHiddenSiblingPageShowsNothingOverTheShownOne)
{
	auto layersPage = new CViewContainer(CRect(0, 0, 120, 100));
	layersPage->setBackgroundColor(kGrey);
	layersPage->addView(layered(CRect(10, 10, 50, 50), kBlue));
	auto otherPage = new CViewContainer(CRect(0, 0, 120, 100));
	otherPage->setBackgroundColor(kWhite);
	otherPage->setVisible(false);
	frame->addView(layersPage);
	frame->addView(otherPage);
	openAndPaint();
	EXPECT_EQ(at(30, 30), kBlue);

	for (int turn = 0; turn < 2; ++turn)
	{
		SCOPED_TRACE(turn);
		layersPage->setVisible(false);
		otherPage->setVisible(true);
		update();
		EXPECT_EQ(at(30, 30), kWhite);

		otherPage->setVisible(false);
		layersPage->setVisible(true);
		update();
		EXPECT_EQ(at(30, 30), kBlue);
		EXPECT_EQ(at(60, 30), kGrey);
	}
}

// The frame's pixels with a page at some alpha holding a container whose
// two children do not overlap (a layer fades its content as one, the
// views each on their own: with overlaps the two would differ), the page
// over the frame or in a layered container. The page fades after the
// first paint.
std::vector<uint32> renderFadedPage(bool inParentLayer, bool withLayers)
{
	auto headless = owned(new HeadlessPlatform);
	setPlatform(headless);
	auto frame = new CFrame(CRect(0, 0, 120, 100));
	frame->setBackgroundColor(kBackground);
	auto makeContainer = [withLayers](const CRect& rect) {
		return withLayers ? new CLayeredViewContainer(rect) : new CViewContainer(rect);
	};
	auto page = new CViewContainer(CRect(5, 5, 115, 95));
	page->setBackgroundColor(kGrey);
	auto container = makeContainer(CRect(10, 10, 70, 60));
	container->setTransparency(true);
	container->addView(new CountingView(CRect(0, 0, 30, 50), kBlue));
	container->addView(new CountingView(CRect(30, 0, 60, 50), kGreen));
	page->addView(container);
	if (inParentLayer)
	{
		auto outer = makeContainer(CRect(0, 0, 120, 100));
		outer->setBackgroundColor(kWhite);
		outer->addView(page);
		frame->addView(outer);
	}
	else
		frame->addView(page);
	std::vector<uint32> words;
	int parent = 0;
	if (frame->open(&parent, kHeadless))
	{
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->drawInvalidRects();
		page->setAlphaValue(0.5f);
		window->drawInvalidRects();
		words = surfaceWords(*window->getSurface());
	}
	frame->close();
	setPlatform(nullptr);
	return words;
}

// How many words differ by more than the rounding of a blend in a channel.
size_t wordsBeyondRounding(const std::vector<uint32>& a, const std::vector<uint32>& b)
{
	if (a.size() != b.size())
		return std::max(a.size(), b.size());
	auto near = [](uint32 x, uint32 y) {
		for (int shift : {0, 8, 16})
		{
			if (std::abs(int((x >> shift) & 0xFF) - int((y >> shift) & 0xFF)) > 1)
				return false;
		}
		return true;
	};
	size_t count = 0;
	for (size_t i = 0; i < a.size(); ++i)
		count += !near(a[i], b[i]);
	return count;
}

TEST(LayeredViewContainerPixelsTest, AFadedAncestorFadesTheLayerAsAnOrdinaryContainer)
{
	for (bool inParentLayer : {false, true})
	{
		SCOPED_TRACE(inParentLayer ? "page in a parent layer" : "page over the frame");
		const auto ordinary = renderFadedPage(inParentLayer, false);
		ASSERT_FALSE(ordinary.empty());
		EXPECT_EQ(wordsBeyondRounding(renderFadedPage(inParentLayer, true), ordinary), 0u);
	}
}

// A listener told of the attachment may take the container off again, or
// off and back on, which attaches it, and its nested container, anew: the
// first attachment then makes no layer, nor replaces the second one's
// (which the nested layer lies in).
TEST_F(LayeredViewContainerTest, AListenerOfTheAttachmentMayRemoveOrReAddTheContainer)
{
	struct Listener : ViewListenerAdapter
	{
		Listener(CViewContainer* parent, bool addAgain) : parent(parent), addAgain(addAgain) {}
		void viewAttached(CView* view) override
		{
			view->unregisterViewListener(this);
			parent->removeView(view);
			if (addAgain)
				parent->addView(view);
		}
		CViewContainer* parent;
		bool addAgain;
	};
	for (bool addAgain : {false, true})
	{
		SCOPED_TRACE(addAgain ? "removed and added again" : "removed");
		startOver();
		openAndPaint();
		auto container = layered(CRect(10, 10, 50, 50), kBlue);
		SharedPointer<CView> kept = container;
		auto nested = layered(CRect(20, 20, 40, 40), kGreen);
		container->addView(nested);
		Listener listener(frame, addAgain);
		container->registerViewListener(&listener);
		frame->addView(container);
		update();

		EXPECT_EQ(container->isAttached(), addAgain);
		EXPECT_EQ(bool(container->getPlatformLayer()), addAgain);
		EXPECT_EQ(at(15, 15), addAgain ? kBlue : kBackground);
		EXPECT_EQ(at(35, 35), addAgain ? kGreen : kBackground);
		if (addAgain)
			frame->removeView(container, false);
		container->unregisterViewListener(&listener);
	}
}

// Antialiased and aliased shapes at odd and even widths, whose pixels
// follow every rounding of the place they are drawn at.
class ShapesView : public CView
{
public:
	using CView::CView;
	void draw(CDrawContext* context) override
	{
		const CRect r = getViewSize();
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(CColor(30, 120, 200));
		context->drawRect(CRect(r.left + 3, r.top + 3, r.left + 30, r.top + 20), kDrawFilled);
		context->setFrameColor(kWhite);
		context->setLineWidth(3.);
		context->drawEllipse(CRect(r.left + 20, r.top + 8, r.left + 45, r.top + 30), kDrawStroked);
		context->setDrawMode(kAliasing);
		context->setLineWidth(1.);
		context->drawLine({CPoint(r.left + 2, r.top + 33), CPoint(r.left + 44, r.top + 33)});
		setDirty(false);
	}
};

struct Rendering
{
	double scale;
	double zoom;
	CRect containerRect;
};

// The frame's pixels with the shapes in a container, and in a container
// inside it that it clips, layered or not. The backgrounds are opaque: a
// translucent layer's blend is rounded once more when it is composited.
std::vector<uint32> renderShapes(const Rendering& rendering, bool withLayers)
{
	auto headless = owned(new HeadlessPlatform);
	setPlatform(headless);
	auto frame = new CFrame(CRect(0, 0, 120, 100));
	frame->setBackgroundColor(kBackground);
	auto makeContainer = [withLayers](const CRect& rect) {
		return withLayers ? new CLayeredViewContainer(rect) : new CViewContainer(rect);
	};
	auto container = makeContainer(rendering.containerRect);
	container->setBackgroundColor(kGrey);
	container->addView(new ShapesView(CRect(4, 4, 50, 40)));
	auto inner = makeContainer(CRect(33, 23, 83, 63));
	inner->setBackgroundColor(CColor(40, 40, 40));
	inner->addView(new ShapesView(CRect(2, 3, 48, 39)));
	container->addView(inner);
	frame->addView(container);
	std::vector<uint32> words;
	int parent = 0;
	if (frame->open(&parent, kHeadless))
	{
		auto window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
		window->setScaleFactor(rendering.scale);
		if (rendering.zoom != 1.)
			frame->setZoom(rendering.zoom);
		window->invalidRects.clear();
		window->drawRect(CRect(frame->getViewSize()).originize());
		words = surfaceWords(*window->getSurface());
	}
	frame->close();
	setPlatform(nullptr);
	return words;
}

TEST(LayeredViewContainerPixelsTest, TheLayerShowsTheSamePixelsAsAnOrdinaryContainer)
{
	for (const Rendering& r : {Rendering {1., 1., CRect(10, 10, 70, 60)}, Rendering {2., 1., CRect(10, 10, 70, 60)},
	                           Rendering {1.5, 1., CRect(11, 11, 71, 61)}, Rendering {1., 1.5, CRect(11, 11, 71, 61)},
	                           Rendering {2., 1.25, CRect(9, 13, 69, 63)}})
	{
		SCOPED_TRACE(testing::Message() << "scale " << r.scale << " zoom " << r.zoom);
		const auto ordinary = renderShapes(r, false);
		ASSERT_FALSE(ordinary.empty());
		EXPECT_EQ(differingWords(renderShapes(r, true), ordinary), 0u);
	}
}

// Beyond a clipping parent, the layer covers only what shows: a move that
// keeps the layer where it is changes what the content holds, which is
// drawn anew.
TEST_F(LayeredViewContainerTest, MovingWithinAClippingParentRedrawsWhatComesIntoView)
{
	auto clip = new CViewContainer(CRect(20, 20, 100, 80));
	clip->setTransparency(true);
	auto container = new CLayeredViewContainer(CRect(-30, -10, 110, 90));
	container->setTransparency(true);
	container->addView(new ScrolledPatternView(CRect(0, 0, 140, 100)));
	clip->addView(container);
	frame->addView(clip);
	openAndPaint();

	container->setViewSize(CRect(-20, -5, 120, 95));
	update();

	auto expectedFrame = new CFrame(frameSize);
	expectedFrame->setBackgroundColor(kBackground);
	auto expectedClip = new CViewContainer(CRect(20, 20, 100, 80));
	expectedClip->setTransparency(true);
	auto expectedContainer = new CViewContainer(CRect(-20, -5, 120, 95));
	expectedContainer->setTransparency(true);
	expectedContainer->addView(new ScrolledPatternView(CRect(0, 0, 140, 100)));
	expectedClip->addView(expectedContainer);
	expectedFrame->addView(expectedClip);
	int expectedParent = 0;
	ASSERT_TRUE(expectedFrame->open(&expectedParent, kHeadless));
	auto expectedWindow = static_cast<HeadlessFrame*>(expectedFrame->getPlatformFrame());
	expectedWindow->drawRect(CRect(frameSize).originize());
	EXPECT_EQ(differingPixels(*window->getSurface(), *expectedWindow->getSurface()), 0);
	expectedFrame->close();
}

// A scroll of views inside a layer cannot move the frame's pixels: the
// frame repaints instead, and the layer redraws the scrolled content.
TEST_F(LayeredViewContainerTest, AScrollInsideALayerShowsTheScrolledContent)
{
	const CRect viewRect(10, 10, 90, 70);
	frame->setBackgroundColor(CColor(250, 240, 220));
	auto container = new CLayeredViewContainer(viewRect);
	container->setTransparency(true);
	auto pattern = new ScrolledPatternView(CRect(viewRect).originize());
	container->addView(pattern);
	frame->addView(container);
	openAndPaint();

	pattern->offset = CPoint(0, -15);
	frame->scrollRect(viewRect, CPoint(0, -15));
	window->drawInvalidRects();

	PatternState state;
	state.viewRect = viewRect;
	state.offset = CPoint(0, -15);
	const auto expected = freshPatternRendering(frameSize, state);
	EXPECT_EQ(differingWords(surfaceWords(*window->getSurface()), expected), 0u);
}

// An offscreen rendering of the views (a shadow, a snapshot) shows the
// layered content too, faded once.
TEST_F(LayeredViewContainerTest, AnOffscreenRenderingShowsTheLayeredContent)
{
	auto container = layered(CRect(10, 10, 50, 50), kBlue);
	container->addView(new CountingView(CRect(10, 10, 20, 20), kGreen));
	container->setAlphaValue(0.5f);
	frame->addView(container);
	openAndPaint(2.);

	auto surface = CairoImageSurface::create(120, 100, 1.);
	auto offscreen = makeOwned<CairoDrawContext>(surface.get());
	frame->draw(offscreen);
	offscreen->endDraw();

	EXPECT_TRUE(colourNear(surface->getPixel(15, 15), blended(kBlue, kBackground, 0.5)));
	EXPECT_TRUE(colourNear(surface->getPixel(25, 25), blended(kGreen, kBackground, 0.5)));
	EXPECT_EQ(surface->getPixel(55, 25), kBackground);
}

TEST_F(LayeredViewContainerTest, AShadowOfALayeredContainerShowsItsContent)
{
	auto shadow = new CShadowViewContainer(CRect(10, 10, 80, 80));
	shadow->setTransparency(true);
	shadow->setShadowOffset(CPoint(20, 20));
	shadow->setShadowIntensity(0.5f);
	shadow->setShadowBlurSize(0.);
	shadow->addView(layered(CRect(0, 0, 30, 30), kBlue));
	frame->addView(shadow);
	openAndPaint();

	EXPECT_EQ(at(20, 20), kBlue);
	EXPECT_TRUE(colourNear(at(50, 50), blended(kBlue, kBackground, 0.5)));
	EXPECT_EQ(at(65, 65), kBackground);
}

TEST_F(LayeredViewContainerTest, AViewThatRemovesItsLayeredContainerWhileDrawnLeavesNothing)
{
	auto container = layered(CRect(10, 10, 50, 50), kBlue);
	auto nested = layered(CRect(5, 5, 30, 30), kGreen);
	auto remover = new CountingView(CRect(5, 5, 10, 10), kWhite);
	remover->whileDrawing = [&] { frame->removeView(container, true); };
	nested->addView(remover);
	container->addView(nested);
	frame->addView(container);
	openAndPaint();
	window->drawInvalidRects();

	EXPECT_EQ(frame->getNbViews(), 0u);
	EXPECT_EQ(at(20, 20), kBackground);
}

TEST_F(LayeredViewContainerTest, AViewThatClosesTheFrameWhileDrawnInALayerEndsThePaint)
{
	auto container = layered(CRect(10, 10, 50, 50), kBlue);
	auto nested = layered(CRect(5, 5, 30, 30), kGreen);
	auto closer = new CountingView(CRect(5, 5, 10, 10), kWhite);
	SharedPointer<CView> keptCloser = closer;
	closer->whileDrawing = [&] {
		if (frame)
			std::exchange(frame, nullptr)->close();
	};
	nested->addView(closer);
	container->addView(nested);
	frame->addView(container);
	SharedPointer<HeadlessFrame> keptWindow;
	open();
	keptWindow = window;
	paintAll();
	EXPECT_EQ(frame, nullptr);
	EXPECT_EQ(closer->draws, 1);
}

TEST_F(LayeredViewContainerTest, ClosingTheFrameReleasesEveryLayer)
{
	auto container = layered(CRect(10, 10, 50, 50), kBlue);
	auto nested = layered(CRect(5, 5, 30, 30), kGreen);
	container->addView(nested);
	frame->addView(container);
	SharedPointer<CView> keptContainer = container;
	SharedPointer<CView> keptNested = nested;
	openAndPaint();
	std::exchange(frame, nullptr)->close();

	EXPECT_EQ(container->getPlatformLayer(), nullptr);
	EXPECT_EQ(nested->getPlatformLayer(), nullptr);
}

} // namespace
} // namespace Kavrin::Test
