// List cells against a model of their own through a seeded run of cell, row and column calls; the
// selection kept in step with the list box; searching and walking; the built-in row definition's
// pixels, LRect and LUpdate; and list clicks reaching the application through the command glue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Events.h"
#include "Lists.h"
#include "MacMemory.h"
#include "Zel.h"
#include "item_lists.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "window_host.h"

namespace {
using namespace window_tests;
using testing_support::DibPort;
using testing_support::P;

Rect MakeRect(int top, int left, int bottom, int right)
{
    return Rect{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}
HWND Box(ListHandle l) { return ZEL_GetHWNDFromListHandle(l); }
Cell C(int v, int h) { return Cell{int16_t(v), int16_t(h)}; }
void Set(ListHandle l, int v, int h, const std::string &s)
{
    LSetCell(s.data(), int16_t(s.size()), C(v, h), l);
}
std::string Get(ListHandle l, int v, int h)
{
    std::string buffer(0x7FFF, '\0');
    int16_t length = 0x7FFF;
    LGetCell(buffer.data(), &length, C(v, h), l);
    return buffer.substr(0, size_t(length));
}
std::string ItemText(HWND box, int item)
{
    const LRESULT length = SendMessageA(box, LB_GETTEXTLEN, WPARAM(item), 0);
    if (length < 0)
        return "<no item>";
    std::string text(size_t(length) + 1, '\0');
    SendMessageA(box, LB_GETTEXT, WPARAM(item), LPARAM(text.data()));
    text.resize(size_t(length));
    return text;
}

// The lists' cells as the test keeps them: length-prefixed data numbered column by column.
struct Model {
    int rows = 0, columns = 0;
    std::vector<std::string> cells; // index h * rows + v

    std::string &At(int v, int h) { return cells[size_t(h * rows + v)]; }
    int OffsetOf(int index) const
    {
        int offset = 2;
        for (int i = 0; i < index; ++i)
            offset += 2 + int(cells[size_t(i)].size());
        return offset;
    }
    // Whether a layout would put any offset past 15 bits.
    static bool Fits(const std::vector<std::string> &layout)
    {
        int offset = 2;
        for (size_t i = 0; i + 1 < layout.size(); ++i)
            offset += 2 + int(layout[i].size());
        return layout.empty() || offset <= 0x7FFF;
    }
    std::vector<std::string> WithRows(int at, int count) const
    {
        std::vector<std::string> out;
        for (int h = 0; h < columns; ++h)
            for (int v = 0; v < rows + count; ++v)
                out.push_back(v < at ? cells[size_t(h * rows + v)]
                                     : v < at + count ? std::string() : cells[size_t(h * rows + v - count)]);
        return out;
    }
    std::vector<std::string> WithColumns(int at, int count) const
    {
        std::vector<std::string> out;
        for (int h = 0; h < columns + count; ++h)
            for (int v = 0; v < rows; ++v)
                out.push_back(h < at ? cells[size_t(h * rows + v)]
                                     : h < at + count ? std::string() : cells[size_t((h - count) * rows + v)]);
        return out;
    }
    std::vector<std::string> WithoutRows(int at, int count) const
    {
        std::vector<std::string> out;
        for (int h = 0; h < columns; ++h)
            for (int v = 0; v < rows; ++v)
                if (v < at || v >= at + count)
                    out.push_back(cells[size_t(h * rows + v)]);
        return out;
    }
    std::vector<std::string> WithoutColumns(int at, int count) const
    {
        std::vector<std::string> out;
        for (int h = 0; h < columns; ++h)
            for (int v = 0; v < rows; ++v)
                if (h < at || h >= at + count)
                    out.push_back(cells[size_t(h * rows + v)]);
        return out;
    }
};

class ListCells : public testing::Test {
protected:
    void SetUp() override
    {
        window_ = MakeWindow(documentProc, 60, 60, 400, 300, "Cells");
        SetPor(window_);
        FlushEvents(everyEvent, 0);
    }
    void TearDown() override
    {
        for (ListHandle l : lists_)
            LDispose(l);
        DisposeWindow(window_);
        PumpMessages();
        FlushEvents(everyEvent, 0);
    }
    ListHandle Make(Rect bounds, Rect view = MakeRect(10, 10, 110, 160), Point cell = Point{16, 50},
                    bool horiz = false)
    {
        ListHandle l = LNew(&view, &bounds, cell, 0, window_, true, false, horiz, true);
        if (l)
            lists_.push_back(l);
        return l;
    }
    // The list and the model agree on shape, every cell's bytes and offset, the list box's items and,
    // for plain lists, the items' text.
    void ExpectAgree(ListHandle l, const Model &m, bool rowPerItem)
    {
        ASSERT_TRUE(SameRect(MakeRect(0, 0, m.rows, m.columns), (*l)->dataBounds));
        ASSERT_EQ(m.rows * m.columns - 1, (*l)->maxIndex);
        for (int h = 0; h < m.columns; ++h) {
            for (int v = 0; v < m.rows; ++v) {
                const int index = h * m.rows + v;
                int16_t offset = -1, length = -1;
                LGetCellDataLocation(&offset, &length, C(v, h), l);
                ASSERT_EQ(m.OffsetOf(index), offset) << v << "," << h;
                ASSERT_EQ(int(m.cells[size_t(index)].size()), length) << v << "," << h;
                if (length) {
                    ASSERT_EQ(m.cells[size_t(index)], Get(l, v, h)) << v << "," << h;
                }
                if (!rowPerItem) {
                    ASSERT_EQ(m.cells[size_t(index)], ItemText(Box(l), index)) << v << "," << h;
                }
            }
        }
        ASSERT_EQ(rowPerItem ? m.rows : m.rows * m.columns, SendMessageA(Box(l), LB_GETCOUNT, 0, 0));
    }
    WindowPtr window_ = nullptr;
    std::vector<ListHandle> lists_;
};

TEST_F(ListCells, SeededRunAgreesWithTheModel)
{
    for (bool rowPerItem : {false, true}) {
        SCOPED_TRACE(rowPerItem ? "row per item" : "cell per item");
        Model m;
        m.rows = 4;
        m.columns = rowPerItem ? 3 : 1;
        m.cells.assign(size_t(m.rows * m.columns), std::string());
        ListHandle l = Make(MakeRect(0, 0, m.rows, m.columns));
        ASSERT_NE(l, nullptr);
        std::mt19937 random(rowPerItem ? 1234 : 4321);
        auto pick = [&](int n) { return n > 0 ? int(random() % unsigned(n)) : 0; };
        auto text = [&] {
            std::string s(size_t(pick(9)), ' ');
            for (char &c : s)
                c = char('a' + pick(26));
            return s;
        };
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(step);
            const int what = pick(10);
            if (what < 4 && m.rows && m.columns) {
                const int v = pick(m.rows), h = pick(m.columns);
                const std::string s = text();
                if (what == 3) {
                    LAddToCell(s.data(), int16_t(s.size()), C(v, h), l);
                    m.At(v, h) += s;
                } else if (what == 2 && pick(2)) {
                    LClrCell(C(v, h), l);
                    m.At(v, h).clear();
                } else {
                    Set(l, v, h, s);
                    m.At(v, h) = s;
                }
            } else if (what == 4) {
                const int at = pick(m.rows + 1), count = 1 + pick(2);
                EXPECT_EQ(at, LAddRow(int16_t(count), int16_t(at), l)) << "rows from the middle move down";
                m.cells = m.WithRows(at, count);
                m.rows += count;
            } else if (what == 5 && m.rows) {
                const int at = pick(m.rows), count = 1 + pick(2), n = std::min(count, m.rows - at);
                LDelRow(int16_t(count), int16_t(at), l);
                m.cells = m.WithoutRows(at, n);
                m.rows -= n;
            } else if (what == 6 && (rowPerItem || m.columns < 3)) {
                const int at = pick(m.columns + 1);
                EXPECT_EQ(at, LAddColumn(1, int16_t(at), l));
                m.cells = m.WithColumns(at, 1);
                m.columns += 1;
            } else if (what == 7 && m.columns > (rowPerItem ? 2 : 1)) {
                const int at = pick(m.columns);
                LDelColumn(1, int16_t(at), l);
                m.cells = m.WithoutColumns(at, 1);
                m.columns -= 1;
            } else if (what == 8) {
                // Cells just outside dataBounds on every side hold nothing and change nothing.
                for (Cell c : {C(-1, 0), C(0, -1), C(m.rows, 0), C(0, m.columns), C(m.rows, m.columns - 1)}) {
                    LSetCell("zz", 2, c, l);
                    LAddToCell("zz", 2, c, l);
                    LClrCell(c, l);
                    int16_t offset = -1, length = -1;
                    LGetCellDataLocation(&offset, &length, c, l);
                    EXPECT_EQ(0, offset);
                    EXPECT_EQ(0, length);
                    EXPECT_EQ("", Get(l, c.v, c.h));
                }
            } else if (what == 9 && step % 40 == 9) {
                // Every row goes; the list is empty until rows come back.
                LDelRow(0, 0, l);
                m.cells.clear();
                m.rows = 0;
                EXPECT_EQ(-1, (*l)->maxIndex);
                EXPECT_EQ(0, SendMessageA(Box(l), LB_GETCOUNT, 0, 0));
                LAddRow(3, 0, l);
                m.rows = 3;
                m.cells.assign(size_t(m.rows * m.columns), std::string());
            }
            ExpectAgree(l, m, rowPerItem);
            if (HasFatalFailure())
                return;
        }

        // A short buffer takes the first bytes and says how many.
        if (m.rows && m.columns) {
            Set(l, 0, 0, "abcdefgh");
            m.At(0, 0) = "abcdefgh";
            char buffer[8] = {};
            int16_t length = 3;
            LGetCell(buffer, &length, C(0, 0), l);
            EXPECT_EQ(3, length);
            EXPECT_EQ("abc", std::string(buffer, 3));
        }
        // Growth refused at 0x7FFF: the data would push the last cell's offset past 15 bits.
        const std::string big(30000, 'x');
        Set(l, 0, 0, big);
        m.At(0, 0) = big;
        ExpectAgree(l, m, rowPerItem);
        const std::string more(4000, 'y');
        Set(l, 0, 0, big + more);
        EXPECT_EQ(-1, LAddRow(int16_t(2000), 0, l));
        ExpectAgree(l, m, rowPerItem);
        EXPECT_EQ(m.rows, LAddRow(0, int16_t(m.rows), l)) << "a count of 0 adds nothing";
        EXPECT_EQ(m.rows, LAddRow(-3, int16_t(m.rows), l));
        ExpectAgree(l, m, rowPerItem);
    }
}

// The 15-bit data limit holds for every cell, the last one included: data that would end past 0x7FFF
// are refused and the cell keeps what it had.
TEST_F(ListCells, NoCellGrowsPastTheDataLimit)
{
    struct {
        int rows;
        int firstLength; // stored in cell (0,0) first
        int v;           // the cell then set
        int length;
        bool stored;
        const char *what;
    } cases[] = {
        {2, 32000, 1, 1000, false, "the last cell would end at 33,004"},
        {2, 32000, 1, 700, true, "the last cell ends at 32,704"},
        {2, 32000, 0, 32800, false, "an earlier cell would push the last offset past 15 bits"},
        {1, 0, 0, 0x7FFD, true, "a single cell holds up to the limit"},
        {1, 0, 0, 0x7FFE, false, "and not a byte more"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ListHandle l = Make(MakeRect(0, 0, c.rows, 1));
        ASSERT_NE(l, nullptr);
        Set(l, 0, 0, std::string(size_t(c.firstLength), 'a'));
        const std::string before = Get(l, c.v, 0);
        const std::string data(size_t(c.length), 'b');
        Set(l, c.v, 0, data);
        const std::string after = Get(l, c.v, 0);
        EXPECT_EQ(after.size(), c.stored ? data.size() : before.size());
        EXPECT_TRUE(after == (c.stored ? data : before));
        EXPECT_LE(GetHandleSize(reinterpret_cast<Handle>((*l)->cells)), 0x7FFF);
    }
}

// Rows added to a one-column list, in view, above it and below it: each cell keeps its text and its
// selected bit, in the record and in the list box, and the new rows are empty and unselected.
TEST_F(ListCells, AddedRowsKeepTextAndSelectionInViewAndBelowIt)
{
    ListHandle l = Make(MakeRect(0, 0, 20, 1));
    ASSERT_NE(l, nullptr);
    std::vector<std::string> texts;
    std::vector<bool> selected;
    for (int v = 0; v < 20; ++v) {
        texts.push_back("row " + std::to_string(v));
        selected.push_back(v % 3 == 1);
        Set(l, v, 0, texts.back());
        if (selected.back())
            LSetSelect(true, C(v, 0), l);
    }
    struct Add {
        int at, count;
    };
    for (const Add add : {Add{2, 2}, Add{15, 1}, Add{23, 3}, Add{0, 1}}) {
        EXPECT_EQ(add.at, LAddRow(int16_t(add.count), int16_t(add.at), l));
        texts.insert(texts.begin() + add.at, size_t(add.count), std::string());
        selected.insert(selected.begin() + add.at, size_t(add.count), false);
        // A cell below the view changed after the rows came: shown in the list box all the same.
        const int last = int(texts.size()) - 1;
        texts[size_t(last)] = "last " + std::to_string(add.at);
        Set(l, last, 0, texts[size_t(last)]);
        for (int v = 0; v < int(texts.size()); ++v) {
            Cell c = C(v, 0);
            ASSERT_EQ(texts[size_t(v)], Get(l, v, 0)) << add.at << ": " << v;
            ASSERT_EQ(texts[size_t(v)], ItemText(Box(l), v)) << add.at << ": " << v;
            ASSERT_EQ(selected[size_t(v)], bool(LGetSelect(false, &c, l))) << add.at << ": " << v;
            ASSERT_EQ(selected[size_t(v)], SendMessageA(Box(l), LB_GETSEL, WPARAM(v), 0) > 0) << add.at << ": " << v;
        }
    }
}

// Counts the deletions a list box is sent, under the library's own procedure.
WNDPROC sBoxProc;
int sDeletions;
LRESULT CALLBACK CountDeletions(HWND h, UINT message, WPARAM w, LPARAM l)
{
    if (message == LB_DELETESTRING)
        ++sDeletions;
    return CallWindowProcA(sBoxProc, h, message, w, l);
}

TEST_F(ListCells, SelectionFollowsTheListBox)
{
    ListHandle l = Make(MakeRect(0, 0, 8, 1));
    HWND box = Box(l);
    LSetSelect(true, C(2, 0), l);
    LSetSelect(true, C(5, 0), l);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i == 2 || i == 5, SendMessageA(box, LB_GETSEL, WPARAM(i), 0) > 0) << i;
    Cell c = C(0, 0);
    EXPECT_TRUE(LGetSelect(true, &c, l));
    EXPECT_EQ(2, c.v);
    c = C(3, 0);
    EXPECT_TRUE(LGetSelect(true, &c, l));
    EXPECT_EQ(5, c.v);
    c = C(6, 0);
    EXPECT_FALSE(LGetSelect(true, &c, l));
    EXPECT_TRUE(LGetSelect(false, &(c = C(5, 0)), l));
    LSetSelect(false, C(2, 0), l);
    LSetSelect(false, C(5, 0), l);

    // Three adjacent cells and one apart: the list box loses them while inactive and gets them back.
    for (int v : {1, 2, 3, 6})
        LSetSelect(true, C(v, 0), l);
    LActivate(false, l);
    EXPECT_EQ(0, (*l)->lActive);
    EXPECT_FALSE(IsWindowEnabled(box));
    EXPECT_EQ(0, SendMessageA(box, LB_GETSELCOUNT, 0, 0));
    EXPECT_TRUE(LGetSelect(false, &(c = C(6, 0)), l)) << "the cells keep their bits";
    LActivate(true, l);
    EXPECT_TRUE(IsWindowEnabled(box));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i == 1 || i == 2 || i == 3 || i == 6, SendMessageA(box, LB_GETSEL, WPARAM(i), 0) > 0) << i;

