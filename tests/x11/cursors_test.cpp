// Mouse cursors of X11 frames, read back through XFixes as the server shows
// them under the pointer: with the cursor theme this machine has, with no
// theme to be found, and with the core glyphs alone.

#include "lib/platform/x11/x11cursors.h"
#include "lib/platform/x11/x11platform.h"
#include "tests/support/tempfolder.h"
#include "tests/support/x11window.h"

#include <gtest/gtest.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>

namespace Kavrin::Test {
namespace {

struct CursorImage
{
	uint16 width {0};
	uint16 height {0};
	uint16 xhot {0};
	uint16 yhot {0};
	uint64 checksum {0};

	bool operator==(const CursorImage& o) const
	{
		return width == o.width && height == o.height && xhot == o.xhot && yhot == o.yhot &&
		       checksum == o.checksum;
	}
	bool operator!=(const CursorImage& o) const { return !(*this == o); }
};

void PrintTo(const CursorImage& image, std::ostream* out)
{
	*out << image.width << "x" << image.height << " hot " << image.xhot << "," << image.yhot << " sum "
	     << std::hex << image.checksum << std::dec;
}

// Every value the frame may be given: the enumeration and some outside it.
const int32 kTypes[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1000};

class X11CursorTest : public X11WindowTest
{
protected:
	void SetUp() override
	{
		X11WindowTest::SetUp();
		ASSERT_FALSE(HasFatalFailure());
		auto version = xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 4, 0),
		                                              nullptr);
		ASSERT_TRUE(version) << "the server lacks XFixes";
		std::free(version);
	}

	// The cursor the server shows now (its image, FNV-1a over the pixels).
	CursorImage shownCursor()
	{
		auto reply = xcb_xfixes_get_cursor_image_reply(connection, xcb_xfixes_get_cursor_image(connection),
		                                               nullptr);
		if (!reply)
			return {};
		CursorImage image {reply->width, reply->height, reply->xhot, reply->yhot, 14695981039346656037ull};
		const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(reply);
		int count = xcb_xfixes_get_cursor_image_cursor_image_length(reply);
		for (int i = 0; i < count; ++i)
			image.checksum = (image.checksum ^ pixels[i]) * 1099511628211ull;
		std::free(reply);
		return image;
	}

	// What the root window shows: the cursor of a window that sets none.
	CursorImage rootCursor()
	{
		fake(XCB_MOTION_NOTIFY, 0, 600, 450);
		CursorImage image = shownCursor();
		fake(XCB_MOTION_NOTIFY, 0, 150, 100);
		return image;
	}

	std::map<int32, CursorImage> cursorsShown(const std::function<void(CCursorType)>& setCursor)
	{
		std::map<int32, CursorImage> images;
		for (int32 type : kTypes)
		{
			setCursor(CCursorType(type));
			images[type] = shownCursor();
		}
		return images;
	}

	// The arrow for the default, the wait type and values outside the
	// enumeration; a shape of its own for each other type; none of them
	// what a window without a cursor shows.
	void expectEveryTypeItsOwnCursor(const std::map<int32, CursorImage>& images, const CursorImage& unset)
	{
		const CursorImage& arrow = images.at(kCursorDefault);
		EXPECT_GT(arrow.width, 0);
		EXPECT_NE(arrow, unset) << "the arrow is set, not inherited";
		for (int32 type : {int32(kCursorWait), -1, 12, 1000})
			EXPECT_EQ(images.at(type), arrow) << "type " << type;
		for (int32 type = kCursorHSize; type <= kCursorCrosshair; ++type)
		{
			EXPECT_NE(images.at(type), arrow) << "type " << type;
			EXPECT_NE(images.at(type), unset) << "type " << type;
			for (int32 other = kCursorHSize; other < type; ++other)
				EXPECT_NE(images.at(type), images.at(other)) << "types " << other << " and " << type;
		}
	}
};

// Points xcb-cursor somewhere for the test's duration.
class CursorPathScope
{
public:
	explicit CursorPathScope(const std::string& path)
	{
		if (const char* old = std::getenv("XCURSOR_PATH"))
			previous = old;
		::setenv("XCURSOR_PATH", path.c_str(), 1);
	}
	~CursorPathScope()
	{
		if (previous)
			::setenv("XCURSOR_PATH", previous->c_str(), 1);
		else
			::unsetenv("XCURSOR_PATH");
	}

private:
	std::optional<std::string> previous;
};

TEST_F(X11CursorTest, FrameShowsTheArrowFromTheStartAndEachTypeItsOwnCursor)
{
	open();
	CursorImage unset = rootCursor();
	CursorImage atOpen = shownCursor();

	auto images = cursorsShown([&](CCursorType type) { frame->setCursor(type); });
	EXPECT_EQ(atOpen, images.at(kCursorDefault));
	expectEveryTypeItsOwnCursor(images, unset);
}

TEST_F(X11CursorTest, WithoutACursorThemeEveryTypeStillHasItsOwnCursor)
{
	TempFolder empty;
	CursorPathScope noThemes(empty.path);
	open();
	CursorImage unset = rootCursor();

	expectEveryTypeItsOwnCursor(cursorsShown([&](CCursorType type) { frame->setCursor(type); }), unset);
}

TEST_F(X11CursorTest, CoreGlyphsAloneGiveEveryTypeItsOwnCursor)
{
	X11Cursors glyphs(connection, platform->getScreen(), false);
	CursorImage unset = rootCursor();
	auto images = cursorsShown([&](CCursorType type) {
		const uint32 values[] = {glyphs.get(type)};
		xcb_change_window_attributes(connection, parent, XCB_CW_CURSOR, values);
	});
	const uint32 inherit[] = {XCB_CURSOR_NONE};
	xcb_change_window_attributes(connection, parent, XCB_CW_CURSOR, inherit);

	expectEveryTypeItsOwnCursor(images, unset);
}

} // namespace
} // namespace Kavrin::Test
