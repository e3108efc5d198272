#pragma once

#include "lib/controls/cparamdisplay.h"
#include "lib/cstring.h"
#include "lib/dispatchlist.h"

#include <memory>

namespace Kavrin {

class CTextLabel;

// Hears when a label's shortened text was worked out again.
class ITextLabelListener
{
public:
	virtual ~ITextLabelListener() noexcept = default;

	virtual void onTextLabelTruncatedTextChanged(CTextLabel* label) = 0;
};

// Shows a fixed text instead of the value, shortened at its head or tail
// to fit the view's width when a truncate mode is set. The text listeners
// are not owned; they may be registered and removed while they are told.
class CTextLabel : public CParamDisplay
{
public:
	enum TextTruncateMode : int32
	{
		kTruncateNone = 0,
		kTruncateHead,
		kTruncateTail,
	};

	CTextLabel(const CRect& size, const char* text = nullptr, CBitmap* background = nullptr, int32 style = 0);
	// The copy has no text listeners.
	CTextLabel(const CTextLabel& other);
	~CTextLabel() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	// Keeps the left, top and bottom and takes the text's width; false
	// without a font that can measure it.
	bool sizeToFit() override;
	// The conversion function's text for the value becomes the label's
	// text first.
	void valueChanged() override;
	void drawStyleChanged() override;

	virtual void setText(const UTF8String& newText);
	virtual const UTF8String& getText() const;
	virtual void setTextTruncateMode(TextTruncateMode mode);

	TextTruncateMode getTextTruncateMode() const { return textTruncateMode; }
	// Empty when the whole text fits or truncation is off.
	const UTF8String& getTruncatedText() const { return truncatedText; }

	void registerTextLabelListener(ITextLabelListener* listener);
	void unregisterTextLabelListener(ITextLabelListener* listener);

protected:
	// Works the shortened text out again and tells the text listeners.
	void calculateTruncatedText();

	TextTruncateMode textTruncateMode {kTruncateNone};
	UTF8String text;
	UTF8String truncatedText;

private:
	std::unique_ptr<DispatchList<ITextLabelListener*>> textLabelListeners;
};

} // namespace Kavrin
