#include "framework/framewnd.h"

CFrameWnd* GetParentFrame(const QWidget* widget) {
    return widget ? qobject_cast<CFrameWnd*>(widget->window()) : nullptr;
}
