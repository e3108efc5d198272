#pragma once

#include "host/pluginguieditor.h"

#include <lv2/ui/ui.h>

namespace Kavrin::LV2 {

// Makes a new editor for one instance of the UI.
using EditorFactory = PluginGUIEditor* (*)();

// The descriptor of an LV2 X11 UI that shows the editor the factory makes.
// Control tags are the plug-in's port indices and control values the
// ports' values: the host's port updates set the controls without sending
// them back; a user's change writes the port; edit brackets become the
// host's touch gesture where it offers one. The resource folder (gBundleRef)
// is the UI's bundle. The descriptor lives as long as the program.
const LV2UI_Descriptor* editorUIDescriptor(const char* uri, EditorFactory factory);

} // namespace Kavrin::LV2
