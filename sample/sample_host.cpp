// A sample host application: Mac-style code on Windows through TOLVADEX. With the host glue
// (host/host_glue.h) it registers the window classes named in its session block, opens the library
// session and the application's resource fork and forwards every message the library takes; its own
// code makes the main frame window, puts the library to work, prints and shows what it did, saves a
// picture of its window and shuts the session down.
// Usage: sample_host.exe [screenshot.bmp]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AppleEvents.h"
#include "ByteOrder.h"
#include "Dialogs.h"
#include "TextEdit.h"
#include "Events.h"
#include "Icons.h"
#include "LowMem.h"
#include "MacWindows.h"
#include "MacMemory.h"
#include "Menus.h"
#include "OSUtils.h"
#include "Palettes.h"
#include "PLStringFuncs.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "Traps.h"
#include "Zel.h"
#include "host_glue.h"

namespace {

std::vector<std::string> gLog;
// What QuickDraw drew, kept in a DIB section that the window shows below the log.
HDC gDrawingDC;
constexpr int kDrawingWidth = 890, kDrawingHeight = 160;

void Log(const char *format, ...)
{
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    gLog.push_back(line);
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The main window shows the log and, below it, what QuickDraw drew; the rest goes to the library.
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        int y = 10;
        for (const std::string &line : gLog) {
            TextOutA(dc, 12, y, line.c_str(), static_cast<int>(line.size()));
            y += 18;
        }
        SelectObject(dc, oldFont);
        if (gDrawingDC)
            BitBlt(dc, 12, client.bottom - kDrawingHeight - 8, kDrawingWidth, kDrawingHeight, gDrawingDC, 0, 0,
                   SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case ZEL_WM_HEAPDAMAGE:
        Log("library reports heap damage (record %p)", reinterpret_cast<void *>(lParam));
        return 0;
    }
    return HostMainWndProc(hwnd, message, wParam, lParam);
}

// The Memory Manager at work, as Mac code uses it.
void ExerciseMemory()
{
    Handle text = NewHandle(0);
    const char *words[] = {"Hello ", "from ", "a ", "Macintosh ", "handle."};
    for (const char *w : words)
        PtrAndHand(w, text, static_cast<long>(std::strlen(w)));
    std::string joined(*text, static_cast<size_t>(GetHandleSize(text)));
    Log("PtrAndHand built a %ld-byte handle: \"%s\"", static_cast<long>(GetHandleSize(text)), joined.c_str());

    Handle copy = text;
    HandToHand(&copy);
    Log("HandToHand copied it: same bytes = %s", std::memcmp(*copy, *text, GetHandleSize(text)) == 0 ? "yes" : "no");

    SetHandleSize(copy, 100000);
    Log("SetHandleSize grew the copy to %ld bytes, MemError %d", static_cast<long>(GetHandleSize(copy)), MemError());

    std::vector<Handle> many;
    for (int i = 0; i < 300; ++i)
        many.push_back(NewHandle(16));
    Log("300 more handles live in master-pointer blocks of %d records", GetZone()->moreMast);
    for (Handle h : many)
        DisposeHandle(h);

    Log("NewHandle(-1) fails with MemError %d; GetHandleSize(nil) with %d", (NewHandle(-1), MemError()),
        (GetHandleSize(nullptr), MemError()));
    DisposeHandle(copy);
    DisposeHandle(text);
}

// A patch on a trap-table routine, as Mac code installs one: count the calls, then run the original.
int gButtonCalls;
UniversalProcPtr gOriginalButton;
Boolean ZEL_CALL CountingButton(void)
{
    ++gButtonCalls;
    return reinterpret_cast<Boolean(ZEL_CALL *)(void)>(gOriginalButton)();
}

// Strings, byte order, dates, settings and the trap table.
void ExerciseOSServices()
{
    Str255 text, word;
    ZEL_CopyCtoP("Macintosh programs on Windows", text);
    ZEL_CopyCtoP("Windows", word);
    Log("PLpos finds \"Windows\" at %d of a %d-character Pascal string", PLpos(text, word), text[0]);

    const unsigned char mac[] = {'C', 'a', 'f', 0x8E, ' ', 0xA9, ' ', 0xAA};
    unsigned char ansi[4 * sizeof mac + 1] = {};
    int32_t n = ZEL_MacToAnsiBuf(mac, ansi, sizeof mac, 0);
    Log("ZEL_MacToAnsiBuf: Macintosh \"Caf\\x8E \\xA9 \\xAA\" becomes \"%.*s\"", static_cast<int>(n), ansi);

    const unsigned char bigEndian[4] = {0x12, 0x34, 0x56, 0x78};
    Log("ZEL_GetByteSwapLONG reads 12 34 56 78 as 0x%08lX", static_cast<unsigned long>(ZEL_GetByteSwapLONG(bigEndian)));

    uint32_t seconds = 0;
    GetDateTime(&seconds);
    DateTimeRec now{};
    GetTime(&now);
    Log("GetDateTime: %lu seconds since 1904, %04d-%02d-%02d %02d:%02d", static_cast<unsigned long>(seconds), now.year,
        now.month, now.day, now.hour, now.minute);

    Log("ZEL_SystemValue: sub-allocation threshold %lu, character conversion %lu",
        static_cast<unsigned long>(ZEL_SystemValue(0, 15, 0)), static_cast<unsigned long>(ZEL_SystemValue(0, 24, 0)));

    gOriginalButton = NGetTrapAddress(_Button, ToolTrap);
    NSetTrapAddress(reinterpret_cast<UniversalProcPtr>(CountingButton), _Button, ToolTrap);
    Button();
    Button();
    NSetTrapAddress(gOriginalButton, _Button, ToolTrap);
    Button();
    Log("a patch on Button saw %d calls; restored, it sees no more", gButtonCalls);
}

// QuickDraw at work on a colour port whose pixels live in a DIB section: pen sizes, colours, modes and
// patterns, as Mac drawing code uses them.
void ExerciseQuickDraw()
{
    InitGraf(&qd.thePort);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kDrawingWidth;
    bi.bmiHeader.biHeight = -kDrawingHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    gDrawingDC = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(gDrawingDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(gDrawingDC, dib);
    RECT all = {0, 0, kDrawingWidth, kDrawingHeight};
    FillRect(gDrawingDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    // A colour port draws into the DIB section by taking its DC in place of its own for as long as it
    // is current. Swapping with kind 2 sets the baseline text alignment QuickDraw draws with (kind 0
    // would leave the DC's top alignment, and text would hang below its pen position); swapping back
    // with kind 0 gives the DC its own alignment again.
    static CGrafPort port;
    OpenCPort(&port);
    SetPort(reinterpret_cast<GrafPtr>(&port));
    HDC portDC = ZEL_SwaphDC(gDrawingDC, 2);
    const RGBColor colours[] = {{0xFFFF, 0, 0}, {0, 0x8000, 0}, {0, 0, 0xFFFF}, {0, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        RGBForeColor(&colours[i]);
        PenSize(static_cast<int16_t>(1 + 2 * i), static_cast<int16_t>(1 + i));
        MoveTo(static_cast<int16_t>(10 + 60 * i), 10);
        LineTo(static_cast<int16_t>(50 + 60 * i), 95);
    }
    RGBForeColor(&colours[3]);
    PenSize(12, 12);
    const Pattern *patterns[] = {&qd.black, &qd.dkGray, &qd.gray, &qd.ltGray};
    for (int i = 0; i < 4; ++i) {
        PenPat(patterns[i]);
        MoveTo(520, static_cast<int16_t>(10 + 24 * i));
        LineTo(580, static_cast<int16_t>(10 + 24 * i));
    }
    PenPat(&qd.black);
    PenNormal();

    // Rectangles and a region: a framed box, a painted one in a pattern, an inverted stripe across
    // both, and the difference of two rectangles filled with dark gray.
    Rect frame{12, 300, 98, 380}, painted{24, 312, 86, 368}, stripe{50, 290, 60, 460};
    PenSize(2, 2);
    FrameRect(&frame);
    PenNormal();
    PenPat(&qd.ltGray);
    PaintRect(&painted);
    PenPat(&qd.black);
    RgnHandle outer = NewRgn(), inner = NewRgn();
    SetRectRgn(outer, 400, 12, 500, 98);
    SetRectRgn(inner, 425, 37, 475, 73);
    DiffRgn(outer, inner, outer);
    FillRgn(outer, &qd.dkGray);
    InvertRect(&stripe);
    DisposeRgn(inner);
    DisposeRgn(outer);

    // Colour patterns, an oval and a polygon: three RGB patterns filled side by side, an oval painted in
    // a pixel pattern and a framed triangle.
    const RGBColor swatches[] = {{0xFFFF, 0x8000, 0}, {0, 0x8000, 0x8000}, {0x8000, 0, 0xC000}};
    PixPatHandle rgbPat = NewPixPat();
    for (int i = 0; i < 3; ++i) {
        Rect swatch{12, static_cast<int16_t>(630 + 34 * i), 46, static_cast<int16_t>(660 + 34 * i)};
        MakeRGBPat(rgbPat, &swatches[i]);
        FillCRect(&swatch, rgbPat);
    }
    // The oval in a 16 x 16 pixel pattern of the standard colours: rings of four entries around the
    // tile's centre.
    Rect oval{56, 630, 98, 730};
    PixPatHandle rings = NewPixPat();
    if (rings) {
        PixMap &map = **(*rings)->patMap;
        map.rowBytes = static_cast<int16_t>(0x8000 | 16);
        map.bounds = Rect{0, 0, 16, 16};
        map.pixelType = 0;
        map.pixelSize = 8;
        map.cmpCount = 1;
        map.cmpSize = 8;
        if (map.pmTable)
            DisposeCTable(map.pmTable);
        map.pmTable = GetCTable(8);
        SetHandleSize((*rings)->patData, 16 * 16);
        const uint8_t ringColours[4] = {5, 35, 180, 215};
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int ring = std::max(std::abs(2 * x - 15), std::abs(2 * y - 15)) / 4;
                (*(*rings)->patData)[y * 16 + x] = static_cast<char>(ringColours[ring]);
            }
        (*rings)->patType = 1;
        PenPixPat(rings);
    }
    PaintOval(&oval);
    // The port disposes its pen pattern when it closes: it gets one of its own back.
    PenPixPat(NewPixPat());
    PenNormal();
    if (rings)
        DisposePixPat(rings);
    RGBForeColor(&colours[3]);
    PolyHandle triangle = OpenPoly();
    MoveTo(760, 96);
    LineTo(810, 14);
    LineTo(860, 96);
    LineTo(760, 96);
    ClosePoly();
    PenSize(3, 3);
    FramePoly(triangle);
    PenNormal();
    KillPoly(triangle);
    DisposePixPat(rgbPat);

    // A line of text along the bottom: the application font in bold, then in italic, srcOr over white.
    RGBForeColor(&colours[3]);
    TextFont(1);
    TextSize(10);
    TextFace(bold);
    MoveT(12, 111);
    DrawString(reinterpret_cast<const unsigned char *>("\x1B" "Macintosh text on Windows: "));
    TextFace(italic);
    DrawString(reinterpret_cast<const unsigned char *>("\x22" "DrawString in the application font"));
    TextFace(0);

    // An offscreen image: a 32-bit PixMap over rows of the host's own, copied onto the port at its size
    // and enlarged twice.
    constexpr int kImageWidth = 96, kImageHeight = 16;
    static uint32_t rows[kImageHeight][kImageWidth];
    for (int y = 0; y < kImageHeight; ++y)
        for (int x = 0; x < kImageWidth; ++x)
            rows[y][x] = static_cast<uint32_t>((255 - x * 255 / kImageWidth) << 16 | (y * 16) << 8 | x * 255 / kImageWidth);
    PixMap image{};
    image.baseAddr = reinterpret_cast<Ptr>(rows);
    image.rowBytes = static_cast<int16_t>(0x8000 | 4 * kImageWidth);
    image.bounds = {0, 0, kImageHeight, kImageWidth};
    image.pixelType = 16;
    image.pixelSize = 32;
    image.cmpCount = 3;
    image.cmpSize = 8;
    const BitMap *imageBits = reinterpret_cast<const BitMap *>(&image);
    Rect atSize{124, 12, 124 + kImageHeight, 12 + kImageWidth};
    Rect enlarged{124, 130, 124 + 2 * kImageHeight, 130 + 2 * kImageWidth};
    CopyBits(imageBits, &reinterpret_cast<GrafPtr>(&port)->portBits, &image.bounds, &atSize, srcCopy, nullptr);
    CopyBits(imageBits, &reinterpret_cast<GrafPtr>(&port)->portBits, &image.bounds, &enlarged, srcCopy, nullptr);

    // A GWorld: an oval and a frame drawn offscreen, then copied onto the port beside the image.
    GWorldPtr world = nullptr;
    const Rect worldBounds{0, 0, 32, 64};
    if (NewGWorld(&world, 32, &worldBounds, nullptr, nullptr, 0) == noErr) {
        CGrafPtr savedPort;
        GDHandle savedDevice;
        GetGWorld(&savedPort, &savedDevice);
        SetGWorld(world, nullptr);
        EraseRect(&worldBounds);
        const Rect worldOval{4, 4, 28, 60};
        RGBForeColor(&swatches[0]);
        PaintOval(&worldOval);
        RGBForeColor(&colours[3]);
        FrameRect(&worldBounds);
        SetGWorld(savedPort, savedDevice);
        Rect placed{124, 340, 156, 404};
        CopyBits(reinterpret_cast<const BitMap *>(*GetGWorldPixMap(world)),
                 &reinterpret_cast<GrafPtr>(&port)->portBits, &worldBounds, &placed, srcCopy, nullptr);
        DisposeGWorld(world);
    }

    // An icon: 32 x 32 one-bit rows built here, a frame around a diamond, plotted beside the GWorld.
    if (Handle icon = NewHandleClear(128)) {
        auto *rows = reinterpret_cast<uint8_t *>(*icon);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int dx = x < 16 ? 15 - x : x - 16, dy = y < 16 ? 15 - y : y - 16;
                if (x == 0 || y == 0 || x == 31 || y == 31 || dx + dy == 10 || dx + dy == 11)
                    rows[y * 4 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        Rect iconRect{124, 420, 156, 452};
        PlotIcon(&iconRect, icon);
        DisposeHandle(icon);
    }

    // A picture: shapes, a line, text and a small offscreen image recorded (nothing is drawn while the
    // picture is open), then played back at its size and enlarged one and a half times.
    Rect pictFrame{0, 0, 30, 80};
    PicHandle picture = OpenPicture(&pictFrame);
    Rect box{2, 2, 28, 40};
    RGBForeColor(&swatches[0]);
    PaintRoundRect(&box, 12, 10);
    RGBForeColor(&colours[2]);
    PenSize(2, 2);
    Rect ring{4, 44, 26, 78};
    FrameOval(&ring);
    PenNormal();
    RGBForeColor(&colours[3]);
    MoveTo(6, 24);
    LineTo(36, 6);
    TextFont(1);
    TextSize(9);
    MoveTo(48, 19);
    DrawString(reinterpret_cast<const unsigned char *>("\x04" "PICT"));
    Rect strip{26, 44, 29, 78};
    CopyBits(imageBits, &reinterpret_cast<GrafPtr>(&port)->portBits, &image.bounds, &strip, srcCopy, nullptr);
    ClosePicture();
    Rect played{124, 480, 154, 560}, playedLarge{118, 580, 163, 700};
    DrawPicture(picture, &played);
    DrawPicture(picture, &playedLarge);
    KillPicture(picture);
    ZEL_SwaphDC(portDC, 0);
    SetPort(qd.thePort);
    CloseCPort(&port);
    Log("QuickDraw: lines, rectangles, a region, patterns, an oval, a polygon, text, an offscreen image, a GWorld, an icon and a recorded picture played back (below)");
}

// Two library windows over the main window, to the right of the log: a zoomable document window with a
// Windows frame and a resizable window in the Macintosh-style frame.
WindowPtr gDocument, gFramed;
TEHandle gField; // the document's TextEdit field

void ExerciseWindows()
{
    InitWindows();
    Str255 title;
    Rect document{20, 650, 200, 890};
    ZEL_CopyCtoP("Document", title);
    WindowPtr doc = NewCWindow(nullptr, &document, title, TRUE, zoomDocProc, reinterpret_cast<WindowPtr>(-1), TRUE, 0);
    Rect framed{225, 650, 365, 890};
    ZEL_CopyCtoP("Macintosh frame", title);
    WindowPtr mac = NewCWindow(nullptr, &framed, title, TRUE, 726, reinterpret_cast<WindowPtr>(-1), TRUE, 0);
    Log("NewCWindow made a document window (%s) and a Macintosh-framed one (%s) over the main window",
        doc ? "made" : "failed", mac ? "made" : "failed");
    gDocument = doc;
    gFramed = mac;

    // A TextEdit field fills the document: the keys typed in the event loop go to it.
    if (doc) {
        SetPort(doc);
        TextFont(1);
        TextSize(12);
        TEInit();
        Rect field{14, 14, 166, 226};
        gField = TENew(&field, &field);
        static const char text[] = "A TextEdit field: this paragraph wraps inside the document window.\r"
                                   "Keys typed in the event loop go here: ";
        TESetText(text, sizeof text - 1, gField);
        TESetSelect(sizeof text - 1, sizeof text - 1, gField);
        TEActivate(gField);
        Log("TENew: a field of %d lines, %d characters, line height %d", (**gField).nLines, (**gField).teLength,
            (**gField).lineHeight);
        SetPort(qd.thePort);
    }
}

// A modeless dialog, built from an item list as a program's 'DITL' would give it: a static text with a
// ParamText substitution, an edit field, a check box, two radio buttons and OK/Cancel buttons. Its events
// go through IsDialogEvent and DialogSelect in the event loop.
DialogPtr gDialog;

void AppendItem(std::vector<uint8_t> &list, Rect r, uint8_t type, const char *text)
{
    const size_t at = list.size();
    const size_t length = std::strlen(text);
    list.resize(at + 14);
    std::memcpy(&list[at + 4], &r, sizeof r);
    list[at + 12] = type;
    list[at + 13] = static_cast<uint8_t>(length);
    list.insert(list.end(), text, text + length);
    if (length & 1)
        list.push_back(0);
}

// The dialog's user item: a swatch the program draws itself whenever the item needs drawing.
void ZEL_CALL DrawSwatch(DialogPtr dialog, int16_t item)
{
    int16_t type;
    Handle handle;
    Rect box;
    GetDialogItem(dialog, item, &type, &handle, &box);
    const RGBColor teal{0, 0x8000, 0x8000};
    RGBForeColor(&teal);
    PaintRect(&box);
    ForeColor(blackColor);
    FrameRect(&box);
}

// The dialog's picture: recorded here as a program would read it from a 'PICT' resource.
PicHandle MakeDialogPicture()
{
    const Rect frame{0, 0, 40, 70};
    PicHandle picture = OpenPicture(&frame);
    const RGBColor sky{0x9999, 0xCCCC, 0xFFFF}, sun{0xFFFF, 0xCC00, 0};
    RGBForeColor(&sky);
    PaintRect(&frame);
    RGBForeColor(&sun);
    const Rect disc{6, 44, 22, 60};
    PaintOval(&disc);
    ForeColor(blackColor);
    MoveTo(0, 34);
    LineTo(20, 22);
    LineTo(40, 30);
    LineTo(69, 18);
    FrameRect(&frame);
    ClosePicture();
    return picture;
}

void ExerciseDialogs()
{
    std::vector<uint8_t> list(2);
    AppendItem(list, Rect{120, 150, 140, 220}, ctrlItem + btnCtrl, "OK");
    AppendItem(list, Rect{120, 70, 140, 140}, ctrlItem + btnCtrl, "Cancel");
    AppendItem(list, Rect{10, 10, 26, 230}, statText, "Name of the ^0:");
    AppendItem(list, Rect{32, 10, 48, 220}, editText, "Untitled");
    AppendItem(list, Rect{60, 10, 76, 200}, ctrlItem + chkCtrl, "Keep a backup");
    AppendItem(list, Rect{84, 10, 100, 110}, ctrlItem + radCtrl, "Text");
    AppendItem(list, Rect{84, 120, 100, 220}, ctrlItem + radCtrl, "Picture");
    AppendItem(list, Rect{10, 240, 50, 310}, picItem, "");
    AppendItem(list, Rect{60, 240, 100, 310}, userItem, "");
    const int16_t storedCount = 8;
    std::memcpy(list.data(), &storedCount, 2);
    Handle items = NewHandle(static_cast<Size>(list.size()));
    std::memcpy(*items, list.data(), list.size());
    Str255 word;
    ParamText(ZEL_CopyCtoP("document", word), nullptr, nullptr, nullptr);
    Rect bounds{140, 290, 290, 610};
    Str255 title;
    gDialog = NewDialog(nullptr, &bounds, ZEL_CopyCtoP("Save As", title), TRUE, movableDBoxProc,
                        reinterpret_cast<WindowPtr>(-1), FALSE, 0, items);
    if (gDialog) {
        int16_t type;
        Handle check;
        Rect box;
        GetDialogItem(gDialog, 5, &type, &check, &box);
        SetControlValue(reinterpret_cast<ControlHandle>(check), 1);
        GetDialogItem(gDialog, 6, &type, &check, &box);
        SetControlValue(reinterpret_cast<ControlHandle>(check), 1);
        GrafPtr saved;
        GetPort(&saved);
        SetPort(gDialog);
        GetDialogItem(gDialog, 8, &type, &check, &box);
        SetDialogItem(gDialog, 8, picItem, reinterpret_cast<Handle>(MakeDialogPicture()), &box);
        SetPort(saved);
        GetDialogItem(gDialog, 9, &type, &check, &box);
        SetDialogItem(gDialog, 9, userItem, reinterpret_cast<Handle>(&DrawSwatch), &box);
        DrawDialog(gDialog);
    }
    Log("NewDialog: a modeless dialog of %d items (static text, edit field, check box, radio buttons, buttons, "
        "a picture and a user item the program draws)",
        gDialog ? CountDITL(gDialog) : 0);
    // The document stays the front window: the keys typed below are the document's.
    SelectWindow(gDocument);
    SetFocus(ZEL_GethWnd(gDocument));
}

// The menu bar: the Apple, File and Edit menus of a Macintosh program, read from the application's
// resource fork. With Apple-menu folding on (the library's default) the Apple menu's first item shows as
// the last item of the host's own Help menu.
enum { kAppleMenu = 1, kFileMenu = 128, kEditMenu = 129, kFileQuit = 4, kEditCopy = 4 };

void ExerciseMenus()
{
    InitMenus();
    int made = 0;
    for (int16_t id : {kAppleMenu, kFileMenu, kEditMenu})
        if (MenuHandle menu = GetMenu(id)) {
            InsertMenu(menu, 0);
            ++made;
        }
    DrawMenuBar();
    Log("InitMenus, GetMenu and InsertMenu: a bar of %d menus from the resource fork; MenuKey('Q') = 0x%08lX", made,
        static_cast<unsigned long>(MenuKey('q')));
}

// Menu choices made with the keyboard, as a user would: Alt, a title's mnemonic, arrows and Return.
void SendMenuKeys(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> inputs;
    for (WORD vk : keys)
        for (DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = up;
            inputs.push_back(in);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Draws a window's content: a framed box and a diagonal in the document, stripes in the framed one.
void DrawWindowContent(WindowPtr window)
{
    SetPort(window);
    Rect r = window->portRect;
    EraseRect(&r);
    if (window == gDocument) {
        r.top += 10;
        r.left += 10;
        r.bottom -= 10;
        r.right -= 10;
        PenSize(2, 2);
        FrameRect(&r);
        PenNormal();
        if (gField)
            TEUpdate(&window->portRect, gField);
    } else {
        for (int16_t y = 8; y < r.bottom; y += 16) {
            Rect stripe{y, 8, static_cast<int16_t>(y + 8), static_cast<int16_t>(r.right - 8)};
            PaintRect(&stripe);
        }
    }
}

// The application's 'oapp' handler: the library sends it on the first event call.
OSErr ZEL_CALL HandleOpenApplication(const AppleEvent *, AppleEvent *, int32_t)
{
    Log("'oapp' AppleEvent: the application was opened");
    return 0;
}

// Into the loop, the scripted user types K, copies (Edit > Copy), then quits (File > Quit) through the
// menus.
void CALLBACK ChooseFromMenus(HWND, UINT, UINT_PTR id, DWORD)
{
    static int step;
    switch (step++) {
    case 0:
        SendMenuKeys({'K'});
        break;
    case 1:
        SendMenuKeys({VK_MENU, 'E', VK_DOWN, VK_DOWN, VK_RETURN}); // Undo is disabled: Cut, then Copy
        break;
    default:
        KillTimer(nullptr, id);
        SendMenuKeys({VK_MENU, 'F', VK_DOWN, VK_DOWN, VK_RETURN}); // New, Open..., Quit
        break;
    }
}

// The event loop of a Macintosh program: the windows are drawn only in answer to their update events,
// and the loop ends when the Quit choice arrives.
void RunEventLoop()
{
    // Scripted input: the document window, behind the framed one, dragged by its caption, the whole
    // gesture queued at once so that Windows' caption loop ends on its own.
    RECT frame;
    GetWindowRect(ZEL_GethWnd(gDocument), &frame);
    SetCursorPos(frame.left + 60, frame.top + 4 + GetSystemMetrics(SM_CYCAPTION) / 2);
    INPUT gesture[4] = {};
    for (INPUT &in : gesture)
        in.type = INPUT_MOUSE;
    gesture[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    gesture[1].mi.dwFlags = MOUSEEVENTF_MOVE;
    gesture[1].mi.dx = -30;
    gesture[1].mi.dy = 20;
    gesture[2].mi.dwFlags = MOUSEEVENTF_MOVE;
    gesture[2].mi.dx = -30;
    gesture[2].mi.dy = 20;
    gesture[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(4, gesture, sizeof(INPUT));

    AEInstallEventHandler(kCoreEventClass, kAEOpenApplication, HandleOpenApplication, 0, false);
    SetTimer(nullptr, 0, 700, ChooseFromMenus);
    int updates = 0, activates = 0;
    bool quit = false;
    EventRecord event;
    for (int pass = 0; pass < 400 && !quit; ++pass) {
        if (gField)
            TEIdle(gField);
        const bool got = WaitNextEvent(everyEvent, &event, 6, nullptr);
        // The modeless dialog takes its own events (its first one brings its items into view); the keys
        // typed here are the document's.
        if (event.what != keyDown && event.what != autoKey && IsDialogEvent(&event)) {
            DialogPtr which = nullptr;
            int16_t item = 0;
            if (DialogSelect(&event, &which, &item) && item > 0 && event.what != keyDown)
                Log("DialogSelect: item %d of the dialog was hit", item);
            continue;
        }
        if (!got)
            continue;
        switch (event.what) {
        case mouseDown: {
            // Windows moved the window already; the application finishes the drag the Macintosh way.
            WindowPtr window = nullptr;
            int16_t part = FindWindow(event.where, &window);
            if (part == inMenuBar) {
                const int32_t choice = MenuSelect(event.where);
                const int16_t menu = static_cast<int16_t>(choice >> 16), item = static_cast<int16_t>(choice);
                Log("FindWindow: a menu-bar click; MenuSelect = menu %d, item %d%s", menu, item,
                    menu == kEditMenu && item == kEditCopy ? " (Edit > Copy)"
                    : menu == kFileMenu && item == kFileQuit ? " (File > Quit ends the event loop)" : "");
                HiliteMenu(0);
                if (gField && menu == kEditMenu && item == kEditCopy) {
                    TESetSelect(0, 10, gField);
                    TECopy(gField);
                    Log("TECopy: %d characters of the field to the scrap", LMGetTEScrpLength());
                }
                quit = menu == kFileMenu && item == kFileQuit;
            } else if (part == inDrag) {
                Rect limit{0, 0, 2000, 2000};
                DragWindow(window, event.where, &limit);
                Log("FindWindow: a drag of \"%s\" finished by DragWindow", window == gDocument ? "Document" : "Macintosh frame");
            } else if (part == inContent && window != FrontWindow()) {
                SelectWindow(window);
            }
            break;
        }
        case updateEvt: {
            WindowPtr window = reinterpret_cast<WindowPtr>(event.message);
            BeginUpdate(window);
            DrawWindowContent(window);
            EndUpdate(window);
            ++updates;
            break;
        }
        case keyDown:
            if (gField)
                TEKey(static_cast<int16_t>(event.message & charCodeMask), gField);
            Log("keyDown: '%c' (key code 0x%02X) reached the event loop",
                static_cast<char>(event.message & charCodeMask), static_cast<unsigned>((event.message & keyCodeMask) >> 8));
            break;
        case activateEvt:
            ++activates;
            break;
        }
    }
    SetPort(qd.thePort);
    Log("the event loop answered %d update and %d activate events", updates, activates);
}

// Copies each visible pop-up the window owns (the dialog) over the window's picture, where it lies.
struct PopUpCopy {
    HWND owner;
    HDC into;
    RECT frame;
};
BOOL CALLBACK CopyOwnedPopUp(HWND popUp, LPARAM param)
{
    auto *copy = reinterpret_cast<PopUpCopy *>(param);
    if (popUp == copy->owner || GetWindow(popUp, GW_OWNER) != copy->owner || !IsWindowVisible(popUp))
        return TRUE;
    RECT p;
    GetWindowRect(popUp, &p);
    HDC dc = GetWindowDC(popUp);
    BitBlt(copy->into, p.left - copy->frame.left, p.top - copy->frame.top, p.right - p.left, p.bottom - p.top, dc, 0, 0,
           SRCCOPY);
    ReleaseDC(popUp, dc);
    return TRUE;
}

// Saves the whole window, frame and menu bar included, with the pop-ups it owns over it, as a 24-bit BMP.
void SaveWindowBitmap(HWND hwnd, const char *path)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC windowDc = GetWindowDC(hwnd);
    HDC memDc = CreateCompatibleDC(windowDc);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memDc, dib);
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    BitBlt(memDc, 0, 0, w, h, windowDc, 0, 0, SRCCOPY);
    PopUpCopy copy{hwnd, memDc, r};
    EnumThreadWindows(GetCurrentThreadId(), CopyOwnedPopUp, reinterpret_cast<LPARAM>(&copy));
    GdiFlush();
    DWORD rowBytes = ((w * 3) + 3) & ~3u;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + rowBytes * h;
    if (FILE *f = std::fopen(path, "wb")) {
        std::fwrite(&fh, sizeof fh, 1, f);
        std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
        std::fwrite(bits, rowBytes, h, f);
        std::fclose(f);
    }
    SelectObject(memDc, old);
    DeleteObject(dib);
    DeleteDC(memDc);
    ReleaseDC(hwnd, windowDc);
}

} // namespace

int main(int argc, char **argv)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterHostClasses(instance, MainWndProc, 0);
    // The host's own frame menu: a Help menu, whose last item the folded Apple menu takes over.
    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, 0xF100, "&Contents");
    AppendMenuA(help, MF_STRING, 0xF101, "About");
    HMENU frameMenu = CreateMenu();
    AppendMenuA(frameMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    HWND main = CreateWindowA("ZELMainWndClass", "TOLVADEX sample host", WS_OVERLAPPEDWINDOW, 20, 20, 920, 540,
                              nullptr, frameMenu, instance, nullptr);

    // The library's session over the main window, its low-memory globals and the application's resources:
    // InitResources opens sample_host.RSR beside the program.
    OpenHostSession(instance, main, nullptr, zelFlagRawCallbacks | zelFlagSilentDebugStr);
    const SessionParamBlock &session = HostSession().block;
    Log("ZEL_InitSession: initialised=%u, flags=0x%06X (three-D look %s)", session.initialised,
        session.sessionFlags, (session.sessionFlags & zelFlagThreeD) ? "on" : "off");
    Log("window classes: %s, %s, %s; system resource file %s", session.mainWindowClass, session.subWindowClass,
        session.mdiSubWindowClass, session.resourceFileName[0] ? session.resourceFileName : "(none)");
    Log("ZEL_InitGlobals: %d; menu bar height %d, ticks %lu, scrap count %d", HostSession().globalsResult,
        LMGetMBarHeight(), static_cast<unsigned long>(LMGetTicks()), ScrapInfo.scrapCount);
    Log("InitResources: the application's resource fork is file %d (ResError %d)", HostSession().appResFile,
        ResError());
    // As on a Macintosh: DrawPicture gives the port its pen, text and colours back afterwards, and colour
    // icons are drawn through their masks.
    ZEL_AllowPictStatePush(1);
    ZEL_SetFlags(0, 0, 0x80, 0x80);
    char path[256];
    ZEL_MakeAppPathName(path, "ZELPORT.INI");
    Log("ZEL_MakeAppPathName(\"ZELPORT.INI\") = %s", path);

    ExerciseMemory();
    ExerciseOSServices();
    ExerciseQuickDraw();
    // The library's windows show inside the main window: it is shown before they are made.
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    ExerciseWindows();
    ExerciseDialogs();
    ExerciseMenus();
    RunEventLoop();
    MSG msg;
    for (int i = 0; i < 50 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
        DispatchMessageA(&msg);
    if (argc > 1) {
        SaveWindowBitmap(main, argv[1]);
        Log("saved %s", argv[1]);
    }

    ZEL_ExitSession();
    Log("ZEL_ExitSession: done");
    DestroyWindow(main);
    return 0;
}
