#pragma once

namespace Kavrin {

// The plug-in's resource folder (a path on Linux), set by the host glue
// before the first editor opens. Bitmaps and fonts are looked up under it;
// its "Fonts" subfolder holds font files that are registered for the
// process when the first font is created. Null (the default) means the
// plug-in brings no resources of its own.
extern const char* gBundleRef;

} // namespace Kavrin
