#include "lib/platform/x11/x11inputmethod.h"

#include "lib/cstring.h"
#include "lib/platform/x11/x11dataconversion.h"
#include "lib/platform/x11/x11platform.h"

#include <xcb-imdkit/encoding.h>
#include <xcb-imdkit/imclient.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace Kavrin {

namespace {

// How the input method placed the caret in the composed text.
enum CaretDirection : uint32
{
	kForwardChar = 0,
	kBackwardChar = 1,
	kLineStart = 8,
	kLineEnd = 9,
	kAbsolutePosition = 10,
};
// A preedit draw with this status bit carries no text: the range is erased.
constexpr uint32 kPreeditNoString = 1;

// The index of a screen among the connection's, as the library wants it.
int screenIndex(xcb_connection_t* connection, const xcb_screen_t* screen)
{
	int index = 0;
	for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem; xcb_screen_next(&it), ++index)
		if (it.data->root == screen->root)
			return index;
	return 0;
}

int16 clampedCoordinate(double value)
{
	if (!std::isfinite(value))
		return 0;
	return int16(std::clamp(std::round(value), -32768., 32767.));
}

size_t characterCount(std::string_view utf8)
{
	using Iterator = CStringIterator<std::string_view::const_iterator>;
	size_t count = 0;
	for (Iterator it(utf8.begin(), utf8.begin(), utf8.end()), end(utf8.end(), utf8.begin(), utf8.end()); it != end;
	     ++it)
		++count;
	return count;
}

} // namespace

// The library calls plain functions; these find the input method again.
struct X11InputMethodCallbacks
{
	static X11InputMethod* self(void* data) { return static_cast<X11InputMethod*>(data); }

	static void opened(xcb_xim_t*, void* data) { self(data)->opened(); }

	static void stylesReplied(xcb_xim_t*, xcb_im_get_im_values_reply_fr_t* reply, void* data)
	{
		std::vector<uint32> offered;
		for (uint32 i = 0; reply && i < reply->im_attribute_returned.size; ++i)
		{
			// XIMStyles: a count, two unused bytes, then the styles.
			const xcb_im_ximattribute_fr_t& attribute = reply->im_attribute_returned.items[i];
			if (attribute.value_length < 4 || !attribute.value)
				continue;
			uint16 count = 0;
			std::memcpy(&count, attribute.value, sizeof(count));
			for (uint32 k = 0; k < count && 4 + 4 * (k + 1) <= attribute.value_length; ++k)
			{
				uint32 offeredStyle = 0;
				std::memcpy(&offeredStyle, attribute.value + 4 + 4 * k, sizeof(offeredStyle));
				offered.push_back(offeredStyle);
			}
		}
		self(data)->answered();
		self(data)->stylesOffered(offered);
	}

	static void contextCreated(xcb_xim_t*, xcb_xic_t id, void* data) { self(data)->contextCreated(id); }
	static void valuesSet(xcb_xim_t*, xcb_xic_t, void* data) { self(data)->answered(); }
	static void contextDestroyed(xcb_xim_t*, xcb_xic_t, void* data) { self(data)->answered(); }

	static void setEventMask(xcb_xim_t*, xcb_xic_t, uint32_t forwardMask, uint32_t, void* data)
	{
		self(data)->forwardMask = forwardMask;
	}

	static void forwardEvent(xcb_xim_t*, xcb_xic_t id, xcb_key_press_event_t* event, void* data)
	{
		if (event)
			self(data)->keyReturned(id, *event);
	}

	static void commitString(xcb_xim_t*, xcb_xic_t id, uint32_t flag, char* bytes, uint32_t length,
	                         uint32_t* keysyms, size_t keysymCount, void* data)
	{
		self(data)->commitString(id, flag, bytes, length, keysyms, keysymCount);
	}

	// A composition starts empty, whatever a previous one left.
	static void preeditStart(xcb_xim_t*, xcb_xic_t id, void* data) { self(data)->preeditDone(id); }

	static void preeditDraw(xcb_xim_t*, xcb_xic_t id, xcb_im_preedit_draw_fr_t* frame, void* data)
	{
		if (frame)
			self(data)->preeditDraw(id, frame->caret, frame->chg_first, frame->chg_length, frame->status,
			                        reinterpret_cast<const char*>(frame->preedit_string),
			                        frame->preedit_string ? frame->length_of_preedit_string : 0);
	}

