#include "lib/platform/common/texteditrouter.h"

#include "lib/cdrawcontext.h"
#include "lib/cdropsource.h"
#include "lib/idatapackage.h"
#include "lib/platform/common/generictextedit.h"
#include "lib/platform/iplatformframe.h"

#include <algorithm>
#include <utility>

namespace Kavrin {

TextEditRouter::TextEditRouter(IPlatformFrame* frame, bool windowFocused)
: frame(frame), windowFocused(windowFocused)
{
}

TextEditRouter::~TextEditRouter() noexcept
{
	detachAll();
}

SharedPointer<GenericTextEdit> TextEditRouter::create(IPlatformTextEditCallback* callback, ITextEditHost* host)
{
	if (!callback || !host)
		return nullptr;
	auto editor = makeOwned<GenericTextEdit>(callback, host);
	add(editor);
	return editor;
}

void TextEditRouter::add(GenericTextEdit* editor)
{
	if (!editor || contains(editor) || !editor->isOpen())
		return;
	editors.push_back(editor);
	editor->setRouter(this);
	editor->setWindowFocused(windowFocused);
	focusNewest();
	placeCaretOfOpenedEditor(editor);
}

// The click that opened an editor lands its caret where it clicked, and
// drags on from there while the button is down.
void TextEditRouter::placeCaretOfOpenedEditor(GenericTextEdit* editor)
{
	if (!framePress.pending || editor != focused)
		return;
	framePress.pending = false;
	if (IPlatformFrame::getTicks() - framePress.time > kPressOpensEditorTime ||
	    !editor->getVisibleRect().pointInside(framePress.where))
		return;
	if (editor->onMouseDown(framePress.where, framePress.buttons) && !framePress.released && contains(editor))
		captured = editor;
}

void TextEditRouter::remove(GenericTextEdit* editor)
{
	auto found = std::find(editors.begin(), editors.end(), editor);
	if (found == editors.end())
		return;
	editors.erase(found);
	editor->setRouter(nullptr);
	if (captured == editor)
		captured = nullptr;
	if (focused == editor)
		focused = nullptr;
	focusNewest();
}

void TextEditRouter::focusNewest()
{
	GenericTextEdit* newest = editors.empty() ? nullptr : editors.back();
	if (newest == focused)
		return;
	if (focused)
		focused->setFocused(false);
	focused = newest;
	if (focused)
		focused->setFocused(true);
}

GenericTextEdit* TextEditRouter::getFocused() const
{
	return focused;
}

bool TextEditRouter::contains(GenericTextEdit* editor) const
{
	return std::find(editors.begin(), editors.end(), editor) != editors.end();
}

void TextEditRouter::detachAll()
{
	auto detaching = std::move(editors);
	editors.clear();
	focused = nullptr;
	captured = nullptr;
	for (auto editor : detaching)
	{
		editor->setRouter(nullptr);
		editor->detachHost();
	}
}

void TextEditRouter::setWindowFocused(bool newFocused)
{
	windowFocused = newFocused;
	// A copy: an editor may leave while it is told.
	auto current = editors;
	for (auto editor : current)
	{
		if (contains(editor))
			editor->setWindowFocused(newFocused);
	}
}

// ---- Events ----

bool TextEditRouter::keyDown(const MoxKeyCode& key, std::string_view text, const std::function<bool()>& toFrame)
{
	framePress.pending = false;
	if (focused && focused->onKeyDown(key, text))
		return true;
	return toFrame();
}

bool TextEditRouter::mouseDown(const CPoint& where, const CButtonState& buttons,
                               const std::function<bool()>& toFrame)
{
	captured = nullptr;
	framePress.pending = false;
	if (GenericTextEdit* editor = focused)
	{
		if (editor->onMouseDown(where, buttons))
		{
			if (buttons.isLeftButton() && contains(editor))
				captured = editor;
			return true;
		}
	}
	if (buttons.isLeftButton())
		framePress = {where, buttons, IPlatformFrame::getTicks(), true, false};
	return toFrame();
}

bool TextEditRouter::mouseMoved(const CPoint& where, const CButtonState& buttons,
                                const std::function<bool()>& toFrame)
{
	if (GenericTextEdit* editor = captured)
	{
		editor->onMouseMoved(where, buttons);
		return true;
	}
	// Left before the frame hears the move, so that a view entered now sets
	// its own cursor; entered after it, so that the I-beam wins over the
	// control's.
	if (!isOverEditor(where))
		showIBeam(false);
	const bool handled = toFrame();
	if (isOverEditor(where))
		showIBeam(true);
	return handled;
}

bool TextEditRouter::mouseUp(const CPoint& where, const CButtonState& buttons, const std::function<bool()>& toFrame)
{
	framePress.released = true;
	if (GenericTextEdit* editor = std::exchange(captured, nullptr))
	{
		editor->onMouseUp(where, buttons);
		return true;
	}
	return toFrame();
}

bool TextEditRouter::isOverEditor(const CPoint& where) const
{
	return focused && focused->getVisibleRect().pointInside(where);
}

void TextEditRouter::showIBeam(bool show)
{
	if (show == iBeamShown)
		return;
	iBeamShown = show;
	if (frame)
		frame->setMouseCursor(show ? kCursorIBeam : kCursorDefault);
}

// ---- Drawing ----

void TextEditRouter::draw(CDrawContext* context, const CRect& rect)
{
	if (!context)
		return;
	auto current = editors;
	for (auto editor : current)
	{
		if (!contains(editor))
			continue;
		CRect area = editor->getVisibleRect();
		if (area.bound(rect).isEmpty())
			continue;
		CDrawContext::ClipScope clip(context, rect);
		editor->draw(context);
	}
}

// ---- Clipboard text ----

SharedPointer<IDataPackage> TextEditRouter::packageWithText(const std::string& utf8)
{
	return CDropSource::create(utf8.data(), static_cast<uint32>(utf8.size()), IDataPackage::kText);
}

std::string TextEditRouter::textIn(IDataPackage* package)
{
	if (!package)
		return {};
	for (uint32 i = 0; i < package->getCount(); ++i)
	{
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		const uint32 length = package->getData(i, bytes, type);
		if (type == IDataPackage::kText && bytes)
			return std::string(static_cast<const char*>(bytes), length);
	}
	return {};
}

} // namespace Kavrin
