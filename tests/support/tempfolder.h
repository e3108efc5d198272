#pragma once

#include "lib/kavrintypes.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace Kavrin::Test {

// A folder of its own under the system's temporary folder, removed with
// everything in it at the end.
class TempFolder
{
public:
	explicit TempFolder(const std::string& prefix = "kavrin")
	{
		std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
		if (::mkdtemp(pattern.data()))
			path = pattern;
	}
	~TempFolder()
	{
		std::error_code ignored;
		if (!path.empty())
			std::filesystem::remove_all(path, ignored);
	}
	TempFolder(const TempFolder&) = delete;
	TempFolder& operator=(const TempFolder&) = delete;

	std::string file(const std::string& name) const { return (std::filesystem::path(path) / name).string(); }
	// Writes the bytes to name (subfolders are made) and returns the path.
	std::string write(const std::string& name, const std::vector<uint8>& bytes) const
	{
		std::string full = file(name);
		std::filesystem::create_directories(std::filesystem::path(full).parent_path());
		std::ofstream out(full, std::ios::binary);
		out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
		return full;
	}

	std::string path;
};

} // namespace Kavrin::Test
