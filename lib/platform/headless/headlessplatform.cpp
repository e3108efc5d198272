#include "lib/platform/headless/headlessplatform.h"

#include "lib/cdrawcontext.h"
#include "lib/cdropsource.h"
#include "lib/cframe.h"
#include "lib/dragging.h"
#include "lib/idatapackage.h"
#include "lib/platform/iplatformoptionmenu.h"
#include "lib/platform/iplatformstring.h"
#include "lib/platform/iplatformtextedit.h"
#include "lib/cbitmap.h"
#include "lib/platform/cairo/cairobitmap.h"
#include "lib/platform/cairo/cairodrawcontext.h"
#include "lib/platform/cairo/imagecodecs.h"
#include "lib/platform/cairo/cairosurface.h"
#include "lib/platform/cairo/cairoviewlayer.h"
#include "lib/platform/common/scrolledarea.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformframecallback.h"
#include "lib/platform/iplatformviewlayer.h"

#include <cmath>
#include <cstdio>

#include <algorithm>
#include <string>

namespace Kavrin {

// ---- Timers on the virtual clock ----

class HeadlessTimer : public IPlatformTimer
{
public:
	HeadlessTimer(HeadlessPlatform* platform, IPlatformTimerCallback* callback)
	: platform(platform), callback(callback)
	{
	}
	~HeadlessTimer() noexcept override { stop(); }

	bool start(uint32 fireTime) override
	{
		if (running)
			return false;
		running = true;
		interval = std::max<uint32>(fireTime, 1);
		due = uint64(platform->getTicks()) + interval;
		platform->schedule(this);
		return true;
	}

	bool stop() override
	{
		if (!running)
			return false;
		running = false;
		platform->unschedule(this);
		return true;
	}

