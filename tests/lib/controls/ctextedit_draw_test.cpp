#include "tests/support/controlframe.h"
#include "tests/support/drawntext.h"
#include "tests/support/faketextedit.h"

#include "lib/cfont.h"
#include "lib/controls/csearchtextedit.h"
#include "lib/controls/ctextedit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace Kavrin::Test {
namespace {

constexpr CRect kFieldRect {20, 20, 200, 70};
const std::string kBullet = "\xE2\x80\xA2";

using RecordingField = TextRecording<CTextEdit>;
using RecordingSearchField = TextRecording<CSearchTextEdit>;

class TextEditDrawTest : public ControlFrameTest
{
protected:
	TextEditDrawTest() { window->setTextEditFactory(fakeTextEditFactory(editors)); }
	~TextEditDrawTest() override { frame->close(); }

	// A field in white on black, no frame, in a large font.
	template <typename Field = RecordingField>
	Field* addField(const char* text, const char* placeholder = nullptr)
	{
		auto field = add(new Field(kFieldRect, nullptr, 0, text, nullptr, CParamDisplay::kNoFrame));
		field->setFont(font);
		field->setFontColor(kWhiteCColor);
		field->setBackColor(kBlackCColor);
		if (placeholder)
			field->setPlaceholderString(placeholder);
		field->drawn.clear();
		return field;
	}
	template <typename Field>
	std::vector<DrawnText> drawnBy(Field* field)
	{
		field->drawn.clear();
		paint();
		return std::exchange(field->drawn, {});
	}
	// The brightest red component in a rect given from the field's top-left.
	int brightest(const CView* field, const CRect& part) const
	{
		int most = 0;
		for (int y = int(part.top); y < int(part.bottom); ++y)
		{
			for (int x = int(part.left); x < int(part.right); ++x)
				most = std::max(most, int(pixel(at(field, x + 0.5, y + 0.5)).red));
		}
		return most;
	}

