// What the tests of the classic programs share: resources written in the fork's byte order as a
// Macintosh resource editor saves them, and a user's hands on the running program (its windows found
// by title, pixels read from the screen, keys and clicks sent as real input).
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fork_layout.h"

namespace program_driver {

using fork_layout::Bytes;

// Big-endian words, as resources made on a Macintosh hold them.
void Words(Bytes &b, std::initializer_list<int> words);
// A Pascal string, optionally padded to an even length.
void PascalString(Bytes &b, const std::string &text, bool pad = false);

// A 'MENU': ID, title and items (text and key equivalent), all enabled.
Bytes MenuResource(int16_t id, const std::string &title, const std::vector<std::pair<std::string, char>> &items);

// A version 2 'PICT' of frame (0, 0, 20, 20): the frame painted blue, then its middle (5, 5, 15, 15) black.
Bytes PictureResource();

// A 16 x 16 'cicn' of `depth`-bit pixels: its mask and one-bit icon rows (a word each, by row), its
// colour table's entries (value, red, green, blue each) and its pixel rows as stored.
Bytes ColourIconResource(int depth, int (*maskRow)(int row), int (*iconRow)(int row),
                         std::initializer_list<int> tableWords, const Bytes &pixelRows);

// A 'DITL' of items: rectangle, type and data (the text, or an icon's or picture's two-byte ID).
struct Item {
    int top, left, bottom, right, type;
    std::string text;
};
Bytes ItemListResource(const std::vector<Item> &items);

// A modal 'DLOG' (dBoxProc) of a rectangle, hidden, naming its item list, with a title.
Bytes DialogResource(int top, int left, int bottom, int right, int16_t items, const std::string &title);

// The data of an icon or picture item naming resource `id`.
std::string ResourceIDData(int16_t id);

// A visible window of the process (top-level or child) by its title; nullptr when there is none.
HWND FindProgramWindow(DWORD process, const char *title);

// A pixel of a window's client area as the screen shows it.
COLORREF ScreenPixel(HWND hwnd, int x, int y);
bool IsDark(COLORREF c);
// Whether any pixel of a client rectangle (right and bottom excluded) is dark.
bool AnyDarkPixel(HWND hwnd, int left, int top, int right, int bottom);
// Waits (a few seconds at most) for a client pixel to show a colour.
bool WaitForPixel(HWND hwnd, int x, int y, COLORREF colour);

// A window's client area as the screen shows it, read once.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd);
    // The pixel at a client point; CLR_INVALID outside the client area.
    COLORREF At(int x, int y) const;
    // Whether any pixel of the rectangle (right and bottom excluded) passes the test.
    template <typename Test> bool Any(int left, int top, int right, int bottom, Test test) const
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (test(At(x, y)))
                    return true;
        return false;
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Each key pressed and released, with the modifier (0 for none) held around them all.
void SendKeys(std::initializer_list<WORD> keys, WORD modifier = 0);
// Presses and releases the left button at a client point: once, or twice for a double click.
void ClickAt(HWND hwnd, int x, int y, int clicks = 1);
// Presses at one client point, moves to another and releases: queued at once, or with a pause after
// each step (a loop of Windows's own, such as a scroll bar's thumb, then sees every step).
void DragFromTo(HWND hwnd, int x, int y, int toX, int toY, DWORD pause = 0);

// Ends the test process after a minute, so that a program that never answers cannot hang the run: it
// says which step it was at, ends the program it started, then itself.
void StartWatchdog();
// Names the step the test is at, for the watchdog's message.
void Step(const char *what);

// Writes the fork beside the program, starts it in its folder and waits until the windows of the given
// titles show; false (and the process ended) when it dies or they never come.
struct Program {
    PROCESS_INFORMATION pi{};
    bool Start(const std::string &dir, const std::string &exe, const std::vector<const char *> &titles);
    HWND Window(const char *title) const { return FindProgramWindow(pi.dwProcessId, title); }
    // Waits (a few seconds at most) for a window of the title to show, or to be gone.
    HWND WaitForWindow(const char *title) const;
    bool WaitForWindowGone(const char *title) const;
    // A visible edit field of the program holding a text (nullptr when there is none), and the waits
    // for one to show or to be gone.
    HWND Field(const char *text) const;
    HWND WaitForField(const char *text) const;
    bool WaitForFieldGone(const char *text) const;
    // Waits for the program to end by itself; its exit code, or -1 when it had to be stopped.
    long WaitForExit(DWORD milliseconds);
    // A program still running when the test gives up is stopped: it shares the test's output, and ctest
    // waits for that to close.
    ~Program();
};

} // namespace program_driver
