#include "lib/platform/x11/x11keyboard.h"

#include "lib/platform/x11/x11input.h"

#define explicit explicit_ // xkb.h names a struct member "explicit"
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace Kavrin {

namespace {

// The header all XKB events share.
struct XkbAnyEvent
{
	uint8_t response_type;
	uint8_t xkbType;
	uint16_t sequence;
	xcb_timestamp_t time;
	uint8_t deviceID;
};

constexpr uint16 kStateParts = XCB_XKB_STATE_PART_MODIFIER_BASE |
                               XCB_XKB_STATE_PART_MODIFIER_LATCH |
                               XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE |
                               XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;

constexpr uint16 kMapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                             XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                             XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                             XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;

// Key events carry the eight modifiers in bits 0 to 7 and, for clients of
// XKB, the effective group in bits 13 and 14.
constexpr uint16 kModifierBits = 0xFF;
uint32 groupOfState(uint16 state)
{
	return (state >> 13) & 3;
}

// The locale the user's compose sequences are written for, as the C
// library would pick it for character types.
const char* composeLocale()
{
	for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
	{
		const char* value = std::getenv(name);
		if (value && *value)
			return value;
	}
	return "C";
}

// What a key types outside compose sequences: its character, unless a
// shortcut modifier is held or the character is a control character
// (Return, Tab, BackSpace and Delete are editing keys, not text).
std::string typedText(uint32 keysym, uint16 state)
{
	if (state & (X11Input::kControlMask | X11Input::kMod1Mask | X11Input::kMod4Mask))
		return {};
	uint32 character = xkb_keysym_to_utf32(keysym);
	if (character < 0x20 || (character >= 0x7F && character < 0xA0))
		return {};
	char utf8[8] = {};
	int size = xkb_keysym_to_utf8(keysym, utf8, sizeof(utf8));
	return size > 1 ? std::string(utf8, size_t(size - 1)) : std::string();
}

} // namespace

X11Keyboard::X11Keyboard(xcb_connection_t* connection, bool useXkb) : connection(connection)
{
	if (!useXkb || !setUpXkb())
		readCoreMapping();
}

X11Keyboard::~X11Keyboard() noexcept
{
	xkb_compose_state_unref(compose);
	xkb_context_unref(composeContext);
	xkb_state_unref(lookup);
	xkb_state_unref(state);
	xkb_keymap_unref(keymap);
	xkb_context_unref(context);
}

bool X11Keyboard::setUpXkb()
{
	if (!xkb_x11_setup_xkb_extension(
	        connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
	        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &firstEvent, nullptr))
		return false;
	deviceId = xkb_x11_get_core_keyboard_device_id(connection);
	if (deviceId < 0)
		return false;
	context = xkb_context_new(
	    xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
	if (!context || !makeKeymap())
		return false;
	selectXkbEvents();
	return true;
}

// The keymap and state of the device as the server has them now; the old
// ones stay when the server does not answer.
bool X11Keyboard::makeKeymap()
{
	xkb_keymap* newKeymap =
	    xkb_x11_keymap_new_from_device(context, connection, deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
	if (!newKeymap)
		return false;
	xkb_state* newState = xkb_x11_state_new_from_device(newKeymap, connection, deviceId);
	xkb_state* newLookup = xkb_state_new(newKeymap);
	if (!newState || !newLookup)
	{
		xkb_state_unref(newState);
		xkb_state_unref(newLookup);
		xkb_keymap_unref(newKeymap);
		return false;
	}
	xkb_state_unref(lookup);
	xkb_state_unref(state);
	xkb_keymap_unref(keymap);
	keymap = newKeymap;
	state = newState;
	lookup = newLookup;
	return true;
}

void X11Keyboard::selectXkbEvents()
{
	xcb_xkb_select_events_details_t details {};
	details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
	details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
	details.affectState = kStateParts;
	details.stateDetails = kStateParts;
	constexpr uint16 events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
	                          XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
	xcb_xkb_select_events_aux(connection, xcb_xkb_device_spec_t(deviceId), events, 0, 0, kMapParts,
	                          kMapParts, &details);
	xcb_flush(connection);
}

void X11Keyboard::readCoreMapping()
{
	const xcb_setup_t* setup = xcb_get_setup(connection);
	if (!setup) // a connection that failed
		return;
	minKeycode = setup->min_keycode;
	auto count = uint8(setup->max_keycode - setup->min_keycode + 1);
	auto mappingCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode, count);
	auto modifiersCookie = xcb_get_modifier_mapping(connection);
	auto mapping = xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr);
	auto modifiers = xcb_get_modifier_mapping_reply(connection, modifiersCookie, nullptr);
	coreKeysyms.clear();
	keysymsPerKeycode = 0;
	numLockMask = 0;
	modeSwitchMask = 0;
	if (mapping)
	{
		const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
		coreKeysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(mapping));
		keysymsPerKeycode = mapping->keysyms_per_keycode;
	}
	if (modifiers)
	{
		// Eight modifiers, each with up to keycodes_per_modifier keys.
		const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modifiers);
		int perModifier = modifiers->keycodes_per_modifier;
		for (int modifier = 0; modifier < 8; ++modifier)
		{
			for (int i = 0; i < perModifier; ++i)
			{
				xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
				if (keycode < minKeycode)
					continue;
				size_t start = size_t(keycode - minKeycode) * keysymsPerKeycode;
				for (size_t k = start; k < start + keysymsPerKeycode && k < coreKeysyms.size(); ++k)
				{
					if (coreKeysyms[k] == XKB_KEY_Num_Lock)
						numLockMask |= uint16(1 << modifier);
					else if (coreKeysyms[k] == XKB_KEY_Mode_switch)
						modeSwitchMask |= uint16(1 << modifier);
				}
			}
		}
	}
	std::free(modifiers);
	std::free(mapping);
}

