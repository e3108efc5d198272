#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The switch and button page, of the given size (about 760 x 420 fits it):
// vertical and horizontal multi-position switches, on/off buttons, a kick
// button, rockers and check boxes in every style, each with a label that
// follows its value. The film strips are painted in code for the display's
// scale (1x, 2x) when the page first joins an open frame. Every control
// gets a parameter of the editor, which must outlive the page.
CViewContainer* makeSwitchPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
