// The UI module's entry point: one X11 UI that shows the gain editor.

#include "examples/lv2gain/gain.h"
#include "examples/lv2gain/gaineditor.h"
#include "host/lv2/lv2editorui.h"

#include <lv2/core/lv2.h>

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
	if (index != 0)
		return nullptr;
	return Kavrin::LV2::editorUIDescriptor(KavrinGain::kUIURI,
	                                       []() -> Kavrin::PluginGUIEditor* { return new KavrinGain::GainEditor; });
}
