#include "tests/support/controlframe.h"
#include "tests/support/drawntext.h"

#include "lib/cdrawmethods.h"
#include "lib/cfont.h"
#include "lib/controls/ctextlabel.h"
#include "lib/platform/iplatformfont.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kLabelRect {20, 20, 120, 50};
constexpr const char* kLongText = "The quick brown fox jumps over the lazy dog";

using RecordingLabel = TextRecording<CTextLabel>;

// Counts the notifications; may act from inside one.
struct TruncationListener : ITextLabelListener
{
	void onTextLabelTruncatedTextChanged(CTextLabel* label) override
	{
		heard.push_back(label->getTruncatedText().getString());
		if (onChanged)
			onChanged(label);
	}
	std::vector<std::string> heard;
	std::function<void(CTextLabel*)> onChanged;
};

class TextLabelTest : public ControlFrameTest
{
protected:
	RecordingLabel* addLabel(const char* text, const CRect& size = kLabelRect)
	{
		auto label = add(new RecordingLabel(size, text));
		label->setFont(font);
		label->drawn.clear();
		return label;
	}
	double widthOf(const UTF8String& text) const
	{
		return font->getFontPainter()->getStringWidth(nullptr, text.getPlatformString(), true);
	}
	std::vector<std::string> drawnTexts(RecordingLabel* label)
	{
		label->drawn.clear();
		paint();
		return label->takeTexts();
	}

	SharedPointer<CFontDesc> font {owned(new CFontDesc("Sans", 12))};
};