	static void preeditCaret(xcb_xim_t*, xcb_xic_t id, xcb_im_preedit_caret_fr_t* frame, void* data)
	{
		if (frame)
			self(data)->preeditCaret(id, frame->position, frame->direction);
	}

	static void preeditDone(xcb_xim_t*, xcb_xic_t id, void* data) { self(data)->preeditDone(id); }

	static void disconnected(xcb_xim_t*, void* data) { self(data)->disconnected(); }
};

// ---- Starting ----

std::string X11InputMethod::serverNameFromModifiers(const char* modifiers)
{
	if (!modifiers)
		return {};
	std::string_view text(modifiers);
	size_t start = text.find("@im=");
	if (start == std::string_view::npos)
		return {};
	start += 4;
	std::string name(text.substr(start, text.find('@', start) - start));
	return name == "none" ? std::string() : name;
}

std::unique_ptr<X11InputMethod> X11InputMethod::create(X11Platform* platform)
{
	std::string name = serverNameFromModifiers(std::getenv("XMODIFIERS"));
	if (name.empty())
		return nullptr;
	return create(platform, name);
}

std::unique_ptr<X11InputMethod> X11InputMethod::create(X11Platform* platform, const std::string& serverName)
{
	static const bool compoundTextReady = (xcb_compound_text_init(), true);
	(void)compoundTextReady;
	xcb_connection_t* connection = platform->getConnection();
	xcb_xim_t* xim =
	    xcb_xim_create(connection, screenIndex(connection, platform->getScreen()), serverName.c_str());
	if (!xim)
		return nullptr;
	std::unique_ptr<X11InputMethod> inputMethod(new X11InputMethod(platform, xim));
	xcb_xim_im_callback callbacks {};
	callbacks.set_event_mask = X11InputMethodCallbacks::setEventMask;
	callbacks.forward_event = X11InputMethodCallbacks::forwardEvent;
	callbacks.commit_string = X11InputMethodCallbacks::commitString;
	callbacks.preedit_start = X11InputMethodCallbacks::preeditStart;
	callbacks.preedit_draw = X11InputMethodCallbacks::preeditDraw;
	callbacks.preedit_caret = X11InputMethodCallbacks::preeditCaret;
	callbacks.preedit_done = X11InputMethodCallbacks::preeditDone;
	callbacks.disconnected = X11InputMethodCallbacks::disconnected;
	xcb_xim_set_im_callback(xim, &callbacks, inputMethod.get());
	xcb_xim_set_use_utf8_string(xim, true);
	// Connects when the server is there, and whenever it (re)appears.
	xcb_xim_open(xim, X11InputMethodCallbacks::opened, true, inputMethod.get());
	xcb_flush(connection);
	return inputMethod;
}

X11InputMethod::X11InputMethod(X11Platform* platform, xcb_xim_t* xim) : platform(platform), xim(xim) {}

X11InputMethod::~X11InputMethod() noexcept
{
	xcb_xim_close(xim);
	xcb_xim_destroy(xim);
	xcb_flush(platform->getConnection());
}

// ---- Requests ----

void X11InputMethod::queue(Request request)
{
	requests.push_back(std::move(request));
	sendRequests();
}

// Inside the library's callbacks the request being answered may still be
// the library's current one: what is queued then goes once it returns.
void X11InputMethod::sendRequests()
{
	if (insideLibrary)
		return;
	while (!awaitingAnswer && !requests.empty())
	{
		Request request = std::move(requests.front());
		requests.pop_front();
		awaitingAnswer = request();
	}
	xcb_flush(platform->getConnection());
}

void X11InputMethod::answered()
{
	awaitingAnswer = false;
}

void X11InputMethod::opened()
{
	style = 0;
	queue([this] {
		return xcb_xim_get_im_values(xim, X11InputMethodCallbacks::stylesReplied, this, XCB_XIM_XNQueryInputStyle,
		                             nullptr);
	});
}

