#include "lib/messages.h"

namespace Kavrin {

const char* const kMsgNewFocusView = "kMsgNewFocusView";
const char* const kMsgOldFocusView = "kMsgOldFocusView";
const char* const kMsgLooseFocus = "LooseFocus";
const char* const kMsgViewSizeChanged = "kMsgViewSizeChanged";

} // namespace Kavrin
