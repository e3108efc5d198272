#pragma once

#include "lib/kavrintypes.h"

#include <atomic>
#include <cstddef>
#include <utility>

namespace Kavrin {

// The root of every reference-counted object. A new object starts with one
// reference, owned by whoever created it.
class IReference
{
public:
	virtual void forget() = 0;
	virtual void remember() = 0;
	virtual ~IReference() noexcept = default;
};

// Implements IReference with a counter of type T: int for objects that stay on
// the main thread, std::atomic<int> for objects shared across threads.
//
// The last forget() decrements the counter to 0, calls beforeDelete() while
// the object is still whole and then deletes it. References taken and dropped
// again from inside beforeDelete() (a handler holding the dying object for a
// moment) never delete it a second time.
template <typename T>
class ReferenceCounted : virtual public IReference
{
public:
	ReferenceCounted() = default;
	// A copy is a new object: it starts with its own single reference.
	ReferenceCounted(const ReferenceCounted&) : IReference() {}
	ReferenceCounted& operator=(const ReferenceCounted&) { return *this; }
	~ReferenceCounted() noexcept override = default;

	void forget() override
	{
		if (--nbReference == 0 && !deleting)
		{
			deleting = true;
			beforeDelete();
			delete this;
		}
	}
	void remember() override { ++nbReference; }

	virtual int32 getNbReference() const { return nbReference; }
	virtual void beforeDelete() {}

private:
	T nbReference {1};
	bool deleting {false};
};

using AtomicReferenceCounted = ReferenceCounted<std::atomic<int32>>;
using NonAtomicReferenceCounted = ReferenceCounted<int32>;

// An owning handle. Copies remember, destruction and reassignment forget. The
// adopting form (SharedPointer(ptr, false), owned(), makeOwned()) takes over a
// reference the caller already holds, which is how a freshly created object
// (count 1) is handed over without a leak.
template <typename I>
class SharedPointer
{
public:
	SharedPointer() noexcept = default;
	SharedPointer(std::nullptr_t) noexcept {}
	SharedPointer(I* ptr, bool rememberIt = true) noexcept : ptr(ptr)
	{
		if (ptr && rememberIt)
			ptr->remember();
	}
	SharedPointer(const SharedPointer& other) noexcept : SharedPointer(other.ptr) {}
	template <typename T>
	SharedPointer(const SharedPointer<T>& other) noexcept : SharedPointer(other.get())
	{
	}
	SharedPointer(SharedPointer&& other) noexcept : ptr(other.ptr) { other.ptr = nullptr; }
	template <typename T>
	SharedPointer(SharedPointer<T>&& other) noexcept : ptr(other.take())
	{
	}
	~SharedPointer() noexcept { reset(); }

	SharedPointer& operator=(I* newPtr) noexcept
	{
		if (newPtr != ptr)
		{
			if (newPtr)
				newPtr->remember();
			I* old = std::exchange(ptr, newPtr);
			if (old)
				old->forget();
		}
		return *this;
	}
	SharedPointer& operator=(const SharedPointer& other) noexcept { return *this = other.ptr; }
	template <typename T>
	SharedPointer& operator=(const SharedPointer<T>& other) noexcept
	{
		return *this = other.get();
	}
	SharedPointer& operator=(SharedPointer&& other) noexcept
	{
		if (this != &other)
		{
			I* old = std::exchange(ptr, std::exchange(other.ptr, nullptr));
			if (old)
				old->forget();
		}
		return *this;
	}
	SharedPointer& operator=(std::nullptr_t) noexcept
	{
		reset();
		return *this;
	}

	void reset(I* newPtr = nullptr) noexcept { *this = newPtr; }
	// Gives up the reference without forgetting it; the caller now owns it.
	I* take() noexcept { return std::exchange(ptr, nullptr); }

	I* get() const noexcept { return ptr; }
	I* operator->() const noexcept { return ptr; }
	I& operator*() const noexcept { return *ptr; }
	operator I*() const noexcept { return ptr; }

	template <typename T>
	SharedPointer<T> cast() const
	{
		return SharedPointer<T>(dynamic_cast<T*>(ptr));
	}

private:
	I* ptr {nullptr};
};

template <typename I, typename T>
bool operator==(const SharedPointer<I>& a, const SharedPointer<T>& b) noexcept
{
	return a.get() == b.get();
}
template <typename I, typename T>
bool operator!=(const SharedPointer<I>& a, const SharedPointer<T>& b) noexcept
{
	return a.get() != b.get();
}
template <typename I>
bool operator==(const SharedPointer<I>& a, std::nullptr_t) noexcept
{
	return a.get() == nullptr;
}
template <typename I>
bool operator!=(const SharedPointer<I>& a, std::nullptr_t) noexcept
{
	return a.get() != nullptr;
}

// Takes over the caller's reference to a freshly created object.
template <typename I>
SharedPointer<I> owned(I* ptr) noexcept
{
	return SharedPointer<I>(ptr, false);
}

// Adds a reference of its own.
template <typename I>
SharedPointer<I> shared(I* ptr) noexcept
{
	return SharedPointer<I>(ptr, true);
}

template <typename I, typename... Args>
SharedPointer<I> makeOwned(Args&&... args)
{
	return SharedPointer<I>(new I(std::forward<Args>(args)...), false);
}

} // namespace Kavrin
