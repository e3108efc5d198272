#pragma once

#include "lib/ccolor.h"
#include "lib/cview.h"

namespace Kavrin {

class CGradient;
class CGraphicsPath;

// Fills a rounded rectangle of its size with a linear or radial gradient
// and strokes its outline. A negative frame width strokes an outline one
// device pixel wide at any scale; a width of 0 or a transparent frame colour
// strokes nothing.
class CGradientView : public CView
{
public:
	enum GradientStyle : int32
	{
		kLinearGradient = 0,
		kRadialGradient = 1,
	};

	explicit CGradientView(const CRect& size);
	~CGradientView() noexcept override;

	void setGradientStyle(GradientStyle style);
	GradientStyle getGradientStyle() const { return gradientStyle; }
	// The view keeps a reference; null draws no fill.
	void setGradient(CGradient* gradient);
	CGradient* getGradient() const { return gradient; }
	void setFrameColor(const CColor& color);
	const CColor& getFrameColor() const { return frameColor; }
	// Degrees: 0 runs from the top edge to the bottom edge, 90 from the
	// right edge to the left edge.
	void setGradientAngle(double angle);
	double getGradientAngle() const { return gradientAngle; }
	void setRoundRectRadius(double radius);
	double getRoundRectRadius() const { return roundRectRadius; }
	void setFrameWidth(double width);
	double getFrameWidth() const { return frameWidth; }
	void setDrawAntialiased(bool state);
	bool getDrawAntialiased() const { return drawAntialiased; }
	// A fraction of the view's width and height from its top-left corner.
	void setRadialCenter(const CPoint& center);
	const CPoint& getRadialCenter() const { return radialCenter; }
	// A fraction of the larger of the view's width and height.
	void setRadialRadius(double radius);
	double getRadialRadius() const { return radialRadius; }

	// Called after a setter changed a value; invalidates the view.
	virtual void attributeChanged();

	void draw(CDrawContext* context) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;

private:
	double lineWidthIn(CDrawContext* context) const;
	// The outline for a stroke of lineWidth, made again when the width it
	// was made for differs (a device pixel changes with the scale).
	CGraphicsPath* outlineFor(CDrawContext* context, double lineWidth);
	void fillGradient(CDrawContext* context, CGraphicsPath* outline);
	void dropPath();

	GradientStyle gradientStyle {kLinearGradient};
	CColor frameColor {0, 0, 0, 255};
	double gradientAngle {0.};
	double roundRectRadius {5.};
	double frameWidth {1.};
	double radialRadius {1.};
	CPoint radialCenter {0.5, 0.5};
	bool drawAntialiased {true};
	SharedPointer<CGraphicsPath> path;
	double pathLineWidth {0.};
	SharedPointer<CGradient> gradient;
};

} // namespace Kavrin
