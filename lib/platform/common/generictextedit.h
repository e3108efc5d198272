#pragma once

#include "lib/cbuttonstate.h"
#include "lib/platform/common/textbuffer.h"
#include "lib/platform/iplatformtextedit.h"
#include "lib/platform/iplatformtimer.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace Kavrin {

class CDrawContext;
class TextBoundaries;
class TextEditLayout;
class TextEditRouter;

// What a platform frame offers the text editors it shows. Rects are in
// frame coordinates.
class ITextEditHost
{
public:
	virtual ~ITextEditHost() noexcept = default;

	virtual void invalidTextEditRect(const CRect& rect) = 0;
	// The clipboard (CLIPBOARD on X11), as text.
	virtual void setClipboardText(const std::string& utf8) = 0;
	virtual std::string getClipboardText() = 0;
	// The selection a middle click pastes (PRIMARY on X11).
	virtual void setPrimaryText(const std::string& utf8) = 0;
	virtual std::string getPrimaryText() = 0;
	// Where the caret is, for input methods that place their windows by it.
	virtual void textEditCaretMoved(const CRect& caret) = 0;
};

// The single-line editor the toolkit draws itself over a text control. One
// implementation serves every platform: a platform frame only feeds it keys,
// text and clicks, and draws it after the views.
//
// The control holds the editor while it edits and drops it to close it,
// possibly from inside any of its callbacks. The editor notices that drop
// (its reference count falls during the call) and then stays inert: hold no
// reference of your own beyond a call, or a dropped editor would go on
// calling a control that may be gone.
class GenericTextEdit : public IPlatformTextEdit, private IPlatformTimerCallback
{
public:
	// The caret's blink half-period, and how long after the last input it
	// stops blinking and stays shown, so that an idle field wakes nothing.
	static constexpr uint32 kBlinkInterval = 530;   // milliseconds
	static constexpr uint32 kBlinkTimeout = 10000;  // milliseconds
	// The most a field holds; longer pastes are cut at a code point.
	static constexpr size_t kMaxTextBytes = 65536;
	// A press this close in time and place to a double click is a triple.
	static constexpr uint32 kTripleClickTime = 500; // milliseconds
	static constexpr double kTripleClickDistance = 4.;

	GenericTextEdit(IPlatformTextEditCallback* callback, ITextEditHost* host);
	~GenericTextEdit() noexcept override;

	UTF8String getText() override;
	bool setText(const UTF8String& text) override;
	void updateSize() override;
	bool drawsPlaceholder() const override;

	// A key press. The control hears it first; what it leaves is an editing
	// key or, with text (what the key typed after dead keys and compose
	// sequences, possibly empty), an insertion. True when taken.
	bool onKeyDown(const MoxKeyCode& key, std::string_view text);
	// Text committed by an input method, inserted at the caret in place of
	// the selection and of any preedit text.
	void commitText(std::string_view utf8);
	// The input method's text being composed, shown underlined at the caret;
	// the caret sits caretByte bytes into it. Empty ends the composition.
	void setPreedit(std::string_view utf8, int32 caretByte);

	// Mouse events in frame coordinates; the buttons carry the double-click
	// bit. A press outside the editor's visible rect is not taken.
	bool onMouseDown(const CPoint& where, const CButtonState& buttons);
	void onMouseMoved(const CPoint& where, const CButtonState& buttons);
	void onMouseUp(const CPoint& where, const CButtonState& buttons);

	// Draws over the views, clipped to the visible rect.
	void draw(CDrawContext* context);
	CRect getVisibleRect() const;
	CRect getCaretRect() const;
	// The frame's window gained or lost the keyboard focus: the caret shows
	// and blinks only while it has it.
	void setWindowFocused(bool focused);
	// The frame closes: the editor stays inert until the control drops it.
	void detachHost();

	// Set by the router that routes events here; it is told when the
	// editor goes.
	void setRouter(TextEditRouter* newRouter) { router = newRouter; }
	// Whether keys come here: of several editors only the newest shows a
	// caret.
	void setFocused(bool focused);
	// Neither detached nor dropped by its control.
	bool isOpen() const;

