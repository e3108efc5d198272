#include "lib/cbitmapfilter.h"

#include "lib/assertion.h"
#include "lib/cbitmap.h"
#include "lib/cbitmapfilterstandard.h"

#include <iterator>
#include <utility>

namespace Kavrin {
namespace BitmapFilter {

// ---- Property ----

namespace {

template <typename T>
void* newPayload(const T& payload)
{
	return new T(payload);
}

template <typename T>
const T& payloadAs(const void* value)
{
	return *static_cast<const T*>(value);
}

} // namespace

Property::Property(Type type) : type(type) {}

Property::Property(int32 intValue) : type(kInteger), value(newPayload(intValue)) {}

Property::Property(double floatValue) : type(kFloat), value(newPayload(floatValue)) {}

Property::Property(IReference* object) : type(kObject), value(object)
{
	if (object)
		object->remember();
}

Property::Property(const CRect& rect) : type(kRect), value(newPayload(rect)) {}

Property::Property(const CPoint& point) : type(kPoint), value(newPayload(point)) {}

Property::Property(const CColor& color) : type(kColor), value(newPayload(color)) {}

Property::Property(const CGraphicsTransform& transform)
: type(kTransform), value(newPayload(transform))
{
}

Property::Property(const Property& other) : type(other.type)
{
	copyPayloadFrom(other);
}

Property::Property(Property&& other) noexcept
: type(std::exchange(other.type, kNotFound)), value(std::exchange(other.value, nullptr))
{
}

Property::~Property() noexcept
{
	releasePayload();
}

Property& Property::operator=(const Property& other)
{
	if (this == &other)
		return *this;
	// The other payload may live inside what this one releases (an object
	// holding its own property): take the copy first.
	Property copy(other);
	return *this = std::move(copy);
}

Property& Property::operator=(Property&& other) noexcept
{
	if (this == &other)
		return *this;
	releasePayload();
	type = std::exchange(other.type, kNotFound);
	value = std::exchange(other.value, nullptr);
	return *this;
}

void Property::copyPayloadFrom(const Property& other)
{
	if (!other.value)
		return;
	switch (other.type)
	{
	case kNotFound:
		break;
	case kInteger:
		value = newPayload(payloadAs<int32>(other.value));
		break;
	case kFloat:
		value = newPayload(payloadAs<double>(other.value));
		break;
	case kObject:
		value = other.value;
		static_cast<IReference*>(value)->remember();
		break;
	case kRect:
		value = newPayload(payloadAs<CRect>(other.value));
		break;
	case kPoint:
		value = newPayload(payloadAs<CPoint>(other.value));
		break;
	case kColor:
		value = newPayload(payloadAs<CColor>(other.value));
		break;
	case kTransform:
		value = newPayload(payloadAs<CGraphicsTransform>(other.value));
		break;
	}
}

void Property::releasePayload() noexcept
{
	void* released = std::exchange(value, nullptr);
	if (!released)
		return;
	switch (type)
	{
	case kNotFound:
		break;
	case kInteger:
		delete static_cast<int32*>(released);
		break;
	case kFloat:
		delete static_cast<double*>(released);
		break;
	case kObject:
		static_cast<IReference*>(released)->forget();
		break;
	case kRect:
		delete static_cast<CRect*>(released);
		break;
	case kPoint:
		delete static_cast<CPoint*>(released);
		break;
	case kColor:
		delete static_cast<CColor*>(released);
		break;
	case kTransform:
		delete static_cast<CGraphicsTransform*>(released);
		break;
	}
}

bool Property::hasType(Type expected, const char* line) const
{
	if (type == expected)
		return true;
	doAssert("lib/cbitmapfilter", line);
	return false;
}

// A property made from its type alone has no payload: a matching accessor
// gives the empty value then, as for another type, but without a report.
int32 Property::getInteger() const
{
	return hasType(kInteger, "166") && value ? payloadAs<int32>(value) : 0;
}

double Property::getFloat() const
{
	return hasType(kFloat, "173") && value ? payloadAs<double>(value) : 0.;
}

IReference* Property::getObject() const
{
	return hasType(kObject, "180") ? static_cast<IReference*>(value) : nullptr;
}

const CRect& Property::getRect() const
{
	static const CRect empty;
	return hasType(kRect, "187") && value ? payloadAs<CRect>(value) : empty;
}

const CPoint& Property::getPoint() const
{
	static const CPoint empty;
	return hasType(kPoint, "194") && value ? payloadAs<CPoint>(value) : empty;
}

const CColor& Property::getColor() const
{
	static const CColor empty;
	return hasType(kColor, "201") && value ? payloadAs<CColor>(value) : empty;
}

const CGraphicsTransform& Property::getTransform() const
{
	static const CGraphicsTransform identity;
	return hasType(kTransform, "208") && value ? payloadAs<CGraphicsTransform>(value) : identity;
}

bool Property::hasValue() const
{
	return type == kObject || value != nullptr;
}

// ---- FilterBase ----

FilterBase::FilterBase(const char* description) : description(description ? description : "") {}

const char* FilterBase::getDescription() const
{
	return description.c_str();
}

bool FilterBase::setProperty(const char* name, const Property& property)
{
	return setProperty(name, Property(property));
}

bool FilterBase::setProperty(const char* name, Property&& property)
{
	if (!name)
		return false;
	auto it = properties.find(name);
	// A value property without its value would leave the filter nothing to
	// run with; a null object is a value of its own (no input bitmap).
	if (it == properties.end() || it->second.getType() != property.getType() ||
	    !property.hasValue())
		return false;
	it->second = std::move(property);
	return true;
}

const Property& FilterBase::getProperty(const char* name) const
{
	static const Property notFound;
	if (!name)
		return notFound;
	auto it = properties.find(name);
	return it == properties.end() ? notFound : it->second;
}

uint32 FilterBase::getNumProperties() const
{
	return uint32(properties.size());
}

const char* FilterBase::getPropertyName(uint32 index) const
{
	if (index >= properties.size())
		return nullptr;
	return std::next(properties.begin(), index)->first.c_str();
}

Property::Type FilterBase::getPropertyType(uint32 index) const
{
	if (index >= properties.size())
		return Property::kNotFound;
	return std::next(properties.begin(), index)->second.getType();
}

Property::Type FilterBase::getPropertyType(const char* name) const
{
	return getProperty(name).getType();
}

bool FilterBase::registerProperty(const char* name, const Property& defaultProperty)
{
	if (!name)
		return false;
	return properties.emplace(name, defaultProperty).second;
}

CBitmap* FilterBase::getInputBitmap() const
{
	const Property& input = getProperty(Standard::PropertyName::kInputBitmap);
	if (input.getType() == Property::kNotFound)
		return nullptr;
	return dynamic_cast<CBitmap*>(input.getObject());
}

bool FilterBase::publishOutputBitmap(CBitmap* output)
{
	return registerProperty(Standard::PropertyName::kOutputBitmap, Property(output));
}

// ---- Factory ----

Factory& Factory::getInstance()
{
	static Factory instance;
	return instance;
}

Factory::Factory()
{
	registerFilter(Standard::kBoxBlur, Standard::BoxBlur::create);
	registerFilter(Standard::kSetColor, Standard::SetColor::create);
	registerFilter(Standard::kGrayscale, Standard::Grayscale::create);
	registerFilter(Standard::kReplaceColor, Standard::ReplaceColor::create);
	registerFilter(Standard::kScaleBilinear, Standard::ScaleBiliniear::create);
	registerFilter(Standard::kScaleLinear, Standard::ScaleLinear::create);
}

uint32 Factory::getNumFilters() const
{
	return uint32(filters.size());
}

const char* Factory::getFilterName(uint32 index) const
{
	if (index >= filters.size())
		return nullptr;
	return std::next(filters.begin(), index)->first.c_str();
}

IFilter* Factory::createFilter(const char* name) const
{
	if (!name)
		return nullptr;
	auto it = filters.find(name);
	return it == filters.end() ? nullptr : it->second(name);
}

bool Factory::registerFilter(const char* name, CreateFunction createFunction)
{
	if (!name || !createFunction)
		return false;
	filters[name] = createFunction;
	return true;
}

bool Factory::unregisterFilter(const char* name, CreateFunction)
{
	return name && filters.erase(name) > 0;
}

} // namespace BitmapFilter
} // namespace Kavrin
