/* The About alert and the Options dialog. */
#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Dialogs.h>
#include <Controls.h>
#include <TextEdit.h>

#include "editor.h"

enum {
    iBold = 3,
    iItalic = 4,
    iSmall = 5,
    iMedium = 6,
    iLarge = 7
};

static const short kSizes[] = {9, 12, 18};

void DoAboutBox(void)
{
    Alert(rAboutAlert, nil);
}

static ControlHandle ItemControl(DialogPtr dialog, short item)
{
    short type;
    Handle handle;
    Rect box;
    GetDialogItem(dialog, item, &type, &handle, &box);
    return (ControlHandle)handle;
}

static void SetRadioGroup(DialogPtr dialog, short chosen)
{
    short item;
    for (item = iSmall; item <= iLarge; item++)
        SetControlValue(ItemControl(dialog, item), item == chosen);
}

/* The dialog shows the document's face and size; the check boxes and radio buttons change only when
   the program sets them, and OK applies what they show. */
void DoOptionsDialog(void)
{
    DialogPtr dialog;
    short itemHit = 0;
    short size;
    Style face;
    short item;
    ControlHandle control;

    dialog = GetNewDialog(rOptionsDialog, nil, (WindowPtr)-1);
    if (dialog == nil)
        return;
    GetDocumentStyle(&size, &face);
    SetControlValue(ItemControl(dialog, iBold), (face & bold) != 0);
    SetControlValue(ItemControl(dialog, iItalic), (face & italic) != 0);
    SetRadioGroup(dialog, size <= 9 ? iSmall : size >= 18 ? iLarge : iMedium);
    ShowWindow(dialog);

    do {
        ModalDialog(nil, &itemHit);
        switch (itemHit) {
        case iBold:
        case iItalic:
            control = ItemControl(dialog, itemHit);
            SetControlValue(control, !GetControlValue(control));
            break;
        case iSmall:
        case iMedium:
        case iLarge:
            SetRadioGroup(dialog, itemHit);
            break;
        }
    } while (itemHit != ok && itemHit != cancel);

    if (itemHit == ok) {
        face = normal;
        if (GetControlValue(ItemControl(dialog, iBold)))
            face |= bold;
        if (GetControlValue(ItemControl(dialog, iItalic)))
            face |= italic;
        for (item = iSmall; item <= iLarge; item++)
            if (GetControlValue(ItemControl(dialog, item)))
                size = kSizes[item - iSmall];
    }
    DisposeDialog(dialog);
    if (itemHit == ok)
        SetDocumentStyle(size, face);
}