TEST_F(TextLabelTest, TruncatesAtTheChosenEndToFitTheWidthLessTheInsets)
{
	struct Case
	{
		const char* name;
		CTextLabel::TextTruncateMode mode;
		CDrawMethods::TextTruncateMode drawMode;
		double width;
		double insetX;
	};
	const Case cases[] = {
	    {"head", CTextLabel::kTruncateHead, CDrawMethods::kTextTruncateHead, 100., 0.},
	    {"tail", CTextLabel::kTruncateTail, CDrawMethods::kTextTruncateTail, 100., 0.},
	    {"tail, width 50, inset 5", CTextLabel::kTruncateTail, CDrawMethods::kTextTruncateTail, 50., 5.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto label = addLabel(kLongText, CRect(20, 20, 20 + c.width, 50));
		label->setTextInset(CPoint(c.insetX, 0));
		TruncationListener listener;
		label->registerTextLabelListener(&listener);
		label->setTextTruncateMode(c.mode);

		const UTF8String expected =
		    CDrawMethods::createTruncatedText(c.drawMode, kLongText, font, c.width - 2. * c.insetX);
		EXPECT_EQ(label->getTruncatedText(), expected);
		EXPECT_LE(widthOf(label->getTruncatedText()), c.width - 2. * c.insetX);
		const std::string truncated = label->getTruncatedText();
		if (c.mode == CTextLabel::kTruncateHead)
		{
			EXPECT_EQ(truncated.rfind("..", 0), 0u) << truncated;
			EXPECT_EQ(truncated.back(), 'g');
		}
		else
		{
			EXPECT_EQ(truncated.substr(truncated.size() - 2), "..");
			EXPECT_EQ(truncated.front(), 'T');
		}
		EXPECT_EQ(listener.heard, std::vector<std::string>({truncated}));
		EXPECT_EQ(label->getText(), kLongText);
		EXPECT_EQ(drawnTexts(label), std::vector<std::string>({truncated}));
		label->unregisterTextLabelListener(&listener);
	}
}

TEST_F(TextLabelTest, TextThatFitsIsDrawnWhole)
{
	auto label = addLabel("Gain");
	TruncationListener listener;
	label->registerTextLabelListener(&listener);
	label->setTextTruncateMode(CTextLabel::kTruncateTail);
	EXPECT_TRUE(label->getTruncatedText().empty());
	EXPECT_EQ(listener.heard, std::vector<std::string>({""}));
	EXPECT_EQ(drawnTexts(label), std::vector<std::string>({"Gain"}));
	label->unregisterTextLabelListener(&listener);
}

TEST_F(TextLabelTest, ShorterTextOrWiderViewDropsTheTruncation)
{
	auto label = addLabel(kLongText);
	label->setTextTruncateMode(CTextLabel::kTruncateTail);
	ASSERT_FALSE(label->getTruncatedText().empty());
	label->setText("Gain");
	EXPECT_TRUE(label->getTruncatedText().empty());

	label->setText(kLongText);
	ASSERT_FALSE(label->getTruncatedText().empty());
	label->setViewSize(CRect(0, 0, 1000, 30));
	EXPECT_TRUE(label->getTruncatedText().empty());

	label->setViewSize(CRect(0, 0, 100, 30));
	ASSERT_FALSE(label->getTruncatedText().empty());
	label->setTextTruncateMode(CTextLabel::kTruncateNone);
	EXPECT_TRUE(label->getTruncatedText().empty());
	EXPECT_EQ(drawnTexts(label), std::vector<std::string>({kLongText}));
}

TEST_F(TextLabelTest, OnlyAWidthChangeRecalculates)
{
	auto label = addLabel(kLongText);
	label->setTextTruncateMode(CTextLabel::kTruncateTail);
	TruncationListener listener;
	label->registerTextLabelListener(&listener);
	CRect size = label->getViewSize();
	size.bottom += 20;
	label->setViewSize(size);
	EXPECT_TRUE(listener.heard.empty());
	size.right -= 20;
	label->setViewSize(size);
	EXPECT_EQ(listener.heard.size(), 1u);
	label->setFont(owned(new CFontDesc("Sans", 9)));
	EXPECT_EQ(listener.heard.size(), 2u) << "a new font measures differently";
	label->unregisterTextLabelListener(&listener);
}

TEST_F(TextLabelTest, RotatedLabelNeverTruncates)
{
	auto label = addLabel(kLongText);
	label->setTextRotation(90.);
	TruncationListener listener;
	label->registerTextLabelListener(&listener);
	label->setTextTruncateMode(CTextLabel::kTruncateHead);
	EXPECT_TRUE(label->getTruncatedText().empty());
	EXPECT_TRUE(listener.heard.empty());
	EXPECT_EQ(drawnTexts(label), std::vector<std::string>({kLongText}));
	label->unregisterTextLabelListener(&listener);
}

TEST_F(TextLabelTest, TruncationListenersMayLeaveOrTakeTheLabelAway)
{
	enum Action
	{
		kUnregisterItself,
		kRemoveTheLabel,
	};
	for (Action action : {kUnregisterItself, kRemoveTheLabel})
	{
		SCOPED_TRACE(action == kUnregisterItself ? "unregisters itself" : "removes the label");
		reopenFrame();
		auto label = addLabel(kLongText);
		TruncationListener first;
		TruncationListener second;
		first.onChanged = [&](CTextLabel* l) {
			if (action == kUnregisterItself)
				l->unregisterTextLabelListener(&first);
			else
			{
				l->unregisterTextLabelListener(&first);
				l->unregisterTextLabelListener(&second);
				page->removeView(l);
			}
		};
		label->registerTextLabelListener(&first);
		label->registerTextLabelListener(&second);
		label->setTextTruncateMode(CTextLabel::kTruncateTail);
		EXPECT_EQ(first.heard.size(), 1u);
		EXPECT_EQ(second.heard.size(), action == kUnregisterItself ? 1u : 0u);
		if (action == kUnregisterItself)
		{
			label->setText("Another text that is much too long for the label");
			EXPECT_EQ(first.heard.size(), 1u);
			EXPECT_EQ(second.heard.size(), 2u);
			label->unregisterTextLabelListener(&second);
		}
		else
			EXPECT_FALSE(page->isChild(label));
	}
}

TEST_F(TextLabelTest, SizeToFitTakesTheTextWidthAndBothInsets)
{
	auto label = addLabel("Frequency");
	label->setTextInset(CPoint(4, 2));
	EXPECT_TRUE(label->sizeToFit());
	const CRect expected(kLabelRect.left, kLabelRect.top, kLabelRect.left + widthOf("Frequency") + 8.,
	                     kLabelRect.bottom);
	EXPECT_EQ(label->getViewSize(), expected);
	EXPECT_EQ(label->getMouseableArea(), expected);
}

TEST_F(TextLabelTest, ValueChangeShowsTheConversionFunctionsTextBeforeListenersHearIt)
{
	auto label = addLabel("idle");
	label->setValueToStringFunction2([](float v, std::string& s, CParamDisplay*) {
		if (v < 0.f)
			return false;
		s = v > 0.5f ? "on" : "off";
		return true;
	});
	label->setMin(-1.f);
	std::vector<std::string> heard;
	listener.onChanged = [&](CControl* c) { heard.push_back(static_cast<CTextLabel*>(c)->getText()); };
	label->setValue(1.f);
	label->valueChanged();
	label->setValue(-1.f);
	label->valueChanged();
	EXPECT_EQ(heard, std::vector<std::string>({"on", "on"})) << "a declined conversion keeps the text";
}

TEST_F(TextLabelTest, CopyKeepsTextAndModeButNoListeners)
{
	auto label = addLabel(kLongText);
	label->setTextTruncateMode(CTextLabel::kTruncateHead);
	TruncationListener listener;
	label->registerTextLabelListener(&listener);
	auto copy = owned(static_cast<CTextLabel*>(label->cloneView()));
	EXPECT_EQ(copy->getText(), kLongText);
	EXPECT_EQ(copy->getTextTruncateMode(), CTextLabel::kTruncateHead);
	EXPECT_EQ(copy->getTruncatedText(), label->getTruncatedText());
	listener.heard.clear();
	copy->setText("Another text that is much too long for the label");
	EXPECT_TRUE(listener.heard.empty());
	label->unregisterTextLabelListener(&listener);
}

} // namespace
} // namespace Kavrin::Test
