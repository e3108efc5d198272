#include "lib/controls/cmultilinetextlabel.h"

#include "lib/cdrawcontext.h"
#include "lib/cdrawmethods.h"
#include "lib/cfont.h"
#include "lib/platform/iplatformfont.h"
#include "lib/platform/iplatformstring.h"

#include <algorithm>
#include <string>

namespace Kavrin {

namespace {

// A line may break after these, keeping them at its end.
bool breaksAfter(char32_t character)
{
	switch (character)
	{
		case '!':
		case '&':
		case '*':
		case '+':
		case ',':
		case '-':
		case '.':
		case '/':
		case ':':
		case ';':
		case '?':
		case '\\':
		case '_':
			return true;
		default:
			return false;
	}
}

} // namespace

CMultiLineTextLabel::CMultiLineTextLabel(const CRect& size) : CTextLabel(size) {}

CMultiLineTextLabel::CMultiLineTextLabel(const CMultiLineTextLabel& other)
: CTextLabel(other), autoHeight(other.autoHeight), lineLayout(other.lineLayout), lines(other.lines)
{
}

CMultiLineTextLabel::~CMultiLineTextLabel() noexcept = default;

CView* CMultiLineTextLabel::cloneView() const
{
	return new CMultiLineTextLabel(*this);
}

// ---- Settings ----

void CMultiLineTextLabel::setText(const UTF8String& newText)
{
	if (text == newText)
		return;
	CTextLabel::setText(newText);
	linesChanged();
}

void CMultiLineTextLabel::setValue(float newValue)
{
	SharedPointer<CMultiLineTextLabel> keepAlive = this;
	CTextLabel::setValue(newValue);
	std::string newText;
	if (convertValueToString(value, newText))
		setText(UTF8String(std::move(newText)));
}

void CMultiLineTextLabel::setTextTruncateMode(TextTruncateMode)
{
	textTruncateMode = kTruncateNone;
	calculateTruncatedText();
}

void CMultiLineTextLabel::drawStyleChanged()
{
	CTextLabel::drawStyleChanged();
	linesChanged();
}

void CMultiLineTextLabel::setViewSize(const CRect& rect, bool invalid)
{
	const double oldWidth = getViewSize().getWidth();
	CTextLabel::setViewSize(rect, invalid);
	if (getViewSize().getWidth() != oldWidth)
		linesChanged();
}

bool CMultiLineTextLabel::sizeToFit()
{
	return false;
}

bool CMultiLineTextLabel::attached(CView* parent)
{
	if (!CTextLabel::attached(parent))
		return false;
	if (autoHeight)
		linesChanged();
	return true;
}

void CMultiLineTextLabel::setLineLayout(LineLayout layout)
{
	if (lineLayout == layout)
		return;
	lineLayout = layout;
	drawStyleChanged();
}

void CMultiLineTextLabel::setAutoHeight(bool state)
{
	if (autoHeight == state)
		return;
	autoHeight = state;
	if (!autoHeight || !isAttached())
		return;
	if (lines.empty())
		recalculateLines(nullptr);
	recalculateHeight();
}

double CMultiLineTextLabel::getMaxLineWidth()
{
	if (lines.empty() && !text.empty())
		recalculateLines(nullptr);
	double width = 0.;
	for (const auto& line : lines)
		width = std::max(width, line.r.getWidth());
	return width;
}

void CMultiLineTextLabel::linesChanged()
{
	lines.clear();
	if (!autoHeight || !isAttached())
		return;
	recalculateLines(nullptr);
	recalculateHeight();
}

// ---- Layout ----

void CMultiLineTextLabel::recalculateHeight()
{
	CRect size = getViewSize();
	size.setHeight(lines.empty() ? 0. : lines.back().r.bottom + textInset.y);
	setViewSize(size, true);
}

void CMultiLineTextLabel::addLine(const UTF8String& line, double right, double lineHeight, double& top)
{
	lines.push_back({CRect(textInset.x, top, right, top + lineHeight + textInset.y), line});
	top += lineHeight;
}

void CMultiLineTextLabel::recalculateLines(CDrawContext* context)
{
	lines.clear();
	IPlatformFont* platformFont = font->getPlatformFont();
	const IFontPainter* painter = platformFont ? platformFont->getPainter() : nullptr;
	if (!painter)
		return;
	const double lineHeight = platformFont->getAscent() + platformFont->getDescent() + platformFont->getLeading();
	const double viewWidth = getViewSize().getWidth();
	const double width = viewWidth - 2. * textInset.x;
	const double fullRight = viewWidth - textInset.x;
	double top = textInset.y;
	const std::string& bytes = text.getString();
	for (size_t start = 0; start <= bytes.size();)
	{
		// A newline is one byte that no multi-byte sequence contains.
		size_t end = bytes.find('\n', start);
		if (end == std::string::npos)
			end = bytes.size();
		const UTF8String paragraph(bytes.substr(start, end - start));
		const double paragraphWidth = painter->getStringWidth(context, paragraph.getPlatformString(), true);
		const double right = lineLayout == LineLayout::kClip ? textInset.x + paragraphWidth : fullRight;
		if (paragraphWidth <= width || lineLayout == LineLayout::kClip)
			addLine(paragraph, right, lineHeight, top);
		else if (lineLayout == LineLayout::kTruncate)
			addLine(CDrawMethods::createTruncatedText(CDrawMethods::kTextTruncateTail, paragraph, font, width), right,
			        lineHeight, top);
		else
			calculateWrapLine(context, paragraph, painter, width, lineHeight, top);
		start = end + 1;
	}
}

// Each step measures the line so far, so a paragraph costs time quadratic
// in its length. Steps go code point by code point; a malformed byte is a
// step of its own, and no step leaves the paragraph.
void CMultiLineTextLabel::calculateWrapLine(CDrawContext* context, const UTF8String& paragraph,
                                            const IFontPainter* painter, double width, double lineHeight,
                                            double& top)
{
	auto measured = IPlatformString::createWithUTF8String();
	if (!measured)
		return;
	using Steps = UTF8String::CodePointIterator;
	using Position = std::string::const_iterator;
	const std::string& bytes = paragraph.getString();
	const Position first = bytes.begin();
	const Position last = bytes.end();
	const double right = getViewSize().getWidth() - textInset.x;
	auto widthOf = [&](Position from, Position to) {
		measured->setUTF8String(std::string(from, to).c_str());
		return painter->getStringWidth(context, measured, true);
	};
	auto emit = [&](Position from, Position to) { addLine(UTF8String(std::string(from, to)), right, lineHeight, top); };

	Position lineStart = first;
	Position breakAt = first;
	bool hasBreak = false;
	Steps step(first, first, last);
	while (step.base() != last && *step != 0)
	{
		const Position current = step.base();
		const char32_t character = *step;
		if (isSpace(character))
		{
			breakAt = current;
			hasBreak = true;
		}
		++step;
		if (breaksAfter(character))
		{
			breakAt = step.base();
			hasBreak = true;
			if (step.base() != last && *step != 0)
				++step;
		}
		if (!(widthOf(lineStart, step.base()) > width))
			continue;
		Position lineEnd = hasBreak && breakAt != lineStart ? breakAt : current;
		// A code point wider than the view still fills a line of its own.
		if (lineEnd == lineStart)
			lineEnd = step.base();
		emit(lineStart, lineEnd);
		lineStart = lineEnd;
		if (Steps next(lineStart, first, last); next.base() != last && isSpace(*next))
			lineStart = (++next).base();
		hasBreak = false;
		if (step.base() < lineStart)
			step = Steps(lineStart, first, last);
	}
	if (lineStart < step.base())
		emit(lineStart, step.base());
}

// ---- Drawing ----

void CMultiLineTextLabel::drawRect(CDrawContext* context, const CRect&)
{
	if (style & kNoDrawStyle)
	{
		setDirty(false);
		return;
	}
	if (lines.empty() && !text.empty())
		recalculateLines(context);
	drawBack(context, nullptr);
	if (!(style & kNoTextStyle))
	{
		CRect textArea = getViewSize();
		textArea.inset(textInset.x, textInset.y);
		CDrawContext::ClipScope clip(context, textArea);
		if (!clip.isEmpty())
		{
			context->setDrawMode(kAntiAliasing);
			context->setFont(font, 0., -1);
			const CPoint origin = getViewSize().getTopLeft();
			auto drawLines = [&](CColor color, CPoint offset) {
				context->setFontColor(color);
				for (const auto& line : lines)
				{
					CRect r = line.r;
					r.offset(origin + offset);
					context->drawString(line.str.getPlatformString(), r, horiTxtAlign, getAntialias());
				}
			};
			if (style & kShadowText)
				drawLines(shadowColor, shadowTextOffset);
			drawLines(fontColor, CPoint());
		}
	}
	setDirty(false);
}

} // namespace Kavrin
