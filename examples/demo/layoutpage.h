#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The layout page (about 860 x 420): a column of chips that glide into
// place as chips come and go, a card over a blurred drop shadow, gradient
// views, a knob panel in a layer under a badge that fades in its own
// layer, and a strip of every standard bitmap filter applied to a picture
// painted in code. The editor must outlive the page.
CViewContainer* makeLayoutPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
