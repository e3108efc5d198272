#pragma once

#include "lib/reference.h"

namespace Kavrin {

class IPlatformTextEditCallback;

// A native single-line editor placed over a text control; its operations
// arrive with the text field.
class IPlatformTextEdit : public AtomicReferenceCounted
{
public:
	~IPlatformTextEdit() noexcept override = default;
};

} // namespace Kavrin
