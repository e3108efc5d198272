#pragma once

#include "lib/ccolor.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/reference.h"

#include <vector>

namespace Kavrin {

class CGradient;
struct CGraphicsTransform;

// A platform-independent list of path elements. A drawing back end turns it
// into its own path object, built lazily and cached until dirty() says the
// list changed. Created by a draw context; shared through SharedPointer.
class CGraphicsPath : public AtomicReferenceCounted
{
public:
	struct Element
	{
		enum Type : int32
		{
			kArc = 0,
			kEllipse,
			kRect,
			kLine,
			kBezierCurve,
			kBeginSubpath,
			kCloseSubpath,
		};

		Element(Type type, const CRect& rect = {}) : type(type), rect(rect) {}

		Type type;
		CRect rect;                 // arc, ellipse, rect
		double startAngle {0.};     // arc, degrees
		double endAngle {0.};       // arc, degrees
		bool clockwise {false};     // arc
		CPoint control1;            // bezier
		CPoint control2;            // bezier
		CPoint point;               // line, bezier end, subpath start
	};
	using ElementList = std::vector<Element>;

	~CGraphicsPath() noexcept override = default;

	// A new gradient with the stops (color1Start, color1), (color2Start, color2).
	virtual CGradient* createGradient(double color1Start, double color2Start, const CColor& color1,
	                                  const CColor& color2) = 0;
	virtual void addArc(const CRect& rect, double startAngle, double endAngle, bool clockwise);
	virtual void addEllipse(const CRect& rect);
	virtual void addRect(const CRect& rect);
	virtual void addPath(const CGraphicsPath& path, CGraphicsTransform* transform = nullptr);
	virtual void addLine(const CPoint& to);
	virtual void addBezierCurve(const CPoint& control1, const CPoint& control2, const CPoint& end);
	virtual void beginSubpath(const CPoint& start);
	virtual void closeSubpath();
	// Whether where lies inside the filled path (the path first mapped
	// through transform when given); false when there is no path.
	virtual bool hitTest(const CPoint& where, bool evenOddFilled = false,
	                     CGraphicsTransform* transform = nullptr) = 0;
	// Where the next line or curve would start; (0, 0) for an empty path.
	virtual CPoint getCurrentPosition() = 0;
	// All zero for an empty path.
	virtual CRect getBoundingBox() = 0;
	// The element list changed.
	virtual void dirty() = 0;

	// A plain rect for radius 0, else four quarter arcs joined by lines.
	void addRoundRect(const CRect& rect, double radius);

	const ElementList& getElements() const { return elements; }

protected:
	ElementList elements;
};

} // namespace Kavrin
