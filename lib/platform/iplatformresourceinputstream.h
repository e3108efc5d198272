#pragma once

#include "lib/cresourcedescription.h"
#include "lib/kavrintypes.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Kavrin {

// Reads a resource of the plug-in. Owned by its creator.
class IPlatformResourceInputStream
{
public:
	enum SeekMode : int32
	{
		kSeekSet = 0,
		kSeekCurrent = 1,
		kSeekEnd = 2,
	};
	static constexpr uint32 kReadError = 0xFFFFFFFF;

	// Only named resources: the file of that name in the plug-in's resource
	// folder (an absolute path when the name begins with "/"); null for ids,
	// missing or unreadable files.
	static std::unique_ptr<IPlatformResourceInputStream> create(const CResourceDescription& desc);

	virtual ~IPlatformResourceInputStream() noexcept = default;

	// The number of bytes read; 0 at the end; kReadError on a read error
	// (the error state is then cleared).
	virtual uint32 readRaw(void* buffer, uint32 size) = 0;
	// The new position, or -1.
	virtual int64 seek(int64 position, SeekMode mode) = 0;
	virtual int64 tell() = 0;
};

// A resource stream on a file opened for binary reading.
class FileResourceInputStream : public IPlatformResourceInputStream
{
public:
	// Null when the file cannot be opened.
	static std::unique_ptr<IPlatformResourceInputStream> create(const std::string& path);
	~FileResourceInputStream() noexcept override;

	uint32 readRaw(void* buffer, uint32 size) override;
	int64 seek(int64 position, SeekMode mode) override;
	int64 tell() override;

private:
	explicit FileResourceInputStream(std::FILE* file);
	std::FILE* file;
};

// The path of a resource in the plug-in's resource folder: for a name, the
// name itself (absolute when it begins with "/"); for an id, "bmp%05d" with
// the first of the extensions png, bmp, jpg, pict that exists. Empty when
// there is no resource folder or no such file.
std::string resolveResourcePath(const CResourceDescription& desc);
// Every existing file that may hold the resource, in the order above: an id
// can have one per extension, for a reader to fall back on when one of them
// cannot be read.
std::vector<std::string> findResourcePaths(const CResourceDescription& desc);

} // namespace Kavrin
