#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/platform/platformtypes.h"
#include "lib/reference.h"

namespace Kavrin {

class CBitmap;
class COffscreenContext;
class IDataPackage;
class IDragCallback;
class IPlatformFrameCallback;
class IPlatformOptionMenu;
class IPlatformTextEdit;
class IPlatformTextEditCallback;
class IPlatformViewLayer;
class IPlatformViewLayerDelegate;
struct DragDescription;

// The native view a CFrame is bound to. Created by the installed platform;
// delivers every event to its callback until the frame closes. Boolean
// results report success.
class IPlatformFrame : public AtomicReferenceCounted
{
public:
	// A platform view that is a child of parent, sized to size; null when
	// the platform cannot make one (or none is installed).
	static SharedPointer<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback* frame,
	                                                         const CRect& size, void* parent,
	                                                         PlatformType type,
	                                                         IPlatformFrameConfig* config = nullptr);
	// A monotonic millisecond counter (any origin); 0 without a platform.
	static uint32 getTicks();

	~IPlatformFrame() noexcept override = default;

	// In screen coordinates.
	virtual bool getGlobalPosition(CPoint& pos) const = 0;
	virtual bool setSize(const CRect& newSize) = 0;
	virtual bool getSize(CRect& size) const = 0;
	// In the view's coordinates, y down.
	virtual bool getCurrentMousePosition(CPoint& mousePosition) const = 0;
	virtual bool getCurrentMouseButtons(CButtonState& buttons) const = 0;
	virtual bool setMouseCursor(CCursorType type) = 0;
	// Rects arrive rounded to whole units; each leads to platformDrawRect.
	virtual bool invalidRect(const CRect& rect) = 0;
	// Moves the pixels inside src (whole units) by distance: what leaves src
	// is dropped, what it leaves uncovered is drawn again, and rects waiting
	// to be drawn inside src move along. False, with nothing changed, when
	// the platform cannot (the caller then redraws src).
	virtual bool scrollRect(const CRect& src, const CPoint& distance) = 0;
	virtual bool showTooltip(const CRect& rect, const char* utf8Text) = 0;
	virtual bool hideTooltip() = 0;
	virtual void* getPlatformRepresentation() const = 0;
	virtual SharedPointer<IPlatformTextEdit> createPlatformTextEdit(IPlatformTextEditCallback* textEdit) = 0;
	virtual SharedPointer<IPlatformOptionMenu> createPlatformOptionMenu() = 0;
	virtual SharedPointer<IPlatformViewLayer> createPlatformViewLayer(IPlatformViewLayerDelegate* drawDelegate,
	                                                                  IPlatformViewLayer* parentLayer = nullptr) = 0;
	virtual SharedPointer<COffscreenContext> createOffscreenContext(double width, double height,
	                                                                double scaleFactor = 1.) = 0;
	// The older drag entry; a platform drag result code.
	virtual int32 doDrag(IDataPackage* source, const CPoint& offset, CBitmap* dragBitmap) = 0;
	virtual bool doDrag(const DragDescription& dragDescription,
	                    const SharedPointer<IDragCallback>& callback) = 0;
	virtual void setClipboard(const SharedPointer<IDataPackage>& data) = 0;
	virtual SharedPointer<IDataPackage> getClipboard() = 0;
	virtual PlatformType getPlatformType() const = 0;
	// Told just before the frame releases the platform frame; no callback
	// reaches the frame afterwards.
	virtual void onFrameClosed() = 0;
	// Has the frame's idle() run soon on the main thread. Nothing polls for
	// dirty views: this is how they reach the screen. Any thread may call
	// it; it neither locks nor allocates. Calls before the run fold into it.
	virtual void wakeForIdle() noexcept = 0;
};

} // namespace Kavrin
