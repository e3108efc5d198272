#include "examples/demo/gallery.h"

#include "examples/demo/animationpage.h"
#include "examples/demo/dragpage.h"
#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"
#include "examples/demo/layoutpage.h"
#include "examples/demo/playground.h"
#include "examples/demo/scrollpage.h"
#include "examples/demo/sliderpage.h"
#include "examples/demo/switchpage.h"
#include "examples/demo/textpage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace Kavrin::Demo {

namespace {

constexpr double kCellWidth = 96.;
constexpr double kKnobSide = 48.;
constexpr double kPadding = 10.;
constexpr double kTitleHeight = 34.;

const CColor kNoteColor {200, 205, 215};

// A disc under a vector knob, which draws only its arcs and handle.
class KnobFace : public CView
{
public:
	KnobFace(const CRect& size, const CColor& color) : CView(size), color(color) { setMouseEnabled(false); }

	void draw(CDrawContext* context) override
	{
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		context->drawEllipse(getViewSize(), kDrawFilled);
		setDirty(false);
	}

private:
	CColor color;
};

// A coloured panel with a title that lays knobs out in columns, each knob
// over its name and a label that follows its value.
class KnobRow : public CViewContainer
{
public:
	KnobRow(const CRect& size, const char* title, const CColor& background, DemoEditor& editor)
	: CViewContainer(size), editor(editor)
	{
		setBackgroundColor(background);
		addView(new Label(CRect(kPadding, 8, size.getWidth() - kPadding, 28), title, kNormalFontBig));
	}

	// Where a knob of the given side goes in the next column.
	CRect nextKnobRect(double side = kKnobSide) const
	{
		const double left = columnLeft(columns) + (kCellWidth - side) / 2.;
		return CRect(left, kTitleHeight, left + side, kTitleHeight + side);
	}

	// Takes the knob over into the next column, under the parameter name.
	template <typename Knob>
	Knob* add(Knob* knob, const char* name, ValueLabel::Format format = ValueLabel::percent)
	{
		const double left = columnLeft(columns++);
		knob->setTag(editor.addParameter(name));
		addView(knob);
		const double below = knob->getViewSize().bottom + 4.;
		addView(new Label(CRect(left, below, left + kCellWidth, below + 16), name, kNormalFontSmall, kNoteColor,
		                  kCenterText));
		addView(new ValueLabel(CRect(left, below + 16, left + kCellWidth, below + 32), knob, std::move(format)));
		return knob;
	}

	// A vector knob over a dark face.
	CKnob* addVector(int32 style, const char* name, float value, ValueLabel::Format format = ValueLabel::percent)
	{
		const CRect size = nextKnobRect();
		CRect face = size;
		face.inset(9., 9.);
		addView(new KnobFace(face, CColor(18, 34, 66)));
		auto knob = new CKnob(size, nullptr, 0, nullptr, nullptr, CPoint(), style);
		knob->setCoronaColor(CColor(110, 215, 255));
		knob->setColorShadowHandle(CColor(12, 24, 48));
		knob->setHandleLineWidth(style == 0 ? 2. : 3.);
		knob->setCoronaInset(3.);
		knob->setValue(value);
		return add(knob, name, std::move(format));
	}

	// Moves the next column to the right edge.
	void skipToLastColumn() { columns = int((getViewSize().getWidth() - 2. * kPadding) / kCellWidth) - 1; }

protected:
	static double columnLeft(int column) { return kPadding + column * kCellWidth; }

private:
	DemoEditor& editor;
	int columns {0};
};

std::string panorama(const CControl& control)
{
	const int percent = int(std::lround(control.getValue() * 100.f));
	if (percent == 0)
		return "C";
	char text[16];
	std::snprintf(text, sizeof(text), "%c %d", percent < 0 ? 'L' : 'R', std::abs(percent));
	return text;
}

std::string decibels(const CControl& control)
{
	char text[16];
	std::snprintf(text, sizeof(text), "%.1f dB", double(control.getValue()));
	return text;
}

// The frame of the strip the knob shows, counted from 1.
ValueLabel::Format frameOf(int32 frames, bool inverse = false)
{
	return [frames, inverse](const CControl& control) {
		float normalized = control.getValueNormalized();
		if (inverse)
			normalized = 1.f - normalized;
		char text[24];
		std::snprintf(text, sizeof(text), "frame %d of %d",
		              int(std::floor(normalized * float(frames - 1) + 0.0001f)) + 1, int(frames));
		return std::string(text);
	};
}

CViewContainer* makeVectorRow(const CRect& size, DemoEditor& editor)
{
	auto row = new KnobRow(size, "Vector knobs: every drawing style", CColor(30, 60, 110), editor);
	row->addVector(0, "Handle line", 0.15f);
	row->addVector(CKnob::kHandleCircleDrawing, "Handle dot", 0.35f);
	row->addVector(CKnob::kCoronaDrawing, "Corona", 0.6f);
	auto pan = row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaFromCenter, "From centre", 0.f, panorama);
	pan->setMin(-1.f);
	pan->setDefaultValue(0.f);
	pan->setValue(-0.4f);
	auto trim = row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaInverted, "Inverted", 0.f, decibels);
	trim->setMin(-48.f);
	trim->setMax(0.f);
	trim->setDefaultValue(0.f);
	trim->setValue(-30.f);
	row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaLineDashDot | CKnob::kCoronaLineCapButt, "Dash-dot", 0.8f);
	row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaOutline, "Outline", 0.45f);
	row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaOutline | CKnob::kCoronaLineCapButt, "Butt caps", 0.7f);
	row->addVector(CKnob::kCoronaDrawing | CKnob::kCoronaOutline | CKnob::kSkipHandleDrawing, "No handle", 0.9f);
	return row;
}

