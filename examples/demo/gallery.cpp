#include "examples/demo/gallery.h"

#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"
#include "examples/demo/playground.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
// contexts, so it is made when the row first joins an open frame.
class BitmapRow : public KnobRow
{
public:
	BitmapRow(const CRect& size, DemoEditor& editor)
	: KnobRow(size, "Bitmap knobs: art drawn in code at 1x and 2x", CColor(120, 50, 40), editor)
	{
		handleKnob = add(new CKnob(nextKnobRect()), "Handle bitmap");
		handleKnob->setValue(0.3f);
		addStrip("Strip, 1x only", 0.55f, kPointerOneX, false);
		addStrip("Strip, 1x + 2x", 0.55f, kPointer, false);
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
		handleKnob->setBackground(KnobBitmaps::makeFace(frame, kKnobSide, KnobBitmaps::bothScales()));
		handleKnob->setHandleBitmap(KnobBitmaps::makeHandle(frame, 10., KnobBitmaps::bothScales()));
		const SharedPointer<CBitmap> art[kArtCount] = {
		    KnobBitmaps::makePointerStrip(frame, kKnobSide, kFrames, KnobBitmaps::onlyOneX()),
		    KnobBitmaps::makePointerStrip(frame, kKnobSide, kFrames, KnobBitmaps::bothScales()),
		    KnobBitmaps::makeLightRingStrip(frame, kKnobSide, kFrames, KnobBitmaps::bothScales()),
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

} // namespace

CFrame* buildGallery(DemoEditor& editor)
{
	auto frame = new CFrame(CRect(0, 0, 924, 500), &editor);
	frame->setBackgroundColor(CColor(24, 26, 32));
	frame->enableTooltips(true, 600);
	frame->addView(new Label(CRect(20, 12, 600, 40), "Kavrin knob gallery", kNormalFontVeryBig));
	frame->addView(new Label(CRect(480, 18, 904, 36), "Drag, turn the wheel or press the arrow keys on any knob",
	                         kNormalFontSmall, kNoteColor, kRightText));
	frame->addView(makeVectorRow(CRect(20, 50, 904, 186), editor));
	frame->addView(new BitmapRow(CRect(20, 196, 904, 332), editor));
	frame->addView(makeModeRow(CRect(20, 342, 540, 480), editor));
	frame->addView(new Playground(CRect(550, 342, 904, 480)));
	return frame;
}

} // namespace Kavrin::Demo
