// The smallest host: it compiles against the installed headers and imports from the installed DLL.
#include <windows.h>
#include "MacMemory.h"
#include "Zel.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Handle h = NewHandle(16);
    DisposeHandle(h);
    return 0;
}
