// Colour icons drawn on a DC (the menus' owner-drawn icons): a port opened over the DC plots the icon
// with PlotCIcon, through its mask.
#include "imaging.h"
#include "Icons.h"

#include <cstring>

void PlotColorIcon(HDC dc, const Rect *box, CIconHandle icon)
{
    if (!dc || !box || !HandleHasData(icon))
        return;
    GrafPtr previous = CurrentPort();
    CGrafPort port;
    std::memset(&port, 0, sizeof port);
    OpenPortForHDC(&port, dc);
    if (!GetCPortOpenSucceeded()) {
        SetPor(previous);
        return;
    }
    // The menu item shows what lies under the icon where its mask is clear.
    const bool masks = LibrarySwitch(0x80);
    SetLibrarySwitch(0x80, true);
    PlotCIcon(box, icon);
    SetLibrarySwitch(0x80, masks);
    CloseCPort(&port);
    SetPor(previous);
}
