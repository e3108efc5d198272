#include "lib/reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace Kavrin::Test {
namespace {

// What happened to a tracked object over its life.
struct Probe
{
	int beforeDeleteCalls {0};
	int destructorCalls {0};
	int countInBeforeDelete {-1};
	bool destroyedBeforeHook {false};
};

template <typename Counter>
class Tracked : public ReferenceCounted<Counter>
{
public:
	explicit Tracked(Probe& probe) : probe(probe) {}
	~Tracked() noexcept override { ++probe.destructorCalls; }

	void beforeDelete() override
	{
		++probe.beforeDeleteCalls;
		probe.countInBeforeDelete = this->getNbReference();
		probe.destroyedBeforeHook = probe.destructorCalls != 0;
		if (onBeforeDelete)
			onBeforeDelete(*this);
	}

	std::function<void(Tracked&)> onBeforeDelete;
	Probe& probe;
};

using PlainTracked = Tracked<int32>;

// Runs the same life-cycle checks against both counter kinds.
template <typename Counter>
class ReferenceCountedTest : public ::testing::Test
{
};
using CounterKinds = ::testing::Types<int32, std::atomic<int32>>;
TYPED_TEST_SUITE(ReferenceCountedTest, CounterKinds);

TYPED_TEST(ReferenceCountedTest, NewObjectHoldsOneReference)
{
	Probe probe;
	auto object = new Tracked<TypeParam>(probe);
	EXPECT_EQ(object->getNbReference(), 1);
	object->forget();
}

TYPED_TEST(ReferenceCountedTest, ForgetAboveOneOnlyDecrements)
{
	Probe probe;
	auto object = new Tracked<TypeParam>(probe);
	object->remember();
	object->remember();
	EXPECT_EQ(object->getNbReference(), 3);

	object->forget();
	object->forget();
	EXPECT_EQ(object->getNbReference(), 1);
	EXPECT_EQ(probe.beforeDeleteCalls, 0);
	EXPECT_EQ(probe.destructorCalls, 0);
	object->forget();
}

TYPED_TEST(ReferenceCountedTest, LastForgetRunsHookOnceWithCountZeroThenDestroys)
{
	Probe probe;
	auto object = new Tracked<TypeParam>(probe);
	object->forget();

	EXPECT_EQ(probe.beforeDeleteCalls, 1);
	EXPECT_EQ(probe.countInBeforeDelete, 0);
	EXPECT_FALSE(probe.destroyedBeforeHook);
	EXPECT_EQ(probe.destructorCalls, 1);
}

TYPED_TEST(ReferenceCountedTest, ReferenceTakenAndDroppedInsideHookDoesNotDeleteTwice)
{
	Probe probe;
	auto object = new Tracked<TypeParam>(probe);
	int countWhileHeld = -1;
	object->onBeforeDelete = [&](Tracked<TypeParam>& self) {
		// A handler holds the dying object for a moment.
		SharedPointer<Tracked<TypeParam>> hold(&self);
		countWhileHeld = self.getNbReference();
	};
	object->forget();

	EXPECT_EQ(countWhileHeld, 1);
	EXPECT_EQ(probe.beforeDeleteCalls, 1);
	EXPECT_EQ(probe.destructorCalls, 1);
}

TEST(ReferenceCountedTest, CopyOfAnObjectStartsWithItsOwnSingleReference)
{
	Probe probe;
	auto original = new PlainTracked(probe);
	original->remember();
	auto copy = new PlainTracked(*original);

	EXPECT_EQ(copy->getNbReference(), 1);
	EXPECT_EQ(original->getNbReference(), 2);
	copy->forget();
	EXPECT_EQ(probe.destructorCalls, 1);
	original->forget();
	original->forget();
	EXPECT_EQ(probe.destructorCalls, 2);
}

// beforeDelete runs while the object is whole, so virtual calls made from an
// intermediate class still reach the most derived override.
class Describer : public NonAtomicReferenceCounted
{
public:
	explicit Describer(std::string& seen) : seen(seen) {}
	void beforeDelete() override { seen = describe(); }
	virtual std::string describe() const { return "describer"; }

private:
	std::string& seen;
};

class DerivedDescriber : public Describer
{
public:
	using Describer::Describer;
	std::string describe() const override { return "derived"; }
};

TEST(ReferenceCountedTest, HookDispatchesVirtualCallsToTheMostDerivedClass)
{
	std::string seen;
	(new DerivedDescriber(seen))->forget();
	EXPECT_EQ(seen, "derived");
}

// An interface that also reaches IReference: the implementation holds a
// single counter whichever path a reference is taken through.
class IGreeter : virtual public IReference
{
public:
	virtual int greet() const = 0;
};

class Greeter : public IGreeter, public NonAtomicReferenceCounted
{
public:
	explicit Greeter(int& destroyed) : destroyed(destroyed) {}
	~Greeter() noexcept override { ++destroyed; }
	int greet() const override { return 42; }

private:
	int& destroyed;
};

TEST(ReferenceCountedTest, ReferencesThroughEitherPathShareOneCounter)
{
	int destroyed = 0;
	auto greeter = new Greeter(destroyed);
	IGreeter* asInterface = greeter;
	NonAtomicReferenceCounted* asCounted = greeter;

	asInterface->remember();
	EXPECT_EQ(asCounted->getNbReference(), 2);
	asCounted->forget();
	EXPECT_EQ(destroyed, 0);
	EXPECT_EQ(asInterface->greet(), 42);
	asInterface->forget();
	EXPECT_EQ(destroyed, 1);
}

// Concurrency: the counter kind shared across threads.

struct ThreadProbe
{
	std::atomic<int> beforeDeleteCalls {0};
	std::atomic<int> destructorCalls {0};
	std::thread::id deletingThread;
};

class SharedAcrossThreads : public AtomicReferenceCounted
{
public:
	explicit SharedAcrossThreads(ThreadProbe& probe) : probe(probe) {}
	~SharedAcrossThreads() noexcept override
	{
		probe.deletingThread = std::this_thread::get_id();
		++probe.destructorCalls;
	}
	void beforeDelete() override { ++probe.beforeDeleteCalls; }

private:
	ThreadProbe& probe;
};

TEST(AtomicReferenceCountedTest, ConcurrentRememberAndForgetDeleteExactlyOnceOnTheLastThread)
{
	constexpr int kThreads = 4;
	constexpr int kRounds = 5000;
	constexpr int kRepetitions = 20; // varies which thread ends up last

	for (int repetition = 0; repetition < kRepetitions; ++repetition)
	{
		ThreadProbe probe;
		auto object = new SharedAcrossThreads(probe);
		std::atomic<bool> go {false};
		std::vector<std::thread> threads;
		std::vector<std::thread::id> workerIds;

		for (int i = 0; i < kThreads; ++i)
		{
			object->remember(); // the worker's own reference
			threads.emplace_back([&go, object] {
				while (!go.load())
					std::this_thread::yield();
				for (int round = 0; round < kRounds; ++round)
				{
					object->remember();
					object->forget();
				}
				object->forget();
			});
			workerIds.push_back(threads.back().get_id());
		}
		// Only the workers hold references from here on.
		object->forget();
		go = true;
		for (auto& thread : threads)
			thread.join();

		ASSERT_EQ(probe.beforeDeleteCalls.load(), 1) << "repetition " << repetition;
		ASSERT_EQ(probe.destructorCalls.load(), 1) << "repetition " << repetition;
		EXPECT_NE(std::find(workerIds.begin(), workerIds.end(), probe.deletingThread), workerIds.end());
	}
}

// SharedPointer

class SharedPointerTest : public ::testing::Test
{
protected:
	Probe probe;
	PlainTracked* object {new PlainTracked(probe)};

