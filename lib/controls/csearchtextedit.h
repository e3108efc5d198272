#pragma once

#include "lib/controls/ctextedit.h"

namespace Kavrin {

// A text field for search terms: a round clear mark at its end empties it
// in one edit, and "Search" shows while it is empty. The editor covers only
// the text rect, never the mark.
class CSearchTextEdit : public CTextEdit
{
public:
	CSearchTextEdit(const CRect& size, IControlListener* listener = nullptr, int32 tag = -1,
	                const char* txt = nullptr, CBitmap* background = nullptr, int32 style = 0);
	CSearchTextEdit(const CSearchTextEdit& other);
	~CSearchTextEdit() noexcept override;

	CView* cloneView() const override;
	void draw(CDrawContext* context) override;
	// A left click on the mark of a field with text empties it.
	CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
	CRect platformGetSize() const override;
	CRect platformGetVisibleSize() const override;
	// The mark shows or hides as the text comes and goes.
	void platformTextDidChange() override;

	void setClearMarkInset(CPoint inset);
	CPoint getClearMarkInset() const { return clearMarkInset; }
	// In the parent's coordinates: a square as high as the view at its end
	// (its start with right-aligned text), inset by the clear-mark inset.
	CRect getClearMarkRect() const;
	// The view without the mark's square, in the parent's coordinates.
	CRect getTextRect() const;

protected:
	// Only while there is text.
	void drawClearMark(CDrawContext* context);

private:
	CPoint clearMarkInset {2., 2.};
};

} // namespace Kavrin
