#pragma once

namespace Kavrin {

class CGraphicsPath;

// A view that shapes its own focus ring. The container that draws the ring
// asks whether it goes on top of the view and for its outline.
class IFocusDrawing
{
public:
	virtual ~IFocusDrawing() noexcept = default;

	virtual bool drawFocusOnTop() = 0;
	virtual bool getFocusPath(CGraphicsPath& outPath) = 0;
};

} // namespace Kavrin
