#pragma once

#include "lib/cviewcontainer.h"
#include "lib/kavrineditorinterface.h"

#include <atomic>
#include <thread>

namespace Kavrin {

// The root container of a view tree. It owns the focus and the drawing lock
// and is told when views join or leave the tree. The editor is not owned.
//
// A frame is attached to itself and has no parent view; its children's
// coordinates are frame coordinates mapped through its transform (the zoom).
class CFrame : public CViewContainer
{
public:
	CFrame(const CRect& size, KavrinEditorInterface* editor = nullptr);
	~CFrame() noexcept override;

	// Attaches the frame to itself (parent must be the frame) and then its
	// children, first to last.
	bool attached(CView* parent) override;
	bool removed(CView* parent) override;
	KavrinEditorInterface* getEditor() const override;
	bool advanceNextFocusView(CView* current, bool reverse = false) override;
	void beforeDelete() override;

	// Focus
	void setFocusView(CView* view);
	CView* getFocusView() const;
	bool focusDrawingEnabled() const;
	void setFocusDrawingEnabled(bool state);
	CColor getFocusColor() const;
	void setFocusColor(const CColor& color);
	double getFocusWidth() const;
	void setFocusWidth(double width);

	// Called by views as they join and leave the attached tree.
	void onViewAdded(CView* view);
	void onViewRemoved(CView* view);

	// The drawing lock keeps other threads off the tree while it is drawn or
	// while a container changes its children. Only the holder releases it;
	// the holder may lock again (each lock wants its unlock) and never waits
	// for itself.
	void LockGUIDrawing();
	void UnLockGUIDrawing();
	bool IsGUIDrawingLocked() const;
	void WaitForGUIDrawingLock() const;
	void WaitForThenLockGUIDrawing();
	// True when the calling thread holds the lock (a handler running inside
	// a locked section must not wait for itself).
	bool holdsGUIDrawingLock() const;

private:
	struct Impl;
	std::unique_ptr<Impl> impl;
};

// Holds a frame's drawing lock for a scope unless the calling thread holds
// it already. A null frame locks nothing.
class GUIDrawingLockScope
{
public:
	explicit GUIDrawingLockScope(CFrame* frame);
	~GUIDrawingLockScope() noexcept;
	GUIDrawingLockScope(const GUIDrawingLockScope&) = delete;
	GUIDrawingLockScope& operator=(const GUIDrawingLockScope&) = delete;

private:
	CFrame* lockedFrame {nullptr};
};

} // namespace Kavrin