    // Changing a cell keeps the selection; the same bytes again touch nothing.
    sBoxProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(box, GWLP_WNDPROC, LONG_PTR(CountDeletions)));
    sDeletions = 0;
    Set(l, 2, 0, "two");
    EXPECT_EQ(1, sDeletions);
    EXPECT_EQ("two", ItemText(box, 2));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(i == 1 || i == 2 || i == 3 || i == 6, SendMessageA(box, LB_GETSEL, WPARAM(i), 0) > 0) << i;
    Set(l, 2, 0, "two");
    EXPECT_EQ(1, sDeletions) << "unchanged bytes send no LB_DELETESTRING";
    SetWindowLongPtrA(box, GWLP_WNDPROC, LONG_PTR(sBoxProc));

    // A row-per-item list selects the item of the cell's row, whichever column.
    ListHandle rows = Make(MakeRect(0, 0, 5, 3), MakeRect(130, 10, 230, 160));
    for (Cell cell : {C(0, 0), C(3, 0), C(2, 1), C(4, 2)}) {
        LSetSelect(true, cell, rows);
        EXPECT_EQ(cell.v, SendMessageA(Box(rows), LB_GETCURSEL, 0, 0)) << cell.v << "," << cell.h;
        EXPECT_TRUE(LGetSelect(false, &cell, rows));
    }
}

