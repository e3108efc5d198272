#include "lib/platform/x11/x11smoothscroll.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace Kavrin {

namespace {

// xcb moves what follows an extension event's first 32 bytes back by the
// 4 bytes of the full sequence number it puts there.
constexpr size_t kEventHeadBytes = 36;
constexpr size_t kReplyHeadBytes = 32;
constexpr size_t kDeviceInfoBytes = 12;
constexpr size_t kScrollClassBytes = 24;

template <typename T>
T readAt(const uint8* bytes, size_t offset)
{
	T value;
	std::memcpy(&value, bytes + offset, sizeof(T));
	return value;
}

double fromFixed3232(const uint8* bytes, size_t offset)
{
	return double(readAt<int32>(bytes, offset)) + double(readAt<uint32>(bytes, offset + 4)) / 4294967296.;
}

// The bytes xcb holds for a device event.
size_t eventBytes(const xcb_input_button_press_event_t* event)
{
	return kEventHeadBytes + size_t(event->length) * 4;
}

// Whether the fields after the first 32 bytes are there to read.
bool hasFixedFields(const xcb_input_button_press_event_t* event)
{
	return eventBytes(event) >= sizeof(xcb_input_button_press_event_t);
}

size_t paddedTo4(size_t bytes)
{
	return (bytes + 3) & ~size_t(3);
}

// A scroll class: type, length, source, valuator number, direction, pad,
// flags, increment (FP3232).
bool readScrollClass(const uint8* bytes, size_t offset, X11ScrollValuators::Axis& axis)
{
	const uint16 direction = readAt<uint16>(bytes, offset + 8);
	const double increment = fromFixed3232(bytes, offset + 16);
	const bool vertical = direction == XCB_INPUT_SCROLL_TYPE_VERTICAL;
	if (increment == 0. || (!vertical && direction != XCB_INPUT_SCROLL_TYPE_HORIZONTAL))
		return false;
	axis.valuator = readAt<uint16>(bytes, offset + 6);
	axis.axis = vertical ? kWheelAxisY : kWheelAxisX;
	axis.increment = increment;
	return true;
}

// The bytes a device's description takes, classes included; 0 when it
// runs past the end.
size_t deviceInfoBytes(const uint8* bytes, size_t size, size_t offset)
{
	if (offset + kDeviceInfoBytes > size)
		return 0;
	const uint16 classCount = readAt<uint16>(bytes, offset + 6);
	size_t end = offset + kDeviceInfoBytes + paddedTo4(readAt<uint16>(bytes, offset + 8));
	for (uint16 i = 0; i < classCount; ++i)
	{
		if (end + 4 > size)
			return 0;
		const size_t classBytes = size_t(readAt<uint16>(bytes, end + 2)) * 4;
		if (classBytes < 4)
			return 0;
		end += classBytes;
	}
	return end <= size ? end - offset : 0;
}

// The scroll axes among the classes of a device whose description fits.
std::vector<X11ScrollValuators::Axis> scrollAxesOfDevice(const uint8* bytes, size_t offset)
{
	std::vector<X11ScrollValuators::Axis> axes;
	const uint16 classCount = readAt<uint16>(bytes, offset + 6);
	offset += kDeviceInfoBytes + paddedTo4(readAt<uint16>(bytes, offset + 8));
	for (uint16 i = 0; i < classCount; ++i)
	{
		const size_t classBytes = size_t(readAt<uint16>(bytes, offset + 2)) * 4;
		X11ScrollValuators::Axis axis {};
		if (readAt<uint16>(bytes, offset) == XCB_INPUT_DEVICE_CLASS_TYPE_SCROLL && classBytes >= kScrollClassBytes &&
		    readScrollClass(bytes, offset, axis))
			axes.push_back(axis);
		offset += classBytes;
	}
	return axes;
}

} // namespace

// ---- The parts of a device event ----

