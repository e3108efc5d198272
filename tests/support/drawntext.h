#pragma once

// A text control that records every text it hands to drawing, with the
// rect and the global alpha it is drawn at, so that tests can check what a
// control shows apart from how the font renders it.

#include "lib/cdrawcontext.h"
#include "lib/platform/cairo/pangostring.h"
#include "lib/platform/iplatformstring.h"

#include <string>
#include <vector>

namespace Kavrin::Test {

struct DrawnText
{
	std::string text;
	CRect rect;
	float alpha;
};

template <typename Base>
class TextRecording : public Base
{
public:
	using Base::Base;
	using Base::drawPlatformText;

	void drawPlatformText(CDrawContext* context, IPlatformString* string, const CRect& rect) override
	{
		auto pangoString = dynamic_cast<PangoPlatformString*>(string);
		drawn.push_back({pangoString ? pangoString->getText() : std::string(), rect, context->getGlobalAlpha()});
		Base::drawPlatformText(context, string, rect);
	}

	// The texts drawn since the last call.
	std::vector<std::string> takeTexts()
	{
		std::vector<std::string> texts;
		for (const auto& entry : drawn)
			texts.push_back(entry.text);
		drawn.clear();
		return texts;
	}

	std::vector<DrawnText> drawn;
};

} // namespace Kavrin::Test
