// The pixels of the editor the toolkit draws over a text control: the
// caret in the font colour, the selection in that colour at a share over
// what is below, the composition's underline, the placeholder at half
// alpha, and the text held inside the control's horizontal insets.
//
// The control stand-in sits at (10, 10, 210, 40) with a text inset of
// (2, 2), white text over the frame's black background: the text area
// starts at x = 12.

#include "tests/support/texteditframe.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Kavrin::Test {
namespace {

constexpr int kTextLeft = 12;
constexpr int kTextRight = 208;

class GenericTextEditDrawTest : public TextEditFrameTest
{
protected:
	int caretMiddle() const
	{
		CRect caret = editor()->getCaretRect();
		return int((caret.top + caret.bottom) / 2.);
	}
	bool isWhite(int x, int y) const { return pixel(x, y) == kWhiteCColor; }
	bool isBlack(int x, int y) const { return pixel(x, y) == kBlackCColor; }
	// The brightest red of the area, in device pixels.
	int brightest(int left, int top, int right, int bottom) const
	{
		int most = 0;
		for (int y = top; y < bottom; ++y)
			for (int x = left; x < right; ++x)
				most = std::max(most, int(pixel(x, y).red));
		return most;
	}
};

TEST_F(GenericTextEditDrawTest, TheCaretIsOneUnitOfFontColourThatBlinks)
{
	open("");
	paint();
	const CRect caret = editor()->getCaretRect();
	EXPECT_EQ(caret.left, kTextLeft);
	EXPECT_EQ(caret.getWidth(), 1.);
	for (int y = int(caret.top); y < int(caret.bottom); ++y)
		EXPECT_TRUE(isWhite(kTextLeft, y)) << y;
	EXPECT_TRUE(isBlack(kTextLeft + 1, caretMiddle()));
	EXPECT_TRUE(isBlack(kTextLeft - 1, caretMiddle()));

	platform->advance(GenericTextEdit::kBlinkInterval);
	window->drawInvalidRects();
	EXPECT_TRUE(isBlack(kTextLeft, caretMiddle())) << "the blink repaints the caret's rect";
	platform->advance(GenericTextEdit::kBlinkInterval);
	window->drawInvalidRects();
	EXPECT_TRUE(isWhite(kTextLeft, caretMiddle()));
}

TEST_F(GenericTextEditDrawTest, TheCaretFollowsTheAlignmentWhileTheTextFits)
{
	struct Case
	{
		CHoriTxtAlign alignment;
		double caretLeft;
	};
	for (const Case& c : {Case {kLeftText, kTextLeft}, Case {kRightText, kTextRight - 1},
	                      Case {kCenterText, (kTextLeft + kTextRight - 1) / 2.}})
	{
		control.alignment = c.alignment;
		open("");
		EXPECT_DOUBLE_EQ(editor()->getCaretRect().left, std::round(c.caretLeft)) << int(c.alignment);
	}
}

TEST_F(GenericTextEditDrawTest, NoCaretWithoutTheWindowsFocus)
{
	open("");
	window->setWindowFocused(false);
	paint();
	EXPECT_TRUE(isBlack(kTextLeft, caretMiddle()));
}

TEST_F(GenericTextEditDrawTest, TheSelectionShowsTheFontColourAtAThird)
{
	// Spaces: no ink, only the selection.
	open("    ");
	paint();
	const int middle = caretMiddle();
	const CColor selected = pixel(kTextLeft + 2, middle);
	EXPECT_NEAR(selected.red, 77, 1); // 30 % of white over black
	EXPECT_EQ(selected.red, selected.green);
	EXPECT_TRUE(isBlack(kTextLeft + 60, middle)) << "beyond the selected text";

	control.fontColor = CColor(255, 0, 0, 128);
	paint();
	EXPECT_NEAR(pixel(kTextLeft + 2, middle).red, 38, 1) << "the share of the colour's own alpha";
	EXPECT_EQ(pixel(kTextLeft + 2, middle).green, 0);
}

TEST_F(GenericTextEditDrawTest, TheCompositionIsUnderlinedOneUnitBelowTheBaseline)
{
	open("");
	auto whiteRows = [this](int x) {
		std::vector<int> rows;
		for (int y = 0; y < 50; ++y)
			if (isWhite(x, y))
				rows.push_back(y);
		return rows;
	};
	paint();
	EXPECT_TRUE(whiteRows(kTextLeft + 3).empty());

	editor()->setPreedit("   ", 3);
	paint();
	const auto rows = whiteRows(kTextLeft + 3);
	ASSERT_EQ(rows.size(), 1u);
	const CRect caret = editor()->getCaretRect();
	EXPECT_GT(rows[0], caretMiddle());
	EXPECT_LT(rows[0], caret.bottom);
	EXPECT_GT(caret.left, kTextLeft + 6) << "the caret sits after the composed text";

	editor()->setPreedit("", 0);
	paint();
	EXPECT_TRUE(whiteRows(kTextLeft + 3).empty());
}

TEST_F(GenericTextEditDrawTest, ThePlaceholderShowsAtHalfAlphaWhileTheFieldIsEmpty)
{
	control.placeholder = "WWW";
	open("");
	EXPECT_TRUE(editor()->drawsPlaceholder());
	paint();
	const int placeholder = brightest(kTextLeft + 2, 10, 60, 40);
	EXPECT_GT(placeholder, 100);
	EXPECT_LE(placeholder, 128);

	window->typeText("WWW");
	paint();
	EXPECT_EQ(brightest(kTextLeft + 2, 10, 60, 40), 255) << "the text itself, at full alpha";
	EXPECT_EQ(brightest(70, 10, 120, 40), 0) << "and no placeholder beside it";
}

TEST_F(GenericTextEditDrawTest, LongTextStaysInsideTheInsetsAndScrollsWithTheCaret)
{
	open("");
	window->typeText(std::string(60, 'm'));
	CRect caret = editor()->getCaretRect();
	EXPECT_GE(caret.left, kTextLeft);
	EXPECT_LE(caret.right, kTextRight);
	EXPECT_GT(caret.left, kTextRight - 10) << "the end of the text is in view";
	paint();
	EXPECT_EQ(brightest(kTextRight, 0, kTextRight + 4, 50), 0) << "nothing in the right inset";
	EXPECT_EQ(brightest(kTextLeft - 4, 0, kTextLeft, 50), 0) << "nothing in the left inset";
	EXPECT_GT(brightest(kTextLeft, 10, kTextLeft + 10, 40), 0) << "the scrolled text fills the field";

	window->keyDown({0, kVKeyHome, 0});
	EXPECT_EQ(editor()->getCaretRect().left, kTextLeft);
}

TEST_F(GenericTextEditDrawTest, AtScaleTwoTheCaretCoversTwoDevicePixels)
{
	window->setScaleFactor(2.);
	open("");
	paint();
	const int middle = 2 * caretMiddle();
	EXPECT_TRUE(isBlack(2 * kTextLeft - 1, middle));
	EXPECT_TRUE(isWhite(2 * kTextLeft, middle));
	EXPECT_TRUE(isWhite(2 * kTextLeft + 1, middle));
	EXPECT_TRUE(isBlack(2 * kTextLeft + 2, middle));
}

} // namespace
} // namespace Kavrin::Test