bool X11DeviceEventParts::read(const xcb_input_button_press_event_t* event, X11DeviceEventParts& parts)
{
	parts = {};
	if (!hasFixedFields(event))
		return false;
	const auto* bytes = reinterpret_cast<const uint8*>(event);
	const size_t size = eventBytes(event);
	const size_t buttonsAt = sizeof(xcb_input_button_press_event_t);
	const size_t maskAt = buttonsAt + size_t(event->buttons_len) * 4;
	const size_t valuesAt = maskAt + size_t(event->valuators_len) * 4;
	if (valuesAt > size)
		return false;
	size_t valueCount = 0;
	for (size_t word = 0; word < event->valuators_len; ++word)
		valueCount += size_t(__builtin_popcount(readAt<uint32>(bytes, maskAt + word * 4)));
	if (valuesAt + valueCount * 8 > size)
		return false;
	if (event->buttons_len > 0)
		parts.buttonsHeld = readAt<uint32>(bytes, buttonsAt);
	parts.valuators.reserve(valueCount);
	size_t valueAt = valuesAt;
	for (size_t word = 0; word < event->valuators_len; ++word)
	{
		const uint32 mask = readAt<uint32>(bytes, maskAt + word * 4);
		for (uint32 bit = 0; bit < 32; ++bit)
		{
			if (!(mask & (1u << bit)))
				continue;
			parts.valuators.emplace_back(uint32(word * 32 + bit), fromFixed3232(bytes, valueAt));
			valueAt += 8;
		}
	}
	return true;
}

// ---- Devices ----

std::vector<X11ScrollValuators::Axis> X11ScrollValuators::axesFromQuery(const xcb_input_xi_query_device_reply_t* reply,
                                                                       uint16 deviceId)
{
	if (!reply)
		return {};
	const auto* bytes = reinterpret_cast<const uint8*>(reply);
	const size_t size = kReplyHeadBytes + size_t(reply->length) * 4;
	size_t offset = kReplyHeadBytes;
	for (uint16 i = 0; i < reply->num_infos; ++i)
	{
		const size_t infoBytes = deviceInfoBytes(bytes, size, offset);
		if (infoBytes == 0)
			return {};
		if (readAt<uint16>(bytes, offset) == deviceId)
			return scrollAxesOfDevice(bytes, offset);
		offset += infoBytes;
	}
	return {};
}

void X11ScrollValuators::describeDevice(uint16 deviceId, std::vector<Axis> axes)
{
	// An axis with no size of step would divide by zero.
	axes.erase(std::remove_if(axes.begin(), axes.end(),
	                          [](const Axis& axis) { return !std::isfinite(axis.increment) || axis.increment == 0.; }),
	           axes.end());
	devices[deviceId] = Device {std::move(axes), {}};
}

void X11ScrollValuators::forgetPositions()
{
	for (auto& [id, device] : devices)
		device.lastValues.clear();
}

void X11ScrollValuators::forgetPositions(uint16 deviceId)
{
	auto device = devices.find(deviceId);
	if (device != devices.end())
		device->second.lastValues.clear();
}

// ---- Events ----

std::vector<X11ScrollValuators::WheelStep> X11ScrollValuators::motion(const xcb_input_motion_event_t* event)
{
	std::vector<WheelStep> steps;
	X11DeviceEventParts parts;
	if (event->event_type != XCB_INPUT_MOTION || !X11DeviceEventParts::read(event, parts))
		return steps;
	auto device = devices.find(event->sourceid);
	if (device == devices.end() || device->second.axes.empty())
		return steps;
	const bool emulated = event->flags & XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED;
	for (const auto& [valuator, value] : parts.valuators)
	{
		for (const Axis& axis : device->second.axes)
		{
			if (axis.valuator != valuator)
				continue;
			auto [last, first] = device->second.lastValues.try_emplace(valuator, value);
			const double delta = value - std::exchange(last->second, value);
			if (first || emulated || delta == 0.)
				continue;
			constexpr double kLargest = std::numeric_limits<float>::max();
			const double distance = std::clamp(-delta / axis.increment, -kLargest, kLargest);
			steps.push_back({axis.axis, float(distance)});
		}
	}
	return steps;
}

bool X11ScrollValuators::isEmulatedWheelButton(const xcb_input_button_press_event_t* event)
{
	return (event->event_type == XCB_INPUT_BUTTON_PRESS || event->event_type == XCB_INPUT_BUTTON_RELEASE) &&
	       hasFixedFields(event) && event->detail >= 4 && event->detail <= 7 &&
	       (event->flags & XCB_INPUT_POINTER_EVENT_FLAGS_POINTER_EMULATED);
}

} // namespace Kavrin
