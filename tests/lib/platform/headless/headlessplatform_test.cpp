#include "lib/cdrawcontext.h"
#include "lib/cdropsource.h"
#include "lib/cframe.h"
#include "lib/cviewcontainer.h"
#include "lib/platform/headless/headlessplatform.h"
#include "lib/platform/iplatformframe.h"
#include "lib/platform/iplatformtimer.h"
#include "lib/platform/platform.h"
#include "tests/support/surfacepixels.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <list>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using FireLog = std::vector<std::string>;

// A platform timer together with the callback it fires. Each fire is logged
// as "name@ms", ms counted from origin, and then the hook runs.
class LoggedTimer : public IPlatformTimerCallback
{
public:
	LoggedTimer(std::string name, HeadlessPlatform& platform, FireLog& log, const uint32& origin)
	    : name(std::move(name)), platform(platform), log(log), origin(origin)
	{
		timer = IPlatformTimer::create(this);
	}

	void fire() override
	{
		++fires;
		log.push_back(name + "@" + std::to_string(platform.getTicks() - origin));
		if (hook)
			hook();
	}

	std::string name;
	HeadlessPlatform& platform;
	FireLog& log;
	const uint32& origin;
	SharedPointer<IPlatformTimer> timer;
	std::function<void()> hook;
	int fires {0};
};

// Installs a fresh headless platform for one test.
class HeadlessTimerTest : public ::testing::Test
{
protected:
	HeadlessTimerTest() { setPlatform(platform); }
	~HeadlessTimerTest() override
	{
		timers.clear();
		setPlatform(nullptr);
	}

	LoggedTimer& addTimer(const std::string& name)
	{
		timers.emplace_back(name, *platform, log, origin);
		return timers.back();
	}

	LoggedTimer& startTimer(const std::string& name, uint32 interval)
	{
		auto& timer = addTimer(name);
		EXPECT_TRUE(timer.timer->start(interval));
		return timer;
	}

	uint32 elapsed() const { return platform->getTicks() - HeadlessPlatform::kClockStart; }

	// Drops every timer and the log; later fires are logged from now on.
	void beginCase()
	{
		timers.clear();
		log.clear();
		origin = platform->getTicks();
	}

	SharedPointer<HeadlessPlatform> platform {owned(new HeadlessPlatform)};
	uint32 origin {HeadlessPlatform::kClockStart};
	FireLog log;
	std::list<LoggedTimer> timers;
};

TEST_F(HeadlessTimerTest, ClockStartsAboveZeroAndMovesOnlyByAdvance)
{
	static_assert(HeadlessPlatform::kClockStart != 0);
	EXPECT_EQ(platform->getTicks(), HeadlessPlatform::kClockStart);
	EXPECT_EQ(IPlatformFrame::getTicks(), HeadlessPlatform::kClockStart);

	platform->advance(0);
	EXPECT_EQ(elapsed(), 0u);
	platform->advance(1234);
	EXPECT_EQ(elapsed(), 1234u);

	int parent = 0;
	auto frame = new CFrame(CRect(0, 0, 100, 100));
	ASSERT_TRUE(frame->open(&parent, kHeadless));
	EXPECT_EQ(frame->getTicks(), HeadlessPlatform::kClockStart + 1234);
	frame->close();
}

TEST_F(HeadlessTimerTest, ClockEndsExactlyWhereAdvanceAimedEvenWhenTimersFired)
{
	startTimer("a", 30);
	platform->advance(100);
	EXPECT_EQ(elapsed(), 100u);
	EXPECT_THAT(log, ElementsAre("a@30", "a@60", "a@90"));
}

// A callback that runs a nested loop moves the clock on by itself; the
// outer advance must not take it back.
TEST_F(HeadlessTimerTest, ClockNeverRunsBackwardsWhenACallbackAdvancesItFurther)
{
	auto& a = startTimer("a", 30);
	a.hook = [&]
	{
		if (a.fires == 1)
			platform->advance(100);
	};
	platform->advance(50);
	EXPECT_THAT(log, ElementsAre("a@30", "a@60", "a@90", "a@120"));
	EXPECT_EQ(platform->getTicks() - origin, 130u) << "the nested loop's 100 ms have passed";
	platform->advance(20);
	EXPECT_THAT(log, ElementsAre("a@30", "a@60", "a@90", "a@120", "a@150"));
}

