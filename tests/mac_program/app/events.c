/* The menus and the event loop, in C against the classic headers. */
#include <Types.h>
#include <QuickDraw.h>
#include <Windows.h>
#include <Menus.h>
#include <Events.h>
#include <ToolUtils.h>

#include "mac_program.h"

/* The Apple menu first, then File, both from the application's resources. */
MenuRef SetUpMenus(void)
{
    MenuRef apple = GetMenu(kAppleMenuID);
    MenuRef file = GetMenu(kFileMenuID);
    if (!apple || !file)
        return nil;
    InsertMenu(apple, 0);
    InsertMenu(file, 0);
    DrawMenuBar();
    return file;
}

/* Answers true when the choice was Quit. */
static Boolean DoMenuChoice(long choice)
{
    Boolean quit = HiWord(choice) == kFileMenuID && LoWord(choice) == kQuitItem;
    HiliteMenu(0);
    return quit;
}

void RunEventLoop(WindowRef window, WindowRef gallery)
{
    Boolean quit = false;
    EventRecord event;
    while (!quit) {
        if (!WaitNextEvent(everyEvent, &event, 6, nil))
            continue;
        switch (event.what) {
        case mouseDown: {
            WindowRef hit = nil;
            short part = FindWindow(event.where, &hit);
            if (part == inMenuBar)
                quit = DoMenuChoice(MenuSelect(event.where));
            else if (part == inContent && hit == window)
                ClickInContent(window, event.where);
            else if (part == inDrag && hit)
                DragWindow(hit, event.where, &qd.screenBits.bounds);
            break;
        }
        case keyDown:
        case autoKey: {
            char key = (char)(event.message & charCodeMask);
            if (event.modifiers & cmdKey)
                quit = DoMenuChoice(MenuKey(key));
            else if ((key == 'd' || key == 'D') && gallery)
                RunGalleryDialog(gallery);
            else if ((key == 'a' || key == 'A') && gallery)
                RunGalleryAlert(gallery);
            else if (key >= 'x' && key <= 'z' && gallery)
                TypeIntoGallery(gallery, key);
            else
                KeyTyped(window, key);
            break;
        }
        case updateEvt: {
            WindowRef updated = (WindowRef)event.message;
            BeginUpdate(updated);
            if (updated == window)
                DrawContent(updated);
            else if (updated == gallery)
                DrawGallery(updated);
            EndUpdate(updated);
            break;
        }
        }
    }
}
