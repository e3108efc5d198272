#include "lib/cbitmap.h"
#include "lib/cbitmapfilter.h"
#include "lib/cbitmapfilterstandard.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/platform.h"
#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

using namespace BitmapFilter;

// An object that only counts references.
class Counted : public NonAtomicReferenceCounted
{
};

// A filter with properties of every type and a run that only publishes.
class PlainFilter : public FilterBase
{
public:
	explicit PlainFilter(const char* description = "plain") : FilterBase(description) {}

	bool run(bool) override { return publishOutputBitmap(getInputBitmap()); }
};

// ---- Property ----

TEST(BitmapFilterPropertyTest, EachPayloadKeepsItsValueAndType)
{
	const CGraphicsTransform transform(1, 2, 3, 4, 5, 6);
	EXPECT_EQ(Property().getType(), Property::kNotFound);
	EXPECT_EQ(Property(Property::kRect).getType(), Property::kRect);
	EXPECT_EQ(Property(int32(-7)).getInteger(), -7);
	EXPECT_EQ(Property(int32(-7)).getType(), Property::kInteger);
	EXPECT_EQ(Property(2.5).getFloat(), 2.5);
	EXPECT_EQ(Property(2.5).getType(), Property::kFloat);
	EXPECT_EQ(Property(CRect(1, 2, 3, 4)).getRect(), CRect(1, 2, 3, 4));
	EXPECT_EQ(Property(CPoint(5, 6)).getPoint(), CPoint(5, 6));
	EXPECT_EQ(Property(CColor(1, 2, 3, 4)).getColor(), CColor(1, 2, 3, 4));
	EXPECT_EQ(Property(transform).getTransform(), transform);
	EXPECT_EQ(Property(transform).getType(), Property::kTransform);

	Property none(static_cast<IReference*>(nullptr));
	EXPECT_EQ(none.getType(), Property::kObject);
	EXPECT_EQ(none.getObject(), nullptr);
}

TEST(BitmapFilterPropertyTest, ObjectPropertiesHoldAReferenceWhileTheyHaveTheObject)
{
	auto object = makeOwned<Counted>();
	{
		Property held(object.get());
		EXPECT_EQ(held.getObject(), object.get());
		EXPECT_EQ(object->getNbReference(), 2);

		Property copy(held);
		EXPECT_EQ(object->getNbReference(), 3);
		Property moved(std::move(copy));
		EXPECT_EQ(object->getNbReference(), 3) << "a move takes the reference over";
		EXPECT_EQ(copy.getType(), Property::kNotFound);
		EXPECT_EQ(moved.getObject(), object.get());

		moved = Property(int32(1));
		EXPECT_EQ(object->getNbReference(), 2) << "replacing the payload releases the object";
		moved = held;
		EXPECT_EQ(object->getNbReference(), 3);
		const Property& alias = moved;
		moved = alias;
		EXPECT_EQ(object->getNbReference(), 3) << "self-assignment changes nothing";
		EXPECT_EQ(moved.getObject(), object.get());
	}
	EXPECT_EQ(object->getNbReference(), 1);
}

TEST(BitmapFilterPropertyTest, CopiesOwnTheirPayload)
{
	auto original = std::make_unique<Property>(CRect(1, 2, 3, 4));
	Property copy(*original);
	Property assigned(int32(3));
	assigned = *original;
	original.reset();
	EXPECT_EQ(copy.getRect(), CRect(1, 2, 3, 4));
	EXPECT_EQ(assigned.getRect(), CRect(1, 2, 3, 4));
	EXPECT_EQ(assigned.getType(), Property::kRect);
}

