#include "lib/platform/iplatformresourceinputstream.h"

#include "lib/platform/bundle.h"

#include <cstdio>
#include <sys/stat.h>
#include <utility>

namespace Kavrin {

namespace {

bool isReadableFile(const std::string& path)
{
	struct stat info {};
	return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::vector<std::string> findResourcePaths(const CResourceDescription& desc)
{
	std::vector<std::string> paths;
	auto addIfReadable = [&paths](std::string path) {
		if (isReadableFile(path))
			paths.push_back(std::move(path));
	};
	if (desc.type == CResourceDescription::kStringType)
	{
		if (!desc.u.name || !*desc.u.name)
			return paths;
		if (desc.u.name[0] == '/')
			addIfReadable(desc.u.name);
		else if (gBundleRef)
			addIfReadable(std::string(gBundleRef) + "/" + desc.u.name);
		return paths;
	}
	if (desc.type != CResourceDescription::kIntegerType || !gBundleRef)
		return paths;
	char name[32];
	std::snprintf(name, sizeof(name), "bmp%05d", desc.u.id);
	for (const char* extension : {"png", "bmp", "jpg", "pict"})
		addIfReadable(std::string(gBundleRef) + "/" + name + "." + extension);
	return paths;
}

std::string resolveResourcePath(const CResourceDescription& desc)
{
	auto paths = findResourcePaths(desc);
	return paths.empty() ? std::string() : paths.front();
}

std::unique_ptr<IPlatformResourceInputStream> IPlatformResourceInputStream::create(
    const CResourceDescription& desc)
{
	if (desc.type != CResourceDescription::kStringType)
		return nullptr;
	std::string path = resolveResourcePath(desc);
	return path.empty() ? nullptr : FileResourceInputStream::create(path);
}

std::unique_ptr<IPlatformResourceInputStream> FileResourceInputStream::create(const std::string& path)
{
	std::FILE* file = std::fopen(path.c_str(), "rb");
	if (!file)
		return nullptr;
	return std::unique_ptr<IPlatformResourceInputStream>(new FileResourceInputStream(file));
}

FileResourceInputStream::FileResourceInputStream(std::FILE* file) : file(file) {}

FileResourceInputStream::~FileResourceInputStream() noexcept
{
	std::fclose(file);
}

uint32 FileResourceInputStream::readRaw(void* buffer, uint32 size)
{
	if (!buffer)
		return size ? kReadError : 0;
	size_t count = std::fread(buffer, 1, size, file);
	if (count < size && std::ferror(file))
	{
		std::clearerr(file);
		return kReadError;
	}
	return static_cast<uint32>(count);
}

int64 FileResourceInputStream::seek(int64 position, SeekMode mode)
{
	int origin = mode == kSeekSet ? SEEK_SET : mode == kSeekCurrent ? SEEK_CUR : SEEK_END;
	if (std::fseek(file, static_cast<long>(position), origin) != 0)
		return -1;
	return tell();
}

int64 FileResourceInputStream::tell()
{
	return std::ftell(file);
}

} // namespace Kavrin
