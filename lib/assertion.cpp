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
	if (auto& handler = installedHandler())
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