// Reading a payload as another type would read past a smaller block (or
// through the null payload of kNotFound): the accessor reports the misuse
// and gives the empty value of the type asked for.
TEST(BitmapFilterPropertyTest, AccessorOfAnotherTypeReportsItsLineAndGivesAnEmptyValue)
{
	auto object = makeOwned<Counted>();
	const std::vector<Property> properties{Property(),
	                                       Property(int32(5)),
	                                       Property(7.5),
	                                       Property(object.get()),
	                                       Property(CRect(1, 2, 3, 4)),
	                                       Property(CPoint(1, 2)),
	                                       Property(CColor(1, 2, 3, 4)),
	                                       Property(CGraphicsTransform(2, 0, 0, 2, 1, 1))};
	struct Accessor
	{
		Property::Type type;
		const char* line;
		std::function<bool(const Property&)> givesEmptyValue;
	};
	const Accessor accessors[] = {
	    {Property::kInteger, "166", [](const Property& p) { return p.getInteger() == 0; }},
	    {Property::kFloat, "173", [](const Property& p) { return p.getFloat() == 0.; }},
	    {Property::kObject, "180", [](const Property& p) { return p.getObject() == nullptr; }},
	    {Property::kRect, "187", [](const Property& p) { return p.getRect() == CRect(); }},
	    {Property::kPoint, "194", [](const Property& p) { return p.getPoint() == CPoint(); }},
	    {Property::kColor, "201", [](const Property& p) { return p.getColor() == CColor(); }},
	    {Property::kTransform, "208",
	     [](const Property& p) { return p.getTransform() == CGraphicsTransform(); }},
	};
	for (const auto& accessor : accessors)
	{
		for (const auto& property : properties)
		{
			if (property.getType() == accessor.type)
				continue;
			SCOPED_TRACE(testing::Message() << "accessor of type " << accessor.type
			                                << " on a property of type " << property.getType());
			AssertionRecorder assertions;
			EXPECT_TRUE(accessor.givesEmptyValue(property));
			ASSERT_EQ(assertions.reports.size(), 1u);
			EXPECT_EQ(assertions.reports[0].file, "lib/cbitmapfilter");
			EXPECT_EQ(assertions.reports[0].line, accessor.line);
		}
	}
}

