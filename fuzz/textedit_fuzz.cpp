// Feeds random streams of key presses, typed text (invalid UTF-8 among it),
// pastes (huge ones too), input method compositions, clicks and drags into
// the editor the toolkit draws itself over a text field, on the headless
// platform. After every step the text must be valid UTF-8 within the size
// limit, with the caret and the selection's anchor on code points inside
// it; nothing may crash or leak. The first byte picks a plain or a
// password field and its alignment.

#include "lib/cfont.h"
#include "lib/cframe.h"
#include "lib/idatapackage.h"
#include "lib/platform/common/generictextedit.h"
#include "lib/platform/common/singlelinetext.h"
#include "lib/platform/common/texteditrouter.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace Kavrin;

void check(bool condition)
{
	if (!condition)
		__builtin_trap();
}

class Field : public IPlatformTextEditCallback
{
public:
	CColor platformGetBackColor() const override { return kBlackCColor; }
	CColor platformGetFontColor() const override { return kWhiteCColor; }
	CFontDesc* platformGetFont() const override { return font; }
	CHoriTxtAlign platformGetHoriTxtAlign() const override { return alignment; }
	const UTF8String& platformGetText() const override { return text; }
	const UTF8String& platformGetPlaceholderText() const override { return placeholder; }
	CRect platformGetSize() const override { return {10, 10, 110, 30}; }
	CRect platformGetVisibleSize() const override { return {10, 10, 110, 30}; }
	CPoint platformGetTextInset() const override { return {2, 2}; }
	void platformLooseFocus(bool) override {}
	bool platformOnKeyDown(const MoxKeyCode& key) override { return key.virt == kVKeyReturn; }
	void platformTextDidChange() override {}
	bool platformIsSecureTextEdit() override { return secure; }

	SharedPointer<CFontDesc> font {makeOwned<CFontDesc>("DejaVu Sans", 11.)};
	CHoriTxtAlign alignment {kLeftText};
	UTF8String text {"start"};
	UTF8String placeholder {"type here"};
	bool secure {false};
};

// The platform and an open frame, made once for the process.
struct Window
{
	Window()
	{
		setPlatform(platform);
		frame = new CFrame(CRect(0, 0, 200, 50));
		frame->open(&parent, kHeadless);
		window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
	}

	SharedPointer<HeadlessPlatform> platform {makeOwned<HeadlessPlatform>()};
	int parent {0};
	CFrame* frame {nullptr};
	HeadlessFrame* window {nullptr};
};

// Reads the input a byte or a run of bytes at a time; zeros past its end.
class Input
{
public:
	Input(const uint8_t* data, size_t size) : bytes(reinterpret_cast<const char*>(data), size) {}
	bool done() const { return at >= bytes.size(); }
	uint8_t next() { return at < bytes.size() ? uint8_t(bytes[at++]) : 0; }
	std::string_view take(size_t count)
	{
		auto run = bytes.substr(std::min(at, bytes.size()), count);
		at += run.size();
		return run;
	}

private:
	std::string_view bytes;
	size_t at {0};
};

constexpr uint8_t kKeys[] = {kVKeyLeft,   kVKeyRight, kVKeyHome,  kVKeyEnd,    kVKeyBack,
                             kVKeyDelete, kVKeyInsert, kVKeyTab,  kVKeyReturn, kVKeySpace};
constexpr char kShortcuts[] = {'a', 'c', 'x', 'v', 'z', 'y', 'b'};

void checkState(GenericTextEdit& editor)
{
	const std::string text = editor.getText().getString();
	check(SingleLineText::isValidUTF8(text));
	check(text.size() <= GenericTextEdit::kMaxTextBytes);
	for (size_t offset : {editor.getCaret(), editor.getAnchor()})
	{
		check(offset <= text.size());
		check(SingleLineText::codePointBoundaryBefore(text, offset) == offset);
	}
	check(SingleLineText::isValidUTF8(editor.getPreedit()));
}

void step(Input& input, HeadlessFrame& window, GenericTextEdit& editor)
{
	const uint8_t modifiers = input.next() & 0x0F;
	const CPoint where(input.next() / 2., 20.);
	switch (input.next() % 10)
	{
		case 0:
			window.keyDown({0, kKeys[input.next() % sizeof(kKeys)], modifiers});
			break;
		case 1:
		{
			const char letter = kShortcuts[input.next() % sizeof(kShortcuts)];
			window.keyDown({letter, 0, uint8_t(modifiers | kModifierControl)}, std::string(1, letter));
			break;
		}
		case 2:
			window.keyDown({0, 0, modifiers}, input.take(input.next() % 8));
			break;
		case 3:
			window.clipboard = TextEditRouter::packageWithText(std::string(input.take(input.next() * 4u)));
			window.keyDown({'v', 0, kModifierControl}, "v");
			break;
		case 4:
		{
			// A paste far beyond what a field holds, of a repeated pattern.
			std::string pattern(input.take(1 + input.next() % 4));
			std::string huge;
			while (huge.size() < 2 * GenericTextEdit::kMaxTextBytes)
				huge += pattern.empty() ? std::string("\xE2\x82\xAC") : pattern;
			window.clipboard = TextEditRouter::packageWithText(huge);
			window.keyDown({'v', 0, kModifierControl}, "v");
			break;
		}
		case 5:
			editor.setPreedit(input.take(input.next() % 12), int8_t(input.next()));
			break;
		case 6:
			editor.commitText(input.take(input.next() % 12));
			break;
		case 7:
		{
			uint32_t buttons = modifiers & 1 ? kMiddleButton : kLeftButton;
			if (modifiers & 2)
				buttons |= kDoubleClick;
			if (modifiers & 4)
				buttons |= kShiftModifier;
			window.primaryText = std::string(input.take(input.next() % 16));
			window.mouseDown(where, buttons);
			break;
		}
		case 8:
			window.mouseMoved(where, kLeftButton);
			if (modifiers & 1)
				window.mouseUp(where, kLeftButton);
			break;
		default:
			editor.setText(UTF8String(std::string(input.take(input.next() % 24))));
			break;
	}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	static Window* shared = new Window;
	HeadlessFrame& window = *shared->window;
	Input input(data, size);
	Field field;
	const uint8_t setup = input.next();
	field.secure = setup & 1;
	field.alignment = CHoriTxtAlign((setup >> 1) % 3);
	SharedPointer<IPlatformTextEdit> opened = window.createPlatformTextEdit(&field);
	auto editor = opened.cast<GenericTextEdit>();
	check(editor != nullptr);
	for (int steps = 0; !input.done() && steps < 256; ++steps)
	{
		step(input, window, *editor);
		checkState(*editor);
	}
	window.invalidRects.clear();
	window.drawRect(CRect(0, 0, 200, 50));
	shared->platform->advance(GenericTextEdit::kBlinkInterval);
	return 0;
}
