#include "lib/dispatchlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

struct Listener
{
	std::string name;
};

using List = DispatchList<Listener*>;
using Names = std::vector<std::string>;

enum class Direction
{
	Forward,
	Reverse,
};

const char* toString(Direction direction)
{
	return direction == Direction::Forward ? "forward" : "reverse";
}

class DispatchListTest : public ::testing::Test
{
protected:
	DispatchListTest()
	{
		for (auto* listener : {&a, &b, &c, &d})
			list.add(listener);
	}

	Listener* byName(const std::string& name)
	{
		for (auto* listener : {&a, &b, &c, &d, &e})
		{
			if (listener->name == name)
				return listener;
		}
		ADD_FAILURE() << "no listener " << name;
		return nullptr;
	}

	// Walks in the given direction, calling visit for every entry reached.
	template <typename Visit>
	Names walk(Direction direction, Visit&& visit)
	{
		Names visited;
		auto record = [&](Listener* listener) {
			visited.push_back(listener->name);
			visit(listener);
		};
		if (direction == Direction::Forward)
			list.forEach(record);
		else
			list.forEachReverse(record);
		return visited;
	}
	Names walk(Direction direction = Direction::Forward)
	{
		return walk(direction, [](Listener*) {});
	}

	Listener a {"a"};
	Listener b {"b"};
	Listener c {"c"};
	Listener d {"d"};
	Listener e {"e"};
	List list;
};

TEST_F(DispatchListTest, WalksInRegistrationOrderOrItsReverse)
{
	EXPECT_EQ(walk(Direction::Forward), (Names {"a", "b", "c", "d"}));
	EXPECT_EQ(walk(Direction::Reverse), (Names {"d", "c", "b", "a"}));
}

TEST_F(DispatchListTest, EntriesRemovedDuringAWalkAreSkippedAndGoneAfterwards)
{
	struct Case
	{
		const char* name;
		Direction direction;
		std::string at;
		Names toRemove;
		Names visited;
	};
	const Case cases[] = {
	    {"itself", Direction::Forward, "b", {"b"}, {"a", "b", "c", "d"}},
	    {"a later entry", Direction::Forward, "a", {"c"}, {"a", "b", "d"}},
	    {"an earlier entry", Direction::Forward, "c", {"a"}, {"a", "b", "c", "d"}},
	    {"itself and the next", Direction::Forward, "b", {"b", "c"}, {"a", "b", "d"}},
	    {"every entry", Direction::Forward, "a", {"a", "b", "c", "d"}, {"a"}},
	    {"itself", Direction::Reverse, "c", {"c"}, {"d", "c", "b", "a"}},
	    {"a later entry", Direction::Reverse, "d", {"b"}, {"d", "c", "a"}},
	    {"an earlier entry", Direction::Reverse, "b", {"d"}, {"d", "c", "b", "a"}},
	    {"itself and the next", Direction::Reverse, "c", {"c", "b"}, {"d", "c", "a"}},
	};
	for (const auto& test : cases)
	{
		SCOPED_TRACE(std::string(toString(test.direction)) + ", at " + test.at + ", removing " +
		             test.name);
		list = {};
		for (auto* listener : {&a, &b, &c, &d})
			list.add(listener);

		auto visited = walk(test.direction, [&](Listener* listener) {
			if (listener->name != test.at)
				return;
			for (const auto& name : test.toRemove)
			{
				list.remove(byName(name));
				EXPECT_FALSE(list.contains(byName(name))) << name << " while walking";
			}
		});
		EXPECT_EQ(visited, test.visited);

		Names expected;
		for (const auto& name : Names {"a", "b", "c", "d"})
		{
			if (std::find(test.toRemove.begin(), test.toRemove.end(), name) == test.toRemove.end())
				expected.push_back(name);
		}
		EXPECT_EQ(walk(Direction::Forward), expected);
		EXPECT_EQ(list.empty(), expected.empty());
	}
}

TEST_F(DispatchListTest, RemovingEveryEntryDuringAWalkLeavesTheListEmptyAtOnce)
{
	bool emptyWhileWalking = false;
	walk(Direction::Forward, [&](Listener* listener) {
		if (listener != &a)
			return;
		for (auto* entry : {&a, &b, &c, &d})
			list.remove(entry);
		emptyWhileWalking = list.empty();
	});
	EXPECT_TRUE(emptyWhileWalking);
	EXPECT_TRUE(list.empty());
}

TEST_F(DispatchListTest, AdditionsDuringAWalkAreSeenOnlyByTheNextWalk)
{
	for (auto direction : {Direction::Forward, Direction::Reverse})
	{
		SCOPED_TRACE(toString(direction));
		list = {};
		list.add(&a);
		list.add(&b);

		bool containedWhileWalking = false;
		auto visited = walk(direction, [&](Listener* listener) {
			if (listener != &a)
				return;
			list.add(&e);
			containedWhileWalking = list.contains(&e);
		});
		EXPECT_TRUE(containedWhileWalking);
		EXPECT_EQ(visited.size(), 2u);
		EXPECT_EQ(std::count(visited.begin(), visited.end(), "e"), 0);

		EXPECT_EQ(walk(Direction::Forward), (Names {"a", "b", "e"}));
	}
}

