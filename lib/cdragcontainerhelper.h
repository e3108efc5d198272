#pragma once

#include "lib/idatapackage.h"

namespace Kavrin
{

// Walks a data package for code written against the older drag-container
// numbering of item types.
class CDragContainerHelper
{
public:
	// The older type numbers.
	enum : int32
	{
		kFile = 0,
		kUnicodeText = 2,
		kUnknown = -1,
		kError = -2,
	};

	explicit CDragContainerHelper(IDataPackage* drag);

	// Item 0; restarts the walk.
	void* first(int32& size, int32& type);
	// The item at the running index; null bytes and size 0 past the end.
	void* next(int32& size, int32& type);
	int32 getType(int32 index) const;
	int32 getCount() const;

	static int32 toOlderType(IDataPackage::Type type);

private:
	IDataPackage* drag;
	int32 index{0};
};

} // namespace Kavrin
