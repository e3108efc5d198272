#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// A control that draws one frame out of a vertical strip of equally tall
// images in its background bitmap.
class IMultiBitmapControl
{
public:
	virtual ~IMultiBitmapControl() noexcept = default;

	virtual void setHeightOfOneImage(const double& height) { heightOfOneImage = height; }
	virtual double getHeightOfOneImage() const { return heightOfOneImage; }
	virtual void setNumSubPixmaps(int32 count) { subPixmaps = count; }
	virtual int32 getNumSubPixmaps() const { return subPixmaps; }
	// One frame is as tall as the view, when this is a view.
	virtual void autoComputeHeightOfOneImage();

	// How many frames of a given height a strip holds; 0 for frames too
	// thin to count or a strip that did not load.
	static int32 framesInStrip(double stripHeight, double frameHeight);

protected:
	double heightOfOneImage {0.};
	int32 subPixmaps {0};
};

} // namespace Kavrin
