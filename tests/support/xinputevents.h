#pragma once

// XInput 2 events and replies laid out byte for byte as xcb hands them
// over, for feeding recorded input to the code that reads them.

#include "lib/kavrintypes.h"

#include <xcb/xinput.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {

// Bytes in a buffer of exactly their size, so that the sanitizer catches
// any read past them.
class XInputBytes
{
public:
	explicit XInputBytes(const std::vector<uint8>& bytes)
	: size(bytes.size()), data(new uint8[bytes.empty() ? 1 : bytes.size()])
	{
		std::memcpy(data.get(), bytes.data(), bytes.size());
	}
	template <typename T>
	const T* as() const
	{
		return reinterpret_cast<const T*>(data.get());
	}
	template <typename T>
	T* as()
	{
		return reinterpret_cast<T*>(data.get());
	}

	size_t size;

private:
	std::unique_ptr<uint8[]> data;
};

inline void appendWord(std::vector<uint8>& bytes, uint32 word)
{
	const auto* raw = reinterpret_cast<const uint8*>(&word);
	bytes.insert(bytes.end(), raw, raw + 4);
}

inline void appendHalf(std::vector<uint8>& bytes, uint16 half)
{
	const auto* raw = reinterpret_cast<const uint8*>(&half);
	bytes.insert(bytes.end(), raw, raw + 2);
}

// FP3232: a signed integral part and an unsigned fraction of 2^32.
inline void appendFixed3232(std::vector<uint8>& bytes, double value)
{
	const double integral = std::floor(value);
	appendWord(bytes, uint32(int32(integral)));
	appendWord(bytes, uint32((value - integral) * 4294967296.));
}

inline xcb_input_fp1616_t toFixed1616(double value)
{
	return xcb_input_fp1616_t(std::lround(value * 65536.));
}

// An XI_ButtonPress, XI_ButtonRelease or XI_Motion: the fixed fields, a
// buttons mask, a valuator mask wide enough for the highest valuator and
// a value for each valuator given.
struct XInputDeviceEvent
{
	uint8 extension {0};
	uint16 type {XCB_INPUT_MOTION};
	uint16 device {2};  // the master the event came through
	uint16 source {12}; // the device that sent it
	uint32 detail {0};
	uint32 flags {0};
	xcb_window_t window {XCB_NONE};
	double x {10.};
	double y {20.};
	uint32 modifiers {0};
	uint32 buttonsHeld {0};
	std::vector<std::pair<uint32, double>> valuators; // ascending numbers

	std::vector<uint8> bytes() const
	{
		xcb_input_button_press_event_t head {};
		head.response_type = XCB_GE_GENERIC;
		head.extension = extension;
		head.event_type = type;
		head.deviceid = device;
		head.time = 1000;
		head.detail = detail;
		head.event = window;
		head.root_x = toFixed1616(x);
		head.root_y = toFixed1616(y);
		head.event_x = toFixed1616(x);
		head.event_y = toFixed1616(y);
		head.buttons_len = 1;
		head.sourceid = source;
		head.flags = flags;
		head.mods.effective = modifiers;
		uint32 maskWords = valuators.empty() ? 0 : valuators.back().first / 32 + 1;
		head.valuators_len = uint16(maskWords);
		std::vector<uint8> out(sizeof(head));
		std::memcpy(out.data(), &head, sizeof(head));
		appendWord(out, buttonsHeld);
		std::vector<uint32> mask(maskWords, 0);
		for (const auto& [number, value] : valuators)
			mask[number / 32] |= 1u << (number % 32);
		for (uint32 word : mask)
			appendWord(out, word);
		for (const auto& [number, value] : valuators)
			appendFixed3232(out, value);
		setLength(out);
		return out;
	}

	// The length field says how many 4-byte units follow the 36 bytes xcb
	// keeps in front.
	static void setLength(std::vector<uint8>& bytes)
	{
		uint32 length = uint32((bytes.size() - 36) / 4);
		std::memcpy(bytes.data() + 4, &length, 4);
	}
};

// One device of an XIQueryDevice reply, with its classes as raw bytes.
struct XInputDeviceInfo
{
	uint16 id {12};
	std::string name {"Touchpad"};
	std::vector<std::vector<uint8>> classes;

	static std::vector<uint8> scrollClass(uint16 valuator, uint16 direction, double increment, uint16 source = 12)
	{
		std::vector<uint8> bytes;
		appendHalf(bytes, XCB_INPUT_DEVICE_CLASS_TYPE_SCROLL);
		appendHalf(bytes, 6);
		appendHalf(bytes, source);
		appendHalf(bytes, valuator);
		appendHalf(bytes, direction);
		appendHalf(bytes, 0);
		appendWord(bytes, 0); // flags
		appendFixed3232(bytes, increment);
		return bytes;
	}
	// A class of another kind (a valuator class is 44 bytes), its content
	// left zero.
	static std::vector<uint8> otherClass(uint16 type, uint16 words, uint16 source = 12)
	{
		std::vector<uint8> bytes;
		appendHalf(bytes, type);
		appendHalf(bytes, words);
		appendHalf(bytes, source);
		bytes.resize(size_t(words) * 4, 0);
		return bytes;
	}
};

inline std::vector<uint8> xinputQueryDeviceReply(const std::vector<XInputDeviceInfo>& devices)
{
	std::vector<uint8> out(32, 0);
	out[0] = 1; // a reply
	const uint16 count = uint16(devices.size());
	std::memcpy(out.data() + 8, &count, 2);
	for (const auto& device : devices)
	{
		appendHalf(out, device.id);
		appendHalf(out, XCB_INPUT_DEVICE_TYPE_SLAVE_POINTER);
		appendHalf(out, 2); // attached to the master pointer
		appendHalf(out, uint16(device.classes.size()));
		appendHalf(out, uint16(device.name.size()));
		out.push_back(1); // enabled
		out.push_back(0);
		out.insert(out.end(), device.name.begin(), device.name.end());
		out.resize((out.size() + 3) & ~size_t(3), 0);
		for (const auto& deviceClass : device.classes)
			out.insert(out.end(), deviceClass.begin(), deviceClass.end());
	}
	const uint32 length = uint32((out.size() - 32) / 4);
	std::memcpy(out.data() + 4, &length, 4);
	return out;
}

} // namespace Kavrin::Test
