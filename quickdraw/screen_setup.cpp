// The screen set-up of InitGraf: the screen's depth and the library's default memory DC.
#include "quickdraw.h"

namespace {

int16_t sScreenDepth;
HDC sDefaultDC;

} // namespace

int16_t ScreenDepth() { return sScreenDepth; }
HDC DefaultMemoryDC() { return sDefaultDC; }

bool ScreenSetup()
{
    HWND main = QuickDrawMainWindow();
    HDC screen = GetDC(main);
    if (!screen)
        return false;
    sScreenDepth = DeviceContextDepth(screen);
    if (!sDefaultDC)
        sDefaultDC = CreateCompatibleDC(screen);
    ReleaseDC(main, screen);
    return sDefaultDC != nullptr;
}

void ExitScreen()
{
    if (sDefaultDC)
        DeleteDC(sDefaultDC);
    sDefaultDC = nullptr;
}
