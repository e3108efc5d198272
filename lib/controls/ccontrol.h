#pragma once

#include "lib/controls/icontrollistener.h"
#include "lib/cview.h"
#include "lib/ifocusdrawing.h"

namespace Kavrin {

// The base of every view that carries a value for a parameter identified by
// its tag. The main listener is not owned.
class CControl : public CView, public IFocusDrawing
{
public:
	CControl(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	         CBitmap* background = nullptr);
	CControl(const CControl& other);
	~CControl() noexcept override;

	CView* cloneView() const override = 0;
	void draw(CDrawContext* context) override = 0;

	virtual void setTag(int32 tag);
	virtual int32 getTag() const;
	virtual IControlListener* getListener() const;
	virtual void setListener(IControlListener* listener);

	bool drawFocusOnTop() override;
	bool getFocusPath(CGraphicsPath& outPath) override;

private:
	IControlListener* listener;
	int32 tag;
};

} // namespace Kavrin