// A list made with one selection only, whose selFlags the host clears afterwards, keeps a
// single-selection list box: nothing may size a buffer from its LB_ERR selection count.
TEST_F(ListCells, ClearedOnlyOneFlagOnASingleSelectionBox)
{
    const Boolean guarded = GuardHandleData(true);
    ZEL_LSetSelFlags(0x80);
    ListHandle l = Make(MakeRect(0, 0, 6, 1));
    ASSERT_NE(l, nullptr);
    (*l)->selFlags = 0;
    LSetSelect(true, C(1, 0), l);
    LSetSelect(true, C(4, 0), l);
    Set(l, 1, 0, "changed");
    Set(l, 3, 0, "other");
    LActivate(false, l);
    LActivate(true, l);
    GuardHandleData(guarded);
    EXPECT_EQ("changed", ItemText(Box(l), 1));
    EXPECT_EQ(1, SendMessageA(Box(l), LB_GETCURSEL, 0, 0)) << "the first selected cell";
}

// Changing a cell replaces its list-box item; every other part of the box's state stays: each item's
// selection (the changed one's too), the current item of a single-selection box, the caret and the top
// item, whether the cell is first, inside a run, between runs or last, and with drawing on or off.
TEST_F(ListCells, ChangingACellKeepsTheListBoxState)
{
    struct Case {
        const char *name;
        int32_t configuration;
        bool drawing;
        std::vector<int> selected;
        int caret;
    };
    const Case cases[] = {
        {"extended", 0, true, {0, 4, 5, 11}, 11},
        {"extended, drawing off", 0, false, {0, 4, 5, 11}, 5},
        {"single", 0x80, true, {5}, 5},
        {"single, drawing off", 0x80, false, {11}, 11},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.configuration)
            ZEL_LSetSelFlags(c.configuration);
        ListHandle l = Make(MakeRect(0, 0, 12, 1));
        ASSERT_NE(l, nullptr);
        HWND box = Box(l);
        for (int v = 0; v < 12; ++v)
            Set(l, v, 0, "cell " + std::to_string(v));
        for (int v : c.selected)
            LSetSelect(true, C(v, 0), l);
        SendMessageA(box, LB_SETCARETINDEX, WPARAM(c.caret), FALSE);
        SendMessageA(box, LB_SETTOPINDEX, 3, 0);
        LSetDrawingMode(c.drawing, l);
        auto state = [&] {
            std::vector<LRESULT> s;
            for (int i = 0; i < 12; ++i)
                s.push_back(SendMessageA(box, LB_GETSEL, WPARAM(i), 0) > 0);
            for (UINT m : {LB_GETCURSEL, LB_GETCARETINDEX, LB_GETTOPINDEX, LB_GETCOUNT})
                s.push_back(SendMessageA(box, m, 0, 0));
            return s;
        };
        const std::vector<LRESULT> before = state();
        for (int v : {0, 4, 7, 11, 5}) {
            SCOPED_TRACE(v);
            Set(l, v, 0, "changed " + std::to_string(v));
            EXPECT_EQ("changed " + std::to_string(v), ItemText(box, v));
            EXPECT_EQ(before, state());
        }
        LSetDrawingMode(true, l);
    }
}

