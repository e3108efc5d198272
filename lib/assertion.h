#pragma once

#include <functional>

namespace Kavrin {

using AssertionHandler = std::function<void(const char* file, const char* line, const char* description)>;

// Reports misuse. Calls the installed handler with the source file ("lib/cview"),
// the line as text and an optional description (may be null); without a
// handler it does nothing, so every asserting path goes on in a defined way.
// Whatever the handler throws reaches the caller of doAssert.
void doAssert(const char* file, const char* line, const char* description = nullptr);

// Installs the handler; an empty function removes it.
void setAssertionHandler(AssertionHandler handler);
bool hasAssertionHandler();

} // namespace Kavrin
