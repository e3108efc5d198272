#pragma once

#include "lib/ccolor.h"
#include "lib/cdrawdefs.h"
#include "lib/controls/ccontrol.h"
#include "lib/cpoint.h"
#include "lib/reference.h"

#include <cstddef>
#include <functional>
#include <limits>
#include <string>

namespace Kavrin {

class CFontDesc;
class IPlatformString;

// Shows its value as text over a background: a bitmap, a filled (and
// framed) rectangle or rounded rectangle, or a 3D bevel. The text is what
// the installed conversion function makes of the value, else the value
// with a fixed number of decimals. Every appearance setter redraws only
// when the setting changes.
class CParamDisplay : public CControl
{
public:
	enum Style : int32
	{
		// The text is drawn a second time, first, in the shadow colour.
		kShadowText = 1 << 0,
		// A bevel: upper-left edges in the back colour, lower-right in the
		// frame colour.
		k3DIn = 1 << 1,
		// A bevel: upper-left edges in the frame colour, lower-right in the
		// back colour.
		k3DOut = 1 << 2,
		kNoTextStyle = 1 << 3,
		kNoDrawStyle = 1 << 4,
		kRoundRectStyle = 1 << 5,
		kNoFrame = 1 << 6,
	};

	// The size of the buffer the character-buffer conversion writes into,
	// its terminating zero included. Any value a float formats to fits.
	static constexpr size_t kValueTextBufferSize = 256;
	// The most decimals the default format shows. Nine digits tell any two
	// floats apart; at the magnitudes parameters take, more decimals only
	// show the noise of the binary fraction while the text grows with them.
	static constexpr uint8 kMaxPrecision = std::numeric_limits<float>::max_digits10;

	// Writes the text for a value into a buffer of kValueTextBufferSize
	// bytes; false lets the default format show it.
	using ValueToStringFunction =
	    std::function<bool(float value, char (&utf8String)[kValueTextBufferSize], CParamDisplay* display)>;
	// Writes the text for a value; false lets the default format show it.
	using ValueToStringFunction2 = std::function<bool(float value, std::string& result, CParamDisplay* display)>;

	CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32 style = 0);
	// Copies every setting and the conversion function; the font is shared.
	CParamDisplay(const CParamDisplay& other);
	~CParamDisplay() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	// With the round-rect style the band follows the rounded outline.
	bool getFocusPath(CGraphicsPath& outPath) override;

	// Null is ignored; the font is shared, not copied.
	virtual void setFont(CFontDesc* newFont);
	virtual void setFontColor(CColor color);
	virtual void setBackColor(CColor color);
	virtual void setFrameColor(CColor color);
	virtual void setShadowColor(CColor color);
	virtual void setShadowTextOffset(const CPoint& offset);
	// Does not redraw: it takes effect with the next drawing.
	virtual void setAntialias(bool state);
	virtual void setHoriAlign(CHoriTxtAlign align);
	virtual void setTextInset(const CPoint& inset);
	// Degrees about the centre of the text rect, kept in [0, 360]; a value
	// that is not finite is ignored.
	virtual void setTextRotation(double angle);
	virtual void setRoundRectRadius(const double& radius);
	// A negative width is one device pixel.
	virtual void setFrameWidth(const double& width);
	// Keeps the antialias bit as it is.
	virtual void setStyle(int32 newStyle);
	// Decimals of the default format; more than kMaxPrecision show as
	// kMaxPrecision.
	virtual void setPrecision(uint8 precision);
	// The point of the background bitmap drawn at the view's top-left.
	virtual void setBackOffset(const CPoint& offset);
	// The background (newBack, else the view's bitmap, else the fill and
	// frame), then the bevel.
	virtual void drawBack(CDrawContext* context, CBitmap* newBack = nullptr);
	// The text in the view rect.
	virtual void drawPlatformText(CDrawContext* context, IPlatformString* string);
	// The text in rect (the parent's coordinates) less the text inset.
	virtual void drawPlatformText(CDrawContext* context, IPlatformString* string, const CRect& rect);
	// A setting that changes the drawing changed.
	virtual void drawStyleChanged();

	void setValueToStringFunction(const ValueToStringFunction& function);
	void setValueToStringFunction2(const ValueToStringFunction2& function);
	const ValueToStringFunction2& getValueToStringFunction() const { return valueToStringFunction; }

	CFontDesc* getFont() const { return font; }
	CColor getFontColor() const { return fontColor; }
	CColor getBackColor() const { return backColor; }
	CColor getFrameColor() const { return frameColor; }
	CColor getShadowColor() const { return shadowColor; }
	const CPoint& getShadowTextOffset() const { return shadowTextOffset; }
	bool getAntialias() const { return (style & kAntialiasBit) != 0; }
	CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
	const CPoint& getTextInset() const { return textInset; }
	double getTextRotation() const { return textRotation; }
	double getRoundRectRadius() const { return roundRectRadius; }
	double getFrameWidth() const { return frameWidth; }
	// Without the antialias bit.
	int32 getStyle() const { return style & ~kAntialiasBit; }
	uint8 getPrecision() const { return valuePrecision; }
	const CPoint& getBackOffset() const { return backOffset; }
	void copyBackOffset();

protected:
	// Internal: set at construction, changed only by setAntialias.
	static constexpr int32 kAntialiasBit = 1 << 7;

	// What the conversion function makes of value; false when there is none
	// or it declines. The function may do anything to this display.
	bool convertValueToString(float value, std::string& result);
	// value with the display's decimals.
	std::string formatValue(float value) const;
	// The conversion function's text for value, else the default format.
	std::string valueToText(float value);

	ValueToStringFunction2 valueToStringFunction;
	CHoriTxtAlign horiTxtAlign {kCenterText};
	int32 style;
	uint8 valuePrecision {2};
	SharedPointer<CFontDesc> font;
	CColor fontColor {255, 255, 255, 255};
	CColor backColor {0, 0, 0, 255};
	CColor frameColor {0, 0, 0, 255};
	CColor shadowColor {255, 0, 0, 255};
	CPoint textInset {0., 0.};
	CPoint shadowTextOffset {1., 1.};
	CPoint backOffset {0., 0.};
	double roundRectRadius {6.};
	double frameWidth {1.};
	double textRotation {0.};

private:
	template <typename T>
	void changeDrawStyle(T& setting, const T& newValue)
	{
		if (setting == newValue)
			return;
		setting = newValue;
		drawStyleChanged();
	}
	void drawBevel(CDrawContext* context, double lineWidth);
	void fillAndFrame(CDrawContext* context, double lineWidth);
};

} // namespace Kavrin
