#pragma once

// A stand-in for the platform's single-line editor: it holds a text and
// types, erases and presses keys as a user would, calling back the control
// it edits. Like a real editor it keeps itself alive across each call back,
// since the control may drop it from inside. A record shared by all the
// editors of a test counts those made and gone; the factory keeps no
// reference, so an editor lives exactly as long as the control holds it.

#include "lib/moxkeycode.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformtextedit.h"

#include <string>

namespace Kavrin::Test {

class FakeTextEdit;

struct FakeTextEditRecord
{
	int created {0};
	int destroyed {0};
	// The latest editor still alive.
	FakeTextEdit* current {nullptr};
	// What the editors answer to drawsPlaceholder().
	bool drawsPlaceholder {false};

	int open() const { return created - destroyed; }
};

class FakeTextEdit : public IPlatformTextEdit
{
public:
	FakeTextEdit(IPlatformTextEditCallback* callback, FakeTextEditRecord& record)
	: callback(callback), record(record), text(callback->platformGetText())
	{
		++record.created;
		record.current = this;
	}
	~FakeTextEdit() noexcept override
	{
		++record.destroyed;
		if (record.current == this)
			record.current = nullptr;
	}

	UTF8String getText() override { return text; }
	bool setText(const UTF8String& newText) override
	{
		text = newText;
		++setTextCalls;
		return true;
	}
	void updateSize() override { ++updateSizeCalls; }
	bool drawsPlaceholder() const override { return record.drawsPlaceholder; }

	// Appends at the end and tells the control.
	void type(const std::string& typed)
	{
		SharedPointer<FakeTextEdit> self = this;
		text += typed.c_str();
		callback->platformTextDidChange();
	}
	void erase()
	{
		SharedPointer<FakeTextEdit> self = this;
		text = "";
		callback->platformTextDidChange();
	}
	// The control hears the key first; true when it took it.
	bool pressKey(uint8 virt, uint8 modifier = 0)
	{
		SharedPointer<FakeTextEdit> self = this;
		MoxKeyCode key;
		key.virt = virt;
		key.modifier = modifier;
		return callback->platformOnKeyDown(key);
	}

	IPlatformTextEditCallback* callback;
	FakeTextEditRecord& record;
	UTF8String text;
	int setTextCalls {0};
	int updateSizeCalls {0};
};

// Makes fake editors that write into record.
inline HeadlessFrame::TextEditFactory fakeTextEditFactory(FakeTextEditRecord& record)
{
	return [&record](IPlatformTextEditCallback* callback) -> SharedPointer<IPlatformTextEdit> {
		return owned(new FakeTextEdit(callback, record));
	};
}

} // namespace Kavrin::Test
