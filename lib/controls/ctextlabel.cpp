#include "lib/controls/ctextlabel.h"

#include "lib/cdrawcontext.h"
#include "lib/cdrawmethods.h"
#include "lib/cfont.h"
#include "lib/platform/iplatformfont.h"

#include <string>

namespace Kavrin {

CTextLabel::CTextLabel(const CRect& size, const char* text, CBitmap* background, int32 style)
: CParamDisplay(size, background, style)
{
	setText(UTF8String(text));
}

CTextLabel::CTextLabel(const CTextLabel& other)
: CParamDisplay(other), textTruncateMode(other.textTruncateMode), text(other.text),
  truncatedText(other.truncatedText)
{
}

CTextLabel::~CTextLabel() noexcept = default;

CView* CTextLabel::cloneView() const
{
	return new CTextLabel(*this);
}

void CTextLabel::setText(const UTF8String& newText)
{
	if (text == newText)
		return;
	text = newText;
	if (textTruncateMode != kTruncateNone)
		calculateTruncatedText();
	setDirty(true);
}

const UTF8String& CTextLabel::getText() const
{
	return text;
}

void CTextLabel::setTextTruncateMode(TextTruncateMode mode)
{
	if (textTruncateMode == mode)
		return;
	textTruncateMode = mode;
	calculateTruncatedText();
}

void CTextLabel::calculateTruncatedText()
{
	// A rotated text does not run along the view's width.
	if (textRotation != 0.)
	{
		truncatedText.clear();
		return;
	}
	IPlatformFont* platformFont = font->getPlatformFont();
	if (textTruncateMode == kTruncateNone || text.empty() || !platformFont || !platformFont->getPainter())
	{
		truncatedText.clear();
		return;
	}
	const auto mode = textTruncateMode == kTruncateHead ? CDrawMethods::kTextTruncateHead
	                                                    : CDrawMethods::kTextTruncateTail;
	truncatedText = CDrawMethods::createTruncatedText(mode, text, font,
	                                                  getViewSize().getWidth() - 2. * textInset.x);
	if (truncatedText == text)
		truncatedText.clear();
	if (!textLabelListeners)
		return;
	SharedPointer<CTextLabel> keepAlive = this;
	textLabelListeners->forEach([this](ITextLabelListener* listener) { listener->onTextLabelTruncatedTextChanged(this); });
}

void CTextLabel::registerTextLabelListener(ITextLabelListener* listener)
{
	if (!textLabelListeners)
		textLabelListeners = std::make_unique<DispatchList<ITextLabelListener*>>();
	textLabelListeners->add(listener);
}

void CTextLabel::unregisterTextLabelListener(ITextLabelListener* listener)
{
	if (textLabelListeners)
		textLabelListeners->remove(listener);
}

void CTextLabel::drawStyleChanged()
{
	if (textTruncateMode != kTruncateNone)
		calculateTruncatedText();
	CParamDisplay::drawStyleChanged();
}

void CTextLabel::setViewSize(const CRect& rect, bool invalid)
{
	const double oldWidth = getViewSize().getWidth();
	CParamDisplay::setViewSize(rect, invalid);
	if (textTruncateMode != kTruncateNone && getViewSize().getWidth() != oldWidth)
		calculateTruncatedText();
}

bool CTextLabel::sizeToFit()
{
	IPlatformFont* platformFont = font->getPlatformFont();
	const IFontPainter* painter = platformFont ? platformFont->getPainter() : nullptr;
	if (!painter)
		return false;
	const double width = painter->getStringWidth(nullptr, text.getPlatformString(), true) + 2. * textInset.x;
	if (!(width > 0.))
		return false;
	CRect size = getViewSize();
	size.setWidth(width);
	setViewSize(size, true);
	setMouseableArea(size);
	return true;
}

void CTextLabel::valueChanged()
{
	SharedPointer<CTextLabel> keepAlive = this;
	std::string newText;
	if (convertValueToString(value, newText))
		setText(UTF8String(std::move(newText)));
	CParamDisplay::valueChanged();
}

void CTextLabel::draw(CDrawContext* context)
{
	if (style & kNoDrawStyle)
	{
		setDirty(false);
		return;
	}
	drawBack(context, nullptr);
	drawPlatformText(context, (truncatedText.empty() ? text : truncatedText).getPlatformString());
	setDirty(false);
}

} // namespace Kavrin