uint32 X11InputMethod::chooseStyle(const std::vector<uint32>& offered)
{
	auto preeditRank = [](uint32 candidate) {
		if (candidate & XCB_IM_PreeditCallbacks)
			return 3;
		if (candidate & XCB_IM_PreeditPosition)
			return 2;
		if (candidate & (XCB_IM_PreeditNothing | XCB_IM_PreeditNone))
			return 1;
		return 0; // an area of the window the editors do not have
	};
	auto statusRank = [](uint32 candidate) {
		if (candidate & (XCB_IM_StatusNothing | XCB_IM_StatusNone))
			return 2;
		if (candidate & XCB_IM_StatusCallbacks)
			return 1; // its status goes unshown
		return 0;
	};
	uint32 best = 0;
	int bestRank = 0;
	for (uint32 candidate : offered)
	{
		int preedit = preeditRank(candidate);
		int status = statusRank(candidate);
		int rank = preedit && status ? preedit * 4 + status : 0;
		if (rank > bestRank)
		{
			best = candidate;
			bestRank = rank;
		}
	}
	return best;
}

void X11InputMethod::stylesOffered(const std::vector<uint32>& offered)
{
	style = chooseStyle(offered);
	if (!style)
		return;
	for (auto& [window, context] : contexts)
		if (context.client && !context.id && !context.creating)
			createContext(window);
}

void X11InputMethod::createContext(xcb_window_t window)
{
	contexts[window].creating = true;
	queue([this, window] {
		auto it = contexts.find(window);
		if (it == contexts.end() || !style)
			return false;
		Context& context = it->second;
		xcb_point_t spot = context.spot;
		xcb_xim_nested_list preeditAttributes =
		    xcb_xim_create_nested_list(xim, XCB_XIM_XNSpotLocation, &spot, nullptr);
		uint32 inputStyle = style;
		xcb_window_t clientWindow = window;
		context.creating = xcb_xim_create_ic(xim, X11InputMethodCallbacks::contextCreated, this,
		                                     XCB_XIM_XNInputStyle, &inputStyle, XCB_XIM_XNClientWindow,
		                                     &clientWindow, XCB_XIM_XNFocusWindow, &clientWindow,
		                                     XCB_XIM_XNPreeditAttributes, &preeditAttributes, nullptr);
		std::free(preeditAttributes.data);
		creatingFor = context.creating ? window : XCB_NONE;
		return context.creating;
	});
}

void X11InputMethod::contextCreated(uint16 id)
{
	answered();
	auto it = contexts.find(std::exchange(creatingFor, XCB_NONE));
	if (it == contexts.end())
	{
		// The window went away meanwhile.
		if (id)
			queue([this, id] {
				return xcb_xim_destroy_ic(xim, id, X11InputMethodCallbacks::contextDestroyed, this);
			});
		return;
	}
	Context& context = it->second;
	context.creating = false;
	context.id = id;
	if (!id)
		return;
	if (context.client)
		queue([this, id] {
			xcb_xim_set_ic_focus(xim, id);
			return false;
		});
	// The caret may have moved while the context was made.
	queueSpot(it->first);
}

void X11InputMethod::disconnected()
{
	style = 0;
	forwardMask = XCB_EVENT_MASK_KEY_PRESS;
	requests.clear();
	awaitingAnswer = false;
	creatingFor = XCB_NONE;
	std::vector<xcb_window_t> composing;
	for (auto& [window, context] : contexts)
	{
		context.id = 0;
		context.creating = false;
		context.spotQueued = false;
		if (!context.preedit.empty())
			composing.push_back(window);
	}
	// What was being composed is gone with the server. Each client may
	// change the focus of any window.
	for (xcb_window_t window : composing)
	{
		auto it = contexts.find(window);
		if (it == contexts.end())
			continue;
		it->second.preedit.clear();
		it->second.preeditCaret = 0;
		showPreedit(it->second);
	}
}

// ---- Events ----

bool X11InputMethod::handleEvent(xcb_generic_event_t* event)
{
	const uint8 type = event->response_type & 0x7F;
	if (type != XCB_CLIENT_MESSAGE && type != XCB_SELECTION_NOTIFY && type != XCB_PROPERTY_NOTIFY &&
	    type != XCB_DESTROY_NOTIFY && type != 0)
		return false;
	insideLibrary = true;
	const bool taken = xcb_xim_filter_event(xim, event);
	insideLibrary = false;
	sendRequests();
	// The root's property changes (resources, servers appearing) are the
	// platform's too.
	if (type == XCB_PROPERTY_NOTIFY &&
	    reinterpret_cast<const xcb_property_notify_event_t*>(event)->window == platform->getScreen()->root)
		return false;
	return taken;
}

