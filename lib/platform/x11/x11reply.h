#pragma once

#include <cstdlib>
#include <memory>

namespace Kavrin {

// An xcb reply (or event), freed with the C allocator that made it.
struct X11ReplyDeleter
{
	void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using X11Reply = std::unique_ptr<T, X11ReplyDeleter>;

} // namespace Kavrin
