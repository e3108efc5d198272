#pragma once

#include "lib/controls/ctextlabel.h"

#include <vector>

namespace Kavrin {

class IFontPainter;

// A label that lays its text out on several lines: one per paragraph (the
// text split at newlines), a paragraph too wide for the view being clipped,
// shortened at its tail, or wrapped onto further lines. With auto height
// the view's height follows the text. Single-line truncation does not
// apply: the truncate mode stays none.
class CMultiLineTextLabel : public CTextLabel
{
public:
	enum class LineLayout : int32
	{
		kClip = 0,
		kTruncate,
		kWrap,
	};

	struct Line
	{
		// In the view's coordinates: relative to its top-left corner.
		CRect r;
		UTF8String str;
	};
	using Lines = std::vector<Line>;

	explicit CMultiLineTextLabel(const CRect& size);
	CMultiLineTextLabel(const CMultiLineTextLabel& other);
	~CMultiLineTextLabel() noexcept override;

	CView* cloneView() const override;
	void drawRect(CDrawContext* context, const CRect& updateRect) override;
	void setViewSize(const CRect& rect, bool invalid = true) override;
	// False: the width is the layout's to keep; auto height fits the height.
	bool sizeToFit() override;
	// The conversion function's text for the value becomes the text.
	void setValue(float value) override;
	void setText(const UTF8String& newText) override;
	// Always none.
	void setTextTruncateMode(TextTruncateMode mode) override;
	void drawStyleChanged() override;
	// A label given auto height before it was attached takes its height now.
	bool attached(CView* parent) override;

	void setLineLayout(LineLayout layout);
	LineLayout getLineLayout() const { return lineLayout; }
	// While set, the view's height follows the laid-out text whenever it is
	// attached and the text, its width or its style changes.
	void setAutoHeight(bool state);
	bool getAutoHeight() const { return autoHeight; }
	// The widest line's width; lays the text out first when needed.
	double getMaxLineWidth();
	// Empty until the text is laid out (by drawing, auto height or
	// getMaxLineWidth).
	const Lines& getLines() const { return lines; }

private:
	// The lines are stale: with auto height they are laid out again and the
	// height follows at once, else the next drawing lays them out.
	void linesChanged();
	void recalculateLines(CDrawContext* context);
	void recalculateHeight();
	void addLine(const UTF8String& line, double right, double lineHeight, double& top);
	// Breaks one paragraph into lines no wider than width where it can.
	void calculateWrapLine(CDrawContext* context, const UTF8String& paragraph, const IFontPainter* painter,
	                       double width, double lineHeight, double& top);

	bool autoHeight {false};
	LineLayout lineLayout {LineLayout::kClip};
	Lines lines;
};

} // namespace Kavrin
