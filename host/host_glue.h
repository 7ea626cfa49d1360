// The Windows side of a classic program's host, ready to use unchanged: the three window classes the
// library expects, the main frame window, the start of the session, the forwarding of every message the
// library takes, and the run of the Macintosh code between the session's start and end. C++; link
// TOLVADEX::HostGlue (find_package(TOLVADEX)) and include "host_glue.h".
#ifndef TOLVADEX_HOST_GLUE_H
#define TOLVADEX_HOST_GLUE_H

#include <windows.h>

#include <Zel.h>

// What a host window procedure hands to the library: mouse and keys, activation, menus, commands,
// palettes and the non-client messages for every window; painting, moving, sizing and scrolling for the
// library's windows only (isMain false), the main window keeping its own. True, with the answer, when
// the library answered the message itself.
bool ForwardToLibrary(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool isMain, LRESULT *result);

// The main window procedure of a host that draws nothing of its own: the message loop ends with the
// window, everything else goes to the library, then to DefWindowProc. A host's own procedure handles
// what it draws and passes the rest here.
LRESULT CALLBACK HostMainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window class with the given procedure and class style, and the library's two
// document classes with a procedure that forwards everything.
void RegisterHostClasses(HINSTANCE instance, WNDPROC mainProc, UINT mainStyle);

// Registers the classes and makes the main frame window at the screen's top left, with the given menu
// bar (nil: an empty one the library's menus go into).
HWND MakeHostMainWindow(HINSTANCE instance, const char *title, int width, int height, HMENU menu = nullptr,
                        WNDPROC mainProc = HostMainWndProc, UINT mainStyle = 0);

// Starts the library's session for the main window (no system fork: the application's own resource
// fork opens, and a scrap callback when one is given) and its low-memory globals; false when the
// resources could not be opened.
bool OpenHostSession(HINSTANCE instance, HWND main, FARPROC scrapCallback, uint32_t sessionFlags = 0);

// What OpenHostSession did: the session block as the library filled it in (its window classes and
// flags), ZEL_InitGlobals' answer and the application's resource file.
struct HostSessionRecord {
    SessionParamBlock block;
    int16_t globalsResult;
    int16_t appResFile;
};
const HostSessionRecord &HostSession();

// Shows the main window, runs the Macintosh code, ends the session and destroys the window; the code's
// answer.
long RunHostProgram(HWND main, long (*program)(void));

#endif