// The bitmap knobs. Their art is drawn with the frame's offscreen
// contexts, so it is set up when the row first joins an open frame; each
// frame of it is painted when first shown.
class BitmapRow : public KnobRow
{
public:
	BitmapRow(const CRect& size, DemoEditor& editor)
	: KnobRow(size, "Bitmap knobs: art drawn in code, frame by frame as shown", CColor(120, 50, 40),
	          editor)
	{
		handleKnob = add(new CKnob(nextKnobRect()), "Handle bitmap");
		handleKnob->setValue(0.3f);
		addStrip("Strip, 1x only", 0.55f, kPointerOneX, false);
		addStrip("Strip, any scale", 0.55f, kPointer, false);
		addStrip("Inverse strip", 0.25f, kPointer, true);
		addStrip("Light ring", 0.7f, kLightRing, false);

		const double left = columnLeft(5) + 10.;
		const char* notes[] = {
		    "The first two strips are one drawing. On a 2x display",
		    "the first shows its 1x pixels doubled; the second",
		    "brings 2x pixels of its own and stays sharp.",
		};
		double top = kTitleHeight + 4.;
		for (const char* note : notes)
		{
			addView(new Label(CRect(left, top, size.getWidth() - kPadding, top + 16), note, kNormalFontSmall,
			                  kNoteColor));
			top += 16.;
		}
	}

	bool attached(CView* parent) override
	{
		CFrame* frame = parent ? parent->getFrame() : nullptr;
		if (!madeArt && frame && frame->getPlatformFrame())
			makeArt(frame);
		return KnobRow::attached(parent);
	}

private:
	static constexpr int32 kFrames = 31;

	// The strips, each made once for the knobs that show it.
	enum Art : size_t
	{
		kPointerOneX,
		kPointer,
		kLightRing,
		kArtCount,
	};

	struct Strip
	{
		CAnimKnob* knob;
		Art art;
	};

	void addStrip(const char* name, float value, Art art, bool inverse)
	{
		auto knob = add(new CAnimKnob(nextKnobRect()), name, frameOf(kFrames, inverse));
		knob->setInverseBitmap(inverse);
		knob->setValue(value);
		strips.push_back({knob, art});
	}

	void makeArt(CFrame* frame)
	{
		madeArt = true;
		handleKnob->setBackground(KnobBitmaps::makeFace(frame, kKnobSide));
		handleKnob->setHandleBitmap(KnobBitmaps::makeHandle(frame, 10.));
		const SharedPointer<CBitmap> art[kArtCount] = {
		    KnobBitmaps::makePointerStrip(frame, kKnobSide, kFrames, 1.),
		    KnobBitmaps::makePointerStrip(frame, kKnobSide, kFrames),
		    KnobBitmaps::makeLightRingStrip(frame, kKnobSide, kFrames),
		};
		for (const auto& strip : strips)
			strip.knob->setBackground(art[strip.art]);
	}

	CKnob* handleKnob;
	std::vector<Strip> strips;
	bool madeArt {false};
};

CViewContainer* makeModeRow(const CRect& size, DemoEditor& editor)
{
	auto row = new KnobRow(size, "Knob modes", CColor(30, 90, 60), editor);
	row->addView(new ModeSwitch(CRect(kPadding, kTitleHeight, 190, kTitleHeight + 26), editor));
	auto status = new Label(CRect(200, kTitleHeight + 4, 380, kTitleHeight + 22), "No edit yet", kNormalFontSmall,
	                        CColor(250, 220, 140));
	row->addView(status);
	// A drag cut short by closing the frame ends its edit while the frame
	// takes its views down: the log keeps its label alive for that.
	editor.onEdit = [status = shared(status), &editor](int32 tag, bool editing) {
		status->setText((editing ? "Editing " : "Edited ") + editor.getParameterName(tag));
	};
	const char* notes[] = {
	    "Circular: the value follows the angle round the knob.",
	    "Linear: drag up or down, 200 pixels for the range.",
	    "Alt-drag switches circular/linear; Shift drags finely.",
	    "Ctrl-click or a double click restores the default.",
	};
	double top = kTitleHeight + 32.;
	for (const char* note : notes)
	{
		row->addView(new Label(CRect(kPadding, top, 380, top + 16), note, kNormalFontSmall, kNoteColor));
		top += 16.;
	}

	row->skipToLastColumn();
	auto knob = new CKnob(row->nextKnobRect(64.), nullptr, 0, nullptr, nullptr, CPoint(),
	                      CKnob::kCoronaDrawing | CKnob::kCoronaOutline | CKnob::kHandleCircleDrawing);
	knob->setCoronaColor(CColor(140, 240, 160));
	knob->setColorShadowHandle(CColor(12, 40, 24));
	knob->setHandleLineWidth(4.);
	knob->setCoronaInset(4.);
	knob->setValue(0.5f);
	row->add(knob, "Try me");
	return row;
}

