#pragma once

#include "host/pluginguieditor.h"

namespace KavrinGain {

// The plug-in's editor: a knob for each input parameter, tagged with its
// port index, over the parameter's name and a label that shows its value.
class GainEditor : public Kavrin::PluginGUIEditor
{
public:
	GainEditor();

	bool open(void* parent) override;
};

} // namespace KavrinGain
