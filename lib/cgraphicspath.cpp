#include "lib/cgraphicspath.h"

#include "lib/cgraphicstransform.h"

namespace Kavrin {

void CGraphicsPath::addArc(const CRect& rect, double startAngle, double endAngle, bool clockwise)
{
	Element element {Element::kArc, rect};
	element.startAngle = startAngle;
	element.endAngle = endAngle;
	element.clockwise = clockwise;
	elements.push_back(element);
	dirty();
}

void CGraphicsPath::addEllipse(const CRect& rect)
{
	elements.push_back({Element::kEllipse, rect});
	dirty();
}

void CGraphicsPath::addRect(const CRect& rect)
{
	elements.push_back({Element::kRect, rect});
	dirty();
}

void CGraphicsPath::addLine(const CPoint& to)
{
	Element element {Element::kLine};
	element.point = to;
	elements.push_back(element);
	dirty();
}

void CGraphicsPath::addBezierCurve(const CPoint& control1, const CPoint& control2, const CPoint& end)
{
	Element element {Element::kBezierCurve};
	element.control1 = control1;
	element.control2 = control2;
	element.point = end;
	elements.push_back(element);
	dirty();
}

void CGraphicsPath::beginSubpath(const CPoint& start)
{
	Element element {Element::kBeginSubpath};
	element.point = start;
	elements.push_back(element);
	dirty();
}

void CGraphicsPath::closeSubpath()
{
	elements.push_back({Element::kCloseSubpath});
	dirty();
}

void CGraphicsPath::addPath(const CGraphicsPath& path, CGraphicsTransform* transform)
{
	// A copy first: the path may be added to itself.
	ElementList added = path.elements;
	if (transform)
	{
		for (auto& element : added)
		{
			switch (element.type)
			{
				case Element::kArc:
				case Element::kEllipse:
				case Element::kRect:
				{
					CPoint topLeft = transform->transformed(element.rect.getTopLeft());
					CPoint bottomRight = transform->transformed(element.rect.getBottomRight());
					element.rect = CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
					break;
				}
				case Element::kBezierCurve:
					transform->transform(element.control1);
					transform->transform(element.control2);
					transform->transform(element.point);
					break;
				case Element::kLine:
				case Element::kBeginSubpath:
					transform->transform(element.point);
					break;
				case Element::kCloseSubpath:
					break;
			}
		}
	}
	elements.insert(elements.end(), added.begin(), added.end());
	dirty();
}

void CGraphicsPath::addRoundRect(const CRect& size, double radius)
{
	if (radius == 0.)
	{
		addRect(size);
		return;
	}
	CRect rect = size;
	rect.normalize();
	const double r = radius;
	const double d = 2. * r;
	beginSubpath({rect.right - r, rect.top});
	addArc({rect.right - d, rect.top, rect.right, rect.top + d}, 270., 360., true);
	addArc({rect.right - d, rect.bottom - d, rect.right, rect.bottom}, 0., 90., true);
	addArc({rect.left, rect.bottom - d, rect.left + d, rect.bottom}, 90., 180., true);
	addArc({rect.left, rect.top, rect.left + d, rect.top + d}, 180., 270., true);
	closeSubpath();
}

} // namespace Kavrin
