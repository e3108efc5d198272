#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace Kavrin {

// A list of listeners or observers that tolerates registration and removal
// while it is being walked: a removal during a walk nulls the slot, an
// addition waits in a queue, and both are settled when the outermost walk
// ends. Walks skip removed entries. T is a pointer type.
//
// A walk's function may return bool: true ends the walk early.
template <typename T>
class DispatchList
{
public:
	void add(T entry)
	{
		if (walkDepth)
			added.push_back(entry);
		else
			entries.push_back(entry);
	}

	void remove(T entry)
	{
		auto queued = std::find(added.begin(), added.end(), entry);
		if (queued != added.end())
		{
			added.erase(queued);
			return;
		}
		auto it = std::find(entries.begin(), entries.end(), entry);
		if (it == entries.end())
			return;
		if (walkDepth)
		{
			*it = T {};
			needsCompaction = true;
		}
		else
			entries.erase(it);
	}

	bool contains(T entry) const
	{
		return entry != T {} &&
		       (std::find(entries.begin(), entries.end(), entry) != entries.end() ||
		        std::find(added.begin(), added.end(), entry) != added.end());
	}

	bool empty() const
	{
		return added.empty() &&
		       std::all_of(entries.begin(), entries.end(), [](const T& e) { return e == T {}; });
	}

	// First to last; returns true when the function ended the walk.
	template <typename Func>
	bool forEach(Func&& func)
	{
		WalkScope scope(*this);
		for (std::size_t i = 0; i < entries.size(); ++i)
		{
			if (entries[i] != T {} && call(func, entries[i]))
				return true;
		}
		return false;
	}

	// Last to first; returns true when the function ended the walk.
	template <typename Func>
	bool forEachReverse(Func&& func)
	{
		WalkScope scope(*this);
		for (std::size_t i = entries.size(); i-- > 0;)
		{
			if (entries[i] != T {} && call(func, entries[i]))
				return true;
		}
		return false;
	}

private:
	struct WalkScope
	{
		explicit WalkScope(DispatchList& list) : list(list) { ++list.walkDepth; }
		~WalkScope()
		{
			if (--list.walkDepth == 0)
				list.settle();
		}
		DispatchList& list;
	};

	template <typename Func>
	static bool call(Func& func, T entry)
	{
		if constexpr (std::is_same_v<decltype(func(entry)), bool>)
			return func(entry);
		else
		{
			func(entry);
			return false;
		}
	}

	void settle()
	{
		if (needsCompaction)
		{
			entries.erase(std::remove(entries.begin(), entries.end(), T {}), entries.end());
			needsCompaction = false;
		}
		if (!added.empty())
		{
			entries.insert(entries.end(), added.begin(), added.end());
			added.clear();
		}
	}

	std::vector<T> entries;
	std::vector<T> added;
	int walkDepth {0};
	bool needsCompaction {false};
};

} // namespace Kavrin