	bool destroyed() const { return probe.destructorCalls != 0; }
};

TEST_F(SharedPointerTest, ConstructionFromRawPointerRemembersAndDestructionForgets)
{
	{
		SharedPointer<PlainTracked> pointer(object);
		EXPECT_EQ(object->getNbReference(), 2);
		EXPECT_EQ(pointer.get(), object);
	}
	EXPECT_EQ(object->getNbReference(), 1);
	object->forget();
}

TEST_F(SharedPointerTest, AdoptingConstructionTakesOverTheCallersReference)
{
	{
		auto pointer = owned(object);
		EXPECT_EQ(object->getNbReference(), 1);
	}
	EXPECT_TRUE(destroyed());
}

TEST_F(SharedPointerTest, SharedAddsAReferenceOfItsOwn)
{
	{
		auto pointer = shared(object);
		EXPECT_EQ(object->getNbReference(), 2);
	}
	EXPECT_FALSE(destroyed());
	object->forget();
}

TEST(SharedPointerMakeOwnedTest, MakeOwnedHoldsTheOnlyReference)
{
	Probe probe;
	{
		auto pointer = makeOwned<PlainTracked>(probe);
		EXPECT_EQ(pointer->getNbReference(), 1);
	}
	EXPECT_EQ(probe.destructorCalls, 1);
}

TEST_F(SharedPointerTest, CopyRemembersAndEachCopyForgetsOnce)
{
	auto first = owned(object);
	{
		auto second = first;
		SharedPointer<PlainTracked> third;
		third = second;
		EXPECT_EQ(object->getNbReference(), 3);
		EXPECT_EQ(first, second);
		EXPECT_EQ(second, third);
	}
	EXPECT_EQ(object->getNbReference(), 1);
	EXPECT_FALSE(destroyed());
}

TEST_F(SharedPointerTest, MoveTransfersTheReferenceAndLeavesTheSourceNull)
{
	auto source = owned(object);
	auto moved = std::move(source);
	EXPECT_EQ(source, nullptr);
	EXPECT_EQ(moved.get(), object);
	EXPECT_EQ(object->getNbReference(), 1);

	SharedPointer<PlainTracked> target;
	target = std::move(moved);
	EXPECT_EQ(moved, nullptr);
	EXPECT_EQ(target.get(), object);
	EXPECT_EQ(object->getNbReference(), 1);
	target = nullptr;
	EXPECT_TRUE(destroyed());
}

TEST_F(SharedPointerTest, AssignmentForgetsTheOldObject)
{
	Probe otherProbe;
	auto pointer = owned(object);
	pointer = owned(new PlainTracked(otherProbe)); // move-assign
	EXPECT_TRUE(destroyed());

	auto third = makeOwned<PlainTracked>(probe);
	pointer = third; // copy-assign
	EXPECT_EQ(otherProbe.destructorCalls, 1);
	EXPECT_EQ(third->getNbReference(), 2);
}

TEST_F(SharedPointerTest, ReassigningTheHeldObjectKeepsItAlive)
{
	// Holding the only reference: forgetting before remembering would delete it.
	auto pointer = owned(object);
	pointer = object;
	pointer.reset(object);
	const auto& same = pointer;
	pointer = same;
	auto& self = pointer;
	pointer = std::move(self);

	EXPECT_FALSE(destroyed());
	EXPECT_EQ(pointer.get(), object);
	EXPECT_EQ(object->getNbReference(), 1);
}

TEST_F(SharedPointerTest, ResetForgetsAndResetWithPointerRemembers)
{
	auto pointer = owned(object);
	Probe otherProbe;
	auto other = new PlainTracked(otherProbe);

	pointer.reset(other);
	EXPECT_TRUE(destroyed());
	EXPECT_EQ(other->getNbReference(), 2);

	pointer.reset();
	EXPECT_EQ(pointer, nullptr);
	EXPECT_EQ(other->getNbReference(), 1);
	other->forget();
}

TEST_F(SharedPointerTest, TakeGivesUpTheReferenceWithoutForgetting)
{
	auto pointer = owned(object);
	PlainTracked* taken = pointer.take();
	EXPECT_EQ(pointer, nullptr);
	EXPECT_EQ(taken, object);
	EXPECT_EQ(object->getNbReference(), 1);
	taken->forget();
}

TEST(SharedPointerNullTest, NullPointersCompareEqualToNull)
{
	SharedPointer<PlainTracked> defaulted;
	SharedPointer<PlainTracked> fromNull(nullptr);
	SharedPointer<PlainTracked> fromNullRaw(static_cast<PlainTracked*>(nullptr));
	SharedPointer<PlainTracked> adoptedNull(nullptr, false);

	for (const auto* pointer : {&defaulted, &fromNull, &fromNullRaw, &adoptedNull})
	{
		EXPECT_TRUE(*pointer == nullptr);
		EXPECT_FALSE(*pointer != nullptr);
		EXPECT_EQ(pointer->get(), nullptr);
	}
	EXPECT_EQ(defaulted, fromNull);

	// Copying, moving and resetting a null pointer touches nothing.
	auto copy = defaulted;
	auto moved = std::move(copy);
	moved.reset();
	EXPECT_EQ(moved, nullptr);
}

TEST_F(SharedPointerTest, NonNullComparesUnequalToNullAndToOtherObjects)
{
	auto pointer = owned(object);
	Probe otherProbe;
	auto other = makeOwned<PlainTracked>(otherProbe);

	EXPECT_TRUE(pointer != nullptr);
	EXPECT_FALSE(pointer == nullptr);
	EXPECT_NE(pointer, other);
	EXPECT_EQ(pointer, shared(object));
}

class Base : public NonAtomicReferenceCounted
{
};
class Derived : public Base
{
};
class Unrelated : public NonAtomicReferenceCounted
{
};

TEST(SharedPointerConversionTest, DerivedConvertsToBaseSharingTheReferenceCount)
{
	auto derived = makeOwned<Derived>();
	SharedPointer<Base> copied = derived;
	EXPECT_EQ(derived->getNbReference(), 2);
	EXPECT_EQ(copied, derived);

	SharedPointer<Base> moved = SharedPointer<Derived>(derived);
	EXPECT_EQ(derived->getNbReference(), 3);

	SharedPointer<Base> assigned;
	assigned = derived;
	EXPECT_EQ(derived->getNbReference(), 4);
}

TEST(SharedPointerConversionTest, CastRemembersOnMatchAndYieldsNullOtherwise)
{
	SharedPointer<NonAtomicReferenceCounted> object = makeOwned<Derived>();
	auto asBase = object.cast<Base>();
	EXPECT_EQ(asBase, object);
	EXPECT_EQ(object->getNbReference(), 2);

	auto asUnrelated = object.cast<Unrelated>();
	EXPECT_EQ(asUnrelated, nullptr);
	EXPECT_EQ(object->getNbReference(), 2);
}

} // namespace
} // namespace Kavrin::Test