// A cell's data changing length moves every later cell's data and offset, and nothing else: the
// selected bits stay on their cells. The new data may come from the cells' own handle, which moves
// as it grows.
TEST_F(ListCells, LaterCellsMoveWithTheirSelectedBits)
{
    ListHandle l = Make(MakeRect(0, 0, 7, 1));
    ASSERT_NE(l, nullptr);
    Model m;
    m.rows = 7;
    m.columns = 1;
    for (int v = 0; v < 7; ++v) {
        m.cells.push_back(std::string(size_t(v + 1), char('a' + v)));
        Set(l, v, 0, m.cells.back());
    }
    const bool selected[7] = {false, true, true, false, true, false, true};
    for (int v = 0; v < 7; ++v)
        LSetSelect(selected[v], C(v, 0), l);
    // The bytes of cell `from` as they lie in the cells' handle.
    auto inHandle = [&](int from) {
        int16_t offset = 0, length = 0;
        LGetCellDataLocation(&offset, &length, C(from, 0), l);
        return std::make_pair(static_cast<const void *>(*(*l)->cells + offset), length);
    };
    struct Edit {
        int cell;
        std::string data; // empty: the bytes of cell `from`, read in place
        int from;
    };
    const Edit edits[] = {
        {0, "grown by many bytes", 0}, {3, "d", 0},    {5, "FFFFFF", 0}, {2, "", 6},
        {6, "", 0},                    {1, "", 1},     {4, "", 2},       {0, "", 0},
    };
    for (const Edit &e : edits) {
        SCOPED_TRACE(e.cell);
        if (e.data.empty()) {
            const auto [bytes, length] = inHandle(e.from);
            const std::string copied(static_cast<const char *>(bytes), size_t(length));
            LSetCell(bytes, length, C(e.cell, 0), l);
            m.At(e.cell, 0) = copied;
        } else {
            Set(l, e.cell, 0, e.data);
            m.At(e.cell, 0) = e.data;
        }
        ExpectAgree(l, m, false);
        for (int v = 0; v < 7; ++v) {
            Cell c = C(v, 0);
            EXPECT_EQ(selected[v], bool(LGetSelect(false, &c, l))) << v;
        }
    }
    // The same through LAddToCell, whose data is appended: a cell doubled from its own bytes.
    const auto [bytes, length] = inHandle(3);
    m.At(3, 0) += m.At(3, 0);
    LAddToCell(bytes, length, C(3, 0), l);
    ExpectAgree(l, m, false);
}

