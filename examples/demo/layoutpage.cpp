#include "examples/demo/layoutpage.h"

#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"

#include <cmath>
#include <iterator>
#include <string>

namespace Kavrin::Demo {

namespace {

using namespace Animation;

constexpr double kPadding = 10.;
constexpr double kColumnWidth = 270.;
constexpr double kTop = 30.;

const CColor kNoteColor {200, 205, 215};
const CColor kPanelColor {34, 37, 46};
const CColor kAccent {255, 176, 64};
const CColor kChipColors[] = {{70, 110, 170}, {255, 176, 64}, {96, 170, 110}, {190, 90, 120}, {150, 120, 200}};

double columnLeft(int column)
{
	return kPadding + column * (kColumnWidth + 2. * kPadding);
}

// A rounded coloured chip with its number.
class Chip : public CView
{
public:
	Chip(const CRect& size, CColor color, int number) : CView(size), color(color), caption(std::to_string(number))
	{
		setMouseEnabled(false);
	}

	void draw(CDrawContext* context) override
	{
		auto path = owned(context->createRoundRectGraphicsPath(getViewSize(), 6.));
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		context->setFont(kNormalFont);
		context->setFontColor(kWhiteCColor);
		context->drawString(("Chip " + caption).c_str(), getViewSize(), kCenterText);
		setDirty(false);
	}

private:
	CColor color;
	std::string caption;
};

// Draws a bitmap at its own size in the middle of the view.
class BitmapView : public CView
{
public:
	BitmapView(const CRect& size, CBitmap* bitmap) : CView(size), bitmap(bitmap) { setMouseEnabled(false); }