TEST_F(HeadlessTimerTest, FirstFireComesOneIntervalAfterStartThenEveryInterval)
{
	platform->advance(17);
	auto& timer = startTimer("a", 40);
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);

	platform->advance(39);
	EXPECT_THAT(log, IsEmpty());
	platform->advance(1);
	EXPECT_THAT(log, ElementsAre("a@57"));
	platform->advance(79);
	EXPECT_THAT(log, ElementsAre("a@57", "a@97"));
	platform->advance(1);
	EXPECT_THAT(log, ElementsAre("a@57", "a@97", "a@137"));

	// A restart begins a new phase from the moment it happens.
	platform->advance(10);
	EXPECT_TRUE(timer.timer->stop());
	EXPECT_TRUE(timer.timer->start(40));
	platform->advance(39);
	EXPECT_EQ(timer.fires, 3);
	platform->advance(1);
	EXPECT_EQ(log.back(), "a@187");
}

// Two timers whose periods only meet beyond the advanced span: every fire of
// each comes in time order, whether the time passes in one step or in many.
TEST_F(HeadlessTimerTest, DueTimersFireInTimeOrderHoweverTheTimeIsSplit)
{
	const std::vector<std::vector<uint32>> splits {
	    {200},
	    std::vector<uint32>(200, 1),
	    {29, 1, 40, 130},
	    {70, 0, 70, 60},
	};
	for (const auto& split : splits)
	{
		SCOPED_TRACE(::testing::PrintToString(split));
		beginCase();
		auto& a = startTimer("a", 30);
		auto& b = startTimer("b", 70);
		for (auto step : split)
			platform->advance(step);
		EXPECT_EQ(platform->getTicks() - origin, 200u);
		EXPECT_THAT(
		    log, ElementsAre("a@30", "a@60", "b@70", "a@90", "a@120", "b@140", "a@150", "a@180"));
		EXPECT_EQ(a.fires, 6);
		EXPECT_EQ(b.fires, 2);
	}
}

