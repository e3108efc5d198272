#pragma once

// Forward declarations, so that headers which only pass pointers around need
// not pull in the classes themselves.

#include "lib/kavrintypes.h"

namespace Kavrin {

class IReference;
template <typename T> class ReferenceCounted;
template <typename I> class SharedPointer;
class CBaseObject;

struct CPoint;
struct CRect;
struct CGraphicsTransform;
struct CColor;
class CButtonState;
struct MoxKeyCode;

class CView;
class CViewContainer;
class CFrame;
class CControl;
class CDrawContext;
class CBitmap;
class CGraphicsPath;
class IDropTarget;
class IViewListener;
class IViewMouseListener;
class IViewContainerListener;
class IControlListener;
class IFocusDrawing;

} // namespace Kavrin