	SharedPointer<HeadlessPlatform> platform;
	IPlatformTimerCallback* callback;
	bool running {false};
	uint32 interval {0};
	uint64 due {0};
	uint64 sequence {0};
};

HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() noexcept = default;

SharedPointer<IPlatformFrame> HeadlessPlatform::createFrame(IPlatformFrameCallback* frame,
                                                            const CRect& size, void* parent,
                                                            PlatformType, IPlatformFrameConfig*)
{
	return makeOwned<HeadlessFrame>(frame, size, parent);
}

SharedPointer<IPlatformTimer> HeadlessPlatform::createTimer(IPlatformTimerCallback* callback)
{
	return makeOwned<HeadlessTimer>(this, callback);
}

uint32 HeadlessPlatform::getTicks() const
{
	return now;
}

void HeadlessPlatform::schedule(HeadlessTimer* timer)
{
	timer->sequence = nextSequence++;
	running.push_back(timer);
}

void HeadlessPlatform::unschedule(HeadlessTimer* timer)
{
	running.erase(std::remove(running.begin(), running.end(), timer), running.end());
}

size_t HeadlessPlatform::getRunningTimerCount() const
{
	return running.size();
}

void HeadlessPlatform::advance(uint32 milliseconds)
{
	const uint64 target = uint64(now) + milliseconds;
	for (;;)
	{
		auto next = std::min_element(running.begin(), running.end(),
		                             [](const HeadlessTimer* a, const HeadlessTimer* b) {
			                             return a->due != b->due ? a->due < b->due
			                                                     : a->sequence < b->sequence;
		                             });
		if (next == running.end() || (*next)->due > target)
			break;
		// The timer may be released by its own callback: keep it for the call.
		SharedPointer<HeadlessTimer> timer = *next;
		// A callback may have advanced the clock itself: it never goes back.
		now = std::max(now, static_cast<uint32>(timer->due));
		timer->due += timer->interval;
		timer->callback->fire();
	}
	now = std::max(now, static_cast<uint32>(target));
}

// ---- Frame ----

HeadlessFrame::HeadlessFrame(IPlatformFrameCallback* callback, const CRect& size, void* parent)
: size(size), callback(callback), parent(parent), layers(makeOwned<CairoLayerCompositor>(this, 1.))
{
	makeSurface();
}

void HeadlessFrame::makeSurface()
{
	auto pixels = [this](double logical) { return static_cast<int32>(std::ceil(logical * scaleFactor)); };
	surface = CairoImageSurface::create(pixels(size.getWidth()), pixels(size.getHeight()), scaleFactor);
}

size_t HeadlessFrame::drawInvalidRects()
{
	auto rects = std::move(invalidRects);
	invalidRects.clear();
	for (const auto& rect : rects)
		drawRect(rect);
	return rects.size();
}

void HeadlessFrame::drawRect(const CRect& rect)
{
	if (!callback || !surface)
		return;
	// A handler may close the frame and release this platform frame.
	SharedPointer<HeadlessFrame> keepAlive = this;
	auto context = makeOwned<CairoDrawContext>(surface.get());
	{
		CairoLayerCompositor::PaintScope framePaint(*layers, context);
		context->clearBeforeDrawing(rect);
		callback->platformDrawRect(context, rect);
		layers->composite(*context, rect);
	}
	textEdits.draw(context, rect);
	paintedPixels += devicePixelsWithin(rect);
}

// The pixels a paint of rect touches: every one it covers even in part.
uint64 HeadlessFrame::devicePixelsWithin(const CRect& rect) const
{
	CRect pixels = CairoImageSurface::devicePixelsCovering(rect, scaleFactor);
	pixels.bound(CRect(0, 0, surface->getPixelWidth(), surface->getPixelHeight()));
	if (pixels.isEmpty())
		return 0;
	return uint64(pixels.getWidth()) * uint64(pixels.getHeight());
}

CairoImageSurface* HeadlessFrame::getSurface() const
{
	return surface;
}

bool HeadlessFrame::writePNG(const std::string& path) const
{
	return surface && surface->writePNG(path);
}

void HeadlessFrame::setScaleFactor(double newScaleFactor)
{
	if (newScaleFactor == scaleFactor || !(newScaleFactor > 0.))
		return;
	scaleFactor = newScaleFactor;
	makeSurface();
	layers->setScaleFactor(scaleFactor);
	if (callback)
		callback->platformScaleFactorChanged(scaleFactor);
}

HeadlessFrame::~HeadlessFrame() noexcept
{
	layers->detach();
}

bool HeadlessFrame::getGlobalPosition(CPoint& pos) const
{
	pos = globalPosition;
	return true;
}

bool HeadlessFrame::setSize(const CRect& newSize)
{
	if (!acceptsSize)
		return false;
	bool resized = newSize.getWidth() != size.getWidth() || newSize.getHeight() != size.getHeight();
	size = newSize;
	if (resized)
		makeSurface();
	return true;
}

bool HeadlessFrame::getSize(CRect& outSize) const
{
	outSize = size;
	return true;
}

bool HeadlessFrame::getCurrentMousePosition(CPoint& position) const
{
	position = mousePosition;
	return true;
}

bool HeadlessFrame::getCurrentMouseButtons(CButtonState& buttons) const
{
	buttons = mouseButtons;
	return true;
}

bool HeadlessFrame::setMouseCursor(CCursorType type)
{
	cursor = (type < kCursorDefault || type > kCursorCrosshair) ? kCursorDefault : type;
	++setCursorCalls;
	return true;
}

bool HeadlessFrame::invalidRect(const CRect& rect)
{
	invalidRects.push_back(rect);
	return true;
}

bool HeadlessFrame::scrollRect(const CRect& src, const CPoint& distance)
{
	scrolls.push_back({src, distance});
	if (!acceptsScroll || !surface)
		return false;
	if (distance == CPoint())
		return true;
	if (layers->declinesScrollOf(src))
		return false;
	auto scrolled = ScrolledArea::plan(src, distance, surface->getLogicalRect(), scaleFactor);
	if (!scrolled || !surface->scrollPixels(scrolled->left, scrolled->top, scrolled->right, scrolled->bottom,
	                                        scrolled->dx, scrolled->dy))
		return false;
	scrolled->moveAlong(invalidRects);
	for (const auto& rect : scrolled->uncoveredRects())
		invalidRects.push_back(rect);
	return true;
}

bool HeadlessFrame::showTooltip(const CRect& rect, const char* utf8Text)
{
	tooltipShown = true;
	tooltipRect = rect;
	tooltipText = utf8Text ? utf8Text : "";
	return true;
}

bool HeadlessFrame::hideTooltip()
{
	tooltipShown = false;
	return true;
}

void* HeadlessFrame::getPlatformRepresentation() const
{
	return nullptr;
}

SharedPointer<IPlatformTextEdit> HeadlessFrame::createPlatformTextEdit(IPlatformTextEditCallback* textEdit)
{
	if (textEditFactory)
		return textEditFactory(textEdit);
	if (!callback)
		return nullptr;
	return textEdits.create(textEdit, this);
}

SharedPointer<IPlatformOptionMenu> HeadlessFrame::createPlatformOptionMenu()
{
	return nullptr;
}

SharedPointer<IPlatformViewLayer> HeadlessFrame::createPlatformViewLayer(IPlatformViewLayerDelegate* drawDelegate,
                                                                        IPlatformViewLayer* parentLayer)
{
	if (closed)
		return nullptr;
	return layers->createLayer(drawDelegate, parentLayer);
}

SharedPointer<COffscreenContext> HeadlessFrame::createOffscreenContext(double width, double height,
                                                                      double scale)
{
	return CairoPlatform::createOffscreenContext(width, height, scale);
}

int32 HeadlessFrame::doDrag(IDataPackage* source, const CPoint& offset, CBitmap*)
{
	legacyDragData = source;
	legacyDragOffset = offset;
	return legacyDragResult;
}

bool HeadlessFrame::doDrag(const DragDescription& dragDescription,
                           const SharedPointer<IDragCallback>& callback)
{
	if (!acceptsDrags)
		return false;
	startedDrags.push_back(dragDescription);
	dragCallback = callback;
	return true;
}

bool HeadlessFrame::endDrag(DragOperation result, const CPoint& pos)
{
	auto callback = std::move(dragCallback);
	if (!callback)
		return false;
	callback->dragEnded(nullptr, pos, result);
	return true;
}

// A handler may close the frame, which releases this platform frame: each
// entry keeps it alive for the call.
DragEventData HeadlessFrame::incomingEvent(const CPoint& pos, CButtonState buttons) const
{
	return {incomingDrag.get(), pos, buttons};
}

DragOperation HeadlessFrame::dragEnter(const SharedPointer<IDataPackage>& data, const CPoint& pos,
                                       CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	incomingDrag = data;
	if (!callback)
		return DragOperation::None;
	return callback->platformOnDragEnter(incomingEvent(pos, buttons));
}

DragOperation HeadlessFrame::dragMove(const CPoint& pos, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	if (!callback)
		return DragOperation::None;
	return callback->platformOnDragMove(incomingEvent(pos, buttons));
}

// The package lives until the frame has seen the end of the drag, even when
// a handler starts another one meanwhile.
void HeadlessFrame::dragLeave(const CPoint& pos, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	auto data = std::move(incomingDrag);
	if (callback)
		callback->platformOnDragLeave({data.get(), pos, buttons});
}

bool HeadlessFrame::drop(const CPoint& pos, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	auto data = std::move(incomingDrag);
	return callback && callback->platformOnDrop({data.get(), pos, buttons});
}

namespace {

// The first text or binary item is what the clipboard keeps, and it ends the
// walk; paths are kept only when neither comes. Empty items are skipped.
// Truncated, not rounded, as the clipboard's own colour conversion does;
// out-of-range components are clamped so that each stays two digits.
int clipboardColorByte(double component)
{
	if (!(component > 0.)) // also NaN
		return 0;
	return static_cast<int>(std::min(component, 1.) * 255.);
}

} // namespace

void HeadlessFrame::setClipboard(const SharedPointer<IDataPackage>& data)
{
	clipboard = data ? CDropSource::forClipboard(*data) : nullptr;
}

void HeadlessFrame::putColorOnClipboard(double red, double green, double blue, double alpha)
{
	char text[16];
	int length = std::snprintf(text, sizeof(text), "#%02x%02x%02x%02x", clipboardColorByte(red),
	                           clipboardColorByte(green), clipboardColorByte(blue),
	                           clipboardColorByte(alpha));
	clipboard = CDropSource::create(text, static_cast<uint32>(length), IDataPackage::kText);
}

SharedPointer<IDataPackage> HeadlessFrame::getClipboard()
{
	return clipboard;
}

PlatformType HeadlessFrame::getPlatformType() const
{
	return kHeadless;
}

void HeadlessFrame::onFrameClosed()
{
	textEdits.detachAll();
	layers->detach();
	closed = true;
	callback = nullptr;
	idleRequested = false;
}

// ---- Text editing ----

bool HeadlessFrame::keyDown(MoxKeyCode key, std::string_view text)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	return textEdits.keyDown(key, text, [&] { return callback && callback->platformOnKeyDown(key); });
}