TEST_F(ListCells, SearchAndWalk)
{
    ListHandle l = Make(MakeRect(0, 0, 3, 2), MakeRect(10, 10, 110, 160), Point{16, 70});
    const char *texts[3][2] = {{"apple", "pears"}, {"plum", "kiwi"}, {"pear", "fig"}};
    for (int v = 0; v < 3; ++v)
        for (int h = 0; h < 2; ++h)
            Set(l, v, h, texts[v][h]);
    Cell c = C(2, 1);
    EXPECT_TRUE(LSearch("pear", 4, nullptr, &c, l));
    EXPECT_EQ(2, c.v) << "the first from the top, not from the cell given";
    EXPECT_EQ(0, c.h);
    c = C(2, 1);
    EXPECT_FALSE(LSearch("melon", 5, nullptr, &c, l));
    EXPECT_EQ(0, c.v);
    EXPECT_EQ(0, c.h);
    static int calls;
    calls = 0;
    struct Counting {
        static int16_t ZEL_CALL Compare(const void *, const void *, int16_t, int16_t)
        {
            ++calls;
            return 1;
        }
    };
    EXPECT_FALSE(LSearch(nullptr, 4, Counting::Compare, &c, l));
    EXPECT_FALSE(LSearch("x", -1, Counting::Compare, &c, l));
    EXPECT_EQ(0, calls);
    EXPECT_FALSE(LSearch("x", 1, Counting::Compare, &c, l));
    EXPECT_EQ(6, calls);

    struct Walk {
        Cell from;
        bool h, v, answer;
        Cell to;
    } const walks[] = {
        {C(0, 0), true, true, true, C(0, 1)},  {C(0, 1), true, true, true, C(1, 0)},
        {C(2, 1), true, true, false, C(2, 1)}, {C(0, 1), true, false, false, C(0, 1)},
        {C(1, 1), false, true, true, C(2, 1)}, {C(2, 0), false, true, false, C(2, 0)},
    };
    for (const Walk &w : walks) {
        Cell at = w.from;
        EXPECT_EQ(w.answer, LNextCell(w.h, w.v, &at, l)) << w.from.v << "," << w.from.h;
        EXPECT_EQ(w.to.v, at.v);
        EXPECT_EQ(w.to.h, at.h);
    }
}

