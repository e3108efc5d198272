#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The clipboard and drag-and-drop page (about 860 x 400): a text field
// whose contents can be copied and a paste target, a swatch that takes
// text and file lists dropped from any program and lists what arrived,
// and a tile that can be dragged out to other programs.
CViewContainer* makeDragPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