void X11InputMethod::focusIn(xcb_window_t window, Client* client)
{
	Context& context = contexts[window];
	context.client = client;
	if (const uint16 id = context.id)
		queue([this, id] {
			xcb_xim_set_ic_focus(xim, id);
			return false;
		});
	else if (isReady() && !context.creating)
		createContext(window);
}

void X11InputMethod::focusOut(xcb_window_t window)
{
	auto it = contexts.find(window);
	if (it == contexts.end() || !it->second.client)
		return;
	Context& context = it->second;
	context.client = nullptr;
	// Input methods end their composition when their context loses the
	// focus. (Resetting it instead would wait for an answer the library
	// does not recognise.)
	if (const uint16 id = context.id)
		queue([this, id] {
			xcb_xim_unset_ic_focus(xim, id);
			return false;
		});
	context.preedit.clear();
	context.preeditCaret = 0;
}

void X11InputMethod::removeWindow(xcb_window_t window)
{
	auto it = contexts.find(window);
	if (it == contexts.end())
		return;
	if (const uint16 id = it->second.id)
		queue([this, id] { return xcb_xim_destroy_ic(xim, id, X11InputMethodCallbacks::contextDestroyed, this); });
	// A context still being made is destroyed when it arrives.
	contexts.erase(it);
}

bool X11InputMethod::takesKeysOf(xcb_window_t window) const
{
	auto it = contexts.find(window);
	return it != contexts.end() && it->second.id && it->second.client;
}

bool X11InputMethod::forwardKey(const xcb_key_press_event_t& event)
{
	if (returningKey || !takesKeysOf(event.event))
		return false;
	const bool press = (event.response_type & 0x7F) == XCB_KEY_PRESS;
	if (!(forwardMask & (press ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE)))
		return false;
	queue([this, event] {
		auto it = contexts.find(event.event);
		if (it == contexts.end() || !it->second.id)
			return false;
		xcb_key_press_event_t copy = event;
		xcb_xim_forward_event(xim, it->second.id, &copy);
		return false;
	});
	return true;
}

void X11InputMethod::setCaret(xcb_window_t window, const CRect& caret)
{
	auto it = contexts.find(window);
	if (it == contexts.end())
		return;
	// The spot is where the composed text's baseline starts.
	const xcb_point_t spot {clampedCoordinate(caret.left), clampedCoordinate(caret.bottom)};
	Context& context = it->second;
	if (spot.x == context.spot.x && spot.y == context.spot.y)
		return;
	context.spot = spot;
	queueSpot(window);
}

// A caret that moves several times before its request goes is sent once,
// where it is then.
void X11InputMethod::queueSpot(xcb_window_t window)
{
	Context& context = contexts[window];
	if (!context.id || context.spotQueued)
		return;
	context.spotQueued = true;
	queue([this, window] {
		auto it = contexts.find(window);
		if (it == contexts.end() || !it->second.id)
			return false;
		it->second.spotQueued = false;
		xcb_point_t spot = it->second.spot;
		xcb_xim_nested_list preeditAttributes =
		    xcb_xim_create_nested_list(xim, XCB_XIM_XNSpotLocation, &spot, nullptr);
		bool sent = xcb_xim_set_ic_values(xim, it->second.id, X11InputMethodCallbacks::valuesSet, this,
		                                  XCB_XIM_XNPreeditAttributes, &preeditAttributes, nullptr);
		std::free(preeditAttributes.data);
		return sent;
	});
}

X11InputMethod::Context* X11InputMethod::contextOf(uint16 id, xcb_window_t* window)
{
	if (!id)
		return nullptr;
	for (auto& [contextWindow, context] : contexts)
	{
		if (context.id == id)
		{
			if (window)
				*window = contextWindow;
			return &context;
		}
	}
	return nullptr;
}

// Strings come in the encoding agreed on when connecting; whatever the
// server sends, the editors get valid UTF-8.
std::string X11InputMethod::decode(const char* bytes, size_t length) const
{
	if (!bytes || !length)
		return {};
	if (xcb_xim_get_encoding(xim) == XCB_XIM_UTF8_STRING)
		return X11DataConversion::repairUtf8(std::string_view(bytes, length));
	size_t converted = 0;
	char* utf8 = xcb_compound_text_to_utf8(bytes, length, &converted);
	if (!utf8)
		return {};
	std::string text = X11DataConversion::repairUtf8(std::string_view(utf8, converted));
	std::free(utf8);
	return text;
}

