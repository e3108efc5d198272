#pragma once

#include "lib/crect.h"
#include "lib/kavrintypes.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <xcb/xcb.h>

struct _xcb_xim_t;

namespace Kavrin {

class X11Platform;

// The connection's input method, spoken to through XIM: the server that
// XMODIFIERS names ("@im=name"). Each frame window with a focused editor
// gets an input context; while the editor has the focus its keys go to the
// input method, which commits text, shows the text it composes in the
// editor (on the spot) or in a window of its own at the caret (over the
// spot), and sends back the keys it does not take, which then go the usual
// way. Everything is asynchronous: nothing here waits for the input method,
// and a key pressed before the input method is ready goes the usual way.
class X11InputMethod
{
public:
	// What the input method does to the focused editor of one window.
	class Client
	{
	public:
		virtual ~Client() noexcept = default;
		// Text to insert in place of the selection and of any text being
		// composed.
		virtual void inputMethodCommit(std::string_view utf8) = 0;
		// The text being composed, the caret caretByte bytes into it; empty
		// when the composition ends.
		virtual void inputMethodPreedit(std::string_view utf8, int32 caretByte) = 0;
		// A key press or release the input method did not take.
		virtual void inputMethodKey(const xcb_key_press_event_t& event) = 0;
	};

	// The input method XMODIFIERS names; null when it names none, so that a
	// program without one pays nothing. An input method that starts later
	// is connected to when it appears.
	static std::unique_ptr<X11InputMethod> create(X11Platform* platform);
	// The input method registered as serverName; null when the library
	// cannot start.
	static std::unique_ptr<X11InputMethod> create(X11Platform* platform, const std::string& serverName);
	~X11InputMethod() noexcept;
	X11InputMethod(const X11InputMethod&) = delete;
	X11InputMethod& operator=(const X11InputMethod&) = delete;

	// True once an input context can be made: the input method answered
	// and offers a style the editors can show.
	bool isReady() const { return style != 0; }

	// Takes the events of the conversation with the input method.
	bool handleEvent(xcb_generic_event_t* event);

	// An editor of the window took the keyboard focus (and the window has
	// it): until focusOut or removeWindow, client hears what the input
	// method does. The window's input context is made on its first focus.
	void focusIn(xcb_window_t window, Client* client);
	// The editor lost the focus, or the window did. What was being composed
	// is dropped; the client is not called any more.
	void focusOut(xcb_window_t window);
	void removeWindow(xcb_window_t window);
	// Sends a key of a window whose editor has the focus to the input
	// method. False when the key goes the usual way now: no input method, no
	// context yet, a key the input method does not ask for, or a key it
	// just sent back.
	bool forwardKey(const xcb_key_press_event_t& event);
	// True when the keys of the window go to the input method now.
	bool takesKeysOf(xcb_window_t window) const;
	// The caret of the window's focused editor, in the window's pixels:
	// input methods place their windows just below it.
	void setCaret(xcb_window_t window, const CRect& caret);

	// ---- The parts that depend on no server ----

	// The server named by an XMODIFIERS value ("@im=fcitx" gives "fcitx");
	// empty when it names none (or "none").
	static std::string serverNameFromModifiers(const char* modifiers);
	// The style to ask for among those the input method offers, the
	// editors' preference first: the composed text drawn in the editor,
	// then in the input method's window at the caret, then wherever the
	// input method likes; 0 when none is usable.
	static uint32 chooseStyle(const std::vector<uint32>& offered);
	// The composed text after the input method redrew part of it: length
	// characters from first become replacement. Indexes beyond the text are
	// clamped; the result is valid UTF-8 whatever the input.
	static std::string applyPreeditDraw(std::string_view preedit, uint32 first, uint32 length,
	                                    std::string_view replacement);
	// The byte offset of a character index into valid UTF-8, clamped to
	// the end.
	static size_t byteOffsetOfCharacter(std::string_view utf8, uint32 index);

private:
	struct Context
	{
		uint16 id {0}; // 0 until the input method made it
		bool creating {false};
		bool spotQueued {false};
		Client* client {nullptr};
		xcb_point_t spot {0, 0};
		std::string preedit;
		uint32 preeditCaret {0};
	};
	// Sends one request; true when it awaits an answer.
	using Request = std::function<bool()>;

	X11InputMethod(X11Platform* platform, _xcb_xim_t* xim);

	X11Platform* platform;
	_xcb_xim_t* xim;
	uint32 style {0};
	uint32 forwardMask {XCB_EVENT_MASK_KEY_PRESS};
	std::map<xcb_window_t, Context> contexts;
	// The library handles one answered request at a time, and what waits
	// behind it is sent only when the next request is made: requests wait
	// here instead, and each goes once the one before it was answered.
	std::deque<Request> requests;
	bool awaitingAnswer {false};
	bool insideLibrary {false};
	// The window whose context is being made (one at a time).
	xcb_window_t creatingFor {XCB_NONE};
	bool returningKey {false};

	void queue(Request request);
	void sendRequests();
	void answered();
	void opened();
	void stylesOffered(const std::vector<uint32>& offered);
	void createContext(xcb_window_t window);
	void contextCreated(uint16 id);
	void queueSpot(xcb_window_t window);
	void disconnected();
	Context* contextOf(uint16 id, xcb_window_t* window = nullptr);
	std::string decode(const char* bytes, size_t length) const;

	void commitString(uint16 id, uint32 flag, const char* bytes, uint32 length, const uint32* keysyms,
	                  size_t keysymCount);
	void keyReturned(uint16 id, const xcb_key_press_event_t& event);
	void preeditDraw(uint16 id, uint32 caret, uint32 first, uint32 length, uint32 status, const char* bytes,
	                 size_t byteLength);
	void preeditCaret(uint16 id, uint32 position, uint32 direction);
	void preeditDone(uint16 id);
	void showPreedit(Context& context);

	friend struct X11InputMethodCallbacks;
};

} // namespace Kavrin
