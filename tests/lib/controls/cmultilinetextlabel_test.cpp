#include "tests/support/controlframe.h"

#include "lib/cfont.h"
#include "lib/controls/cmultilinetextlabel.h"
#include "lib/platform/iplatformfont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kLabelRect {10, 10, 110, 40};
constexpr const char* kParagraph = "The quick brown fox jumps over the lazy dog";

using Layout = CMultiLineTextLabel::LineLayout;

bool isBright(const CColor& c)
{
	return c.red > 150 && c.green > 150 && c.blue > 150;
}

class MultiLineTextLabelTest : public ControlFrameTest
{
protected:
	CMultiLineTextLabel* addLabel(const char* text, Layout layout, double width = kLabelRect.getWidth())
	{
		auto label = add(new CMultiLineTextLabel(CRect(kLabelRect).setWidth(width)));
		label->setFont(font);
		label->setText(text);
		label->setLineLayout(layout);
		label->setBackColor(kBlackCColor);
		label->setStyle(CParamDisplay::kNoFrame);
		label->setHoriAlign(kLeftText);
		return label;
	}
	double widthOf(const std::string& text) const
	{
		return font->getFontPainter()->getStringWidth(nullptr, UTF8String(text).getPlatformString(), true);
	}
	double lineHeight() const
	{
		auto platformFont = font->getPlatformFont();
		return platformFont->getAscent() + platformFont->getDescent() + platformFont->getLeading();
	}
	static std::vector<std::string> texts(const CMultiLineTextLabel::Lines& lines)
	{
		std::vector<std::string> result;
		for (const auto& line : lines)
			result.push_back(line.str);
		return result;
	}
	// The lines laid out, as drawing lays them out.
	const CMultiLineTextLabel::Lines& layOut(CMultiLineTextLabel* label)
	{
		label->getMaxLineWidth();
		return label->getLines();
	}

	SharedPointer<CFontDesc> font {owned(new CFontDesc("Sans", 12))};
};

TEST_F(MultiLineTextLabelTest, StacksOneLinePerParagraphFromTheInset)
{
	auto label = addLabel("one\n\nthree", Layout::kClip);
	label->setTextInset(CPoint(3, 2));
	const auto& lines = layOut(label);
	ASSERT_EQ(texts(lines), std::vector<std::string>({"one", "", "three"}));
	const double height = lineHeight();
	for (size_t i = 0; i < lines.size(); ++i)
	{
		SCOPED_TRACE(i);
		const double top = 2. + double(i) * height;
		EXPECT_EQ(lines[i].r, CRect(3., top, 3. + widthOf(lines[i].str), top + height + 2.));
	}
}

TEST_F(MultiLineTextLabelTest, OverLongParagraphIsClippedTruncatedOrWrapped)
{
	const double available = kLabelRect.getWidth() - 2. * 4.;
	for (Layout layout : {Layout::kClip, Layout::kTruncate, Layout::kWrap})
	{
		SCOPED_TRACE(int(layout));
		reopenFrame();
		auto label = addLabel(kParagraph, layout);
		label->setTextInset(CPoint(4, 0));
		const auto& lines = layOut(label);
		ASSERT_FALSE(lines.empty());
		if (layout == Layout::kClip)
		{
			EXPECT_EQ(texts(lines), std::vector<std::string>({kParagraph}));
			EXPECT_GT(lines[0].r.getWidth(), available);
			continue;
		}
		for (const auto& line : lines)
		{
			EXPECT_LE(widthOf(line.str), available) << line.str.getString();
			EXPECT_EQ(line.r.right, kLabelRect.getWidth() - 4.);
		}
		if (layout == Layout::kTruncate)
		{
			ASSERT_EQ(lines.size(), 1u);
			EXPECT_EQ(lines[0].str.getString().substr(lines[0].str.length() - 2), "..");
			continue;
		}
		EXPECT_GT(lines.size(), 1u);
		std::string joined;
		for (const auto& line : lines)
			joined += (joined.empty() ? "" : " ") + line.str.getString();
		EXPECT_EQ(joined, kParagraph) << "breaks fall on the spaces, each dropped once";
	}
}

