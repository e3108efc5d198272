#pragma once

#include "examples/demo/demoeditor.h"

namespace Kavrin::Demo {

// The text page (about 860 x 420): labels in every alignment, truncation
// mode and line layout, parameter displays in their drawing styles, and
// text fields: a plain one, a numeric one that drives a knob, a password
// field, a search field and one that edits only on a double click. The
// editor must outlive the page.
CViewContainer* makeTextPage(const CRect& size, DemoEditor& editor);

} // namespace Kavrin::Demo
