#pragma once

#include "lib/ccolor.h"
#include "lib/cgraphicstransform.h"
#include "lib/cpoint.h"
#include "lib/crect.h"
#include "lib/kavrintypes.h"
#include "lib/reference.h"

#include <map>
#include <string>

namespace Kavrin {

class CBitmap;

namespace BitmapFilter {

// A named value of a filter: one of a few payload types, or nothing. Copies
// duplicate the payload (an object payload gains a reference); moves take it
// over and leave the source without payload.
class Property
{
public:
	enum Type : int32
	{
		kNotFound = 0,
		kInteger,
		kFloat,
		kObject,
		kRect,
		kPoint,
		kColor,
		kTransform,
	};

	explicit Property(Type type = kNotFound);
	Property(int32 intValue);
	Property(double floatValue);
	// Holds a reference to the object for as long as the property has it.
	Property(IReference* object);
	Property(const CRect& rect);
	Property(const CPoint& point);
	Property(const CColor& color);
	Property(const CGraphicsTransform& transform);
	Property(const Property& other);
	Property(Property&& other) noexcept;
	~Property() noexcept;

	Property& operator=(const Property& other);
	Property& operator=(Property&& other) noexcept;

	Type getType() const { return type; }

	// An accessor of another type than the property's reports the misuse
	// and gives that type's empty value (0, null, an empty rectangle...)
	// rather than reading a payload of another size; so does a property
	// without payload, without the report.
	int32 getInteger() const;
	double getFloat() const;
	IReference* getObject() const;
	const CRect& getRect() const;
	const CPoint& getPoint() const;
	const CColor& getColor() const;
	const CGraphicsTransform& getTransform() const;
	// False for a property of a value type made from its type alone; an
	// object property always has its value, a null object included.
	bool hasValue() const;

private:
	void copyPayloadFrom(const Property& other);
	void releasePayload() noexcept;
	bool hasType(Type expected, const char* line) const;

	Type type {kNotFound};
	void* value {nullptr};
};

// An image operation with typed, named properties. Run it after setting
// "InputBitmap"; on success "OutputBitmap" holds the result.
class IFilter : public NonAtomicReferenceCounted
{
public:
	// With replaceInputBitmap the filter works on the input bitmap itself,
	// which then is also the output. False when nothing was published.
	virtual bool run(bool replaceInputBitmap) = 0;
	virtual const char* getDescription() const = 0;
	// Only an existing property of the same type is replaced, and only by
	// one that has a value (see Property::hasValue).
	virtual bool setProperty(const char* name, const Property& property) = 0;
	virtual bool setProperty(const char* name, Property&& property) = 0;
	// An unknown name gives a property of type kNotFound.
	virtual const Property& getProperty(const char* name) const = 0;
	virtual uint32 getNumProperties() const = 0;
	// Indices count the properties in byte-wise name order; null and
	// kNotFound past the end.
	virtual const char* getPropertyName(uint32 index) const = 0;
	virtual Property::Type getPropertyType(uint32 index) const = 0;
	virtual Property::Type getPropertyType(const char* name) const = 0;
};

// The property bookkeeping that every filter shares; subclasses register
// their properties with defaults and implement run.
class FilterBase : public IFilter
{
public:
	const char* getDescription() const override;
	bool setProperty(const char* name, const Property& property) override;
	bool setProperty(const char* name, Property&& property) override;
	const Property& getProperty(const char* name) const override;
	uint32 getNumProperties() const override;
	const char* getPropertyName(uint32 index) const override;
	Property::Type getPropertyType(uint32 index) const override;
	Property::Type getPropertyType(const char* name) const override;

	// Adds a property; an existing name keeps its value and gives false.
	bool registerProperty(const char* name, const Property& defaultProperty);
	// The "InputBitmap" object when it is a bitmap, else null.
	CBitmap* getInputBitmap() const;

protected:
	explicit FilterBase(const char* description);

	// Publishes the result as "OutputBitmap". An output left from an earlier
	// run stays, and the new one is dropped with false.
	bool publishOutputBitmap(CBitmap* output);

	std::string description;
	std::map<std::string, Property> properties;
};

// The process-wide registry of filters by name, in byte-wise name order. The
// standard filters are registered when it is first used.
class Factory
{
public:
	// Returns a new filter with one reference, owned by the caller.
	using CreateFunction = IFilter* (*)(const char* name);

	static Factory& getInstance();

	uint32 getNumFilters() const;
	// Null past the end.
	const char* getFilterName(uint32 index) const;
	// Null for an unknown name.
	IFilter* createFilter(const char* name) const;
	// Adds the name or replaces its function. Refuses only a null name or
	// function, which could never create anything.
	bool registerFilter(const char* name, CreateFunction createFunction);
	// Removes the name whatever function it had; false when not registered.
	bool unregisterFilter(const char* name, CreateFunction createFunction);

	Factory(const Factory&) = delete;
	Factory& operator=(const Factory&) = delete;

private:
	Factory();

	std::map<std::string, CreateFunction> filters;
};

// Filter and property names of the standard filters.
namespace Standard {
namespace PropertyName {
constexpr const char* kInputBitmap = "InputBitmap";
constexpr const char* kOutputBitmap = "OutputBitmap";
constexpr const char* kRadius = "Radius";
constexpr const char* kAlphaChannelOnly = "AlphaChannelOnly";
constexpr const char* kIgnoreAlphaColorValue = "IgnoreAlphaColorValue";
constexpr const char* kInputColor = "InputColor";
constexpr const char* kOutputColor = "OutputColor";
constexpr const char* kOutputRect = "OutputRect";
} // namespace PropertyName

constexpr const char* kBoxBlur = "Box Blur";
constexpr const char* kSetColor = "Set Color";
constexpr const char* kGrayscale = "Grayscale";
constexpr const char* kReplaceColor = "Replace Color";
constexpr const char* kScaleBilinear = "Scale Biliniear";
constexpr const char* kScaleLinear = "Scale Linear";
} // namespace Standard

} // namespace BitmapFilter
} // namespace Kavrin