void HeadlessFrame::typeText(std::string_view utf8)
{
	for (size_t at = 0; at < utf8.size();)
	{
		size_t length = 1;
		while (at + length < utf8.size() && (static_cast<unsigned char>(utf8[at + length]) & 0xC0) == 0x80)
			++length;
		const auto first = static_cast<unsigned char>(utf8[at]);
		MoxKeyCode key;
		if (first == ' ')
			key.virt = kVKeySpace;
		else if (length == 1 && first >= 'A' && first <= 'Z')
			key = {first + ('a' - 'A'), 0, kModifierShift};
		else
			key.character = length == 1 ? first : 0;
		keyDown(key, utf8.substr(at, length));
		at += length;
	}
}

bool HeadlessFrame::mouseDown(CPoint where, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	return textEdits.mouseDown(where, buttons, [&] {
		return callback && isMouseHandled(callback->platformOnMouseDown(where, buttons));
	});
}

bool HeadlessFrame::mouseMoved(CPoint where, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	return textEdits.mouseMoved(where, buttons, [&] {
		return callback && isMouseHandled(callback->platformOnMouseMoved(where, buttons));
	});
}

bool HeadlessFrame::mouseUp(CPoint where, CButtonState buttons)
{
	SharedPointer<HeadlessFrame> keepAlive = this;
	return textEdits.mouseUp(where, buttons, [&] {
		return callback && isMouseHandled(callback->platformOnMouseUp(where, buttons));
	});
}

void HeadlessFrame::invalidTextEditRect(const CRect& rect)
{
	invalidRect(rect);
}

void HeadlessFrame::setClipboardText(const std::string& utf8)
{
	clipboard = TextEditRouter::packageWithText(utf8);
}

std::string HeadlessFrame::getClipboardText()
{
	return TextEditRouter::textIn(clipboard);
}

void HeadlessFrame::setPrimaryText(const std::string& utf8)
{
	primaryText = utf8;
}

std::string HeadlessFrame::getPrimaryText()
{
	return primaryText;
}

void HeadlessFrame::textEditCaretMoved(const CRect& caret)
{
	textEditCaret = caret;
}

void HeadlessFrame::wakeForIdle() noexcept
{
	idleRequested.store(true, std::memory_order_release);
}

bool HeadlessFrame::runPendingIdle()
{
	if (!idleRequested.exchange(false, std::memory_order_acq_rel))
		return false;
	if (auto frame = dynamic_cast<CFrame*>(callback))
		frame->idle();
	return true;
}

} // namespace Kavrin
