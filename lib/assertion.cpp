#include "lib/assertion.h"

#include <utility>

namespace Kavrin {
namespace {

AssertionHandler& installedHandler()
{
	static AssertionHandler handler;
	return handler;
}

} // namespace

void doAssert(const char* file, const char* line, const char* description)
{
	// A copy, so that a handler that removes or replaces itself keeps its
	// own state alive until it returns.
	if (AssertionHandler handler = installedHandler())
		handler(file, line, description);
}

void setAssertionHandler(AssertionHandler handler)
{
	installedHandler() = std::move(handler);
}

bool hasAssertionHandler()
{
	return static_cast<bool>(installedHandler());
}

} // namespace Kavrin