// The row definition paints a selected cell in the highlight colour and an unselected one in the window
// colour, with its text over it.
TEST_F(ListCells, RowDefinitionPaintsInTheSystemColours)
{
    ListHandle l = Make(MakeRect(0, 0, 4, 3), MakeRect(10, 10, 110, 160), Point{18, 50});
    Set(l, 1, 1, "WWW");
    Set(l, 2, 1, "WWW");
    LSetSelect(true, C(1, 1), l);
    auto def = reinterpret_cast<ListDefProcPtr>((*l)->listDefProc);
    DibPort dib(120, 60, RGB(10, 200, 10));
    GrafPtr saved;
    GetPort(&saved);
    SetPor(dib.port());
    Rect selected = MakeRect(0, 0, 18, 50), plain = MakeRect(30, 0, 48, 50);
    int16_t offset = 0, length = 0;
    LGetCellDataLocation(&offset, &length, C(1, 1), l);
    def(lDrawMsg, true, &selected, C(1, 1), offset, length, l);
    LGetCellDataLocation(&offset, &length, C(2, 1), l);
    def(lDrawMsg, false, &plain, C(2, 1), offset, length, l);
    SetPor(saved);
    struct Row {
        const char *what;
        Rect r;
        COLORREF back, text;
    } const rows[] = {
        {"selected", selected, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHTTEXT)},
        {"unselected", plain, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const Rect &r = row.r;
        for (POINT p : {POINT{r.left, r.top}, POINT{r.right - 1, r.top}, POINT{r.left, r.bottom},
                        POINT{r.right - 1, r.bottom}})
            EXPECT_EQ(row.back, dib.surface().Pixel(p.x, p.y)) << p.x << "," << p.y;
        int ink = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left + 3; x < r.left + 30; ++x)
                ink += dib.surface().Pixel(x, y) == row.text;
        EXPECT_GT(ink, 10);
        EXPECT_EQ(RGB(10, 200, 10), dib.surface().Pixel(r.left + 60, r.top)) << "nothing right of the cell";
    }
    EXPECT_EQ(RGB(10, 200, 10), dib.surface().Pixel(5, plain.bottom + 1)) << "one pixel taller, no more";
}

