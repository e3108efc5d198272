#include "lib/assertion.h"
#include "lib/cbaseobject.h"
#include "lib/cbuttonstate.h"
#include "lib/messages.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

// Messages

const char* const kAllMessages[] = {kMsgNewFocusView, kMsgOldFocusView, kMsgLooseFocus,
                                    kMsgViewSizeChanged};

// Recognises the focus message the way every receiver must: by its pointer.
class FocusWatcher : public CBaseObject
{
public:
	NotifyResult notify(CBaseObject* sender, const char* message) override
	{
		if (message == kMsgNewFocusView)
		{
			senders.push_back(sender);
			return kMessageHandled;
		}
		return CBaseObject::notify(sender, message);
	}

	std::vector<CBaseObject*> senders;
};

TEST(MessagesTest, ConstantsCarryTheirDocumentedText)
{
	struct Case
	{
		const char* constant;
		const char* text;
	};
	const Case cases[] = {
	    {kMsgNewFocusView, "kMsgNewFocusView"},
	    {kMsgOldFocusView, "kMsgOldFocusView"},
	    {kMsgLooseFocus, "LooseFocus"},
	    {kMsgViewSizeChanged, "kMsgViewSizeChanged"},
	};
	for (const auto& c : cases)
		EXPECT_STREQ(c.constant, c.text);
}

TEST(MessagesTest, BaseObjectIgnoresEveryMessage)
{
	auto object = makeOwned<CBaseObject>();
	auto sender = makeOwned<CBaseObject>();
	for (const char* message : kAllMessages)
		EXPECT_EQ(object->notify(sender, message), kMessageIgnored) << message;
	EXPECT_EQ(object->notify(nullptr, nullptr), kMessageIgnored);
}

TEST(MessagesTest, CopyOfTheTextIsNotTheMessage)
{
	auto watcher = makeOwned<FocusWatcher>();
	auto sender = makeOwned<CBaseObject>();
	char sameText[] = "kMsgNewFocusView";
	ASSERT_STREQ(sameText, kMsgNewFocusView);

	EXPECT_EQ(watcher->notify(sender, sameText), kMessageIgnored);
	EXPECT_TRUE(watcher->senders.empty());

	EXPECT_EQ(watcher->notify(sender, kMsgNewFocusView), kMessageHandled);
	EXPECT_EQ(watcher->senders, (std::vector<CBaseObject*> {sender.get()}));
}

// Assertions

struct Report
{
	const char* file;
	const char* line;
	const char* description;
};

class AssertionTest : public ::testing::Test
{
protected:
	void SetUp() override { setAssertionHandler(nullptr); }
	void TearDown() override { setAssertionHandler(nullptr); }

	AssertionHandler recordInto(std::vector<Report>& reports)
	{
		return [&reports](const char* file, const char* line, const char* description) {
			reports.push_back({file, line, description});
		};
	}
};

struct AssertionFailed : std::runtime_error
{
	using std::runtime_error::runtime_error;
};

TEST_F(AssertionTest, WithoutHandlerDoAssertReturnsNormally)
{
	EXPECT_FALSE(hasAssertionHandler());
	EXPECT_NO_THROW(doAssert("lib/cview", "120", "a description"));
	EXPECT_NO_THROW(doAssert("lib/cview", "121"));
	EXPECT_NO_THROW(doAssert(nullptr, nullptr, nullptr));
}

TEST_F(AssertionTest, HandlerReceivesTheThreeStringsAndANullDescriptionAsNull)
{
	std::vector<Report> reports;
	setAssertionHandler(recordInto(reports));
	EXPECT_TRUE(hasAssertionHandler());

	doAssert("lib/cframe", "42", "frame is gone");
	doAssert("lib/cview", "7", nullptr);
	doAssert("lib/cview", "8");

	ASSERT_EQ(reports.size(), 3u);
	EXPECT_STREQ(reports[0].file, "lib/cframe");
	EXPECT_STREQ(reports[0].line, "42");
	EXPECT_STREQ(reports[0].description, "frame is gone");
	EXPECT_STREQ(reports[1].file, "lib/cview");
	EXPECT_STREQ(reports[1].line, "7");
	EXPECT_EQ(reports[1].description, nullptr);
	EXPECT_EQ(reports[2].description, nullptr);
}

TEST_F(AssertionTest, InstallingAHandlerReplacesThePreviousOne)
{
	std::vector<Report> first;
	std::vector<Report> second;
	setAssertionHandler(recordInto(first));
	setAssertionHandler(recordInto(second));

	doAssert("lib/cview", "1");
	EXPECT_TRUE(first.empty());
	EXPECT_EQ(second.size(), 1u);
}

