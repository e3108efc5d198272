#pragma once

#include "lib/reference.h"

namespace Kavrin {

// Typed items on the clipboard or in a drag.
class IDataPackage : public AtomicReferenceCounted
{
public:
	enum Type : int32
	{
		kFilePath = 0, // UTF-8 path, zero-terminated
		kText = 1,     // UTF-8 text; the size excludes a terminator
		kBinary = 2,   // opaque bytes
		kError = -1,   // no item
	};

	~IDataPackage() noexcept override = default;

	virtual uint32 getCount() const = 0;
	// 0 when index is out of range.
	virtual uint32 getDataSize(uint32 index) const = 0;
	// kError when index is out of range.
	virtual Type getDataType(uint32 index) const = 0;
	// The item's size; sets buffer and type. 0, outputs untouched, when out of range.
	virtual uint32 getData(uint32 index, const void*& buffer, Type& type) const = 0;
};

} // namespace Kavrin
