#pragma once

#include "lib/cbitmap.h"
#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/cgraphicstransform.h"
#include "lib/crect.h"
#include "lib/reference.h"

#include <stack>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin {

class CFontDesc;
class CFrame;
class CGradient;
class CGraphicsPath;
class IPlatformString;

enum BitmapInterpolationQuality : int32
{
	kBitmapInterpolationDefault = 0,
	kBitmapInterpolationLow,
	kBitmapInterpolationMedium,
	kBitmapInterpolationHigh,
};

// The one abstract drawing surface. It owns the drawing state and its stack,
// the stack of accumulated transforms and the clip, kept in surface
// coordinates; a back end supplies the primitives.
//
// Every primitive draws inside the clip through the current transform. In
// integral mode coordinates are rounded to whole device pixels and strokes of
// odd whole widths are shifted by half a unit, so that they cover whole pixels.
class CDrawContext : public AtomicReferenceCounted
{
public:
	enum PathDrawMode : int32
	{
		kPathFilled = 0,
		kPathFilledEvenOdd,
		kPathStroked,
	};

	struct CDrawContextState
	{
		SharedPointer<CFontDesc> font;
		CColor frameColor {255, 255, 255, 0};
		CColor fillColor {255, 255, 255, 0};
		CColor fontColor {255, 255, 255, 0};
		double frameWidth {0.};
		CRect clipRect; // in surface coordinates
		CLineStyle lineStyle {kLineOnOffDash};
		CDrawMode drawMode {kAntiAliasing};
		float globalAlpha {1.f};
		BitmapInterpolationQuality bitmapQuality {kBitmapInterpolationDefault};
	};

	// Pushes a transform for its lifetime unless it is the identity.
	class Transform
	{
	public:
		Transform(CDrawContext& context, const CGraphicsTransform& transform);
		~Transform() noexcept;
		Transform(const Transform&) = delete;
		Transform& operator=(const Transform&) = delete;

	private:
		CDrawContext& context;
		CGraphicsTransform transform;
	};

	// Narrows the clip to a rect (intersected with the current clip) for its
	// lifetime.
	class ClipScope
	{
	public:
		ClipScope(CDrawContext* context, const CRect& clip);
		~ClipScope() noexcept;
		ClipScope(const ClipScope&) = delete;
		ClipScope& operator=(const ClipScope&) = delete;
		bool isEmpty() const { return empty; }

	private:
		CDrawContext* context;
		CRect previousClip;
		bool empty {true};
	};

	// Does not call init(): a back end calls it once its surface is ready.
	explicit CDrawContext(const CRect& surfaceRect);
	~CDrawContext() noexcept override;