TEST_F(MultiLineTextLabelTest, WrapBreaksBeforeSpacesAndAfterPunctuation)
{
	struct Case
	{
		const char* text;
		std::vector<std::string> lines;
	};
	const Case cases[] = {
	    {"alpha beta", {"alpha", "beta"}},
	    {"alpha-beta", {"alpha-", "beta"}},
	    {"path/to/file", {"path/to/", "file"}},
	    {"alpha  beta", {"alpha ", "beta"}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.text);
		reopenFrame();
		// Everything but the last letter fits.
		const std::string text = c.text;
		auto label = addLabel(c.text, Layout::kWrap, widthOf(text.substr(0, text.size() - 1)) + 0.5);
		EXPECT_EQ(texts(layOut(label)), c.lines);
	}
}

TEST_F(MultiLineTextLabelTest, WrapCutsAWordWithoutBreaksWhereItNoLongerFits)
{
	auto label = addLabel("abcdefghijklmnop", Layout::kWrap, widthOf("abcde") + 0.5);
	const auto lines = texts(layOut(label));
	ASSERT_GT(lines.size(), 2u);
	std::string joined;
	for (const auto& line : lines)
	{
		EXPECT_FALSE(line.empty());
		EXPECT_LE(widthOf(line), widthOf("abcde") + 0.5) << line;
		joined += line;
	}
	EXPECT_EQ(joined, "abcdefghijklmnop");
}

// Each step is a whole code point, or one byte of a malformed sequence, and
// a code point wider than the view still makes a line: the walk always
// ends, keeps every byte, and never makes an empty line.
TEST_F(MultiLineTextLabelTest, WrapStepsThroughAnyBytesAndEnds)
{
	const std::string malformed = "a\xE2\x82" "b\xF0\xC3\xA9\x80z\xED\xA0\x80!\xE2\x82\xAC";
	struct Case
	{
		const char* name;
		std::string text;
		double width;
	};
	const Case cases[] = {
	    {"malformed, narrow", malformed, 12.},
	    {"malformed, narrower than any character", malformed, 1.},
	    {"letters, narrower than any character", "wxyz", 1.},
	    {"truncated sequence at the end", "abc\xE2\x82", 1.},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto label = addLabel("", Layout::kWrap, c.width);
		label->setText(UTF8String(c.text));
		const auto lines = texts(layOut(label));
		std::string joined;
		for (const auto& line : lines)
		{
			EXPECT_FALSE(line.empty());
			joined += line;
		}
		EXPECT_EQ(joined, c.text);
		EXPECT_LE(lines.size(), c.text.size());
	}
}

TEST_F(MultiLineTextLabelTest, WrapTakesEachByteOfAMalformedSequenceAlone)
{
	// Narrower than any character: one step per line.
	auto label = addLabel("", Layout::kWrap, 1.);
	label->setText(UTF8String(std::string("a\xE2\x82" "b\xC3\xA9\xF0\x9F\x8E\xB5")));
	EXPECT_EQ(texts(layOut(label)),
	          std::vector<std::string>({"a", "\xE2", "\x82", "b", "\xC3\xA9", "\xF0\x9F\x8E\xB5"}));
}

TEST_F(MultiLineTextLabelTest, AutoHeightHoldsEveryLineAndFollowsTheText)
{
	auto label = addLabel(kParagraph, Layout::kWrap);
	label->setTextInset(CPoint(2, 3));
	const CRect before = label->getViewSize();
	label->setAutoHeight(true);
	const auto& lines = label->getLines();
	ASSERT_GT(lines.size(), 1u);
	EXPECT_EQ(label->getViewSize().top, before.top);
	EXPECT_EQ(label->getViewSize().getWidth(), before.getWidth());
	EXPECT_DOUBLE_EQ(label->getViewSize().getHeight(), lines.back().r.bottom + 3.);
	EXPECT_GT(label->getViewSize().getHeight(), before.getHeight());

	const double twoParagraphs = label->getViewSize().getHeight();
	label->setText(std::string(kParagraph) + "\n" + kParagraph);
	EXPECT_GT(label->getViewSize().getHeight(), twoParagraphs) << "more text, more height";
	label->setText("short");
	EXPECT_DOUBLE_EQ(label->getViewSize().getHeight(), 3. + lineHeight() + 3. + 3.);

	CRect wider = label->getViewSize();
	wider.right += 1000;
	label->setText(kParagraph);
	label->setViewSize(wider);
	EXPECT_EQ(label->getLines().size(), 1u) << "a wider view lays out again";
	EXPECT_DOUBLE_EQ(label->getViewSize().getHeight(), 3. + lineHeight() + 3. + 3.);
}