uint32 X11Keyboard::coreKeysym(xcb_keycode_t keycode, uint16 keyState) const
{
	if (keycode < minKeycode || !keysymsPerKeycode)
		return XKB_KEY_NoSymbol;
	size_t start = size_t(keycode - minKeycode) * keysymsPerKeycode;
	if (start + keysymsPerKeycode > coreKeysyms.size())
		return XKB_KEY_NoSymbol;
	return X11Input::keysymFromCoreMapping(&coreKeysyms[start], keysymsPerKeycode, keyState,
	                                       numLockMask, modeSwitchMask);
}

uint32 X11Keyboard::keysym(xcb_keycode_t keycode, uint16 keyState)
{
	if (!keymap)
		return coreKeysym(keycode, keyState);
	xkb_state_update_mask(lookup, keyState & kModifierBits, 0, 0, 0, 0, groupOfState(keyState));
	return xkb_state_key_get_one_sym(lookup, keycode);
}

bool X11Keyboard::isModifierKey(xcb_keycode_t keycode, uint16 keyState)
{
	return X11Input::isModifierKeysym(keysym(keycode, keyState));
}

MoxKeyCode X11Keyboard::translate(xcb_keycode_t keycode, uint16 keyState)
{
	uint32 sym = keysym(keycode, keyState);
	// The keysym's own character: Control leaves "a" an "a" here, where
	// XKB's lookup of the key's text would make it a control character.
	return X11Input::keyCodeFromKeysym(sym, xkb_keysym_to_utf32(sym), keyState);
}

// The table of the user's locale, or the default one when that locale has
// none. Without compose files, dead keys and the Compose key type nothing.
bool X11Keyboard::setUpCompose()
{
	if (composeTried)
		return compose != nullptr;
	composeTried = true;
	composeContext = xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES);
	if (!composeContext)
		return false;
	// A locale without a table is no error: the default one serves.
	xkb_context_set_log_level(composeContext, XKB_LOG_LEVEL_CRITICAL);
	xkb_compose_table* table =
	    xkb_compose_table_new_from_locale(composeContext, composeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
	if (!table)
		table = xkb_compose_table_new_from_locale(composeContext, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
	if (!table)
		return false;
	compose = xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS);
	xkb_compose_table_unref(table);
	return compose != nullptr;
}

X11Keyboard::TypedKey X11Keyboard::type(xcb_keycode_t keycode, uint16 keyState)
{
	TypedKey key;
	uint32 sym = keysym(keycode, keyState);
	key.code = X11Input::keyCodeFromKeysym(sym, xkb_keysym_to_utf32(sym), keyState);
	// Modifier keys are ignored by the table and leave a sequence going.
	if (setUpCompose() && xkb_compose_state_feed(compose, sym) == XKB_COMPOSE_FEED_ACCEPTED)
	{
		switch (xkb_compose_state_get_status(compose))
		{
			case XKB_COMPOSE_COMPOSING:
				key.swallowed = true;
				return key;
			case XKB_COMPOSE_CANCELLED:
				xkb_compose_state_reset(compose);
				key.swallowed = true;
				return key;
			case XKB_COMPOSE_COMPOSED:
			{
				char utf8[256] = {};
				int size = xkb_compose_state_get_utf8(compose, utf8, sizeof(utf8));
				uint32 composed = xkb_compose_state_get_one_sym(compose);
				xkb_compose_state_reset(compose);
				key.code = X11Input::keyCodeFromKeysym(composed, xkb_keysym_to_utf32(composed), keyState);
				key.text.assign(utf8, size_t(std::clamp(size, 0, int(sizeof(utf8)) - 1)));
				return key;
			}
			case XKB_COMPOSE_NOTHING:
				break;
		}
	}
	key.text = typedText(sym, keyState);
	return key;
}

void X11Keyboard::cancelCompose()
{
	if (compose)
		xkb_compose_state_reset(compose);
}

uint8 X11Keyboard::heldModifiers() const
{
	if (!state)
		return 0;
	auto mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_EFFECTIVE);
	return X11Input::keyModifiersFromState(uint16(mods & kModifierBits));
}

bool X11Keyboard::handleEvent(const xcb_generic_event_t* event)
{
	uint8 type = event->response_type & 0x7F;
	if (type == XCB_MAPPING_NOTIFY)
	{
		auto notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
		if (!keymap && notify->request != XCB_MAPPING_POINTER)
			readCoreMapping();
		return false;
	}
	if (!keymap || type != firstEvent)
		return false;
	auto any = reinterpret_cast<const XkbAnyEvent*>(event);
	switch (any->xkbType)
	{
		case XCB_XKB_NEW_KEYBOARD_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event);
			if (notify->deviceID == deviceId && (notify->changed & XCB_XKB_NKN_DETAIL_KEYCODES))
				makeKeymap();
			break;
		}
		case XCB_XKB_MAP_NOTIFY:
			makeKeymap();
			break;
		case XCB_XKB_STATE_NOTIFY:
		{
			auto notify = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
			xkb_state_update_mask(state, notify->baseMods, notify->latchedMods, notify->lockedMods,
			                      xkb_layout_index_t(notify->baseGroup),
			                      xkb_layout_index_t(notify->latchedGroup), notify->lockedGroup);
			break;
		}
		default:
			break;
	}
	return true;
}

} // namespace Kavrin