	virtual void drawLine(const std::pair<CPoint, CPoint>& line) = 0;
	virtual void drawLines(const std::vector<std::pair<CPoint, CPoint>>& lines) = 0;
	virtual void drawPolygon(const std::vector<CPoint>& polygon, CDrawStyle style = kDrawStroked) = 0;
	virtual void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked) = 0;
	// Degrees from the positive x axis towards positive y, start to end
	// with increasing angle.
	virtual void drawArc(const CRect& rect, float startAngle, float endAngle,
	                     CDrawStyle style = kDrawStroked) = 0;
	virtual void drawEllipse(const CRect& rect, CDrawStyle style = kDrawStroked) = 0;
	virtual void drawPoint(const CPoint& point, const CColor& color) = 0;
	// The bitmap point offset lands at dest's top-left; clipped to dest.
	virtual void drawBitmap(CBitmap* bitmap, const CRect& dest, const CPoint& offset = CPoint(),
	                        float alpha = 1.f) = 0;
	virtual void drawBitmapNinePartTiled(CBitmap* bitmap, const CRect& dest,
	                                     const CNinePartTiledDescription& desc, float alpha = 1.f);
	virtual void fillRectWithBitmap(CBitmap* bitmap, const CRect& srcRect, const CRect& dstRect,
	                                float alpha);
	virtual void clearRect(const CRect& rect) = 0;
	virtual void setBitmapInterpolationQuality(BitmapInterpolationQuality quality);
	virtual void setLineStyle(const CLineStyle& style);
	virtual void setLineWidth(double width);
	virtual void setDrawMode(CDrawMode mode);
	// rect is mapped through the current transform; not intersected with the
	// previous clip.
	virtual void setClipRect(const CRect& clip);
	virtual void resetClipRect();
	virtual void setFillColor(const CColor& color);
	virtual void setFrameColor(const CColor& color);
	virtual void setFontColor(const CColor& color);
	// size 0 and style -1 keep the font's own.
	virtual void setFont(CFontDesc* font, const double& size = 0., const int& style = -1);
	virtual void setGlobalAlpha(float newAlpha);
	virtual void saveGlobalState();
	virtual void restoreGlobalState();
	virtual double getScaleFactor() const;
	virtual CGraphicsPath* createGraphicsPath() = 0;
	virtual CGraphicsPath* createTextPath(CFontDesc* font, const char* text) = 0;
	virtual void drawGraphicsPath(CGraphicsPath* path, PathDrawMode mode = kPathFilled,
	                              CGraphicsTransform* transformation = nullptr) = 0;
	virtual void fillLinearGradient(CGraphicsPath* path, const CGradient& gradient,
	                                const CPoint& startPoint, const CPoint& endPoint,
	                                bool evenOdd = false, CGraphicsTransform* transformation = nullptr) = 0;
	virtual void fillRadialGradient(CGraphicsPath* path, const CGradient& gradient, const CPoint& center,
	                                double radius, const CPoint& originOffset = CPoint(),
	                                bool evenOdd = false, CGraphicsTransform* transformation = nullptr) = 0;
	virtual void beginDraw() {}
	virtual void endDraw() {}
	// Applies the default state through the setters.
	virtual void init();

	// State
	CFontDesc* getFont() const { return currentState.font; }
	const CColor& getFrameColor() const { return currentState.frameColor; }
	const CColor& getFillColor() const { return currentState.fillColor; }
	const CColor& getFontColor() const { return currentState.fontColor; }
	double getLineWidth() const { return currentState.frameWidth; }
	const CLineStyle& getLineStyle() const { return currentState.lineStyle; }
	CDrawMode getDrawMode() const { return currentState.drawMode; }
	float getGlobalAlpha() const { return currentState.globalAlpha; }
	BitmapInterpolationQuality getBitmapInterpolationQuality() const { return currentState.bitmapQuality; }
	const CRect& getSurfaceRect() const { return surfaceRect; }
	// The clip in the current user coordinates.
	CRect& getClipRect(CRect& clip) const;
	// The clip in surface coordinates, as stored.
	const CRect& getAbsoluteClipRect() const { return currentState.clipRect; }

	// Transforms
	void pushTransform(const CGraphicsTransform& transformation);
	void popTransform();
	const CGraphicsTransform& getCurrentTransform() const;
	// The width of one device pixel in user units.
	double getHairlineSize() const;

	// Text; nothing is drawn, and widths are -1, without a font painter.
	double getStringWidth(IPlatformString* string);
	double getStringWidth(const char* string);
	void drawString(IPlatformString* string, const CPoint& baseline, bool antialias = true);
	void drawString(IPlatformString* string, const CRect& rect, CHoriTxtAlign align = kCenterText,
	                bool antialias = true);
	void drawString(const char* string, const CPoint& baseline, bool antialias = true);
	void drawString(const char* string, const CRect& rect, CHoriTxtAlign align = kCenterText,
	                bool antialias = true);

	// The caller owns the result; null when the back end makes no paths.
	CGraphicsPath* createRoundRectGraphicsPath(const CRect& size, double radius);

protected:
	CDrawContextState& getCurrentState() { return currentState; }
	const CDrawContextState& getCurrentState() const { return currentState; }

private:
	IPlatformString* getDrawString(const char* string);
	void clearDrawString();

	SharedPointer<IPlatformString> drawStringHelper;
	CRect surfaceRect;
	CDrawContextState currentState;
	std::stack<CDrawContextState> globalStatesStack;
	std::stack<CGraphicsTransform> transformStack;
};

// A draw context that renders into a surface of its own (a bitmap).
class COffscreenContext : public CDrawContext
{
public:
	// Null unless frame is given and both sides are at least 1; the frame's
	// platform makes it (width x scaleFactor by height x scaleFactor pixels).
	static SharedPointer<COffscreenContext> create(CFrame* frame, double width, double height,
	                                               double scaleFactor = 1.);

	explicit COffscreenContext(const CRect& surfaceRect) : CDrawContext(surfaceRect) {}
	explicit COffscreenContext(CBitmap* bitmap);
	~COffscreenContext() noexcept override;

	double getWidth() const;
	double getHeight() const;
	CBitmap* getBitmap() const { return bitmap; }
	// Draws the bitmap into target; nothing without a bitmap.
	void copyFrom(CDrawContext* target, CRect destRect, CPoint srcOffset = CPoint());

protected:
	SharedPointer<CBitmap> bitmap;
};

} // namespace Kavrin
