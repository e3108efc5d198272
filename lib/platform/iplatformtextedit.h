#pragma once

#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/cstring.h"
#include "lib/moxkeycode.h"
#include "lib/reference.h"

namespace Kavrin {

class CFontDesc;

// What a text control tells the single-line editor placed over it, and
// what it hears back. Sizes are in frame coordinates.
class IPlatformTextEditCallback
{
public:
	virtual ~IPlatformTextEditCallback() noexcept = default;

	virtual CColor platformGetBackColor() const = 0;
	virtual CColor platformGetFontColor() const = 0;
	virtual CFontDesc* platformGetFont() const = 0;
	virtual CHoriTxtAlign platformGetHoriTxtAlign() const = 0;
	virtual const UTF8String& platformGetText() const = 0;
	virtual const UTF8String& platformGetPlaceholderText() const = 0;
	virtual CRect platformGetSize() const = 0;
	virtual CRect platformGetVisibleSize() const = 0;
	virtual CPoint platformGetTextInset() const = 0;
	virtual void platformLooseFocus(bool returnPressed) = 0;
	virtual bool platformOnKeyDown(const MoxKeyCode& key) = 0;
	virtual void platformTextDidChange() = 0;
	virtual bool platformIsSecureTextEdit() = 0;
};

// A single-line editor placed over a text control while it has the focus.
class IPlatformTextEdit : public AtomicReferenceCounted
{
public:
	~IPlatformTextEdit() noexcept override = default;

	virtual UTF8String getText() = 0;
	virtual bool setText(const UTF8String& text) = 0;
	virtual void updateSize() = 0;
	virtual bool drawsPlaceholder() const = 0;
};

} // namespace Kavrin
