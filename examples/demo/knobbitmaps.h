#pragma once

#include "lib/kavrin.h"

#include <functional>
#include <initializer_list>
#include <map>
#include <utility>

namespace Kavrin::Demo {

// Knob art the demo draws in code through the frame's offscreen contexts.
// Painting it is most of what the demo would do at start-up, and a knob
// shows one frame of its strip at a time: so each frame is painted the
// first time it is shown, at the scale of the context that shows it (a 2x
// display gets 2x pixels, crisp, where 1x pixels would show doubled), and
// kept for the next time.
namespace KnobBitmaps {

// A bitmap of frames stacked vertically, each painted on first use. Its
// own pixels only give it its logical size; drawing goes through the
// frames it painted. The frame must outlive the drawing.
class LazyArt : public CBitmap
{
public:
	// Paints one frame into cell; position runs from 0 (first frame) to 1
	// (last).
	using FramePainter =
	    std::function<void(CDrawContext& context, const CRect& cell, double position)>;

	// maxScale caps the pixel density: 1 keeps 1x pixels on any display.
	LazyArt(CFrame* frame, const CPoint& frameSize, int32 frames, FramePainter painter,
	        double maxScale = 4.);

	void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(),
	          float alpha = 1.f) override;

	// How many frames were painted so far, counting each scale.
	size_t getPaintedFrames() const { return painted.size(); }

private:
	CBitmap* frameAt(int32 index, double scale);

	CFrame* frame;
	CPoint frameSize;
	int32 frames;
	FramePainter painter;
	double maxScale;
	std::map<std::pair<int32, double>, SharedPointer<CBitmap>> painted;
};

// A strip of frames, side x side each: a shaded disc whose pointer turns
// through the knobs' default 270 degrees from the first frame to the last.
SharedPointer<LazyArt> makePointerStrip(CFrame* frame, double side, int32 frames,
                                        double maxScale = 4.);
// A strip of frames: a ring of lights that fills up, one light more every
// frame or two.
SharedPointer<LazyArt> makeLightRingStrip(CFrame* frame, double side, int32 frames);
// A shaded disc, a knob's background under a handle bitmap.
SharedPointer<LazyArt> makeFace(CFrame* frame, double side);
// A small bright dimple, the handle that travels round the face.
SharedPointer<LazyArt> makeHandle(CFrame* frame, double side);

using Painter = std::function<void(CDrawContext& context)>;

// One picture painted at every scale asked for into one bitmap, so that a
// 2x display draws 2x pixels one to one. Null when the frame cannot paint.
SharedPointer<CBitmap> paintArt(CFrame* frame, const CPoint& size, std::initializer_list<double> scales,
                                const Painter& painter);

} // namespace KnobBitmaps
} // namespace Kavrin::Demo
