// Dialog Manager: item text and combo boxes.
#include "dialogs_services.h"
#include "../core/core_services.h"

// PENDING: the dialog item calls set a child's title as SetDialogItemText does; until then WM_SETTEXT.
void SetControlWindowTitle(HWND hwnd, ConstStr255Param title)
{
    char text[MacToAnsiBufferSize(255)];
    AnsiControlTitle(title, text);
    SetWindowTextA(hwnd, text);
}

// PENDING: the combo-box calls fill a box from a menu with its dialog-item sizing; until then the
// box is reset, gets each item's text in the ANSI set and selects item `selected` - 1.
void FillComboBoxFromMenu(HWND box, MenuHandle menu, int16_t selected)
{
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    const int16_t count = CountMItems(menu);
    for (int16_t i = 1; i <= count; ++i) {
        Str255 item;
        GetMenuItemText(menu, i, item);
        char text[MacToAnsiBufferSize(255)];
        const int32_t n = ZEL_MacToAnsiBuf(item + 1, reinterpret_cast<uint8_t *>(text), item[0], 0);
        text[n] = 0;
        SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(selected - 1), 0);
}
