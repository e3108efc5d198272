#include "examples/demo/dragpage.h"

#include "examples/demo/knobbitmaps.h"
#include "examples/demo/labels.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Demo {

namespace {

constexpr double kPadding = 10.;
constexpr double kTitleHeight = 32.;

const CColor kNoteColor {200, 205, 215};
const CColor kPanelColor {34, 37, 46};
const CColor kAccent {255, 176, 64};

void fillRoundRect(CDrawContext& context, const CRect& rect, double radius, const CColor& fill)
{
	auto path = owned(context.createRoundRectGraphicsPath(rect, radius));
	if (!path)
		return;
	context.setDrawMode(kAntiAliasing);
	context.setFillColor(fill);
	context.drawGraphicsPath(path, CDrawContext::kPathFilled);
}

// What a package holds, one line per item.
std::vector<std::string> describe(IDataPackage& package)
{
	std::vector<std::string> lines;
	for (uint32 i = 0; i < package.getCount(); ++i)
	{
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		const uint32 size = package.getData(i, bytes, type);
		const std::string data(static_cast<const char*>(bytes), bytes ? size : 0);
		switch (type)
		{
			case IDataPackage::kText: lines.push_back("Text: " + data); break;
			case IDataPackage::kFilePath: lines.push_back("File: " + data); break;
			case IDataPackage::kBinary: lines.push_back("Binary: " + std::to_string(size) + " bytes"); break;
			default: break;
		}
	}
	return lines;
}

bool holdsTextOrFiles(IDataPackage* package)
{
	if (!package)
		return false;
	for (uint32 i = 0; i < package->getCount(); ++i)
	{
		const auto type = package->getDataType(i);
		if (type == IDataPackage::kText || type == IDataPackage::kFilePath)
			return true;
	}
	return false;
}

// Takes dropped text and file lists and lists what arrived; lights up while
// a drag it would take is over it.
class DropSwatch : public CView
{
public:
	explicit DropSwatch(const CRect& size) : CView(size)
	{
		setDropTarget(makeOwned<DropTargetAdapter<DropSwatch>>(this));
	}

	DragOperation onDragEnter(DragEventData data)
	{
		setHighlighted(holdsTextOrFiles(data.drag));
		return highlighted ? DragOperation::Copy : DragOperation::None;
	}
	DragOperation onDragMove(DragEventData data) { return onDragEnter(data); }
	void onDragLeave(DragEventData) { setHighlighted(false); }
	bool onDrop(DragEventData data)
	{
		setHighlighted(false);
		if (!holdsTextOrFiles(data.drag))
			return false;
		lines = describe(*data.drag);
		invalid();
		return true;
	}

	void draw(CDrawContext* context) override
	{
		const CRect& size = getViewSize();
		fillRoundRect(*context, size, 8., highlighted ? CColor(60, 52, 36) : kPanelColor);
		context->setFrameColor(highlighted ? kAccent : CColor(90, 96, 112));
		context->setLineWidth(highlighted ? 2. : 1.);
		context->setLineStyle(kLineOnOffDash);
		auto path = owned(context->createRoundRectGraphicsPath(CRect(size).inset(2., 2.), 7.));
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathStroked);
		context->setLineStyle(kLineSolid);
		context->setFont(kNormalFontSmall);
		context->setFontColor(kNoteColor);
		CRect line(size.left + 12., size.top + 10., size.right - 12., size.top + 26.);
		if (lines.empty())
			context->drawString("Drop text or files here", line, kLeftText);
		for (const auto& text : lines)
		{
			if (line.bottom > size.bottom - 8.)
				break;
			context->drawString(text.c_str(), line, kLeftText);
			line.offset(0., 16.);
		}
		setDirty(false);
	}

private:
	void setHighlighted(bool state)
	{
		if (state != highlighted)
		{
			highlighted = state;
			invalid();
		}
	}

	std::vector<std::string> lines;
	bool highlighted {false};
};

const char* operationName(DragOperation operation)
{
	switch (operation)
	{
		case DragOperation::Copy: return "copied";
		case DragOperation::Move: return "moved";
		default: return "refused";
	}
}

// A tile to drag out to other programs. It carries a line of text and
// shows its own picture under the mouse while it travels; the note says
// how the last drag ended.
class DragTile : public CView
{
public:
	DragTile(const CRect& size, SharedPointer<Label> note) : CView(size), note(std::move(note)) {}

	void draw(CDrawContext* context) override
	{
		paintTile(*context, getViewSize());
		setDirty(false);
	}

	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override
	{
		if (!buttons.isLeftButton())
			return kMouseNotHandled;
		pressedAt = where;
		return kMouseHandled;
	}

	CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override
	{
		if (!buttons.isLeftButton())
			return kMouseNotHandled;
		if (std::max(std::abs(where.x - pressedAt.x), std::abs(where.y - pressedAt.y)) < 4.)
			return kMouseHandled;
		startDrag(where);
		return kMouseHandled;
	}

private:
	// Hears how a drag ended, for the note.
	class Watcher : public IDragCallback, public NonAtomicReferenceCounted
	{
	public:
		explicit Watcher(SharedPointer<Label> note) : note(std::move(note)) {}
		void dragWillBegin(IDraggingSession*, const CPoint&) override { note->setText("Dragging..."); }
		void dragMoved(IDraggingSession*, const CPoint&) override {}
		void dragEnded(IDraggingSession*, const CPoint&, DragOperation result) override
		{
			note->setText(std::string("Last drag: ") + operationName(result));
		}

	private:
		SharedPointer<Label> note;
	};

	static void paintTile(CDrawContext& context, const CRect& rect)
	{
		fillRoundRect(context, rect, 10., CColor(70, 110, 170));
		CRect inner(rect);
		inner.inset(rect.getWidth() / 4., rect.getHeight() / 4.);
		fillRoundRect(context, inner, 6., kAccent);
		context.setFont(kNormalFontSmall);
		context.setFontColor(kWhiteCColor);
		context.drawString("Drag me", CRect(rect.left, rect.bottom - 18., rect.right, rect.bottom - 4.),
		                   kCenterText);
	}

	void startDrag(const CPoint& where)
	{
		static const char text[] = "A tile dragged out of Kavrin";
		DragDescription description;
		description.data = CDropSource::create(text, sizeof(text) - 1, IDataPackage::kText);
		const CPoint size(getViewSize().getWidth(), getViewSize().getHeight());
		description.bitmap = KnobBitmaps::paintArt(getFrame(), size, {1., 2.}, [&](CDrawContext& context) {
			paintTile(context, CRect(0., 0., size.x, size.y));
		});
		// The picture hangs from the mouse where the tile was taken.
		description.bitmapOffset = CPoint(getViewSize().left - where.x, getViewSize().top - where.y);
		if (!doDrag(description, makeOwned<Watcher>(note)))
			note->setText("This window cannot start a drag now");
	}

	SharedPointer<Label> note;
	CPoint pressedAt;
};

// A field whose text the Copy button puts on the clipboard; Paste shows
// what the clipboard holds.
void addClipboardPanel(CViewContainer& page, const CRect& area)
{
	page.addView(new Label(CRect(area.left, area.top, area.right, area.top + 20.), "Clipboard", kNormalFontBig));
	auto field = new CTextEdit(CRect(area.left, area.top + 30., area.right, area.top + 54.), nullptr, -1,
	                           "Copy me, or type something");
	field->setBackColor(CColor(16, 18, 24));
	field->setFrameColor(CColor(90, 96, 112));
	field->setHoriAlign(kLeftText);
	field->setTextInset(CPoint(6., 0.));
	page.addView(field);
	auto pasted = new Label(CRect(area.left, area.top + 96., area.right, area.top + 114.),
	                        "Paste shows the clipboard here", kNormalFontSmall, kNoteColor);
	page.addView(pasted);
	const double buttonTop = area.top + 62.;
	page.addView(new ActionButton(CRect(area.left, buttonTop, area.left + 80., buttonTop + 24.), "Copy",
	                              [field] {
		                              if (CFrame* frame = field->getFrame())
		                              {
			                              const std::string text = field->getText().getString();
			                              frame->setClipboard(CDropSource::create(
			                                  text.data(), uint32(text.size()), IDataPackage::kText));
		                              }
	                              }));
	page.addView(new ActionButton(CRect(area.left + 90., buttonTop, area.left + 170., buttonTop + 24.), "Paste",
	                              [pasted] {
		                              CFrame* frame = pasted->getFrame();
		                              auto content = frame ? frame->getClipboard() : nullptr;
		                              const auto lines = content ? describe(*content) : std::vector<std::string>();
		                              pasted->setText(lines.empty() ? "The clipboard is empty" : lines.front());
	                              }));
}

class DragPage : public CViewContainer
{
public:
	explicit DragPage(const CRect& size) : CViewContainer(size)
	{
		setBackgroundColor(CColor(28, 30, 38));
		const double width = size.getWidth();
		addClipboardPanel(*this, CRect(kPadding, kPadding, kPadding + 300., 150.));

		const double swatchLeft = kPadding + 330.;
		addView(new Label(CRect(swatchLeft, kPadding, swatchLeft + 300., kPadding + 20.), "Drop here",
		                  kNormalFontBig));
		addView(new DropSwatch(CRect(swatchLeft, kTitleHeight + 8., swatchLeft + 300., 260.)));

		const double tileLeft = swatchLeft + 330.;
		addView(new Label(CRect(tileLeft, kPadding, width - kPadding, kPadding + 20.), "Drag out",
		                  kNormalFontBig));
		auto note = new Label(CRect(tileLeft, 150., width - kPadding, 168.), "Drag the tile anywhere",
		                      kNormalFontSmall, kNoteColor);
		addView(new DragTile(CRect(tileLeft, kTitleHeight + 8., tileLeft + 96., kTitleHeight + 104.), note));
		addView(note);
	}
};

} // namespace

CViewContainer* makeDragPage(const CRect& size, DemoEditor&)
{
	return new DragPage(size);
}

} // namespace Kavrin::Demo
