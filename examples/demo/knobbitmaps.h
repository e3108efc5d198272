#pragma once

#include "lib/kavrin.h"

#include <vector>

namespace Kavrin::Demo {

// Knob art the demo draws in code when its frame opens, through the frame's
// offscreen contexts. Each bitmap carries one set of pixels per scale
// factor asked for, all of one logical size; a display of scale 2 then
// draws the 2x pixels one to one, crisp, where a bitmap with 1x pixels
// only shows every pixel doubled.
namespace KnobBitmaps {

// The scale factors the demo's bitmaps are made at.
const std::vector<double>& bothScales();
const std::vector<double>& onlyOneX();

// A vertical strip of frames, side x side each: a shaded disc whose
// pointer turns through the knobs' default 270 degrees from the first
// frame to the last.
SharedPointer<CBitmap> makePointerStrip(CFrame* frame, double side, int32 frames,
                                        const std::vector<double>& scales);
// A vertical strip of frames: a ring of lights that fills up, one light more
// every frame or two.
SharedPointer<CBitmap> makeLightRingStrip(CFrame* frame, double side, int32 frames,
                                          const std::vector<double>& scales);
// A shaded disc, a knob's background under a handle bitmap.
SharedPointer<CBitmap> makeFace(CFrame* frame, double side, const std::vector<double>& scales);
// A small bright dimple, the handle that travels round the face.
SharedPointer<CBitmap> makeHandle(CFrame* frame, double side, const std::vector<double>& scales);

} // namespace KnobBitmaps
} // namespace Kavrin::Demo
