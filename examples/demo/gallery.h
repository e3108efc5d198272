#pragma once

#include "examples/demo/demoeditor.h"

#include <string>
#include <vector>

namespace Kavrin::Demo {

// The gallery: pages of controls chosen by buttons at the top. The knob
// page shows every drawing style of the vector knob, knobs skinned with
// bitmaps at 1x and 2x, the knob modes and the playground; the slider page
// every slider mode, orientation and direction; the switch page the
// switches, buttons and check boxes; the text page labels and text fields;
// the drag-and-drop page the clipboard, a drop target and a drag source;
// the animation page fades, resizes, exchanges and gliding values. Each
// control has a label that follows its value. The editor must outlive the frame. firstPage names the page
// shown first (one of galleryPageNames()).
CFrame* buildGallery(DemoEditor& editor, const std::string& firstPage = "knobs");
std::vector<std::string> galleryPageNames();

} // namespace Kavrin::Demo