TEST_F(AssertionTest, EmptyHandlerRemovesTheInstalledOne)
{
	struct Case
	{
		const char* name;
		AssertionHandler empty;
	};
	const Case cases[] = {
	    {"nullptr", nullptr},
	    {"default-constructed function", AssertionHandler {}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		std::vector<Report> reports;
		setAssertionHandler(recordInto(reports));
		setAssertionHandler(c.empty);

		EXPECT_FALSE(hasAssertionHandler());
		EXPECT_NO_THROW(doAssert("lib/cview", "1"));
		EXPECT_TRUE(reports.empty());
	}
}

TEST_F(AssertionTest, ExceptionFromTheHandlerReachesTheCallerAndTheHandlerStays)
{
	setAssertionHandler([](const char*, const char* line, const char*) { throw AssertionFailed(line); });

	std::optional<std::string> caught;
	try
	{
		doAssert("lib/cframe", "356", nullptr);
	}
	catch (const AssertionFailed& failure)
	{
		caught = failure.what();
	}
	EXPECT_EQ(caught, "356");
	EXPECT_TRUE(hasAssertionHandler());
	EXPECT_THROW(doAssert("lib/cframe", "365"), AssertionFailed);
}

TEST_F(AssertionTest, HandlerMayRemoveOrReplaceItselfWhileRunning)
{
	// A one-shot handler: it uninstalls itself on the first report and then
	// still uses what it captured.
	std::vector<std::string> seen;
	const std::string prefix(64, '>'); // too large for the function's inline storage
	setAssertionHandler([&seen, prefix](const char*, const char* line, const char*) {
		setAssertionHandler(nullptr);
		seen.push_back(prefix + line);
	});
	doAssert("lib/cview", "1");
	doAssert("lib/cview", "2");
	EXPECT_EQ(seen, (std::vector<std::string> {prefix + "1"}));
	EXPECT_FALSE(hasAssertionHandler());

	// A handler that hands over to another one.
	seen.clear();
	setAssertionHandler([&seen, prefix](const char*, const char* line, const char*) {
		setAssertionHandler([&seen](const char*, const char* l, const char*) { seen.push_back(l); });
		seen.push_back(prefix + line);
	});
	doAssert("lib/cview", "3");
	doAssert("lib/cview", "4");
	EXPECT_EQ(seen, (std::vector<std::string> {prefix + "3", "4"}));
}

// Button state

TEST(CButtonStateTest, ModifierClickIsAnythingBeyondLeftAndMiddleButton)
{
	struct Case
	{
		const char* name;
		uint32 state;
		bool modifierClick;
	};
	const Case cases[] = {
	    {"nothing", 0, false},
	    {"left button", kLeftButton, false},
	    {"middle button", kMiddleButton, false},
	    {"left and middle buttons", kLeftButton | kMiddleButton, false},
	    {"right button", kRightButton, true},
	    {"left button with shift", kLeftButton | kShiftModifier, true},
	    {"left button with apple key", kLeftButton | kAppleModifier, true},
	    {"fourth button", kButton4, true},
	    {"left double click", kLeftButton | kDoubleClick, true},
	    {"inverted wheel", kWheelInverted, true},
	};
	for (const auto& c : cases)
		EXPECT_EQ(CButtonState(c.state).isModifierClick(), c.modifierClick) << c.name;
}

TEST(CButtonStateTest, ModifierStateKeepsOnlyTheFourModifierKeys)
{
	const CButtonState everything(0xFFFFFFFFu);
	EXPECT_EQ(everything.getModifierState(), 0xF0u);
	EXPECT_EQ(everything.modifiersOnly(), CButtonState(0xF0u));

	const CButtonState press(kLeftButton | kShiftModifier | kAltModifier | kDoubleClick);
	EXPECT_EQ(press.getModifierState(), uint32(kShiftModifier | kAltModifier));
	EXPECT_FALSE(press.modifiersOnly().isLeftButton());
	EXPECT_FALSE(press.modifiersOnly().isDoubleClick());
}

TEST(CMouseEventResultTest, OnlyNotImplementedAndNotHandledCountAsUnhandled)
{
	struct Case
	{
		CMouseEventResult result;
		bool handled;
	};
	const Case cases[] = {
	    {kMouseNotImplemented, false},
	    {kMouseHandled, true},
	    {kMouseNotHandled, false},
	    {kMouseDownHandledNoMoveOrUp, true},
	    {kMouseMoveHandledNoMore, true},
	};
	for (const auto& c : cases)
		EXPECT_EQ(isMouseHandled(c.result), c.handled) << c.result;
}

} // namespace
} // namespace Kavrin::Test