TEST_F(MultiLineTextLabelTest, AutoHeightSetBeforeAttachingAppliesOnAttach)
{
	auto label = new CMultiLineTextLabel(kLabelRect);
	label->setFont(font);
	label->setLineLayout(Layout::kWrap);
	label->setText(kParagraph);
	label->setAutoHeight(true);
	EXPECT_EQ(label->getViewSize(), kLabelRect);
	page->addView(label);
	EXPECT_GT(label->getLines().size(), 1u);
	EXPECT_DOUBLE_EQ(label->getViewSize().getHeight(), label->getLines().back().r.bottom);
}

TEST_F(MultiLineTextLabelTest, WithoutAutoHeightTheSizeStays)
{
	auto label = addLabel(kParagraph, Layout::kWrap);
	label->setText(std::string(kParagraph) + "\n" + kParagraph);
	paint();
	EXPECT_EQ(label->getViewSize(), kLabelRect);
	EXPECT_FALSE(label->sizeToFit());
	EXPECT_EQ(label->getViewSize(), kLabelRect);
}

TEST_F(MultiLineTextLabelTest, TruncateModeStaysNone)
{
	auto label = addLabel(kParagraph, Layout::kClip);
	label->setTextTruncateMode(CTextLabel::kTruncateTail);
	EXPECT_EQ(label->getTextTruncateMode(), CTextLabel::kTruncateNone);
	EXPECT_TRUE(label->getTruncatedText().empty());
}

TEST_F(MultiLineTextLabelTest, ValueShowsAsTextThroughTheConversionFunction)
{
	auto label = addLabel("", Layout::kClip);
	label->setValueToStringFunction2([](float v, std::string& s, CParamDisplay*) {
		s = v > 0.5f ? "loud\nvery" : "quiet";
		return true;
	});
	label->setValue(2.f);
	EXPECT_EQ(label->getValue(), 1.f);
	EXPECT_EQ(label->getText(), "loud\nvery");
	EXPECT_EQ(texts(layOut(label)), std::vector<std::string>({"loud", "very"}));
}

TEST_F(MultiLineTextLabelTest, DrawsEveryLineInItsRow)
{
	auto bigFont = owned(new CFontDesc("Sans", 20));
	for (Layout layout : {Layout::kClip, Layout::kWrap})
	{
		SCOPED_TRACE(int(layout));
		reopenFrame();
		auto label = addLabel("WWW WWW WWW", layout);
		label->setFont(bigFont);
		label->setViewSize(CRect(kLabelRect.left, kLabelRect.top, kLabelRect.right, kLabelRect.top + 150));
		paint();
		const auto& lines = label->getLines();
		ASSERT_FALSE(lines.empty());
		int brightInSecondRow = 0;
		const CPoint origin = at(label, 0, 0);
		for (int y = int(lines[0].r.bottom) + 1; y < int(lines[0].r.bottom + lines[0].r.getHeight()); ++y)
		{
			for (int x = 0; x < int(kLabelRect.getWidth()); ++x)
				brightInSecondRow += isBright(pixel(origin + CPoint(x + 0.5, y + 0.5))) ? 1 : 0;
		}
		EXPECT_EQ(brightInSecondRow > 0, layout == Layout::kWrap);
	}
}

} // namespace
} // namespace Kavrin::Test