	FakeTextEditRecord editors;
	SharedPointer<CFontDesc> font {owned(new CFontDesc("Sans", 36))};
};

TEST_F(TextEditDrawTest, SecureStyleDrawsOneBulletPerByte)
{
	struct Case
	{
		const char* name;
		const char* text;
		int bullets;
	};
	const Case cases[] = {
	    {"two ASCII letters", "ab", 2},
	    {"one two-byte character", "\xC3\xA9", 2},
	    {"one three-byte character", "\xE2\x82\xAC", 3},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		reopenFrame();
		auto field = addField(c.text);
		field->setSecureStyle(true);
		std::string expected;
		for (int i = 0; i < c.bullets; ++i)
			expected += kBullet;
		const auto drawn = drawnBy(field);
		ASSERT_EQ(drawn.size(), 1u);
		EXPECT_EQ(drawn[0].text, expected);
		EXPECT_TRUE(field->platformIsSecureTextEdit());
	}
}

// White over black at half alpha is mid grey; the text itself is white.
TEST_F(TextEditDrawTest, PlaceholderShowsAtHalfAlphaOnlyWhileTheTextIsEmpty)
{
	const CRect all(0, 0, kFieldRect.getWidth(), kFieldRect.getHeight());
	auto empty = addField("", "MMM");
	auto drawn = drawnBy(empty);
	ASSERT_EQ(drawn.size(), 1u);
	EXPECT_EQ(drawn[0].text, "MMM");
	EXPECT_FLOAT_EQ(drawn[0].alpha, 0.5f);
	EXPECT_NEAR(brightest(empty, all), 128, 4);

	reopenFrame();
	window->setTextEditFactory(fakeTextEditFactory(editors));
	auto filled = addField("MMM", "placeholder");
	drawn = drawnBy(filled);
	ASSERT_EQ(drawn.size(), 1u);
	EXPECT_EQ(drawn[0].text, "MMM");
	EXPECT_FLOAT_EQ(drawn[0].alpha, 1.f);
	EXPECT_EQ(brightest(filled, all), 255);
}

TEST_F(TextEditDrawTest, OpenEditorLeavesTheTextToItselfAndThePlaceholderWhenItDrawsOne)
{
	for (bool editorDrawsPlaceholder : {false, true})
	{
		SCOPED_TRACE(editorDrawsPlaceholder ? "editor draws placeholders" : "editor draws none");
		reopenFrame();
		editors = {};
		editors.drawsPlaceholder = editorDrawsPlaceholder;
		window->setTextEditFactory(fakeTextEditFactory(editors));
		auto field = addField("typed", "name");
		frame->setFocusView(field);
		ASSERT_NE(editors.current, nullptr);
		EXPECT_TRUE(drawnBy(field).empty()) << "the editor shows the text";
		editors.current->erase();
		const auto drawn = drawnBy(field);
		if (editorDrawsPlaceholder)
			EXPECT_TRUE(drawn.empty());
		else
		{
			ASSERT_EQ(drawn.size(), 1u);
			EXPECT_EQ(drawn[0].text, "name");
			EXPECT_FLOAT_EQ(drawn[0].alpha, 0.5f);
		}
	}
}

TEST_F(TextEditDrawTest, TruncatedTextIsDrawnWhileIdle)
{
	auto field = addField("A rather long name for a field");
	field->setTextTruncateMode(CTextLabel::kTruncateTail);
	ASSERT_FALSE(field->getTruncatedText().empty());
	const auto drawn = drawnBy(field);
	ASSERT_EQ(drawn.size(), 1u);
	EXPECT_EQ(drawn[0].text, field->getTruncatedText().getString());
}

TEST_F(TextEditDrawTest, SearchFieldShowsItsMarkOnlyWithText)
{
	for (const char* text : {"", "term"})
	{
		SCOPED_TRACE(std::string("text \"") + text + "\"");
		reopenFrame();
		window->setTextEditFactory(fakeTextEditFactory(editors));
		auto field = addField<RecordingSearchField>(text);
		paint();
		CRect mark = field->getClearMarkRect();
		mark.offset(-kFieldRect.left, -kFieldRect.top);
		// Between the cross's arms, inside the circle: the circle's colour,
		// white at half alpha over black.
		const CColor circle = pixel(at(field, mark.getCenter().x, mark.top + mark.getHeight() * 0.2));
		// The cross, black at half alpha over the circle, is darker.
		const CColor centre = pixel(at(field, mark.getCenter().x, mark.getCenter().y));
		if (*text)
		{
			EXPECT_NEAR(circle.red, 128, 4);
			EXPECT_LT(centre.red, 100);
		}
		else
		{
			EXPECT_EQ(circle, kBlackCColor);
			EXPECT_EQ(centre, kBlackCColor);
		}
	}
}

TEST_F(TextEditDrawTest, SearchFieldDrawsItsTextAndPlaceholderBesideTheMark)
{
	struct Case
	{
		const char* text;
		std::string drawn;
		float alpha;
	};
	const Case cases[] = {{"term", "term", 1.f}, {"", "Search", 0.5f}};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.drawn);
		reopenFrame();
		window->setTextEditFactory(fakeTextEditFactory(editors));
		auto field = addField<RecordingSearchField>(c.text);
		auto drawn = drawnBy(field);
		ASSERT_EQ(drawn.size(), 1u);
		EXPECT_EQ(drawn[0].text, c.drawn);
		EXPECT_EQ(drawn[0].rect, field->getTextRect());
		EXPECT_EQ(field->getFontColor(), kWhiteCColor) << "the font colour is restored";
		if (c.alpha < 1.f)
		{
			CRect textPart = field->getTextRect();
			textPart.offset(-kFieldRect.left, -kFieldRect.top);
			EXPECT_NEAR(brightest(field, textPart), 128, 4);
		}
	}
}

} // namespace
} // namespace Kavrin::Test
