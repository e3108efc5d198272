#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The animation page (about 860 x 420): a fade, a resize, an exchange of
// two views and a knob gliding to a new value, each under its own timing
// function and started by a button.
CViewContainer* makeAnimationPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