	// The caret and the selection's other end, in bytes of getText().
	size_t getCaret() const { return buffer.getCaret(); }
	size_t getAnchor() const { return buffer.getAnchor(); }
	// Whether the caret is drawn now (it blinks).
	bool isCaretVisible() const;
	bool isBlinking() const { return blinkTimer != nullptr; }
	const std::string& getPreedit() const { return preedit; }

private:
	class CallGuard;
	enum class DragMode
	{
		kNone,
		kCharacters,
		kWords,
		kAll,
	};
	// Where the text is drawn: the left end of the line and its baseline.
	struct LineOrigin
	{
		double x;
		double baseline;
	};

	void fire() override;

	// ---- Keys ----
	bool handleEditingKey(const MoxKeyCode& key);
	bool handleShortcut(const MoxKeyCode& key);
	void moveCaret(bool forward, bool byWord, bool extend);
	bool deleteBackward(bool byWord);
	bool deleteForward(bool byWord);
	bool insertText(std::string_view bytes, bool pasted);
	void selectAll();
	void copy();
	bool cut();
	bool paste();
	bool undo(bool redo);

	// ---- Mouse ----
	int32 countClick(const CPoint& where, const CButtonState& buttons);
	void dragTo(size_t offset);
	bool pastePrimaryAt(const CPoint& where);
	size_t offsetAt(const CPoint& where) const;

	// ---- State changes ----
	// Replaces [from, to) within the length limit; false when nothing changed.
	bool replace(size_t from, size_t to, std::string_view insertion, TextBuffer::EditKind kind);
	// After an edit: lays out, shows the caret and tells the control. False
	// when the control closed the editor meanwhile.
	bool textDidChange();
	// After a caret move or a new selection.
	void selectionDidChange(bool offerAsPrimary);
	void offerSelectionAsPrimary();
	void readGeometry();
	void layOut();
	void invalidate();
	// After a call out: false (and closed) when the control dropped the
	// editor during the call or the host went.
	bool stillOpen(int32 referencesBefore);
	void close();

	// ---- Caret and display ----
	bool isCaretActive() const;
	void restartBlink();
	void stopBlinking();
	void invalidateCaret();
	std::string displayedPreedit() const;
	size_t toDisplay(size_t offset) const;
	size_t fromDisplay(size_t displayOffset) const;
	size_t caretDisplayOffset() const;
	CRect textArea() const;
	CRect clipArea() const;
	LineOrigin lineOrigin() const;
	void scrollToCaret();
	void drawSelection(CDrawContext* context, const LineOrigin& origin, const CColor& fontColor);
	void drawPreeditUnderline(CDrawContext* context, const LineOrigin& origin, const CColor& fontColor);
	void drawPlaceholder(CDrawContext* context, const CColor& fontColor);

	IPlatformTextEditCallback* callback;
	ITextEditHost* host;
	TextEditRouter* router {nullptr};
	TextBuffer buffer;
	std::unique_ptr<TextBoundaries> boundaries;
	std::unique_ptr<TextEditLayout> layout;
	std::unique_ptr<TextEditLayout> placeholderLayout;

	// What the control reported at the last updateSize.
	CRect size;
	CRect visibleSize;
	CPoint textInset;
	CHoriTxtAlign alignment {kCenterText};
	SharedPointer<CFontDesc> font;
	bool secure {false};

	std::string preedit;
	size_t preeditCaret {0};
	double scrollOffset {0.};

	SharedPointer<IPlatformTimer> blinkTimer;
	uint32 lastInputTime {0};
	bool caretOn {true};
	bool focused {true};
	bool windowFocused {true};
	CRect lastCaretRect;

	DragMode dragMode {DragMode::kNone};
	std::pair<size_t, size_t> dragOrigin {0, 0};
	uint32 lastPressTime {0};
	CPoint lastPressPosition;
	int32 lastClickCount {0};

	int32 callDepth {0};
	bool detached {false};
};

} // namespace Kavrin
