#pragma once

#include "lib/idatapackage.h"

#include <memory>
#include <vector>

namespace Kavrin
{

// One item of a CDropSource: a private copy of the bytes. An empty item holds
// no buffer; a moved-from item is empty and typed kError.
class CDropEntry
{
public:
	CDropEntry(const void* data, uint32 size, IDataPackage::Type type);
	CDropEntry(const CDropEntry& other);
	CDropEntry(CDropEntry&& other) noexcept;
	CDropEntry& operator=(const CDropEntry& other);
	CDropEntry& operator=(CDropEntry&& other) noexcept;
	~CDropEntry() noexcept = default;

	const void* getBuffer() const { return buffer.get(); }
	uint32 getSize() const { return size; }
	IDataPackage::Type getType() const { return type; }

private:
	std::unique_ptr<uint8[]> buffer;
	uint32 size{0};
	IDataPackage::Type type{IDataPackage::kError};
};

// The toolkit's own data package: an ordered list of copied items.
class CDropSource : public IDataPackage
{
public:
	CDropSource() = default;
	CDropSource(const void* data, uint32 size, Type type);

	static SharedPointer<IDataPackage> create(const void* data, uint32 size, Type type);
	// What a clipboard keeps of a package: the first non-empty text or
	// binary item alone, else every file path; null when nothing is left,
	// so that copying nothing leaves nothing to paste.
	static SharedPointer<IDataPackage> forClipboard(IDataPackage& package);

	// Appends a copy of the bytes.
	bool add(const void* data, uint32 size, Type type);

	uint32 getCount() const override;
	uint32 getDataSize(uint32 index) const override;
	Type getDataType(uint32 index) const override;
	uint32 getData(uint32 index, const void*& buffer, Type& type) const override;

private:
	const CDropEntry* entryAt(uint32 index) const;

	std::vector<CDropEntry> entries;
};

} // namespace Kavrin
