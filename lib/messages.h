#pragma once

// Message identifiers shared across the toolkit. Receivers compare the
// pointer, so a sender must pass the constant itself, never a copy of its text.

namespace Kavrin {

extern const char* const kMsgNewFocusView;    // sender: the new focus view
extern const char* const kMsgOldFocusView;    // sender: the view that lost the focus
extern const char* const kMsgLooseFocus;      // a control asks its owner to drop its focus
extern const char* const kMsgViewSizeChanged; // sent to the parent container

} // namespace Kavrin
