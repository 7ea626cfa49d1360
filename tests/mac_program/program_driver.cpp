#include "program_driver.h"

#include "test_support.h"

#include <cstdio>

namespace program_driver {

void Words(Bytes &b, std::initializer_list<int> words)
{
    for (int w : words) {
        b.push_back(static_cast<uint8_t>(w >> 8));
        b.push_back(static_cast<uint8_t>(w));
    }
}

void PascalString(Bytes &b, const std::string &text, bool pad)
{
    b.push_back(static_cast<uint8_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    if (pad && (text.size() & 1) == 0)
        b.push_back(0);
}

Bytes MenuResource(int16_t id, const std::string &title, const std::vector<std::pair<std::string, char>> &items)
{
    Bytes b(14, 0);
    fork_layout::Put16(b, 0, static_cast<uint16_t>(id));
    fork_layout::Put32(b, 10, 0xFFFFFFFFu);
    PascalString(b, title);
    for (const auto &[text, key] : items) {
        PascalString(b, text);
        b.insert(b.end(), {0, static_cast<uint8_t>(key), 0, 0});
    }
    b.push_back(0);
    return b;
}

Bytes PictureResource()
{
    Bytes b;
    Words(b, {0, 0, 0, 20, 20});                          // size (set below), frame
    Words(b, {0x0011, 0x02FF});                           // version 2
    Words(b, {0x0C00, 0xFFFE, 0, 0x48, 0, 0x48, 0, 0, 0, 20, 20, 0, 0}); // extended header
    Words(b, {0x001E});                                   // DefHilite
    Words(b, {0x0001, 10, 0, 0, 20, 20});                 // Clip
    Words(b, {0x001A, 0, 0, 0xFFFF, 0x0031, 0, 0, 20, 20}); // RGBFgCol blue, paintRect
    Words(b, {0x001A, 0, 0, 0, 0x0031, 5, 5, 15, 15});     // RGBFgCol black, paintRect
    Words(b, {0x00FF});
    b[0] = static_cast<uint8_t>(b.size() >> 8);
    b[1] = static_cast<uint8_t>(b.size());
    return b;
}

Bytes ColourIconResource(int depth, int (*maskRow)(int row), int (*iconRow)(int row),
                         std::initializer_list<int> tableWords, const Bytes &pixelRows)
{
    Bytes b;
    // PixMap: baseAddr, rowBytes, bounds, version, packType, packSize, resolutions, pixelType, pixelSize,
    // cmpCount, cmpSize, planeBytes, pmTable, pmReserved.
    Words(b, {0, 0, 0x8000 | 2 * depth, 0, 0, 16, 16, 0, 0, 0, 0, 0x48, 0, 0x48, 0, 0, depth, 1, depth, 0, 0, 0, 0, 0, 0});
    Words(b, {0, 0, 2, 0, 0, 16, 16}); // mask BitMap
    Words(b, {0, 0, 2, 0, 0, 16, 16}); // one-bit icon BitMap
    Words(b, {0, 0});                  // iconData
    for (int row = 0; row < 16; ++row)
        Words(b, {maskRow(row)});
    for (int row = 0; row < 16; ++row)
        Words(b, {iconRow(row)});
    const int entries = static_cast<int>(tableWords.size()) / 4;
    Words(b, {0, 0, 0, entries - 1}); // ctSeed, ctFlags, ctSize
    Words(b, tableWords);
    b.insert(b.end(), pixelRows.begin(), pixelRows.end());
    return b;
}

Bytes ItemListResource(const std::vector<Item> &items)
{
    Bytes b;
    Words(b, {static_cast<int>(items.size()) - 1});
    for (const Item &i : items) {
        Words(b, {0, 0, i.top, i.left, i.bottom, i.right});
        b.push_back(static_cast<uint8_t>(i.type));
        b.push_back(static_cast<uint8_t>(i.text.size()));
        b.insert(b.end(), i.text.begin(), i.text.end());
        if (i.text.size() & 1)
            b.push_back(0);
    }
    return b;
}

Bytes DialogResource(int top, int left, int bottom, int right, int16_t items, const std::string &title)
{
    Bytes b;
    Words(b, {top, left, bottom, right, 1});
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 0, 0}); // hidden, no close box, refCon
    Words(b, {items});
    PascalString(b, title);
    return b;
}

std::string ResourceIDData(int16_t id)
{
    return std::string{static_cast<char>(id >> 8), static_cast<char>(id & 0xFF)};
}

namespace {

struct FindByTitle {
    DWORD process;
    const char *title;
    bool field; // an edit control holding the text, asked of the control itself
    HWND found;
};

// A window's text: its title, or for an edit field the text the control holds (another process's edit
// control keeps no title to read).
std::string TextOf(HWND hwnd, bool field)
{
    char text[256] = {};
    if (!field) {
        GetWindowTextA(hwnd, text, sizeof text);
        return text;
    }
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    DWORD_PTR length = 0;
    if (lstrcmpiA(name, "Edit") != 0 ||
        !SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                             &length))
        return {};
    return text;
}

BOOL CALLBACK VisitWindow(HWND hwnd, LPARAM data)
{
    auto *find = reinterpret_cast<FindByTitle *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == find->process && IsWindowVisible(hwnd) && TextOf(hwnd, find->field) == find->title) {
        find->found = hwnd;
        return FALSE;
    }
    EnumChildWindows(hwnd, VisitWindow, data);
    return find->found ? FALSE : TRUE;
}

