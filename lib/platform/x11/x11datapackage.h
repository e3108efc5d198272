#pragma once

#include "lib/idatapackage.h"

#include <string>
#include <vector>

namespace Kavrin {

// Data read from another X11 client: each item owns a copy of its bytes,
// so the package outlives the transfer that filled it.
class X11DataPackage : public IDataPackage
{
public:
	// A FilePath item's bytes end in a terminator the size counts.
	void addItem(std::string bytes, Type type);

	uint32 getCount() const override;
	uint32 getDataSize(uint32 index) const override;
	Type getDataType(uint32 index) const override;
	uint32 getData(uint32 index, const void*& buffer, Type& type) const override;

private:
	struct Item
	{
		std::string bytes;
		Type type;
	};
	std::vector<Item> items;
};

} // namespace Kavrin