// A property made from its type alone has no payload: its own accessor
// gives the empty value without a report, and so do its copies.
TEST(BitmapFilterPropertyTest, PropertyWithoutPayloadGivesTheEmptyValueOfItsType)
{
	struct Case
	{
		Property::Type type;
		std::function<bool(const Property&)> givesEmptyValue;
	};
	const Case cases[] = {
	    {Property::kInteger, [](const Property& p) { return p.getInteger() == 0; }},
	    {Property::kFloat, [](const Property& p) { return p.getFloat() == 0.; }},
	    {Property::kObject, [](const Property& p) { return p.getObject() == nullptr; }},
	    {Property::kRect, [](const Property& p) { return p.getRect() == CRect(); }},
	    {Property::kPoint, [](const Property& p) { return p.getPoint() == CPoint(); }},
	    {Property::kColor, [](const Property& p) { return p.getColor() == CColor(); }},
	    {Property::kTransform,
	     [](const Property& p) { return p.getTransform() == CGraphicsTransform(); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(testing::Message() << "type " << c.type);
		AssertionRecorder assertions;
		const Property property(c.type);
		Property assigned(int32(1));
		assigned = property;
		EXPECT_TRUE(c.givesEmptyValue(property));
		EXPECT_TRUE(c.givesEmptyValue(Property(property)));
		EXPECT_TRUE(c.givesEmptyValue(assigned));
		EXPECT_EQ(assigned.getType(), c.type);
		EXPECT_TRUE(assertions.reports.empty());
		EXPECT_EQ(property.hasValue(), c.type == Property::kObject) << "a null object is a value";
	}
}

// ---- FilterBase ----

TEST(BitmapFilterBaseTest, DescriptionIsCopiedAndNullBecomesEmpty)
{
	std::string text = "described";
	PlainFilter described(text.c_str());
	text = "changed";
	EXPECT_STREQ(described.getDescription(), "described");
	EXPECT_STREQ(PlainFilter(nullptr).getDescription(), "");
}

TEST(BitmapFilterBaseTest, RegisteringAnExistingNameKeepsItsValue)
{
	PlainFilter filter;
	EXPECT_TRUE(filter.registerProperty("Size", Property(int32(3))));
	EXPECT_FALSE(filter.registerProperty("Size", Property(int32(4))));
	EXPECT_FALSE(filter.registerProperty("Size", Property(4.)));
	EXPECT_FALSE(filter.registerProperty(nullptr, Property(4.)));
	EXPECT_EQ(filter.getNumProperties(), 1u);
	EXPECT_EQ(filter.getProperty("Size").getInteger(), 3);
}

TEST(BitmapFilterBaseTest, SetPropertyReplacesOnlyAnExistingPropertyOfTheSameType)
{
	struct Case
	{
		const char* name;
		Property property;
		bool accepted;
		int32 sizeAfter;
	};
	const Case cases[] = {
	    {"Size", Property(int32(9)), true, 9},   {"Size", Property(9.), false, 3},
	    {"Size", Property(CColor()), false, 3},  {"Size", Property(), false, 3},
	    {"Other", Property(int32(9)), false, 3}, {nullptr, Property(int32(9)), false, 3},
	};
	for (const auto& c : cases)
	{
		for (bool moved : {false, true})
		{
			SCOPED_TRACE(testing::Message() << (c.name ? c.name : "null") << " of type "
			                                << c.property.getType() << (moved ? " moved" : ""));
			PlainFilter filter;
			filter.registerProperty("Size", Property(int32(3)));
			Property property(c.property);
			bool accepted = moved ? filter.setProperty(c.name, std::move(property))
			                      : filter.setProperty(c.name, property);
			EXPECT_EQ(accepted, c.accepted);
			EXPECT_EQ(filter.getProperty("Size").getInteger(), c.sizeAfter);
			EXPECT_EQ(filter.getNumProperties(), 1u) << "nothing is added";
		}
	}
}

// A value property made from its type alone would leave the filter nothing
// to read: setting one is refused and the value stays. An object property
// without object (no input bitmap) is still accepted.
TEST(BitmapFilterBaseTest, SetPropertyRefusesAValuePropertyWithoutValue)
{
	const CGraphicsTransform transform(2, 0, 0, 2, 1, 1);
	struct Case
	{
		Property value;
		std::function<bool(const Property&)> keepsValue;
	};
	const Case cases[] = {
	    {Property(int32(5)), [](const Property& p) { return p.getInteger() == 5; }},
	    {Property(7.5), [](const Property& p) { return p.getFloat() == 7.5; }},
	    {Property(CRect(1, 2, 3, 4)), [](const Property& p) { return p.getRect() == CRect(1, 2, 3, 4); }},
	    {Property(CPoint(1, 2)), [](const Property& p) { return p.getPoint() == CPoint(1, 2); }},
	    {Property(CColor(1, 2, 3, 4)),
	     [](const Property& p) { return p.getColor() == CColor(1, 2, 3, 4); }},
	    {Property(transform), [&](const Property& p) { return p.getTransform() == transform; }},
	};
	for (const auto& c : cases)
	{
		for (bool moved : {false, true})
		{
			SCOPED_TRACE(testing::Message() << "type " << c.value.getType() << (moved ? " moved" : ""));
			PlainFilter filter;
			filter.registerProperty("Value", c.value);
			Property withoutValue(c.value.getType());
			EXPECT_FALSE(moved ? filter.setProperty("Value", std::move(withoutValue))
			                   : filter.setProperty("Value", withoutValue));
			EXPECT_TRUE(filter.getProperty("Value").hasValue());
			EXPECT_TRUE(c.keepsValue(filter.getProperty("Value")));
		}
	}

	auto object = makeOwned<Counted>();
	PlainFilter filter;
	filter.registerProperty("Object", Property(object.get()));
	EXPECT_TRUE(filter.setProperty("Object", Property(Property::kObject)));
	EXPECT_EQ(filter.getProperty("Object").getObject(), nullptr);
	EXPECT_EQ(object->getNbReference(), 1);
}

TEST(BitmapFilterBaseTest, UnknownNamesGiveAnEmptyPropertyOfTypeNotFound)
{
	PlainFilter filter;
	filter.registerProperty("Size", Property(int32(3)));
	EXPECT_EQ(filter.getProperty("size").getType(), Property::kNotFound);
	EXPECT_EQ(filter.getProperty(nullptr).getType(), Property::kNotFound);
	EXPECT_EQ(filter.getPropertyType("size"), Property::kNotFound);
	EXPECT_EQ(filter.getPropertyType(nullptr), Property::kNotFound);
	EXPECT_EQ(filter.getPropertyType("Size"), Property::kInteger);
}

// Indices follow the names byte by byte: capitals before small letters,
// and bytes above 127 (UTF-8) last, as unsigned values.
TEST(BitmapFilterBaseTest, PropertiesAreIndexedInByteWiseNameOrder)
{
	PlainFilter filter;
	filter.registerProperty("b", Property(int32(1)));
	filter.registerProperty("\xC3\xA9t\xC3\xA9", Property(1.));
	filter.registerProperty("B", Property(CRect()));
	filter.registerProperty("a", Property(CColor()));
	filter.registerProperty("A", Property(CPoint()));
	filter.registerProperty("ab", Property(CGraphicsTransform()));

	const std::vector<std::pair<std::string, Property::Type>> expected{
	    {"A", Property::kPoint},   {"B", Property::kRect},
	    {"a", Property::kColor},   {"ab", Property::kTransform},
	    {"b", Property::kInteger}, {"\xC3\xA9t\xC3\xA9", Property::kFloat}};
	ASSERT_EQ(filter.getNumProperties(), expected.size());
	for (uint32 i = 0; i < expected.size(); ++i)
	{
		ASSERT_NE(filter.getPropertyName(i), nullptr);
		EXPECT_EQ(filter.getPropertyName(i), expected[i].first) << i;
		EXPECT_EQ(filter.getPropertyType(i), expected[i].second) << i;
	}
	EXPECT_EQ(filter.getPropertyName(uint32(expected.size())), nullptr);
	EXPECT_EQ(filter.getPropertyType(uint32(expected.size())), Property::kNotFound);
	EXPECT_EQ(filter.getPropertyName(0xFFFFFFFF), nullptr);
}

class BitmapFilterInputTest : public ::testing::Test
{
protected:
	void SetUp() override { setPlatform(owned(new HeadlessPlatform)); }
	void TearDown() override { setPlatform(nullptr); }
};

TEST_F(BitmapFilterInputTest, InputBitmapIsTheBitmapObjectOfTheInputProperty)
{
	auto bitmap = makeOwned<CBitmap>(2., 2.);
	auto other = makeOwned<Counted>();
	struct Case
	{
		const char* label;
		bool registered;
		Property input;
		CBitmap* expected;
		bool reported;
	};
	const Case cases[] = {
	    {"bitmap", true, Property(bitmap.get()), bitmap.get(), false},
	    {"no property", false, Property(), nullptr, false},
	    {"no object", true, Property(Property::kObject), nullptr, false},
	    {"another object", true, Property(other.get()), nullptr, false},
	    {"an integer", true, Property(int32(1)), nullptr, true},
	    {"a rectangle", true, Property(CRect(0, 0, 2, 2)), nullptr, true},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.label);
		AssertionRecorder assertions;
		PlainFilter filter;
		if (c.registered)
			filter.registerProperty("InputBitmap", c.input);
		EXPECT_EQ(filter.getInputBitmap(), c.expected);
		EXPECT_EQ(assertions.has("lib/cbitmapfilter", "180"), c.reported);
		EXPECT_EQ(assertions.reports.size(), c.reported ? 1u : 0u);
	}
}

TEST_F(BitmapFilterInputTest, TheFirstPublishedOutputStays)
{
	auto first = makeOwned<CBitmap>(2., 2.);
	auto second = makeOwned<CBitmap>(2., 2.);
	auto filter = makeOwned<PlainFilter>();
	filter->registerProperty("InputBitmap", Property(first.get()));
	EXPECT_TRUE(filter->run(false));
	filter->setProperty("InputBitmap", Property(second.get()));
	EXPECT_FALSE(filter->run(false));
	EXPECT_EQ(filter->getProperty("OutputBitmap").getObject(), first.get());
	EXPECT_EQ(first->getNbReference(), 2) << "held here and by the output";
	filter = nullptr;
	EXPECT_EQ(first->getNbReference(), 1) << "released with the filter";
	EXPECT_EQ(second->getNbReference(), 1);
}

// ---- Factory ----

const char* const kStandardNames[] = {"Box Blur",        "Grayscale",    "Replace Color",
                                      "Scale Biliniear", "Scale Linear", "Set Color"};

TEST(BitmapFilterFactoryTest, StandardFiltersAreRegisteredInByteWiseNameOrder)
{
	auto& factory = Factory::getInstance();
	EXPECT_EQ(&factory, &Factory::getInstance());
	ASSERT_EQ(factory.getNumFilters(), 6u);
	for (uint32 i = 0; i < 6; ++i)
		EXPECT_STREQ(factory.getFilterName(i), kStandardNames[i]) << i;
	EXPECT_EQ(factory.getFilterName(6), nullptr);
}

struct ExpectedProperty
{
	const char* name;
	Property value;
};

bool sameValue(const Property& a, const Property& b)
{
	if (a.getType() != b.getType())
		return false;
	switch (a.getType())
	{
	case Property::kInteger:
		return a.getInteger() == b.getInteger();
	case Property::kObject:
		return a.getObject() == b.getObject();
	case Property::kRect:
		return a.getRect() == b.getRect();
	case Property::kColor:
		return a.getColor() == b.getColor();
	default:
		return false;
	}
}

TEST(BitmapFilterFactoryTest, EachStandardFilterHasItsDescriptionAndDefaults)
{
	const Property noBitmap(Property::kObject);
	struct Case
	{
		const char* name;
		const char* description;
		std::vector<ExpectedProperty> properties; // in index order
	};
	const Case cases[] = {
	    {"Box Blur",
	     "A Box Blur Filter",
	     {{"AlphaChannelOnly", Property(int32(0))},
	      {"InputBitmap", noBitmap},
	      {"Radius", Property(int32(2))}}},
	    {"Set Color",
	     "A Set Color Filter",
	     {{"IgnoreAlphaColorValue", Property(int32(1))},
	      {"InputBitmap", noBitmap},
	      {"InputColor", Property(CColor(255, 255, 255, 255))}}},
	    {"Grayscale", "A Grayscale Filter", {{"InputBitmap", noBitmap}}},
	    {"Replace Color",
	     "A Replace Color Filter",
	     {{"InputBitmap", noBitmap},
	      {"InputColor", Property(CColor(255, 255, 255, 255))},
	      {"OutputColor", Property(CColor(255, 255, 255, 0))}}},
	    {"Scale Biliniear",
	     "A Biliniear Scale Filter",
	     {{"InputBitmap", noBitmap}, {"OutputRect", Property(CRect(0, 0, 10, 10))}}},
	    {"Scale Linear",
	     "A Linear Scale Filter",
	     {{"InputBitmap", noBitmap}, {"OutputRect", Property(CRect(0, 0, 10, 10))}}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		auto filter = owned(Factory::getInstance().createFilter(c.name));
		ASSERT_TRUE(filter);
		EXPECT_EQ(filter->getNbReference(), 1) << "the caller owns the only reference";
		EXPECT_STREQ(filter->getDescription(), c.description);
		ASSERT_EQ(filter->getNumProperties(), c.properties.size());
		for (uint32 i = 0; i < c.properties.size(); ++i)
		{
			const auto& expected = c.properties[i];
			EXPECT_STREQ(filter->getPropertyName(i), expected.name);
			EXPECT_EQ(filter->getPropertyType(i), expected.value.getType()) << expected.name;
			EXPECT_TRUE(sameValue(filter->getProperty(expected.name), expected.value))
			    << expected.name;
		}
	}
}

TEST(BitmapFilterFactoryTest, PropertiesOfTheWrongTypeAreRefused)
{
	auto blur = owned(Factory::getInstance().createFilter("Box Blur"));
	ASSERT_TRUE(blur);
	EXPECT_FALSE(blur->setProperty("Radius", Property(2.0)));
	EXPECT_TRUE(blur->setProperty("Radius", Property(int32(5))));
	EXPECT_EQ(blur->getProperty("Radius").getInteger(), 5);
	EXPECT_FALSE(blur->setProperty("InputBitmap", Property(int32(5))));
	EXPECT_EQ(blur->getPropertyType("InputBitmap"), Property::kObject);
}

TEST(BitmapFilterFactoryTest, UnknownNamesCreateNothing)
{
	auto& factory = Factory::getInstance();
	EXPECT_EQ(factory.createFilter("Box blur"), nullptr);
	EXPECT_EQ(factory.createFilter(""), nullptr);
	EXPECT_EQ(factory.createFilter(nullptr), nullptr);
}

std::vector<std::string> gCreatedNames;

IFilter* createRecordingFilter(const char* name)
{
	gCreatedNames.emplace_back(name);
	return new PlainFilter("first");
}

IFilter* createOtherFilter(const char*)
{
	return new PlainFilter("second");
}

TEST(BitmapFilterFactoryTest, RegisteringAddsOrReplacesAndUnregisteringRemovesByName)
{
	auto& factory = Factory::getInstance();
	gCreatedNames.clear();
	EXPECT_TRUE(factory.registerFilter("Custom", createRecordingFilter));
	EXPECT_EQ(factory.getNumFilters(), 7u);
	EXPECT_STREQ(factory.getFilterName(1), "Custom") << "after \"Box Blur\", before \"Grayscale\"";
	auto created = owned(factory.createFilter("Custom"));
	ASSERT_TRUE(created);
	EXPECT_STREQ(created->getDescription(), "first");
	EXPECT_EQ(gCreatedNames, std::vector<std::string>{"Custom"}) << "the function gets the name";

	EXPECT_TRUE(factory.registerFilter("Custom", createOtherFilter));
	EXPECT_EQ(factory.getNumFilters(), 7u);
	created = owned(factory.createFilter("Custom"));
	EXPECT_STREQ(created->getDescription(), "second");

	// The function given to unregister is not compared.
	EXPECT_TRUE(factory.unregisterFilter("Custom", createRecordingFilter));
	EXPECT_FALSE(factory.unregisterFilter("Custom", createOtherFilter));
	EXPECT_EQ(factory.createFilter("Custom"), nullptr);
	EXPECT_EQ(factory.getNumFilters(), 6u);

	EXPECT_TRUE(factory.unregisterFilter("Grayscale", nullptr));
	EXPECT_EQ(factory.createFilter("Grayscale"), nullptr);
	EXPECT_STREQ(factory.getFilterName(1), "Replace Color");
	EXPECT_TRUE(factory.registerFilter("Grayscale", Standard::Grayscale::create));
	EXPECT_EQ(factory.getNumFilters(), 6u);
	EXPECT_TRUE(owned(factory.createFilter("Grayscale")));
}

// A null name or function could never create anything; the registry stays
// as it was.
TEST(BitmapFilterFactoryTest, NullNamesAndFunctionsAreRefused)
{
	auto& factory = Factory::getInstance();
	EXPECT_FALSE(factory.registerFilter(nullptr, createOtherFilter));
	EXPECT_FALSE(factory.registerFilter("Box Blur", nullptr));
	EXPECT_FALSE(factory.unregisterFilter(nullptr, nullptr));
	EXPECT_EQ(factory.getNumFilters(), 6u);
	auto blur = owned(factory.createFilter("Box Blur"));
	ASSERT_TRUE(blur);
	EXPECT_STREQ(blur->getDescription(), "A Box Blur Filter");
}

} // namespace
} // namespace Kavrin::Test
