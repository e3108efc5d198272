#pragma once

// A control listener and an editor interface that write what reaches them
// into one shared log, so tests can assert on the order of value changes and
// edit brackets across both.

#include "lib/controls/ccontrol.h"
#include "lib/kavrineditorinterface.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Kavrin::Test {

using ControlLog = std::vector<std::string>;

// Logs "name:changed", "name:begin", "name:end" and the tag changes; a test
// may hook into valueChanged and controlEndEdit to act from inside a
// dispatch.
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
	void controlBeginEdit(CControl*) override { log.push_back(name + ":begin"); }
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
	std::function<void(CControl*)> onEnd;
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

} // namespace Kavrin::Test
