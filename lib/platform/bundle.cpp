#include "lib/platform/bundle.h"

namespace Kavrin {

const char* gBundleRef = nullptr;

} // namespace Kavrin
