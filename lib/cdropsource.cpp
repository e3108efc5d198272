#include "lib/cdropsource.h"

#include <cstring>
#include <utility>

namespace Kavrin
{

namespace
{

// A null pointer with a size would have us read from nowhere: such an item
// is stored empty.
std::unique_ptr<uint8[]> copyBytes(const void* data, uint32& size)
{
	if (!data || size == 0)
	{
		size = 0;
		return nullptr;
	}
	std::unique_ptr<uint8[]> copy(new uint8[size]);
	std::memcpy(copy.get(), data, size);
	return copy;
}

} // namespace

CDropEntry::CDropEntry(const void* data, uint32 inSize, IDataPackage::Type inType)
    : size(inSize), type(inType)
{
	buffer = copyBytes(data, size);
}

CDropEntry::CDropEntry(const CDropEntry& other) : size(other.size), type(other.type)
{
	buffer = copyBytes(other.buffer.get(), size);
}

CDropEntry::CDropEntry(CDropEntry&& other) noexcept
    : buffer(std::move(other.buffer)), size(std::exchange(other.size, 0u)),
      type(std::exchange(other.type, IDataPackage::kError))
{
}

CDropEntry& CDropEntry::operator=(const CDropEntry& other)
{
	if (this != &other)
		*this = CDropEntry(other);
	return *this;
}

CDropEntry& CDropEntry::operator=(CDropEntry&& other) noexcept
{
	if (this != &other)
	{
		buffer = std::move(other.buffer);
		size = std::exchange(other.size, 0u);
		type = std::exchange(other.type, IDataPackage::kError);
	}
	return *this;
}

CDropSource::CDropSource(const void* data, uint32 size, Type type)
{
	add(data, size, type);
}

SharedPointer<IDataPackage> CDropSource::create(const void* data, uint32 size, Type type)
{
	return owned<IDataPackage>(new CDropSource(data, size, type));
}

bool CDropSource::add(const void* data, uint32 size, Type type)
{
	entries.emplace_back(data, size, type);
	return true;
}

const CDropEntry* CDropSource::entryAt(uint32 index) const
{
	return index < entries.size() ? &entries[index] : nullptr;
}

uint32 CDropSource::getCount() const
{
	return static_cast<uint32>(entries.size());
}

uint32 CDropSource::getDataSize(uint32 index) const
{
	auto entry = entryAt(index);
	return entry ? entry->getSize() : 0;
}

IDataPackage::Type CDropSource::getDataType(uint32 index) const
{
	auto entry = entryAt(index);
	return entry ? entry->getType() : kError;
}

uint32 CDropSource::getData(uint32 index, const void*& buffer, Type& type) const
{
	auto entry = entryAt(index);
	if (!entry)
		return 0;
	buffer = entry->getBuffer();
	type = entry->getType();
	return entry->getSize();
}

SharedPointer<IDataPackage> CDropSource::forClipboard(IDataPackage& data)
{
	auto paths = makeOwned<CDropSource>();
	for (uint32 index = 0; index < data.getCount(); ++index)
	{
		const void* bytes = nullptr;
		auto type = IDataPackage::kError;
		uint32 size = data.getData(index, bytes, type);
		if (size == 0 || !bytes)
			continue;
		if (type == IDataPackage::kText || type == IDataPackage::kBinary)
			return CDropSource::create(bytes, size, type);
		if (type == IDataPackage::kFilePath)
			paths->add(bytes, size, type);
	}
	if (paths->getCount() == 0)
		return nullptr;
	return paths;
}

} // namespace Kavrin