	void draw(CDrawContext* context) override
	{
		if (bitmap)
		{
			const CPoint size = bitmap->getSize();
			CRect place(CPoint(), size);
			place.offset(getViewSize().left + std::floor((getViewSize().getWidth() - size.x) / 2.),
			             getViewSize().top + std::floor((getViewSize().getHeight() - size.y) / 2.));
			context->drawBitmap(bitmap, place);
		}
		setDirty(false);
	}

private:
	SharedPointer<CBitmap> bitmap;
};

SharedPointer<CGradient> makeGradient(const CColor& from, const CColor& to)
{
	return owned(CGradient::create(0., 1., from, to));
}

// ---- Row/column ----

void addChipColumn(CViewContainer& page)
{
	const double left = columnLeft(0);
	page.addView(new Label(CRect(left, 0, left + kColumnWidth, 20), "Row/column layout", kNormalFontBig));
	auto column = new CRowColumnView(CRect(left, kTop, left + 170., kTop + 260.), CRowColumnView::kRowStyle,
	                                 CRowColumnView::kStretchEqualy, 6., CRect(8, 8, 8, 8));
	column->setBackgroundColor(kPanelColor);
	column->setAnimateViewResizing(true);
	column->setHideClippedSubviews(true);
	// The first chips start where the layout puts them: only later changes
	// glide.
	for (int i = 0; i < 3; ++i)
		column->addView(new Chip(CRect(8, 8 + i * 36., 162, 38 + i * 36.), kChipColors[i], i + 1));
	page.addView(column);
	auto count = std::make_shared<int>(3);
	const double buttons = left + 180.;
	page.addView(new ActionButton(CRect(buttons, kTop, buttons + 80., kTop + 24.), "Add", [column, count] {
		// New chips go on top, so that the others glide down.
		++*count;
		column->addView(new Chip(CRect(0, 0, 100, 30), kChipColors[*count % std::size(kChipColors)], *count),
		                column->getView(0));
	}));
	page.addView(new ActionButton(CRect(buttons, kTop + 32., buttons + 80., kTop + 56.), "Remove", [column] {
		if (CView* first = column->getView(0))
			column->removeView(first);
	}));
}

// ---- Shadow and gradients ----

void addShadowAndGradients(CViewContainer& page)
{
	const double left = columnLeft(1);
	page.addView(new Label(CRect(left, 0, left + kColumnWidth, 20), "Shadow and gradients", kNormalFontBig));

	auto shadow = new CShadowViewContainer(CRect(left, kTop, left + kColumnWidth, kTop + 130.));
	shadow->setShadowOffset(CPoint(5, 7));
	shadow->setShadowIntensity(0.6f);
	shadow->setShadowBlurSize(8.);
	auto card = new CGradientView(CRect(12, 10, kColumnWidth - 24., 108));
	card->setGradient(makeGradient(CColor(92, 120, 190), CColor(40, 52, 96)));
	card->setGradientAngle(0.);
	card->setRoundRectRadius(12.);
	card->setFrameColor(CColor(150, 170, 230));
	shadow->addView(card);
	shadow->addView(new Label(CRect(24, 20, kColumnWidth - 36., 44), "A card over its shadow", kNormalFontBig));
	shadow->addView(new Label(CRect(24, 50, kColumnWidth - 36., 90),
	                          "offset (5, 7), intensity 0.6, blurred 8", kNormalFontSmall, kNoteColor));
	page.addView(shadow);

	const double top = kTop + 145.;
	auto linear = new CGradientView(CRect(left, top, left + 125., top + 115.));
	linear->setGradient(makeGradient(kAccent, CColor(190, 90, 120)));
	linear->setGradientAngle(45.);
	linear->setRoundRectRadius(8.);
	linear->setFrameWidth(-1.);
	linear->setFrameColor(kWhiteCColor);
	page.addView(linear);
	auto radial = new CGradientView(CRect(left + 145., top, left + kColumnWidth, top + 115.));
	radial->setGradientStyle(CGradientView::kRadialGradient);
	radial->setGradient(makeGradient(CColor(240, 250, 255), CColor(20, 60, 110)));
	radial->setRadialCenter(CPoint(0.35, 0.35));
	radial->setRadialRadius(0.9);
	radial->setRoundRectRadius(58.);
	radial->setFrameWidth(0.);
	page.addView(radial);
}

// ---- Layers ----

// A knob panel in a layer of its own, and a badge over it in another that
// fades in and out: fading only composites the two layers again, the
// knobs are not drawn.
void addLayers(CViewContainer& page, DemoEditor& editor)
{
	const double left = columnLeft(2);
	page.addView(new Label(CRect(left, 0, left + kColumnWidth, 20), "Layers", kNormalFontBig));
	auto knobs = new CLayeredViewContainer(CRect(left, kTop, left + kColumnWidth, kTop + 200.));
	knobs->setBackgroundColor(kPanelColor);
	knobs->setZIndex(0);
	for (int i = 0; i < 12; ++i)
	{
		const double x = 14. + (i % 4) * 62.;
		const double y = 14. + (i / 4) * 62.;
		auto knob = new CKnob(CRect(x, y, x + 50., y + 50.), nullptr, editor.addParameter("Layer knob"), nullptr,
		                      nullptr, CPoint(), CKnob::kCoronaDrawing | CKnob::kCoronaOutline);
		knob->setCoronaColor(kAccent);
		knob->setValue(float(i) / 11.f);
		knobs->addView(knob);
	}
	// Added first, the badge still shows on top: its z-index is higher.
	auto badge = new CLayeredViewContainer(CRect(left + 150., kTop + 140., left + kColumnWidth - 10., kTop + 190.));
	badge->setBackgroundColor(CColor(255, 176, 64, 230));
	badge->setZIndex(1);
	badge->addView(new Label(CRect(0, 0, kColumnWidth - 160., 50), "Badge", kNormalFontBig, CColor(30, 30, 30),
	                         kCenterText));
	page.addView(badge);
	page.addView(knobs);
	auto shown = std::make_shared<bool>(true);
	page.addView(new ActionButton(CRect(left, kTop + 210., left + 120., kTop + 234.), "Fade badge", [badge, shown] {
		*shown = !*shown;
		badge->addAnimation("BadgeFade", new AlphaValueAnimation(*shown ? 1.f : 0.15f, true),
		                    new LinearTimingFunction(400));
	}));
}

// ---- Filters ----

// The picture the filters work on: a sky, a sun and hills, painted at the
// frame's scale.
void paintPicture(CDrawContext& context, const CPoint& size)
{
	context.setFillColor(CColor(40, 60, 120));
	context.drawRect(CRect(CPoint(), size), kDrawFilled);
	context.setFillColor(CColor(255, 210, 90));
	context.drawEllipse(CRect(size.x * 0.55, size.y * 0.12, size.x * 0.85, size.y * 0.52), kDrawFilled);
	context.setFillColor(CColor(70, 150, 90));
	context.drawEllipse(CRect(-size.x * 0.3, size.y * 0.55, size.x * 0.7, size.y * 1.5), kDrawFilled);
	context.setFillColor(CColor(40, 110, 70));
	context.drawEllipse(CRect(size.x * 0.35, size.y * 0.65, size.x * 1.3, size.y * 1.6), kDrawFilled);
}

// Applies a filter and hands back its output (null when it fails). In
// place keeps the input's scale; a scaling filter makes a new bitmap,
// given the input's scale so that it shows at its logical size.
SharedPointer<CBitmap> applyFilter(const char* name, CBitmap* input, bool inPlace,
                                   const std::function<void(BitmapFilter::IFilter&)>& configure)
{
	auto filter = owned(BitmapFilter::Factory::getInstance().createFilter(name));
	if (!filter || !input)
		return nullptr;
	filter->setProperty("InputBitmap", BitmapFilter::Property(static_cast<IReference*>(input)));
	configure(*filter);
	if (!filter->run(inPlace))
		return nullptr;
	SharedPointer<CBitmap> output = dynamic_cast<CBitmap*>(filter->getProperty("OutputBitmap").getObject());
	if (output && !inPlace)
	{
		const double scale = input->getPlatformBitmap()->getScaleFactor();
		output->getPlatformBitmap()->setScaleFactor(scale);
	}
	return output;
}

// Builds its pictures once it is in a frame, at the frame's scale.
class FilterStrip : public CViewContainer
{
public:
	explicit FilterStrip(const CRect& size) : CViewContainer(size) { setTransparency(true); }

