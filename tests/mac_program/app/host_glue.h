// The Windows side every classic program's host shares: the messages its window procedures hand to
// the library and the three window classes the library expects.
#ifndef HOST_GLUE_H
#define HOST_GLUE_H

#include <windows.h>

// What a host window procedure hands to the library; true with the answer when it took the message.
// The main window (isMain) keeps its own painting and sizing.
bool ForwardToLibrary(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool isMain, LRESULT *result);

// Registers the main window class with the given procedure and class style, and the library's two
// document classes with a procedure that forwards everything.
void RegisterHostClasses(HINSTANCE instance, WNDPROC mainProc, UINT mainStyle);

// Starts the library's session on the main window and sets up its low-memory globals: no system fork,
// so that InitResources opens the program's own beside it; scrapCallback may be nil.
void StartProgramSession(HINSTANCE instance, HWND main, FARPROC scrapCallback);

#endif
