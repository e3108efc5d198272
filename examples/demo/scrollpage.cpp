#include "examples/demo/scrollpage.h"

#include "examples/demo/labels.h"

#include <cmath>
#include <string>

namespace Kavrin::Demo {

namespace {

constexpr double kPadding = 10.;
constexpr double kTitleTop = 4.;
constexpr double kViewsTop = 34.;
constexpr double kTile = 28.;
constexpr int32 kTilesPerSide = 60; // 3600 tiles
constexpr double kRowHeight = 36.;
constexpr int32 kRows = 48;

const CColor kNoteColor {200, 205, 215};
const CColor kCanvasColor {18, 20, 26};
const CColor kListColor {30, 33, 41};
const CColor kAccent {255, 176, 64};

// One tile of the canvas: a rounded square whose hue follows its place, so
// that scrolling shows at once which part of the canvas is in view.
class Tile : public CView
{
public:
	Tile(const CRect& size, int32 column, int32 row) : CView(size)
	{
		setMouseEnabled(false);
		const double hue = 360. * column / kTilesPerSide;
		const double lightness = 0.3 + 0.4 * row / kTilesPerSide;
		color.fromHSL(hue, 0.6, lightness);
	}

	void draw(CDrawContext* context) override
	{
		CRect face = getViewSize();
		face.inset(2., 2.);
		auto path = owned(context->createRoundRectGraphicsPath(face, 5.));
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		setDirty(false);
	}

private:
	CColor color;
};

CScrollView* makeCanvas(const CRect& size)
{
	const double side = kTile * kTilesPerSide;
	auto canvas = new CScrollView(size, CRect(0, 0, side, side),
	                              CScrollView::kHorizontalScrollbar | CScrollView::kVerticalScrollbar, 14.);
	canvas->setBackgroundColor(CColor(60, 66, 80));
	// An opaque content layer lets the frame move its pixels on a scroll
	// instead of drawing the whole view again.
	CScrollContainer* content = canvas->getScrollContainer();
	content->setTransparency(false);
	content->setBackgroundColor(kCanvasColor);
	for (int32 row = 0; row < kTilesPerSide; ++row)
	{
		for (int32 column = 0; column < kTilesPerSide; ++column)
		{
			const CRect tile(column * kTile, row * kTile, (column + 1) * kTile, (row + 1) * kTile);
			canvas->addView(new Tile(tile, column, row));
		}
	}
	for (CScrollbar* bar : {canvas->getHorizontalScrollbar(), canvas->getVerticalScrollbar()})
	{
		if (!bar)
			continue;
		bar->setBackgroundColor(CColor(24, 26, 32));
		bar->setFrameColor(CColor(60, 66, 80));
		bar->setScrollerColor(CColor(110, 120, 140));
	}
	return canvas;
}

// A vector slider that fills its value in the accent colour.
CSlider* makeSlider(const CRect& size, DemoEditor& editor, const std::string& name)
{
	auto slider = new CHorizontalSlider(size, nullptr, editor.addParameter(name), CPoint(),
	                                    int32(size.getWidth() - 1.), nullptr, nullptr, CPoint(), CSlider::kLeft);
	slider->setDrawStyle(CSlider::kDrawFrame | CSlider::kDrawBack | CSlider::kDrawValue);
	slider->setFrameColor(CColor(90, 110, 150));
	slider->setBackColor(CColor(14, 20, 34));
	slider->setValueColor(kAccent);
	slider->setValue(std::fmod(0.37f * float(slider->getTag()), 1.f));
	return slider;
}

CScrollView* makeControlList(const CRect& size, DemoEditor& editor)
{
	const double width = size.getWidth();
	auto list = new CScrollView(size, CRect(0, 0, width, kRows * kRowHeight),
	                            CScrollView::kVerticalScrollbar | CScrollView::kOverlayScrollbars |
	                                CScrollView::kAutoHideScrollbars | CScrollView::kFollowFocusView |
	                                CScrollView::kDontDrawFrame,
	                            10.);
	list->setBackgroundColor(kListColor);
	if (CScrollbar* bar = list->getVerticalScrollbar())
	{
		bar->setBackgroundColor(CColor(0, 0, 0, 0));
		bar->setFrameColor(CColor(0, 0, 0, 0));
		bar->setScrollerColor(CColor(200, 205, 215, 160));
	}
	for (int32 row = 0; row < kRows; ++row)
	{
		const double top = row * kRowHeight;
		const std::string name = "Channel " + std::to_string(row + 1);
		list->addView(new Label(CRect(kPadding, top + 8., 110., top + 28.), name, kNormalFont, kNoteColor));
		list->addView(makeSlider(CRect(115., top + 10., width - 90., top + 26.), editor, name + " level"));
		auto mute = new CCheckBox(CRect(width - 80., top + 8., width - kPadding, top + 28.), nullptr,
		                          editor.addParameter(name + " mute"), "Mute");
		list->addView(mute);
	}
	return list;
}

} // namespace

CViewContainer* makeScrollPage(const CRect& size, DemoEditor& editor)
{
	auto page = new CViewContainer(size);
	page->setTransparency(true);
	const double split = 540.;
	const double bottom = size.getHeight() - kPadding;

	page->addView(new Label(CRect(kPadding, kTitleTop, split, kTitleTop + 22.),
	                        "A canvas of 3600 tiles: drag the bars, turn or tilt the wheel",
	                        kNormalFont));
	CScrollView* canvas = makeCanvas(CRect(kPadding, kViewsTop, split, bottom - 30.));
	page->addView(canvas);
	const double side = kTile * kTilesPerSide;
	page->addView(new ActionButton(CRect(kPadding, bottom - 24., kPadding + 110., bottom), "Top left",
	                               [canvas] { canvas->resetScrollOffset(); }));
	page->addView(new ActionButton(CRect(kPadding + 120., bottom - 24., kPadding + 230., bottom), "Centre",
	                               [canvas, side] {
		                               const double middle = side / 2.;
		                               canvas->makeRectVisible(CRect(middle - 100., middle - 100., middle + 100.,
		                                                             middle + 100.));
	                               }));
	page->addView(new ActionButton(CRect(kPadding + 240., bottom - 24., kPadding + 350., bottom), "Far corner",
	                               [canvas, side] {
		                               canvas->makeRectVisible(CRect(side - 10., side - 10., side, side));
	                               }));

	const double listLeft = split + 20.;
	page->addView(new Label(CRect(listLeft, kTitleTop, size.getWidth() - kPadding, kTitleTop + 22.),
	                        "A list of controls, overlay bar", kNormalFont));
	page->addView(makeControlList(CRect(listLeft, kViewsTop, size.getWidth() - kPadding, bottom), editor));
	return page;
}

} // namespace Kavrin::Demo
