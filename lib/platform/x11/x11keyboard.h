#pragma once

#include "lib/moxkeycode.h"

#include <string>
#include <vector>
#include <xcb/xcb.h>

struct xkb_compose_state;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace Kavrin {

// The keyboard of a connection: turns key events into key codes.
//
// With the XKB extension the keymap comes from the server and follows its
// changes (a new keyboard, a new map); a key's keysym is looked up with the
// modifiers and the group of its own event, so it is right even when the
// state notifications arrive after the key. Without XKB, keys map through the
// core keyboard mapping, fetched once and again when a mapping notify says
// it changed.
class X11Keyboard
{
public:
	// useXkb false keeps to the core mapping even where XKB is available.
	explicit X11Keyboard(xcb_connection_t* connection, bool useXkb = true);
	~X11Keyboard() noexcept;
	X11Keyboard(const X11Keyboard&) = delete;
	X11Keyboard& operator=(const X11Keyboard&) = delete;

	// True when the keymap comes from XKB.
	bool usesXkb() const { return keymap != nullptr; }

	// The key code of a key press or release: its keycode and state field.
	MoxKeyCode translate(xcb_keycode_t keycode, uint16 state);

	// A key press as a text editor takes it.
	struct TypedKey
	{
		MoxKeyCode code;
		// What the key types: its character, or what the compose sequence
		// it finished stands for. Empty for keys that type nothing (editing
		// keys, shortcuts with Control, Alt or Super).
		std::string text;
		// The key is part of a compose sequence still going on, or one it
		// cancelled: it is no key for anyone.
		bool swallowed {false};
	};
	// A key press for the focused text editor. Dead keys and the Compose
	// key go through the compose table of the user's locale: they type
	// nothing until their sequence ends. The code of a key that finishes a
	// sequence is the composed character's.
	TypedKey type(xcb_keycode_t keycode, uint16 state);
	// Forgets a compose sequence in progress (the editor lost the focus).
	void cancelCompose();
	// The keysym a key produces under the state field's modifiers and group.
	uint32 keysym(xcb_keycode_t keycode, uint16 state);
	// True when the key is a modifier or lock key under the state field.
	bool isModifierKey(xcb_keycode_t keycode, uint16 state);

	// The key modifier bits held now, as XKB last reported them (0 without XKB).
	uint8 heldModifiers() const;

	// Follows keyboard changes. True when the event was the keyboard's alone
	// (an XKB event); mapping notifies are looked at but left to others too.
	bool handleEvent(const xcb_generic_event_t* event);

private:
	bool setUpXkb();
	bool makeKeymap();
	void selectXkbEvents();
	void readCoreMapping();
	uint32 coreKeysym(xcb_keycode_t keycode, uint16 state) const;
	bool setUpCompose();

	xcb_connection_t* connection;

	// XKB: the server's keymap, the state it reports, and a state to look
	// keys up with their events' modifiers.
	xkb_context* context {nullptr};
	xkb_keymap* keymap {nullptr};
	xkb_state* state {nullptr};
	xkb_state* lookup {nullptr};
	int32 deviceId {-1};
	uint8 firstEvent {0};

	// Compose sequences, set up on the first key typed into an editor.
	xkb_context* composeContext {nullptr};
	xkb_compose_state* compose {nullptr};
	bool composeTried {false};

	// The core mapping: keysymsPerKeycode keysyms for each keycode from
	// minKeycode on, and the modifier bits of Num Lock and Mode switch.
	std::vector<uint32> coreKeysyms;
	uint8 keysymsPerKeycode {0};
	uint8 minKeycode {0};
	uint16 numLockMask {0};
	uint16 modeSwitchMask {0};
};

} // namespace Kavrin
