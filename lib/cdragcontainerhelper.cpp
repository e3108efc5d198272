#include "lib/cdragcontainerhelper.h"

#include "lib/assertion.h"

namespace Kavrin
{

CDragContainerHelper::CDragContainerHelper(IDataPackage* drag) : drag(drag)
{
	if (!drag)
		doAssert("lib/cview", "1176", "drag cannot be nullptr");
}

void* CDragContainerHelper::first(int32& size, int32& type)
{
	index = 0;
	return next(size, type);
}

void* CDragContainerHelper::next(int32& size, int32& type)
{
	const void* buffer = nullptr;
	IDataPackage::Type itemType = IDataPackage::kError;
	// A negative index would wrap to a huge one, which the package refuses.
	size =
	    drag ? static_cast<int32>(drag->getData(static_cast<uint32>(index), buffer, itemType)) : 0;
	type = toOlderType(itemType);
	++index;
	return const_cast<void*>(buffer);
}

int32 CDragContainerHelper::getType(int32 idx) const
{
	return toOlderType(drag ? drag->getDataType(static_cast<uint32>(idx)) : IDataPackage::kError);
}

int32 CDragContainerHelper::getCount() const
{
	return drag ? static_cast<int32>(drag->getCount()) : 0;
}

int32 CDragContainerHelper::toOlderType(IDataPackage::Type type)
{
	switch (type)
	{
	case IDataPackage::kFilePath:
		return kFile;
	case IDataPackage::kText:
		return kUnicodeText;
	case IDataPackage::kBinary:
		return kUnknown;
	default:
		return kError;
	}
}

} // namespace Kavrin
