#pragma once

#include "lib/kavrintypes.h"

namespace Kavrin {

// Names a resource of the plug-in: by integer id (bitmaps as "bmp%05d" with
// the extensions png, bmp, jpg, pict tried in order) or by name (as given;
// a name beginning with "/" is an absolute path). The name is not owned.
struct CResourceDescription
{
	enum Type : uint32
	{
		kIntegerType = 0,
		kStringType = 1,
		kUnknownType = 2,
	};

	Type type {kUnknownType};
	union
	{
		int32 id;
		const char* name;
	} u {};

	CResourceDescription() = default;
	CResourceDescription(int32 id) : type(kIntegerType) { u.id = id; }
	CResourceDescription(const char* name) : type(kStringType) { u.name = name; }
};

} // namespace Kavrin
