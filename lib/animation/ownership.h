#pragma once

#include "lib/reference.h"

namespace Kavrin::Animation::Detail {

// Ends the life of an object handed over to an animation: a reference-counted
// one loses the reference it came with, any other is deleted.
template <typename T>
void releaseOwned(T* object)
{
	if (!object)
		return;
	if (auto reference = dynamic_cast<IReference*>(object))
		reference->forget();
	else
		delete object;
}

} // namespace Kavrin::Animation::Detail
