#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The slider page, of the given size (about 760 x 420 fits it): sliders of
// every mode, orientation and direction, drawn as vector bars or with
// bitmap tracks and handles painted in code at 1x and 2x, each with a label
// that follows its value, and a switch for the class-wide slider mode.
// Every slider gets a parameter of the editor, which must outlive the page.
// The bitmaps are painted when the page first joins an open frame.
CViewContainer* makeSliderPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
