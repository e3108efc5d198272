#include "lib/cdragcontainerhelper.h"
#include "lib/cdropsource.h"

#include "tests/support/recording.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace Kavrin::Test
{
namespace
{

std::string itemText(const IDataPackage& package, uint32 index)
{
	const void* bytes = nullptr;
	auto type = IDataPackage::kError;
	uint32 size = package.getData(index, bytes, type);
	return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

TEST(CDropSourceTest, ItemsAreCopiesReadInOrderWithinBounds)
{
	char text[] = "hello";
	CDropSource source(text, 5, IDataPackage::kText);
	EXPECT_TRUE(source.add("/tmp/a", 7, IDataPackage::kFilePath));
	// The package owns its copy: the caller's buffer may change afterwards.
	std::memcpy(text, "HELLO", 5);

	ASSERT_EQ(source.getCount(), 2u);
	EXPECT_EQ(itemText(source, 0), "hello");
	EXPECT_EQ(source.getDataType(1), IDataPackage::kFilePath);
	EXPECT_EQ(source.getDataSize(1), 7u);
}

TEST(CDropSourceTest, OutOfRangeIndexesAnswerNothingAndLeaveTheOutputsAlone)
{
	auto source = CDropSource::create("abc", 3, IDataPackage::kBinary);
	const void* untouched = &source;
	auto type = IDataPackage::kFilePath;
	for (uint32 index : {1u, 2u, 0xffffffffu})
	{
		EXPECT_EQ(source->getDataSize(index), 0u) << index;
		EXPECT_EQ(source->getDataType(index), IDataPackage::kError) << index;
		EXPECT_EQ(source->getData(index, untouched, type), 0u) << index;
		EXPECT_EQ(untouched, static_cast<const void*>(&source));
		EXPECT_EQ(type, IDataPackage::kFilePath);
	}
	EXPECT_EQ(CDropSource().getCount(), 0u);
}

// An item claiming bytes it was not given would otherwise be copied from
// nowhere.
TEST(CDropSourceTest, EmptyItemsHoldNoBuffer)
{
	struct Case
	{
		const char* name;
		const void* bytes;
		uint32 size;
	};
	for (const auto& c : {Case{"size 0", "abc", 0}, Case{"null bytes", nullptr, 12}})
	{
		CDropSource source(c.bytes, c.size, IDataPackage::kText);
		const void* bytes = &c;
		auto type = IDataPackage::kError;
		EXPECT_EQ(source.getData(0, bytes, type), 0u) << c.name;
		EXPECT_EQ(bytes, nullptr) << c.name;
		EXPECT_EQ(type, IDataPackage::kText) << c.name;
	}
}

TEST(CDropEntryTest, MovingLeavesTheSourceEmptyAndTypedError)
{
	CDropEntry source("data", 4, IDataPackage::kBinary);
	CDropEntry moved(std::move(source));
	EXPECT_EQ(source.getBuffer(), nullptr);
	EXPECT_EQ(source.getSize(), 0u);
	EXPECT_EQ(source.getType(), IDataPackage::kError);
	EXPECT_EQ(std::string(static_cast<const char*>(moved.getBuffer()), moved.getSize()), "data");

	CDropEntry assigned("x", 1, IDataPackage::kText);
	assigned = std::move(moved);
	EXPECT_EQ(moved.getType(), IDataPackage::kError);
	EXPECT_EQ(assigned.getType(), IDataPackage::kBinary);
	EXPECT_EQ(assigned.getSize(), 4u);
}

TEST(CDragContainerHelperTest, TranslatesTypesToTheOlderNumbering)
{
	struct Case
	{
		IDataPackage::Type type;
		int32 older;
	};
	for (const auto& c : {Case{IDataPackage::kFilePath, 0}, Case{IDataPackage::kText, 2},
	                      Case{IDataPackage::kBinary, -1}, Case{IDataPackage::kError, -2}})
		EXPECT_EQ(CDragContainerHelper::toOlderType(c.type), c.older) << c.type;
}

TEST(CDragContainerHelperTest, WalksTheItemsAndYieldsNothingPastTheEnd)
{
	CDropSource source("/a", 3, IDataPackage::kFilePath);
	source.add("text", 4, IDataPackage::kText);
	CDragContainerHelper helper(&source);
	EXPECT_EQ(helper.getCount(), 2);
	EXPECT_EQ(helper.getType(1), CDragContainerHelper::kUnicodeText);
	EXPECT_EQ(helper.getType(2), CDragContainerHelper::kError);

	int32 size = -1;
	int32 type = -1;
	for (int pass = 0; pass < 2; ++pass) // first() restarts the walk
	{
		EXPECT_STREQ(static_cast<const char*>(helper.first(size, type)), "/a");
		EXPECT_EQ(type, CDragContainerHelper::kFile);
		auto second = helper.next(size, type);
		EXPECT_EQ(std::string(static_cast<const char*>(second), size), "text");
		EXPECT_EQ(type, CDragContainerHelper::kUnicodeText);
		EXPECT_EQ(helper.next(size, type), nullptr);
		EXPECT_EQ(size, 0);
		EXPECT_EQ(type, CDragContainerHelper::kError);
	}
}

TEST(CDragContainerHelperTest, WithoutAPackageItAssertsAndAnswersNothing)
{
	AssertionRecorder assertions;
	CDragContainerHelper helper(nullptr);
	ASSERT_EQ(assertions.reports.size(), 1u);
	EXPECT_EQ(assertions.reports[0].file, "lib/cview");
	EXPECT_EQ(assertions.reports[0].line, "1176");
	EXPECT_EQ(assertions.reports[0].description, "drag cannot be nullptr");
	int32 size = -1;
	int32 type = 0;
	EXPECT_EQ(helper.first(size, type), nullptr);
	EXPECT_EQ(size, 0);
	EXPECT_EQ(helper.getCount(), 0);
}

} // namespace
} // namespace Kavrin::Test
