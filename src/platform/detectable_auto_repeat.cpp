#include "platform/detectable_auto_repeat.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// Xlib's macros (None, Bool, Status) clash with Qt's names: it comes last.
#include <X11/XKBlib.h>

namespace ostrel {

bool EnableDetectableAutoRepeat()
{
    const auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay)
        return false;
    Bool bSupported = False;
    const Bool bSet = XkbSetDetectableAutoRepeat(pDisplay, True, &bSupported);
    return bSet && bSupported;
}

} // namespace ostrel