// The knob page: every drawing style, the bitmap knobs, the knob modes and
// the playground, in the page area's coordinates.
CViewContainer* makeKnobPage(const CRect& size, DemoEditor& editor)
{
	auto page = new CViewContainer(size);
	page->setTransparency(true);
	const double width = size.getWidth();
	page->addView(makeVectorRow(CRect(0, 0, width, 136), editor));
	page->addView(new BitmapRow(CRect(0, 146, width, 282), editor));
	page->addView(makeModeRow(CRect(0, 292, 520, 430), editor));
	page->addView(new Playground(CRect(530, 292, width, 430)));
	return page;
}

// A button at the top of the gallery that shows its page and hides the
// others; the one whose page shows is lit.
class PageButton : public CView
{
public:
	PageButton(const CRect& size, const char* title, std::vector<CView*>& pages, size_t index)
	: CView(size), title(title), pages(pages), index(index)
	{
	}

	void draw(CDrawContext* context) override
	{
		const bool shown = pages[index]->isVisible();
		auto path = owned(context->createRoundRectGraphicsPath(getViewSize(), 6.));
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(shown ? CColor(70, 110, 170) : CColor(44, 48, 60));
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		context->setFont(kNormalFont);
		context->setFontColor(shown ? kWhiteCColor : kNoteColor);
		context->drawString(title, getViewSize(), kCenterText);
		setDirty(false);
	}

	CMouseEventResult onMouseDown(CPoint&, const CButtonState& buttons) override
	{
		if (!buttons.isLeftButton())
			return kMouseNotHandled;
		for (size_t i = 0; i < pages.size(); ++i)
			pages[i]->setVisible(i == index);
		// Every button shows whether its page is the one shown.
		if (auto parent = getParentView())
			parent->invalid();
		return kMouseDownHandledNoMoveOrUp;
	}

private:
	const char* title;
	std::vector<CView*>& pages;
	size_t index;
};

// The pages of the gallery, in the order of their buttons.
struct PageEntry
{
	const char* name;
	const char* title;
	CViewContainer* (*make)(const CRect&, DemoEditor&);
	double buttonWidth;
};

const PageEntry kPages[] = {
    {"knobs", "Knobs", makeKnobPage, 80.},
    {"sliders", "Sliders", makeSliderPage, 80.},
    {"switches", "Switches & buttons", makeSwitchPage, 150.},
    {"text", "Text", makeTextPage, 70.},
    {"dragdrop", "Drag & drop", makeDragPage, 110.},
    {"animation", "Animation", makeAnimationPage, 100.},
    {"scrolling", "Scrolling", makeScrollPage, 90.},
    {"layout", "Layout & layers", makeLayoutPage, 130.},
};

// The frame of the gallery: it keeps the list of its pages that the
// buttons share.
class GalleryFrame : public CFrame
{
public:
	using CFrame::CFrame;
	std::vector<CView*> pages;
};

} // namespace

std::vector<std::string> galleryPageNames()
{
	std::vector<std::string> names;
	for (const auto& page : kPages)
		names.emplace_back(page.name);
	return names;
}

CFrame* buildGallery(DemoEditor& editor, const std::string& firstPage)
{
	auto frame = new GalleryFrame(CRect(0, 0, 1060, 500), &editor);
	frame->setBackgroundColor(CColor(24, 26, 32));
	frame->enableTooltips(true, 600);
	frame->addView(new Label(CRect(20, 12, 160, 40), "Kavrin gallery", kNormalFontVeryBig));
	const CRect pageArea(20, 50, 1040, 480);
	double right = pageArea.right;
	for (size_t i = std::size(kPages); i-- > 0;)
	{
		const double width = kPages[i].buttonWidth;
		frame->addView(new PageButton(CRect(right - width, 12, right, 38), kPages[i].title, frame->pages, i));
		right -= width + 8.;
	}
	for (const auto& entry : kPages)
	{
		CViewContainer* page = entry.make(pageArea, editor);
		page->setVisible(entry.name == firstPage);
		frame->pages.push_back(page);
		frame->addView(page);
	}
	return frame;
}

} // namespace Kavrin::Demo
