#pragma once

#include "lib/cframeobservers.h"
#include "lib/cviewcontainer.h"
#include "lib/iviewcontainerlistener.h"

namespace Kavrin {

// A container that shows its children over a drop shadow of themselves. The
// children are drawn once into an offscreen image (at the scale they are
// shown at), which is blurred and then drawn under them, moved by the
// shadow offset and faded by the shadow intensity. The image is kept until
// something changes what it shows: a child added, removed, reordered or
// resized, the container's size, the scale factor or a shadow setting. A
// child that only changes how it looks leaves the image as it was; call
// invalidateShadow() then.
//
// The shadow image is the container's background bitmap.
class CShadowViewContainer : public CViewContainer,
                             public ViewContainerListenerAdapter,
                             public IScaleFactorChangedListener
{
public:
	explicit CShadowViewContainer(const CRect& size);
	~CShadowViewContainer() noexcept override;

	// Where the shadow lies relative to the children.
	void setShadowOffset(const CPoint& offset);
	const CPoint& getShadowOffset() const { return shadowOffset; }
	// The shadow's opacity, 0 to 1.
	void setShadowIntensity(float intensity);
	float getShadowIntensity() const { return shadowIntensity; }
	// The width of the blur in units; below 2 the shadow is not blurred.
	void setShadowBlurSize(double size);
	double getShadowBlurSize() const { return shadowBlurSize; }
	// Has the shadow image made again on the next draw.
	void invalidateShadow();

	void drawRect(CDrawContext* context, const CRect& updateRect) override;
	void drawBackgroundRect(CDrawContext* context, const CRect& rect) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	void beforeDelete() override;
	NotifyResult notify(CBaseObject* sender, const char* message) override;
	void onScaleFactorChanged(CFrame* frame, double newScaleFactor) override;
	void viewContainerViewAdded(CViewContainer* container, CView* view) override;
	void viewContainerViewRemoved(CViewContainer* container, CView* view) override;
	void viewContainerViewZOrderChanged(CViewContainer* container, CView* view) override;

private:
	// The device pixels per unit the container is drawn at through context;
	// 0 when it is drawn too small for a shadow.
	static double shadowScaleIn(CDrawContext& context);
	void renderShadow(double scale);
	void blurShadow(CBitmap* image) const;
	void unregisterScaleListener();

	bool dontDrawBackground {false};
	CPoint shadowOffset;
	float shadowIntensity {0.3f};
	double shadowBlurSize {4.};
	double scaleFactorUsed {0.};
	// The frame this container listens to for scale changes (not owned).
	CFrame* scaleListenerFrame {nullptr};
};

} // namespace Kavrin
