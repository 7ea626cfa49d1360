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

// Starts the library's session for the main window (no system fork: the application's own resource
// fork opens, and a scrap callback when one is given) and its low-memory globals; false when the
// resources could not be opened.
bool OpenHostSession(HINSTANCE instance, HWND main, FARPROC scrapCallback);

#endif
