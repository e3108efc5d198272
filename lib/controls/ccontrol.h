#pragma once

#include "lib/controls/icontrollistener.h"
#include "lib/cview.h"
#include "lib/dispatchlist.h"
#include "lib/ifocusdrawing.h"

#include <vector>

namespace Kavrin {

// The base of every view that carries a value for a parameter identified by
// its tag: a float value kept within [min, max], a default the user can
// restore, and the begin/end edit bracket a host records automation in.
// The main listener and the sub-listeners are not owned.
class CControl : public CView, public IFocusDrawing
{
public:
	// Modifier that switches knobs, sliders and pads to fine adjustment.
	static int32 kZoomModifier;
	// Modifier that, with a left click, restores the default value.
	static int32 kDefaultValueModifier;

	CControl(const CRect& size, IControlListener* listener = nullptr, int32 tag = 0,
	         CBitmap* background = nullptr);
	// Copies the value model, tag and main listener; the copy starts with no
	// sub-listeners and outside any edit.
	CControl(const CControl& other);
	~CControl() noexcept override;

	CView* cloneView() const override = 0;
	void draw(CDrawContext* context) override = 0;
	// Dirty while the value differs from the value last drawn.
	bool isDirty() const override;
	void setDirty(bool state = true) override;
	// A control leaving the tree closes its open edit first, so that the
	// host's automation gesture never stays open.
	bool removed(CView* parent) override;
	// A control going away closes its open edit for whoever heard it begin.
	void beforeDelete() override;

	// Clamps to [min, max]; notifies nobody and invalidates nothing.
	virtual void setValue(float value);
	virtual float getValue() const;
	virtual void setValueNormalized(float normalized);
	virtual float getValueNormalized() const;
	virtual void setMin(float value);
	virtual float getMin() const;
	virtual void setMax(float value);
	virtual float getMax() const;
	virtual void setOldValue(float value);
	virtual float getOldValue() const;
	virtual void setDefaultValue(float value);
	virtual float getDefaultValue() const;
	// Moves a value outside [min, max] onto the nearer bound.
	virtual void bounceValue();
	// The default-value gesture (a double click, or a left click with
	// kDefaultValueModifier alone): restores the default in one edit.
	virtual bool checkDefaultValue(CButtonState button);
	// Tells the main listener, then the sub-listeners.
	virtual void valueChanged();
	virtual void setTag(int32 tag);
	virtual int32 getTag() const;
	// Brackets nest; only the outermost begin and end reach the listeners
	// and the frame's editor. The end reaches exactly those the begin
	// reached, even when a listener ends the edit (removes the control)
	// before the begin has gone round them all.
	virtual void beginEdit();
	virtual void endEdit();
	virtual IControlListener* getListener() const;
	virtual void setListener(IControlListener* listener);
	virtual void setWheelInc(float increment);
	virtual float getWheelInc() const;
	bool drawFocusOnTop() override;
	bool getFocusPath(CGraphicsPath& outPath) override;

	void registerControlListener(IControlListener* listener);
	void unregisterControlListener(IControlListener* listener);
	bool isEditing() const { return editing > 0; }

	// Key modifiers (1 Shift, 2 Alt, 4 Command, 8 Control) as button-state
	// modifier bits.
	static int32 mapMoxKeyModifier(int32 keyModifiers);

	class EditGuard;

protected:
	// Stores a new setting and redraws; an unchanged setting changes nothing.
	template <typename T>
	void setAndInvalidate(T& setting, const T& value)
	{
		if (setting == value)
			return;
		setting = value;
		invalid();
	}
	// The arrow keys step the normalized value by one wheel increment (a
	// tenth of that with the zoom modifier): Right and Up up, Left and Down
	// down, the other way round when reversed. Each step that moves the
	// value is an edit of its own. 1 for an arrow key, -1 for any other.
	int32 stepByArrowKey(const MoxKeyCode& keyCode, bool reversed = false);

	IControlListener* listener;
	DispatchList<IControlListener*> subListeners;
	int32 tag;
	float oldValue {1.f};
	float defaultValue {0.5f};
	float value {0.f};
	float vmin {0.f};
	float vmax {1.f};
	float wheelInc {0.1f};
	int32 editing {0};

	// Keeps the top-left corner and takes the background's width and the
	// height given, for the mouse too; false, and the size unchanged,
	// without a background.
	bool sizeToBackground(double height);

private:
	// Who heard the begin of the open edit, so that its end reaches exactly
	// them: a sub-listener registered during the edit hears neither.
	struct EditAudience
	{
		bool listener {false};
		std::vector<IControlListener*> subListeners;
		bool editor {false};
	};

	template <typename Call>
	void dispatchToListeners(Call call);
	bool isEditOpen(uint32 serial) const { return editing > 0 && editSerial == serial; }
	// Ends the edit however deeply it is nested.
	void closeOpenEdit();

	// Counts outermost begins, so that an owner can tell its edit from a
	// later one.
	uint32 editSerial {0};
	EditAudience editAudience;
};

// One owner's hold on an edit of a control (a drag, a wheel turn, a key
// step): open() begins an edit, and close() or destruction ends it exactly
// once. An edit the control closed on its own (it left the tree) is not
// ended again, nor is a later edit taken for it. Does not own the control.
class CControl::EditGuard
{
public:
	EditGuard() = default;
	explicit EditGuard(CControl* control) { open(control); }
	EditGuard(EditGuard&& other) noexcept;
	EditGuard& operator=(EditGuard&& other) noexcept;
	EditGuard(const EditGuard&) = delete;
	EditGuard& operator=(const EditGuard&) = delete;
	~EditGuard() { close(); }

	// Ends any edit held so far and begins one; false when a listener
	// closed it again while it began.
	bool open(CControl* control);
	bool isOpen() const { return control && control->isEditOpen(serial); }
	void close();

private:
	CControl* control {nullptr};
	uint32 serial {0};
};

} // namespace Kavrin
