#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The knob gallery: every drawing style of the vector knob, knobs skinned
// with bitmaps at 1x and 2x, the knob modes, and the playground; each knob
// with a label that follows its value. The editor must outlive the frame.
// The bitmap knobs get their art when the frame opens.
CFrame* buildGallery(DemoEditor& editor);

} // namespace Kavrin::Demo
