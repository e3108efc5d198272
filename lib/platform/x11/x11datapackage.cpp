#include "lib/platform/x11/x11datapackage.h"

namespace Kavrin {

void X11DataPackage::addItem(std::string bytes, Type type)
{
	if (type == kFilePath)
		bytes.push_back('\0');
	items.push_back({std::move(bytes), type});
}

uint32 X11DataPackage::getCount() const
{
	return static_cast<uint32>(items.size());
}

uint32 X11DataPackage::getDataSize(uint32 index) const
{
	return index < items.size() ? static_cast<uint32>(items[index].bytes.size()) : 0;
}

IDataPackage::Type X11DataPackage::getDataType(uint32 index) const
{
	return index < items.size() ? items[index].type : kError;
}

uint32 X11DataPackage::getData(uint32 index, const void*& buffer, Type& type) const
{
	if (index >= items.size())
		return 0;
	buffer = items[index].bytes.data();
	type = items[index].type;
	return static_cast<uint32>(items[index].bytes.size());
}

} // namespace Kavrin
