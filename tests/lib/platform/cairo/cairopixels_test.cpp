#include "lib/platform/cairo/cairopixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace Kavrin::Test {
namespace {

TEST(CairoPixelsTest, PremultiplyAndUnpremultiplyAtTheEdges)
{
	struct Case
	{
		const char* name;
		uint32 straight;
		uint32 premultiplied;
		uint32 backToStraight;
	};
	const Case cases[] = {
	    {"opaque is left alone", 0xFF123456u, 0xFF123456u, 0xFF123456u},
	    {"opaque white", 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},
	    {"transparent keeps no colour", 0x00FF8040u, 0x00000000u, 0x00000000u},
	    {"transparent black", 0x00000000u, 0x00000000u, 0x00000000u},
	    // 255 x 1 / 255 rounds to 1, 128 x 1 / 255 to 1, 64 x 1 / 255 to 0.
	    {"alpha 1", 0x01FF8040u, 0x01010100u, 0x01FFFF00u},
	    {"alpha 254", 0xFEFF0080u, 0xFEFE007Fu, 0xFEFF0080u},
	    // 200 x 128 / 255 = 100.4, 100 x 128 / 255 = 50.2, 50 x 128 / 255 =
	    // 25.1; back: 100 x 255 / 128 = 199.2, 50 x 255 / 128 = 99.6, 25 x
	    // 255 / 128 = 49.8.
	    {"half alpha", 0x80C86432u, 0x80643219u, 0x80C76432u},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		EXPECT_EQ(premultiplyWord(c.straight), c.premultiplied) << std::hex;
		EXPECT_EQ(unpremultiplyWord(c.premultiplied), c.backToStraight) << std::hex;
	}
}

TEST(CairoPixelsTest, EveryPremultipliedValueSurvivesARoundTripThroughStraightAlpha)
{
	int failures = 0;
	for (uint32 alpha = 0; alpha < 256; ++alpha)
	{
		for (uint32 value = 0; value <= alpha; ++value)
		{
			const uint32 word = alpha << 24 | value << 16 | (alpha - value) << 8 | value / 2;
			const uint32 back = premultiplyWord(unpremultiplyWord(word));
			if (back != word && ++failures <= 5)
				ADD_FAILURE() << std::hex << word << " came back as " << back;
		}
	}
	EXPECT_EQ(failures, 0);
}

TEST(CairoPixelsTest, ColourAboveItsAlphaSaturatesWhenUnpremultiplied)
{
	EXPECT_EQ(unpremultiplyWord(0x10FF2008u), 0x10FFFF80u);
}

TEST(CairoPixelsTest, WholeImagesConvertEveryPixelAndLeaveRowPaddingAlone)
{
	// Two rows of two pixels, each row padded to three words.
	const uint32 padding = 0x12345678u;
	std::vector<uint32> pixels {0x80C86432u, 0xFF010203u, padding,
	                            0x00FFFFFFu, 0x01FF8040u, padding};
	auto data = reinterpret_cast<uint8*>(pixels.data());
	premultiplyPixels(data, 2, 2, 12);
	EXPECT_EQ(pixels, (std::vector<uint32> {0x80643219u, 0xFF010203u, padding, 0x00000000u,
	                                        0x01010100u, padding}));
	unpremultiplyPixels(data, 2, 2, 12);
	EXPECT_EQ(pixels, (std::vector<uint32> {0x80C76432u, 0xFF010203u, padding, 0x00000000u,
	                                        0x01FFFF00u, padding}));
}

} // namespace
} // namespace Kavrin::Test
