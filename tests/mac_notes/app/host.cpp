// The program's Windows side, in C++: it registers the window classes, makes the main frame window
// that carries the menu bar, starts the session with resource forks kept in each folder's
// "Resource.frk" beside their data files, and runs the Macintosh program, whose result becomes the
// exit code.
#include <windows.h>

#include <Types.h>
#include <Zel.h>

#include <cstdio>

#include <host_glue.h>

extern "C" long RunNotes(void);

namespace {

constexpr int16_t kSettingResourceFrkMode = 75;


} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND main = MakeHostMainWindow(instance, "Notes", 800, 600);
    // A document's data fork and resource fork are two files: the data under the document's name, the
    // resources under the same name in the folder's "Resource.frk".
    ZEL_SystemValue(1, kSettingResourceFrkMode, 1);
    if (!OpenHostSession(instance, main, nullptr))
        return 0x40;
    // The program prints in points, as on a Macintosh printer: its print record and printing port speak
    // 72 dpi and the port maps them onto the printer's page.
    ZEL_SetFlags(zelFlagPrinting20, zelFlagPrinting20, 0, 0);

    const long status = RunHostProgram(main, RunNotes);
    std::printf("exit %ld\n", status);
    return static_cast<int>(status);
}