// Timers falling due at the same moment fire in the order they were started;
// a restart counts as a new start.
TEST_F(HeadlessTimerTest, TimersFallingDueTogetherFireInTheOrderTheyWereStarted)
{
	struct Case
	{
		const char* name;
		std::vector<std::pair<const char*, uint32>> starts; // in start order
		bool restartFirst;                                  // stop and start the first again
		uint32 span;
		FireLog expected;
	};
	const std::vector<Case> cases {
	    {"same period", {{"a", 50}, {"b", 50}}, false, 100, {"a@50", "b@50", "a@100", "b@100"}},
	    {"same period, started the other way",
	     {{"b", 50}, {"a", 50}},
	     false,
	     100,
	     {"b@50", "a@50", "b@100", "a@100"}},
	    {"first restarted at the same moment",
	     {{"a", 50}, {"b", 50}},
	     true,
	     100,
	     {"b@50", "a@50", "b@100", "a@100"}},
	    {"different periods meeting after several fires",
	     {{"a", 30}, {"b", 50}},
	     false,
	     150,
	     {"a@30", "b@50", "a@60", "a@90", "b@100", "a@120", "a@150", "b@150"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		beginCase();
		for (const auto& [name, interval] : c.starts)
			startTimer(name, interval);
		if (c.restartFirst)
		{
			auto& first = timers.front();
			EXPECT_TRUE(first.timer->stop());
			EXPECT_TRUE(first.timer->start(c.starts.front().second));
		}
		platform->advance(c.span);
		EXPECT_EQ(log, c.expected);
	}
}

TEST_F(HeadlessTimerTest, TimerStartedByAnotherTimersCallbackTakesPartFromThatMoment)
{
	auto& a = startTimer("a", 30);
	auto& c = addTimer("c");
	a.hook = [&]
	{
		if (a.fires == 1)
		{
			EXPECT_TRUE(c.timer->start(20));
		}
	};
	platform->advance(100);
	EXPECT_THAT(log, ElementsAre("a@30", "c@50", "a@60", "c@70", "a@90", "c@90"));
}

TEST_F(HeadlessTimerTest, TimerStoppedByAnotherTimersCallbackFiresNoMore)
{
	struct Case
	{
		const char* name;
		uint32 stopperInterval;
		FireLog expected;
	};
	// The stopper is started first, so at a shared moment it comes first.
	const std::vector<Case> cases {
	    {"before the victim is due", 30, {"stopper@30", "stopper@60", "stopper@90"}},
	    {"at the moment the victim is due", 50, {"stopper@50", "stopper@100"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		beginCase();
		auto& stopper = startTimer("stopper", c.stopperInterval);
		auto& victim = startTimer("victim", 50);
		stopper.hook = [&]
		{
			if (stopper.fires == 1)
			{
				EXPECT_TRUE(victim.timer->stop());
			}
		};
		platform->advance(100);
		EXPECT_EQ(log, c.expected);
		EXPECT_EQ(victim.fires, 0);
		EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	}
}

TEST_F(HeadlessTimerTest, TimerRestartedByAnotherTimersCallbackBeginsItsPhaseThen)
{
	auto& a = startTimer("a", 30);
	auto& b = startTimer("b", 50);
	a.hook = [&]
	{
		if (a.fires == 1)
		{
			EXPECT_TRUE(b.timer->stop());
			EXPECT_TRUE(b.timer->start(50));
		}
	};
	platform->advance(140);
	EXPECT_THAT(log, ElementsAre("a@30", "a@60", "b@80", "a@90", "a@120", "b@130"));
}

// Releasing a timer that falls due at the same moment, from another timer's
// callback: it must neither fire nor be touched afterwards.
TEST_F(HeadlessTimerTest, TimerReleasedByAnotherTimersCallbackAtTheSameMomentDoesNotFire)
{
	auto& a = startTimer("a", 50);
	auto& b = startTimer("b", 50);
	a.hook = [&] { b.timer = nullptr; };
	platform->advance(100);
	EXPECT_THAT(log, ElementsAre("a@50", "a@100"));
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
}

TEST_F(HeadlessTimerTest, StartOnRunningAndStopOnStoppedReturnFalseAndChangeNothing)
{
	auto& a = addTimer("a");
	EXPECT_FALSE(a.timer->stop()) << "never started";
	EXPECT_TRUE(a.timer->start(50));
	platform->advance(30);

	EXPECT_FALSE(a.timer->start(10));
	EXPECT_FALSE(a.timer->start(50));
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	platform->advance(20);
	platform->advance(49);
	EXPECT_THAT(log, ElementsAre("a@50")) << "the first start's phase and interval are kept";
	platform->advance(1);
	EXPECT_THAT(log, ElementsAre("a@50", "a@100"));

	EXPECT_TRUE(a.timer->stop());
	EXPECT_FALSE(a.timer->stop());
	EXPECT_EQ(platform->getRunningTimerCount(), 0u);
	platform->advance(500);
	EXPECT_EQ(a.fires, 2);
}

TEST_F(HeadlessTimerTest, ReleasingARunningTimerStopsIt)
{
	auto& a = startTimer("a", 20);
	auto& b = startTimer("b", 30);
	platform->advance(20);
	EXPECT_EQ(platform->getRunningTimerCount(), 2u);

	a.timer = nullptr;
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
	platform->advance(100);
	EXPECT_EQ(a.fires, 1);
	EXPECT_EQ(b.fires, 4);
}

// The platform keeps a timer alive while its callback runs, so a callback
// that drops the last reference may still use the timer until it returns.
TEST_F(HeadlessTimerTest, TimerReleasedInsideItsOwnCallbackSurvivesUntilTheCallbackReturns)
{
	auto& a = startTimer("a", 25);
	auto& other = startTimer("other", 40);
	a.hook = [&]
	{
		IPlatformTimer* raw = a.timer;
		a.timer = nullptr;
		EXPECT_FALSE(raw->start(25)) << "still the running timer";
		EXPECT_EQ(platform->getRunningTimerCount(), 2u);
	};
	platform->advance(100);
	EXPECT_EQ(a.fires, 1);
	EXPECT_EQ(other.fires, 2);
	EXPECT_EQ(platform->getRunningTimerCount(), 1u);
}

TEST_F(HeadlessTimerTest, TimerStoppedAndStartedInsideItsOwnCallbackRunsOnItsNewInterval)
{
	auto& a = startTimer("a", 40);
	a.hook = [&]
	{
		if (a.fires == 1)
		{
			EXPECT_TRUE(a.timer->stop());
			EXPECT_TRUE(a.timer->start(15));
		}
	};
	platform->advance(80);
	EXPECT_THAT(log, ElementsAre("a@40", "a@55", "a@70"));
}

// ---- Painting ----

// A frame of 60 x 40 on the headless platform, built by a test and opened.
struct PaintedFrame
{
	PaintedFrame(const std::function<void(CFrame&)>& build, double scale)
	{
		frame = new CFrame(CRect(0, 0, 60, 40));
		build(*frame);
		if (frame->open(&parent, kHeadless))
		{
			window = static_cast<HeadlessFrame*>(frame->getPlatformFrame());
			window->setScaleFactor(scale);
		}
	}
	~PaintedFrame() { frame->close(); }

	CFrame* frame;
	HeadlessFrame* window {nullptr};
	int parent {0};
};

class HeadlessPaintTest : public ::testing::Test
{
protected:
	HeadlessPaintTest() { setPlatform(owned(new HeadlessPlatform)); }
	~HeadlessPaintTest() override { setPlatform(nullptr); }
};

// A repaint leaves exactly the pixels of clearing the rect and then drawing
// the frame into it, whether or not an opaque background covers the rect.
TEST_F(HeadlessPaintTest, RepaintLeavesThePixelsOfClearingTheRectFirst)
{
	struct Case
	{
		const char* name;
		std::function<void(CFrame&)> build;
	};
	const CColor paper(250, 240, 220);
	const Case cases[] = {
	    {"an opaque background", [&](CFrame& f) { f.setBackgroundColor(paper); }},
	    {"an opaque filled background",
	     [&](CFrame& f) {
		     f.setBackgroundColor(paper);
		     f.setBackgroundColorDrawStyle(kDrawFilled);
	     }},
	    {"a translucent background", [](CFrame& f) { f.setBackgroundColor(CColor(250, 240, 220, 128)); }},
	    {"a translucent filled background",
	     [](CFrame& f) {
		     f.setBackgroundColor(CColor(250, 240, 220, 128));
		     f.setBackgroundColorDrawStyle(kDrawFilled);
	     }},
	    {"a transparent frame",
	     [&](CFrame& f) {
		     f.setBackgroundColor(paper);
		     f.setTransparency(true);
	     }},
	    {"an outlined background",
	     [&](CFrame& f) {
		     f.setBackgroundColor(paper);
		     f.setBackgroundColorDrawStyle(kDrawStroked);
	     }},
	    {"an opaque panel over part of a transparent frame",
	     [&](CFrame& f) {
		     f.setTransparency(true);
		     auto panel = new CViewContainer(CRect(10, 5, 40, 30));
		     panel->setBackgroundColor(paper);
		     f.addView(panel);
	     }},
	    {"a half transparent panel over a transparent frame",
	     [&](CFrame& f) {
		     f.setTransparency(true);
		     auto panel = new CViewContainer(CRect(0, 0, 60, 40));
		     panel->setBackgroundColor(paper);
		     panel->setBackgroundColorDrawStyle(kDrawFilled);
		     panel->setAlphaValue(0.5f);
		     f.addView(panel);
	     }},
	    {"a half transparent panel over an opaque frame",
	     [&](CFrame& f) {
		     f.setBackgroundColor(paper);
		     auto panel = new CViewContainer(CRect(10, 5, 40, 30));
		     panel->setBackgroundColor(kBlueCColor);
		     panel->setAlphaValue(0.5f);
		     f.addView(panel);
	     }},
	};
	struct Repaint
	{
		double scale;
		CRect rect;
	};
	const Repaint repaints[] = {
	    {1., CRect(5, 5, 45, 35)},       {1., CRect(0, 0, 60, 40)},
	    {1.5, CRect(3.3, 4.1, 40.7, 33.4)}, {2., CRect(2.25, 3.75, 50.5, 36.25)},
	    {2., CRect(10.5, 0, 30.25, 40)},
	};
	for (const auto& c : cases)
	{
		for (const auto& repaint : repaints)
		{
			SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(repaint.scale));
			PaintedFrame clearedFirst(c.build, repaint.scale);
			PaintedFrame repainted(c.build, repaint.scale);
			ASSERT_TRUE(clearedFirst.window && repainted.window);
			paintStalePixels(*clearedFirst.window->getSurface());
			paintStalePixels(*repainted.window->getSurface());
			{
				auto context = owned(clearedFirst.window->getSurface()->createDrawContext());
				context->clearRect(repaint.rect);
				clearedFirst.frame->platformDrawRect(context, repaint.rect);
			}
			repainted.window->drawRect(repaint.rect);
			EXPECT_EQ(differingPixels(*clearedFirst.window->getSurface(), *repainted.window->getSurface()), 0);
		}
	}
}

} // namespace
} // namespace Kavrin::Test

// ---- Clipboard ----

namespace Kavrin::Test {
namespace {

struct ClipboardItem
{
	IDataPackage::Type type;
	std::string bytes;
};

std::vector<ClipboardItem> clipboardItems(const IDataPackage* package)
{
	std::vector<ClipboardItem> items;
	for (uint32 index = 0; package && index < package->getCount(); ++index)
	{
		const void* bytes = nullptr;
		auto type = IDataPackage::kError;
		uint32 size = package->getData(index, bytes, type);
		std::string text = bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
		items.push_back({type, text});
	}
	return items;
}

bool operator==(const ClipboardItem& a, const ClipboardItem& b)
{
	return a.type == b.type && a.bytes == b.bytes;
}

class HeadlessClipboardTest : public ::testing::Test
{
protected:
	HeadlessClipboardTest() { setPlatform(owned(new HeadlessPlatform)); }
	~HeadlessClipboardTest() override { setPlatform(nullptr); }

	SharedPointer<HeadlessFrame> window {
	    makeOwned<HeadlessFrame>(nullptr, CRect(0, 0, 10, 10), nullptr)};
};

TEST_F(HeadlessClipboardTest, WritingKeepsTheFirstTextOrBinaryItemElseThePaths)
{
	using T = IDataPackage;
	struct Case
	{
		const char* name;
		std::vector<ClipboardItem> written;
		std::vector<ClipboardItem> kept;
	};
	const Case cases[] = {
	    {"two texts", {{T::kText, "one"}, {T::kText, "two"}}, {{T::kText, "one"}}},
	    {"paths then text",
	     {{T::kFilePath, std::string("/a", 3)}, {T::kText, "t"}},
	     {{T::kText, "t"}}},
	    {"binary then text", {{T::kBinary, "b"}, {T::kText, "t"}}, {{T::kBinary, "b"}}},
	    {"paths only",
	     {{T::kFilePath, std::string("/a", 3)}, {T::kFilePath, std::string("/b", 3)}},
	     {{T::kFilePath, std::string("/a", 3)}, {T::kFilePath, std::string("/b", 3)}}},
	    {"empty text skipped", {{T::kText, ""}, {T::kText, "second"}}, {{T::kText, "second"}}},
	    {"unknown type skipped", {{T::kError, "e"}, {T::kBinary, "b"}}, {{T::kBinary, "b"}}},
	};
	for (const auto& c : cases)
	{
		auto package = makeOwned<CDropSource>();
		for (const auto& item : c.written)
			package->add(item.bytes.data(), static_cast<uint32>(item.bytes.size()), item.type);
		window->setClipboard(package);
		EXPECT_TRUE(clipboardItems(window->getClipboard()) == c.kept) << c.name;
	}
}

// Copying nothing must not leave the earlier content to be pasted.
TEST_F(HeadlessClipboardTest, WritingNothingClearsTheClipboard)
{
	auto emptyItem = CDropSource::create("", 0, IDataPackage::kText);
	for (const auto& package : {SharedPointer<IDataPackage>(), emptyItem})
	{
		window->setClipboard(CDropSource::create("old", 3, IDataPackage::kText));
		window->setClipboard(package);
		EXPECT_EQ(window->getClipboard(), nullptr);
	}
}

TEST_F(HeadlessClipboardTest, AColourReadsAsOneTruncatedHexText)
{
	struct Case
	{
		double red, green, blue, alpha;
		const char* text;
	};
	const Case cases[] = {
	    {1., 0., 0., .5, "#ff00007f"},
	    {.999, .004, 1., 1., "#fe01ffff"},
	    // Out of range and not-a-number components stay two digits each.
	    {2., -1., std::nan(""), 1., "#ff0000ff"},
	};
	for (const auto& c : cases)
	{
		window->putColorOnClipboard(c.red, c.green, c.blue, c.alpha);
		EXPECT_TRUE(clipboardItems(window->getClipboard()) ==
		            std::vector<ClipboardItem>({{IDataPackage::kText, c.text}}))
		    << c.text;
	}
}

} // namespace
} // namespace Kavrin::Test
