// Stand-ins for the library's internal services that the menu sources built into test_menu_mirror call.
// Each answers from the library's exports where one exists, so the menu code sees the session, the
// settings and the conversion tables of the real library.
#include "core_stand_in.h"

#include "../../core/core_services.h"
#include "../../quickdraw/qd_services.h"
#include "../../text/text_services.h"
#include "menu_manager.h"
#include "Quickdraw.h"
#include "Events.h"
#include "MacMemory.h"

namespace {
const uint16_t *sCommandMap;
uint32_t sLowMem[lmGlobalCount];
}

void SetStandInCommandMap(const uint16_t *map) { sCommandMap = map; }

bool SessionFlag(uint32_t bit) { return (ZEL_SetFlags(0, 0, 0, 0) & bit) != 0; }
bool SessionDoubleByte() { return LibrarySetting(settingDoubleByte) != 0; }
HINSTANCE SessionHostInstance() { return GetModuleHandleA(nullptr); }
const uint16_t *SessionCommandMap() { return sCommandMap; }
int32_t LibrarySetting(LibrarySettingNumber number)
{
    return static_cast<int32_t>(ZEL_SystemValue(0, number, 0));
}
uint32_t MacCharConversion() { return static_cast<uint32_t>(LibrarySetting(settingCharConversion)); }
void *LowMemCell(LowMemGlobal g) { return &sLowMem[g]; }
// The menus these tests make hold real handles or none: a handle is live when its data lead back to it.
bool IsLiveHandle(Handle h) { return h && *h && RecoverHandle(*h) == h; }

const PlatformInfo &SessionPlatform()
{
    static PlatformInfo p;
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    p.windowsNT = v.dwPlatformId == VER_PLATFORM_WIN32_NT;
    p.windows95 = v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    p.newShell = v.dwMajorVersion >= 4;
    return p;
}

const LibraryFont &GetLibraryFont(LibraryFontKind)
{
    static LibraryFont font;
    if (!font.font) {
        font.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font.font);
        SIZE size{};
        GetTextExtentPoint32A(dc, "{", 1, &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        font.height = static_cast<int16_t>(size.cy);
    }
    return font;
}

// The upper half of the Macintosh-to-ANSI table, read back one character at a time.
const uint8_t *MacToAnsiHighTable()
{
    static uint8_t table[128];
    for (int c = 0x80; c < 0x100; ++c) {
        const uint8_t in = static_cast<uint8_t>(c);
        uint8_t out[8] = {};
        const uint32_t old = ZEL_SystemValue(1, settingCharConversion, 1);
        ZEL_MacToAnsiBuf(&in, out, 1, macToAnsiRaw);
        ZEL_SystemValue(1, settingCharConversion, old);
        table[c - 0x80] = out[0];
    }
    return table;
}

GrafPtr CurrentPort()
{
    GrafPtr port = nullptr;
    GetPort(&port);
    return port;
}
// The menu code then sizes menus of their own procedure in the current port.
CGrafPtr WMgrCPort() { return nullptr; }


HWND SessionMainWindow() { return nullptr; }
HWND SessionMdiClient() { return nullptr; }
void ReportUnimplemented(const char *) {}

// The menu-bar mouse-down of ZEL_EventMenuSel: nothing listens in this program.
void PostPartMouseDown(int16_t) {}
// The key code input translation saw last: no key is typed in this program.
uint8_t LastKeyCodeTyped() { return 0; }
// No port draws here: the pop-up font is measured on the screen.
HDC CurrentDC() { return nullptr; }

// The font menus are tested through the library itself; the mirror's menus list no faces.
bool InstalledFaceAt(int, InstalledFace *) { return false; }
BOOL GetTextExtentCompat(HDC dc, const char *text, int length, SIZE *size)
{
    return GetTextExtentPoint32A(dc, text, length, size);
}
// The owner-draw state of the choices and pop-ups, which this program does not build.
OwnerDrawState &MenuOwnerDrawState()
{
    static OwnerDrawState state;
    return state;
}