const char *volatile sStep = "start";
volatile HANDLE sProgram = nullptr;

DWORD WINAPI Watchdog(void *)
{
    Sleep(60000);
    std::fprintf(stderr, "watchdog: no end after a minute, at step: %s\n", sStep);
    std::fflush(stderr);
    if (sProgram)
        TerminateProcess(sProgram, 96);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

INPUT MouseInput(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

// An absolute move to a screen point, in the 0..65535 coordinates SendInput takes: rounded up, so that
// scaling back down lands on the pixel itself.
INPUT MoveInput(POINT p)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
    in.mi.dx = (p.x * 65536 + width - 1) / width;
    in.mi.dy = (p.y * 65536 + height - 1) / height;
    return in;
}

} // namespace

HWND FindProgramWindow(DWORD process, const char *title)
{
    FindByTitle find{process, title, false, nullptr};
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

bool IsDark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }

bool AnyDarkPixel(HWND hwnd, int left, int top, int right, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (IsDark(ScreenPixel(hwnd, x, y)))
                return true;
    return false;
}

bool WaitForPixel(HWND hwnd, int x, int y, COLORREF colour)
{
    for (int i = 0; i < 200; ++i) {
        if (ScreenPixel(hwnd, x, y) == colour)
            return true;
        Sleep(25);
    }
    return false;
}

Snapshot::Snapshot(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    width_ = client.right;
    height_ = client.bottom;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ held = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width_, height_, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto *p = static_cast<const uint32_t *>(bits);
    pixels_.assign(p, p + width_ * height_);
    SelectObject(memory, held);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF Snapshot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    const uint32_t p = pixels_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void SendKeys(std::initializer_list<WORD> keys, WORD modifier)
{
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, DWORD up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up;
        inputs.push_back(in);
    };
    if (modifier)
        key(modifier, 0);
    for (WORD vk : keys) {
        key(vk, 0);
        key(vk, KEYEVENTF_KEYUP);
    }
    if (modifier)
        key(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void ClickAt(HWND hwnd, int x, int y, int clicks)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    std::vector<INPUT> inputs{MoveInput(p)};
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(MouseInput(MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(MouseInput(MOUSEEVENTF_LEFTUP));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void DragFromTo(HWND hwnd, int x, int y, int toX, int toY, DWORD pause)
{
    POINT from{x, y}, to{toX, toY}, middle{(x + toX) / 2, (y + toY) / 2};
    ClientToScreen(hwnd, &from);
    ClientToScreen(hwnd, &middle);
    ClientToScreen(hwnd, &to);
    INPUT inputs[] = {MoveInput(from), MouseInput(MOUSEEVENTF_LEFTDOWN), MoveInput(middle), MoveInput(to)};
    if (!pause) {
        SendInput(4, inputs, sizeof(INPUT));
    } else {
        for (INPUT &in : inputs) {
            SendInput(1, &in, sizeof(INPUT));
            Sleep(pause);
        }
    }
    // The button is let go once the pointer is there: a loop that tracks the drag (Windows' own sizing
    // and moving loops) ends at the release and takes the last move it saw.
    POINT at{};
    for (int i = 0; i < 40 && GetCursorPos(&at) && (at.x != to.x || at.y != to.y); ++i)
        Sleep(25);
    Sleep(pause ? pause : 50);
    INPUT release = MouseInput(MOUSEEVENTF_LEFTUP);
    SendInput(1, &release, sizeof(INPUT));
}

void StartWatchdog() { CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr)); }

void Step(const char *what) { sStep = what; }

bool Program::Start(const std::string &dir, const std::string &exe, const std::vector<const char *> &titles)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + dir + exe + "\"";
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    sProgram = pi.hProcess;
    for (int i = 0; i < 400; ++i) {
        Sleep(25);
        bool all = true;
        for (const char *title : titles)
            all = all && Window(title);
        if (all)
            return true;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi.hProcess, &code);
        if (code != STILL_ACTIVE)
            return false;
    }
    TerminateProcess(pi.hProcess, 97);
    return false;
}

HWND Program::WaitForWindow(const char *title) const
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (HWND w = Window(title))
            return w;
    return nullptr;
}

bool Program::WaitForWindowGone(const char *title) const
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (!Window(title))
            return true;
    return false;
}

HWND Program::Field(const char *text) const
{
    FindByTitle find{pi.dwProcessId, text, true, nullptr};
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

HWND Program::WaitForField(const char *text) const
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (HWND w = Field(text))
            return w;
    return nullptr;
}

bool Program::WaitForFieldGone(const char *text) const
{
    for (int i = 0; i < 200; ++i, Sleep(25))
        if (!Field(text))
            return true;
    return false;
}

Program::~Program()
{
    if (pi.hProcess)
        WaitForExit(0);
}

long Program::WaitForExit(DWORD milliseconds)
{
    long result = -1;
    if (WaitForSingleObject(pi.hProcess, milliseconds) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result = static_cast<long>(code);
    } else {
        TerminateProcess(pi.hProcess, 98);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    sProgram = nullptr;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    pi = PROCESS_INFORMATION{};
    return result;
}

} // namespace program_driver