void X11InputMethod::commitString(uint16 id, uint32 flag, const char* bytes, uint32 length, const uint32* keysyms,
                                  size_t keysymCount)
{
	Context* context = contextOf(id);
	if (!context || !context->client)
		return;
	std::string text;
	if (flag & XCB_XIM_LOOKUP_CHARS)
		text = decode(bytes, length);
	else if ((flag & XCB_XIM_LOOKUP_KEYSYM) && keysyms && keysymCount)
	{
		char utf8[8] = {};
		if (xkb_keysym_to_utf8(keysyms[0], utf8, sizeof(utf8)) > 1 && uint8(utf8[0]) >= 0x20)
			text = utf8;
	}
	context->preedit.clear();
	context->preeditCaret = 0;
	if (!text.empty())
		context->client->inputMethodCommit(text);
}

void X11InputMethod::keyReturned(uint16 id, const xcb_key_press_event_t& event)
{
	Context* context = contextOf(id);
	// A key for an editor that has lost the focus since is nobody's.
	if (!context || !context->client)
		return;
	returningKey = true;
	context->client->inputMethodKey(event);
	returningKey = false;
}

void X11InputMethod::preeditDraw(uint16 id, uint32 caret, uint32 first, uint32 length, uint32 status,
                                 const char* bytes, size_t byteLength)
{
	Context* context = contextOf(id);
	if (!context)
		return;
	std::string replacement = (status & kPreeditNoString) ? std::string() : decode(bytes, byteLength);
	context->preedit = applyPreeditDraw(context->preedit, first, length, replacement);
	context->preeditCaret = uint32(std::min<size_t>(caret, characterCount(context->preedit)));
	showPreedit(*context);
}

void X11InputMethod::preeditCaret(uint16 id, uint32 position, uint32 direction)
{
	Context* context = contextOf(id);
	if (!context)
		return;
	const uint32 count = uint32(characterCount(context->preedit));
	uint32 caret = context->preeditCaret;
	switch (direction)
	{
		case kForwardChar:
			caret = std::min(caret + 1, count);
			break;
		case kBackwardChar:
			caret = caret > 0 ? caret - 1 : 0;
			break;
		case kLineStart:
			caret = 0;
			break;
		case kLineEnd:
			caret = count;
			break;
		case kAbsolutePosition:
			caret = std::min(position, count);
			break;
		default:
			return;
	}
	if (caret == context->preeditCaret)
		return;
	context->preeditCaret = caret;
	showPreedit(*context);
}

void X11InputMethod::preeditDone(uint16 id)
{
	Context* context = contextOf(id);
	if (!context || context->preedit.empty())
		return;
	context->preedit.clear();
	context->preeditCaret = 0;
	showPreedit(*context);
}

void X11InputMethod::showPreedit(Context& context)
{
	if (!context.client)
		return;
	// The client may drop the focus, and the context with it.
	std::string text = context.preedit;
	auto caretByte = int32(byteOffsetOfCharacter(text, context.preeditCaret));
	context.client->inputMethodPreedit(text, caretByte);
}

// ---- Composed text ----

size_t X11InputMethod::byteOffsetOfCharacter(std::string_view utf8, uint32 index)
{
	using Iterator = CStringIterator<std::string_view::const_iterator>;
	Iterator it(utf8.begin(), utf8.begin(), utf8.end());
	const Iterator end(utf8.end(), utf8.begin(), utf8.end());
	for (uint32 i = 0; i < index && it != end; ++i)
		++it;
	return size_t(it.base() - utf8.begin());
}

std::string X11InputMethod::applyPreeditDraw(std::string_view preedit, uint32 first, uint32 length,
                                             std::string_view replacement)
{
	const std::string text = X11DataConversion::repairUtf8(preedit);
	const size_t from = byteOffsetOfCharacter(text, first);
	const uint32 end = first > UINT32_MAX - length ? UINT32_MAX : first + length;
	const size_t to = byteOffsetOfCharacter(text, end);
	return text.substr(0, from) + X11DataConversion::repairUtf8(replacement) + text.substr(to);
}

} // namespace Kavrin
