// The game's Windows side, in C++: it registers the window classes, makes the main frame window that
// carries the menu bar, starts the session and runs the Macintosh game, whose result becomes the exit
// code.
#include <windows.h>

#include <Types.h>
#include <Memory.h>
#include <Resources.h>
#include <QuickDraw.h>
#include <Zel.h>

#include <cstdio>

#include "arcade.h"
#include <host_glue.h>

namespace {

constexpr uint32_t kColourIconMasks = 0x80; // library switch: PlotCIcon uses the icon's mask


} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND main = MakeHostMainWindow(instance, "Comet Run", 800, 600);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x8000;
    ZEL_AllowPictStatePush(1);
    ZEL_SetFlags(0, 0, kColourIconMasks, kColourIconMasks);

    const long status = RunHostProgram(main, RunArcade);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}
