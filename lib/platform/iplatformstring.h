#pragma once

#include "lib/reference.h"

namespace Kavrin {

// The platform's cached form of a UTF-8 string for measuring and drawing.
class IPlatformString : public AtomicReferenceCounted
{
public:
	// Null without a platform.
	static SharedPointer<IPlatformString> createWithUTF8String(const char* utf8String = nullptr);

	~IPlatformString() noexcept override = default;

	virtual void setUTF8String(const char* utf8String) = 0;
};

} // namespace Kavrin
