#include "lib/cshadowviewcontainer.h"

#include "lib/cbitmapfilter.h"
#include "lib/cdrawcontext.h"
#include "lib/cframe.h"
#include "lib/messages.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Kavrin {

CShadowViewContainer::CShadowViewContainer(const CRect& size) : CViewContainer(size)
{
	registerViewContainerListener(this);
}

CShadowViewContainer::~CShadowViewContainer() noexcept = default;

void CShadowViewContainer::setShadowOffset(const CPoint& offset)
{
	if (shadowOffset == offset)
		return;
	shadowOffset = offset;
	invalidateShadow();
}

void CShadowViewContainer::setShadowIntensity(float intensity)
{
	if (shadowIntensity == intensity)
		return;
	shadowIntensity = intensity;
	invalid();
}

void CShadowViewContainer::setShadowBlurSize(double size)
{
	if (shadowBlurSize == size)
		return;
	shadowBlurSize = size;
	invalidateShadow();
}

void CShadowViewContainer::invalidateShadow()
{
	scaleFactorUsed = 0.;
	invalid();
}

// ---- Drawing ----

double CShadowViewContainer::shadowScaleIn(CDrawContext& context)
{
	double scale = context.getScaleFactor();
	const CGraphicsTransform& transform = context.getCurrentTransform();
	if (transform.m11 == transform.m22)
		scale *= std::floor(transform.m11 + 0.5);
	return scale;
}

void CShadowViewContainer::drawRect(CDrawContext* context, const CRect& updateRect)
{
	if (!context)
		return;
	SharedPointer<CView> keepAlive = this;
	const double scale = shadowScaleIn(*context);
	if (scale > 0. && scale != scaleFactorUsed)
		renderShadow(scale);
	CViewContainer::drawRect(context, updateRect);
}

void CShadowViewContainer::renderShadow(double scale)
{
	const CRect size = getViewSize();
	CFrame* frame = getFrame();
	if (size.getWidth() < 1. || size.getHeight() < 1. || !frame || !frame->getPlatformFrame())
		return;
	scaleFactorUsed = scale;
	auto offscreen = COffscreenContext::create(frame, size.getWidth(), size.getHeight(), scale);
	if (!offscreen)
		return;
	offscreen->beginDraw();
	{
		// The container draws at its own origin: taking that back puts its
		// top-left at the image's, and the offset moves the children from
		// there to where their shadow lies.
		const CPoint shift = shadowOffset - size.getTopLeft();
		CDrawContext::Transform transform(*offscreen, CGraphicsTransform::translation(shift.x, shift.y));
		dontDrawBackground = true;
		CViewContainer::drawRect(offscreen, getViewSize());
		dontDrawBackground = false;
	}
	offscreen->endDraw();
	blurShadow(offscreen->getBitmap());
	setBackground(offscreen->getBitmap());
}

void CShadowViewContainer::blurShadow(CBitmap* image) const
{
	// The box blur refuses a width of 1 or less (no blur then). Beyond twice
	// the image's larger side a wider blur changes nothing visible but
	// costs memory in proportion.
	const double limit = 2. * std::max(getViewSize().getWidth(), getViewSize().getHeight());
	if (!image || !(shadowBlurSize >= 2.))
		return;
	const auto radius = static_cast<int32_t>(std::min(shadowBlurSize, limit));
	using namespace BitmapFilter;
	auto filter = owned(Factory::getInstance().createFilter("Box Blur"));
	if (!filter)
		return;
	filter->setProperty("InputBitmap", Property(static_cast<IReference*>(image)));
	filter->setProperty("Radius", Property(radius));
	filter->run(true);
}

void CShadowViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& rect)
{
	if (dontDrawBackground)
		return;
	const float alpha = context->getGlobalAlpha();
	context->setGlobalAlpha(alpha * shadowIntensity);
	CViewContainer::drawBackgroundRect(context, rect);
	context->setGlobalAlpha(alpha);
}

// ---- What the shadow shows ----

void CShadowViewContainer::setViewSize(const CRect& rect, bool invalid)
{
	const CRect oldSize = getViewSize();
	CViewContainer::setViewSize(rect, invalid);
	// Moving the container moves its image along; only new extents need a
	// new one.
	if (rect.getWidth() != oldSize.getWidth() || rect.getHeight() != oldSize.getHeight())
		invalidateShadow();
}

NotifyResult CShadowViewContainer::notify(CBaseObject* sender, const char* message)
{
	if (message == kMsgViewSizeChanged)
		invalidateShadow();
	return CViewContainer::notify(sender, message);
}

void CShadowViewContainer::onScaleFactorChanged(CFrame*, double)
{
	invalidateShadow();
}

void CShadowViewContainer::viewContainerViewAdded(CViewContainer*, CView*)
{
	invalidateShadow();
}

void CShadowViewContainer::viewContainerViewRemoved(CViewContainer*, CView*)
{
	invalidateShadow();
}

void CShadowViewContainer::viewContainerViewZOrderChanged(CViewContainer*, CView*)
{
	invalidateShadow();
}

// ---- Life cycle ----

bool CShadowViewContainer::attached(CView* parent)
{
	if (!CViewContainer::attached(parent))
		return false;
	// A handler of the attach may have taken the container out again.
	if (CFrame* frame = isAttached() ? getFrame() : nullptr)
	{
		unregisterScaleListener();
		frame->registerScaleFactorChangedListeneer(this);
		scaleListenerFrame = frame;
	}
	invalidateShadow();
	return true;
}

bool CShadowViewContainer::removed(CView* parent)
{
	unregisterScaleListener();
	return CViewContainer::removed(parent);
}

void CShadowViewContainer::beforeDelete()
{
	unregisterScaleListener();
	unregisterViewContainerListener(this);
	CViewContainer::beforeDelete();
}

void CShadowViewContainer::unregisterScaleListener()
{
	if (auto frame = std::exchange(scaleListenerFrame, nullptr))
		frame->unregisterScaleFactorChangedListeneer(this);
}

} // namespace Kavrin
