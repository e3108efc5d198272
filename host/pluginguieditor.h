#pragma once

#include "lib/cframe.h"
#include "lib/controls/icontrollistener.h"
#include "lib/kavrineditorinterface.h"

namespace Kavrin {

// The editor's size, in the order plug-in formats have long used.
struct ERect
{
	int16 top;
	int16 left;
	int16 bottom;
	int16 right;
};

// What the plug-in offers its editor: the edit brackets a host records
// automation in, parameter changes made by the user, and size requests.
// The plug-in format's binding implements it.
class IEditorHost
{
public:
	virtual ~IEditorHost() noexcept = default;

	virtual void beginEdit(int32 tag) = 0;
	virtual void endEdit(int32 tag) = 0;
	// The user changed a parameter to this value (in the control's units).
	virtual void parameterChanged(int32 tag, float value) = 0;
	// The editor wants this size; false when the host refuses.
	virtual bool requestResize(int32 width, int32 height) = 0;
};

// The base of a plug-in's editor. open builds a CFrame of the editor's size
// inside the parent window the host hands over, with this editor as the
// frame's editor interface and as the listener of the controls a subclass
// adds; close tears the frame down. Controls report user changes to the
// editor host, and setParameter shows the host's changes without sending
// them back.
//
// An editor that belongs to its plug-in (owner set) outlives its windows;
// one without an owner is disposed of by the window that closes it.
class PluginGUIEditor : public KavrinEditorInterface, public IControlListener
{
public:
	PluginGUIEditor(const ERect& size, void* owner = nullptr);
	~PluginGUIEditor() noexcept override;
	PluginGUIEditor(const PluginGUIEditor&) = delete;
	PluginGUIEditor& operator=(const PluginGUIEditor&) = delete;

	// The open frame, or null.
	virtual CView* getFrame() const;
	// Destroys the editor.
	virtual void dispose();
	// Opens a frame in the parent (an X11 window id cast to void*); a
	// subclass adds its views after calling this. False when no frame could
	// be opened there.
	virtual bool open(void* parent);
	virtual void close();

	bool isOpen() const { return frame != nullptr; }
	void* getOwner() const { return owner; }
	// The owner gives the editor up (or takes it again).
	void setOwner(void* newOwner) { owner = newOwner; }
	const ERect& getRect() const { return rect; }

	void setEditorHost(IEditorHost* newHost) { host = newHost; }
	IEditorHost* getEditorHost() const { return host; }
	// A parameter the host changed: every control with the tag shows the
	// value, without telling anyone.
	void setParameter(int32 tag, float value);

	// The frame's editor interface.
	void beginEdit(int32 tag) override;
	void endEdit(int32 tag) override;
	bool approveSizeChange(const CRect& newSize, const CRect& oldSize) override;
	// The controls' listener.
	void valueChanged(CControl* control) override;

protected:
	CFrame* frame {nullptr};
	ERect rect;

private:
	void* owner;
	void* reserved {nullptr};
	uint32 flags {0};
	IEditorHost* host {nullptr};
};

} // namespace Kavrin