TEST_F(DispatchListTest, EntryAddedAndRemovedInTheSameWalkNeverArrives)
{
	walk(Direction::Forward, [&](Listener* listener) {
		if (listener == &a)
			list.add(&e);
		if (listener == &c)
			list.remove(&e);
	});
	EXPECT_FALSE(list.contains(&e));
	EXPECT_EQ(walk(), (Names {"a", "b", "c", "d"}));
}

TEST_F(DispatchListTest, EntryRemovedAndAddedAgainDuringAWalkIsPresentOnce)
{
	auto visited = walk(Direction::Forward, [&](Listener* listener) {
		if (listener != &a)
			return;
		list.remove(&c);
		list.add(&c);
	});
	EXPECT_EQ(visited, (Names {"a", "b", "d"}));
	EXPECT_TRUE(list.contains(&c));

	auto after = walk();
	EXPECT_EQ(after.size(), 4u);
	EXPECT_EQ(std::count(after.begin(), after.end(), "c"), 1);
}

TEST_F(DispatchListTest, NestedWalkKeepsTheOuterWalkOnCourse)
{
	// The inner walk removes an entry the outer walk has already passed and
	// adds a new one; neither may shift or extend the outer walk.
	Names inner;
	auto outer = walk(Direction::Forward, [&](Listener* listener) {
		if (listener != &b)
			return;
		list.add(&e);
		inner = walk(Direction::Forward, [&](Listener* nested) {
			if (nested == &c)
				list.remove(&a);
		});
	});
	EXPECT_EQ(inner, (Names {"a", "b", "c", "d"}));
	EXPECT_EQ(outer, (Names {"a", "b", "c", "d"}));
	EXPECT_EQ(walk(), (Names {"b", "c", "d", "e"}));
}

TEST_F(DispatchListTest, NestedWalkSkipsEntriesTheOuterWalkRemoved)
{
	Names inner;
	auto outer = walk(Direction::Reverse, [&](Listener* listener) {
		if (listener != &d)
			return;
		list.remove(&b);
		inner = walk(Direction::Forward);
	});
	EXPECT_EQ(inner, (Names {"a", "c", "d"}));
	EXPECT_EQ(outer, (Names {"d", "c", "a"}));
	EXPECT_EQ(walk(), (Names {"a", "c", "d"}));
}

TEST_F(DispatchListTest, FunctionReturningTrueEndsTheWalk)
{
	for (auto direction : {Direction::Forward, Direction::Reverse})
	{
		SCOPED_TRACE(toString(direction));
		Names visited;
		auto stopAtB = [&](Listener* listener) {
			visited.push_back(listener->name);
			return listener == &b;
		};
		bool stopped = direction == Direction::Forward ? list.forEach(stopAtB)
		                                               : list.forEachReverse(stopAtB);
		EXPECT_TRUE(stopped);
		EXPECT_EQ(visited, direction == Direction::Forward ? (Names {"a", "b"})
		                                                   : (Names {"d", "c", "b"}));

		visited.clear();
		auto neverStop = [&](Listener* listener) {
			visited.push_back(listener->name);
			return false;
		};
		stopped = direction == Direction::Forward ? list.forEach(neverStop)
		                                          : list.forEachReverse(neverStop);
		EXPECT_FALSE(stopped);
		EXPECT_EQ(visited.size(), 4u);
	}
}

TEST_F(DispatchListTest, ChangesMadeBeforeAnEarlyStopAreStillSettled)
{
	list.forEach([&](Listener* listener) {
		list.remove(&a);
		list.add(&e);
		return listener == &a;
	});
	EXPECT_EQ(walk(), (Names {"b", "c", "d", "e"}));

	// No walk is in progress any more: a removal takes effect at once.
	list.remove(&b);
	list.add(&a);
	EXPECT_EQ(walk(), (Names {"c", "d", "e", "a"}));
}

TEST_F(DispatchListTest, ExceptionLeavingAWalkStillSettlesTheList)
{
	EXPECT_THROW(list.forEach([&](Listener* listener) {
		if (listener == &b)
		{
			list.remove(&b);
			list.add(&e);
			throw std::runtime_error("listener failed");
		}
	}),
	             std::runtime_error);
	EXPECT_EQ(walk(), (Names {"a", "c", "d", "e"}));

	list.remove(&c);
	list.add(&b);
	EXPECT_EQ(walk(), (Names {"a", "d", "e", "b"}));
}

} // namespace
} // namespace Kavrin::Test
