// The Color Picker over the common colour dialog.
#include "qd_services.h"
#include "../core/core_services.h"

#include <commdlg.h>

namespace {
CHOOSECOLORA sChooseColor;
COLORREF sCustomColors[16];
}

void PrepareColorDialogTemplate()
{
    sChooseColor = CHOOSECOLORA{};
    sChooseColor.lStructSize = sizeof sChooseColor;
    sChooseColor.hwndOwner = SessionMainWindow();
    sChooseColor.hInstance = reinterpret_cast<HWND>(SessionHostInstance());
    sChooseColor.lpCustColors = sCustomColors;
    sChooseColor.Flags = CC_RGBINIT;
}
