#pragma once

#include "lib/cbuttonstate.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/moxkeycode.h"
#include "lib/reference.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Kavrin {

class CDrawContext;
class GenericTextEdit;
class IDataPackage;
class IPlatformFrame;
class IPlatformTextEditCallback;
class ITextEditHost;

// The text editors of one platform frame, which owns the router: it makes
// them, routes the keys and the mouse to them before the frame, and draws
// them after the views. The editors are not owned (their controls hold
// them); each one leaves the router when it goes. The newest editor alive
// has the focus.
class TextEditRouter
{
public:
	// frame is the owner, for the mouse cursor.
	TextEditRouter(IPlatformFrame* frame, bool windowFocused);
	// Editors still open become inert.
	~TextEditRouter() noexcept;
	TextEditRouter(const TextEditRouter&) = delete;
	TextEditRouter& operator=(const TextEditRouter&) = delete;

	SharedPointer<GenericTextEdit> create(IPlatformTextEditCallback* callback, ITextEditHost* host);
	void add(GenericTextEdit* editor);
	void remove(GenericTextEdit* editor);
	// The editor keys go to; null when none is open.
	GenericTextEdit* getFocused() const;

	// A press that the frame took places the caret of an editor opened
	// under it within this time (the frame may grant the focus only once
	// the window has it, after the press).
	static constexpr uint32 kPressOpensEditorTime = 500; // milliseconds

	// Each offers the event to the focused editor and, when it does not
	// take it, passes it on to the frame (toFrame, whose answer is
	// returned). A press the editor takes also gets the moves and the
	// release that follow; a press the frame takes that opens an editor
	// under it places that editor's caret.
	bool keyDown(const MoxKeyCode& key, std::string_view text, const std::function<bool()>& toFrame);
	bool mouseDown(const CPoint& where, const CButtonState& buttons, const std::function<bool()>& toFrame);
	bool mouseMoved(const CPoint& where, const CButtonState& buttons, const std::function<bool()>& toFrame);
	bool mouseUp(const CPoint& where, const CButtonState& buttons, const std::function<bool()>& toFrame);

	// Draws the editors over what the frame drew in rect.
	void draw(CDrawContext* context, const CRect& rect);
	void setWindowFocused(bool focused);
	bool isWindowFocused() const { return windowFocused; }
	// The frame closes.
	void detachAll();

	// Clipboard text for ITextEditHost implementations: a package of one
	// text item, and the first text item of a package ("" when none).
	static SharedPointer<IDataPackage> packageWithText(const std::string& utf8);
	static std::string textIn(IDataPackage* package);

private:
	// The last left press the frame took, which may open an editor.
	struct FramePress
	{
		CPoint where;
		CButtonState buttons;
		uint32 time {0};
		bool pending {false};
		bool released {false};
	};

	void placeCaretOfOpenedEditor(GenericTextEdit* editor);
	bool contains(GenericTextEdit* editor) const;
	bool isOverEditor(const CPoint& where) const;
	void focusNewest();
	void showIBeam(bool show);

	IPlatformFrame* frame;
	std::vector<GenericTextEdit*> editors; // oldest first
	GenericTextEdit* focused {nullptr};
	GenericTextEdit* captured {nullptr};
	FramePress framePress;
	bool windowFocused;
	bool iBeamShown {false};
};

} // namespace Kavrin
