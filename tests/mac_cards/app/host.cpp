// The program's Windows side, in C++: it registers the window classes, makes the main frame window
// that carries the menu bar, starts the session and runs the Macintosh program, whose result becomes
// the exit code.
#include <windows.h>

#include <Types.h>
#include <Zel.h>

#include <cstdio>

#include "cards.h"
#include <host_glue.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND main = MakeHostMainWindow(instance, "Card File", 800, 600);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x40;

    const long status = RunHostProgram(main, RunCards);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}