	bool attached(CView* parent) override
	{
		if (!CViewContainer::attached(parent))
			return false;
		if (!built)
			build();
		return true;
	}

private:
	static constexpr double kCell = 120.;
	static constexpr CPoint kPicture {96., 64.};

	void build()
	{
		built = true;
		const double scale = std::max(1., std::round(getFrame()->getScaleFactor()));
		auto picture = [&](const CPoint& size) {
			return KnobBitmaps::paintArt(getFrame(), size, {scale},
			                             [size](CDrawContext& context) { paintPicture(context, size); });
		};
		using BitmapFilter::IFilter;
		using BitmapFilter::Property;
		add(0, "Original", picture(kPicture));
		add(1, "Box Blur", applyFilter("Box Blur", picture(kPicture), true, [](IFilter& filter) {
			    filter.setProperty("Radius", Property(int32(6)));
		    }));
		add(2, "Grayscale", applyFilter("Grayscale", picture(kPicture), true, [](IFilter&) {}));
		add(3, "Set Color", applyFilter("Set Color", picture(kPicture), true, [](IFilter& filter) {
			    filter.setProperty("InputColor", Property(kAccent));
		    }));
		add(4, "Replace Color", applyFilter("Replace Color", picture(kPicture), true, [](IFilter& filter) {
			    // The sky goes: only its exact colour is replaced.
			    filter.setProperty("InputColor", Property(CColor(40, 60, 120)));
			    filter.setProperty("OutputColor", Property(CColor(0, 0, 0, 0)));
		    }));
		const CRect half(0, 0, kPicture.x / 2. * scale, kPicture.y / 2. * scale);
		add(5, "Scale Linear (1/2)", applyFilter("Scale Linear", picture(kPicture), false, [half](IFilter& filter) {
			    filter.setProperty("OutputRect", Property(half));
		    }));
		const CRect full(0, 0, kPicture.x * scale, kPicture.y * scale);
		add(6, "Scale Biliniear (x4)",
		    applyFilter("Scale Biliniear", picture(CPoint(kPicture.x / 4., kPicture.y / 4.)), false,
		                [full](IFilter& filter) { filter.setProperty("OutputRect", Property(full)); }));
	}

	void add(int index, const char* name, const SharedPointer<CBitmap>& bitmap)
	{
		const double left = index * kCell;
		addView(new BitmapView(CRect(left, 0, left + kCell - 8., kPicture.y + 4.), bitmap));
		addView(new Label(CRect(left, kPicture.y + 8., left + kCell - 8., kPicture.y + 24.), name, kNormalFontSmall,
		                  kNoteColor, kCenterText));
	}

	bool built {false};
};

void addFilters(CViewContainer& page, const CRect& size)
{
	const double top = size.getHeight() - 122.;
	page.addView(new Label(CRect(kPadding, top, size.getWidth(), top + 20.), "Bitmap filters", kNormalFontBig));
	page.addView(new FilterStrip(CRect(kPadding, top + 26., size.getWidth() - kPadding, size.getHeight())));
}

} // namespace

CViewContainer* makeLayoutPage(const CRect& size, DemoEditor& editor)
{
	auto page = new CViewContainer(size);
	page->setTransparency(true);
	addChipColumn(*page);
	addShadowAndGradients(*page);
	addLayers(*page, editor);
	addFilters(*page, size);
	return page;
}

} // namespace Kavrin::Demo
