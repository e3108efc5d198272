#pragma once

// A control listener and an editor interface that write what reaches them
// into one shared log, so tests can assert on the order of value changes and
// edit brackets across both.

#include "lib/controls/ccontrol.h"
#include "lib/kavrineditorinterface.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {

using ControlLog = std::vector<std::string>;

// Logs "name:changed", "name:begin", "name:end" and the tag changes; a test
// may hook into valueChanged, controlBeginEdit and controlEndEdit to act from
// inside a dispatch, and answer modifier clicks.
class LoggingListener : public IControlListener
{
public:
	LoggingListener(std::string name, ControlLog& log) : name(std::move(name)), log(log) {}

	void valueChanged(CControl* control) override
	{
		log.push_back(name + ":changed");
		if (onChanged)
			onChanged(control);
	}
	int32 controlClickedWithModifiers(CControl* control, CButtonState buttons) override
	{
		return onModifierClick ? onModifierClick(control, buttons) : 0;
	}
	void controlBeginEdit(CControl* control) override
	{
		log.push_back(name + ":begin");
		if (onBegin)
			onBegin(control);
	}
	void controlEndEdit(CControl* control) override
	{
		log.push_back(name + ":end");
		if (onEnd)
			onEnd(control);
	}
	void controlTagWillChange(CControl* control) override
	{
		log.push_back(name + ":tagWill " + std::to_string(control->getTag()));
	}
	void controlTagDidChange(CControl* control) override
	{
		log.push_back(name + ":tagDid " + std::to_string(control->getTag()));
	}

	std::string name;
	ControlLog& log;
	std::function<void(CControl*)> onChanged;
	std::function<void(CControl*)> onBegin;
	std::function<void(CControl*)> onEnd;
	std::function<int32(CControl*, CButtonState)> onModifierClick;
};

// Logs "editor:begin <tag>" and "editor:end <tag>"; answers the knob mode
// it is given (-1: no preference).
class LoggingEditor : public KavrinEditorInterface
{
public:
	explicit LoggingEditor(ControlLog& log) : log(log) {}

	int32 getKnobMode() const override { return knobMode; }
	void beginEdit(int32 tag) override { log.push_back("editor:begin " + std::to_string(tag)); }
	void endEdit(int32 tag) override { log.push_back("editor:end " + std::to_string(tag)); }

	ControlLog& log;
	int32 knobMode {-1};
};

// Checks the edit brackets in a log observer by observer: each one hears
// begin before end, never two begins or two ends in a row, ends every
// bracket it heard begin, and hears value changes only inside a bracket.
inline ::testing::AssertionResult bracketsAreWellFormed(const ControlLog& log)
{
	std::map<std::string, bool> open;
	for (size_t i = 0; i < log.size(); ++i)
	{
		const auto& entry = log[i];
		const auto colon = entry.find(':');
		const std::string observer = entry.substr(0, colon);
		const std::string event = entry.substr(colon + 1, entry.find(' ', colon) - colon - 1);
		const bool isOpen = open[observer];
		if ((event == "begin" && isOpen) || (event == "end" && !isOpen) || (event == "changed" && !isOpen))
			return ::testing::AssertionFailure() << "entry " << i << " \"" << entry << "\" in " << ::testing::PrintToString(log);
		if (event == "begin" || event == "end")
			open[observer] = event == "begin";
	}
	for (const auto& [observer, isOpen] : open)
	{
		if (isOpen)
			return ::testing::AssertionFailure() << observer << " never hears its end in " << ::testing::PrintToString(log);
	}
	return ::testing::AssertionSuccess();
}

} // namespace Kavrin::Test
