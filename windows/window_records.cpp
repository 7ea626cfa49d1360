// Window records and window creation: the default bodies of the patchable creation and closing calls.
// No window is made yet.
#include "windows_services.h"

WindowPtr ZEL_CALL NewWindowImpl(void *, const Rect *, ConstStr255Param, Boolean, int16_t, WindowPtr, Boolean,
                                 int32_t)
{
    return nullptr;
}

WindowPtr ZEL_CALL NewCWindowImpl(void *, const Rect *, ConstStr255Param, Boolean, int16_t, WindowPtr, Boolean,
                                  int32_t)
{
    return nullptr;
}

void ZEL_CALL CloseWindowImpl(WindowPtr) {}
