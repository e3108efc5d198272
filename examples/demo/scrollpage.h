#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The scrolling page (about 860 x 420): a large canvas of a few thousand
// small tiles under classic scroll bars, and a long list of controls under
// an overlay bar that fades out while nothing moves. The editor must
// outlive the page.
CViewContainer* makeScrollPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