TEST_F(ListCells, RectsAndUpdates)
{
    ListHandle l = Make(MakeRect(0, 0, 30, 1), MakeRect(10, 10, 110, 160), Point{16, 150});
    Rect r;
    LRect(&r, C(0, 0), l);
    RECT item{};
    SendMessageA(Box(l), LB_GETITEMRECT, 0, LPARAM(&item));
    EXPECT_TRUE(SameRect(MakeRect(10 + item.top, 10 + item.left, 10 + item.bottom, 10 + item.right), r));
    for (Cell out : {C(25, 0), C(30, 0), C(-1, 0), C(0, 1)}) {
        LRect(&r, out, l);
        EXPECT_TRUE(SameRect(MakeRect(0, 0, 0, 0), r)) << out.v << "," << out.h;
    }

    // LUpdate repaints what the port's clip lets through, and only that.
    Set(l, 0, 0, "visible");
    PumpMessages();
    HWND box = Box(l);
    UpdateWindow(box);
    HDC dc = GetDC(box);
    RECT client{};
    GetClientRect(box, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const Rect clip = MakeRect(0, 0, 60, 400);
    ClipRect(&clip);
    LUpdate(nullptr, l);
    const Rect all = MakeRect(-32000, -32000, 32000, 32000);
    ClipRect(&all);
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_NE(black, GetPixel(dc, client.right - 2, 20)) << "inside the clip: repainted";
    EXPECT_EQ(black, GetPixel(dc, client.right - 2, 80)) << "outside the clip: left alone";
    ReleaseDC(box, dc);
}

// A real click on a plain list's item: the list box notifies its parent, whose host hands the command
// to the library, and the application gets a mouse-down inside the selected cell.
// A list made in a dialog over a user item hides that item's child, which would sit over the list box
// and take its clicks. Updating an inactive dialog list washes it in gray: inside the item less a pixel
// all round and less the scroll bar, pattern pixels are cleared to the background and the others left as
// the list box drew them; an active list is not washed.
TEST_F(ListCells, DialogListsHideTheirUserItemAndWashWhenInactive)
{
    const Rect itemRect = MakeRect(10, 10, 112, 180);
    const Rect bounds = MakeRect(80, 80, 300, 400);
    DialogPtr d = NewDialog(nullptr, &bounds, P("Lists").c_str(), true, 1, reinterpret_cast<WindowPtr>(-1), false, 0,
                            dialog_tests::ItemList({{itemRect, userItem, ""}}));
    ASSERT_NE(d, nullptr);
    SetPor(d);
    HWND userChild = ZEL_GetDlgItemHWND(d, 1);
    ASSERT_TRUE(userChild && IsWindowVisible(userChild));
    const Rect view = MakeRect(11, 11, 111, 163);
    const Rect cells = MakeRect(0, 0, 20, 1);
    ListHandle l = LNew(&view, &cells, Point{16, 152}, 0, d, true, false, false, true);
    ASSERT_NE(l, nullptr);
    EXPECT_FALSE(IsWindowVisible(userChild)) << "the user item gives way to the list";
    RECT childRect{};
    GetWindowRect(userChild, &childRect);
    EXPECT_TRUE(IsRectEmpty(&childRect));
    for (int v = 0; v < 20; ++v)
        Set(l, v, 0, "WWWWWWWWWWWWWW");
    // Text without smoothing: every repaint gives the same pixels.
    HFONT font = CreateFontA(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Arial");
    SendMessageA(Box(l), WM_SETFONT, WPARAM(font), TRUE);

    // Nor a focus frame, which a partial repaint would leave half drawn.
    HWND window = ZEL_GethWnd(d);
    SetFocus(window);
    auto pixels = [&] {
        std::vector<COLORREF> item;
        HDC dc = GetDC(window);
        for (int y = itemRect.top; y < itemRect.bottom; ++y)
            for (int x = itemRect.left; x < itemRect.right; ++x)
                item.push_back(GetPixel(dc, x - d->portRect.left, y - d->portRect.top));
        ReleaseDC(window, dc);
        return item;
    };
    auto snapshot = [&] {
        PumpMessages();
        UpdateWindow(Box(l));
        return pixels();
    };
    const std::vector<COLORREF> active = snapshot();
    LUpdate(d->visRgn, l);
    EXPECT_EQ(active, pixels()) << "an active list is not washed";

    LActivate(false, l);
    const std::vector<COLORREF> inactive = snapshot();
    LUpdate(d->visRgn, l);
    const std::vector<COLORREF> washed = pixels();
    // Inside the wash the gray pattern clears every other pixel to the background (the port's, or white
    // as a one-bit port's would) and darkens no other; outside it nothing changes.
    RGBColor back;
    GetBackColor(&back);
    const COLORREF background = RGB(back.red >> 8, back.green >> 8, back.blue >> 8), white = RGB(255, 255, 255);
    const int washRight = itemRect.right - 1 - GetSystemMetrics(SM_CXVSCROLL);
    int text = 0, cleared = 0;
    size_t at = 0;
    for (int y = itemRect.top; y < itemRect.bottom; ++y) {
        for (int x = itemRect.left; x < itemRect.right; ++x, ++at) {
            const bool inWash = y > itemRect.top && y < itemRect.bottom - 1 && x > itemRect.left && x < washRight;
            const COLORREF was = inactive[at], is = washed[at];
            if (!inWash) {
                ASSERT_EQ(was, is) << "changed outside the wash at " << x << "," << y;
                continue;
            }
            // A pixel cleared to the port's background colour may be darker than the list's white.
            for (int shift : {0, 8, 16}) {
                if (is != background) {
                    ASSERT_GE((is >> shift) & 0xFF, (was >> shift) & 0xFF) << "darkened at " << x << "," << y;
                }
            }
            if (was == white || was == background)
                continue;
            ++text;
            cleared += is == white || is == background;
        }
    }
    ASSERT_GT(text, 100);
    EXPECT_GT(cleared * 10, text * 3) << cleared << " of " << text << " text pixels cleared";
    EXPECT_LT(cleared * 10, text * 7) << cleared << " of " << text << " text pixels cleared";
    LDispose(l);
    DisposeDialog(d);
    DeleteObject(font);
}

TEST_F(ListCells, ClickOnAnItemPostsAClickInTheSelectedCells)
{
    ShowWindow(HostMainWindow(), SW_SHOW);
    SetForegroundWindow(HostMainWindow());
    SelectWindow(window_);
    ListHandle l = Make(MakeRect(0, 0, 6, 1), MakeRect(10, 10, 110, 160), Point{16, 150});
    for (int v = 0; v < 6; ++v)
        Set(l, v, 0, "item " + std::to_string(v));
    PumpMessages();
    FlushEvents(everyEvent, 0);
    HWND box = Box(l);
    RECT item{};
    SendMessageA(box, LB_GETITEMRECT, 2, LPARAM(&item));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(box, &at);
    SetCursorPos(at.x, at.y);
    MouseButton(true);
    MouseButton(false);
    EventRecord e{};
    bool got = false;
    for (int i = 0; i < 200 && !got; ++i) {
        PumpMessages();
        got = GetNextEvent(mDownMask, &e);
        if (!got)
            Sleep(10);
    }
    ASSERT_TRUE(got);
    EXPECT_EQ(2, SendMessageA(box, LB_GETCARETINDEX, 0, 0));
    Point local = e.where;
    GlobalToLocal(&local);
    Rect cell;
    LRect(&cell, C(2, 0), l);
    EXPECT_TRUE(PtInRect(local, &cell)) << local.v << "," << local.h;

    // A list box that is no list of the library's posts nothing.
    HWND plain = CreateWindowA("listbox", "", WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_NOTIFY, 200, 10, 120, 100,
                               HwndOf(window_), HMENU(77), GetModuleHandleA(nullptr), nullptr);
    for (const char *s : {"one", "two", "three"})
        SendMessageA(plain, LB_ADDSTRING, 0, LPARAM(s));
    PumpMessages();
    FlushEvents(everyEvent, 0);
    SendMessageA(plain, LB_GETITEMRECT, 1, LPARAM(&item));
    at = POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(plain, &at);
    SetCursorPos(at.x, at.y);
    MouseButton(true);
    MouseButton(false);
    for (int i = 0; i < 30; ++i) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_EQ(1, SendMessageA(plain, LB_GETCURSEL, 0, 0)) << "the click reached the list box";
    EXPECT_FALSE(GetNextEvent(mDownMask, &e));
    DestroyWindow(plain);
}

} // namespace
