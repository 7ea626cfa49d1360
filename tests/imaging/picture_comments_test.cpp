// Picture comments through the library: what PicComment records into an open picture, the payloads
// made big-endian field by field and only within the comment's own bytes, the port's commentProc, and
// the comments a printer acts on (PostScript, line width, rotation) through a memory DC standing in for
// the print job.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "SANE.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using Bytes = std::vector<uint8_t>;

class PictureComments : public QuickDrawTest {
protected:
    DibPort port_{32, 32};
    void SetUp() override { SetPor(port_.port()); }
};

Bytes HandleBytes(Handle h)
{
    return Bytes(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h));
}

Handle HandleOf(const Bytes &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(*h, bytes.data(), bytes.size());
    return h;
}

// The bytes one PicComment appends to a picture open on the port.
Bytes Recorded(int16_t kind, int16_t size, Handle data)
{
    const Rect frame{0, 0, 10, 10};
    PicHandle pic = OpenPicture(&frame);
    Handle h = reinterpret_cast<Handle>(pic);
    const Size before = GetHandleSize(h);
    PicComment(kind, size, data);
    Bytes all = HandleBytes(h);
    ClosePicture();
    KillPicture(pic);
    return Bytes(all.begin() + before, all.end());
}

TEST_F(PictureComments, LongAndShortComments)
{
    // Kind 150, 12 bytes: words at 2 and 10, the long at 6 made big-endian; the handle is left as it was.
    Bytes payload = {0x11, 0x22, 0x02, 0x01, 0x33, 0x44, 0x04, 0x03, 0x02, 0x01, 0x06, 0x05};
    Handle h = HandleOf(payload);
    Bytes r = Recorded(150, 12, h);
    EXPECT_EQ(r, (Bytes{0x00, 0xA1, 0x00, 0x96, 0x00, 0x0C, 0x11, 0x22, 0x01, 0x02, 0x33, 0x44, 0x01, 0x02, 0x03,
                        0x04, 0x05, 0x06}));
    EXPECT_EQ(HandleBytes(h), payload);
    DisposeHandle(h);
    // Without data, or with a negative size: the short form.
    EXPECT_EQ(Recorded(100, 5, nullptr), (Bytes{0x00, 0xA0, 0x00, 0x64}));
    h = HandleOf({1, 2, 3, 4, 5});
    EXPECT_EQ(Recorded(100, -3, h), (Bytes{0x00, 0xA0, 0x00, 0x64}));
    // A 5-byte comment is padded to even.
    EXPECT_EQ(Recorded(100, 5, h), (Bytes{0x00, 0xA1, 0x00, 0x64, 0x00, 0x05, 1, 2, 3, 4, 5, 0}));
    // A size past the handle records the handle's bytes.
    EXPECT_EQ(Recorded(100, 40, h), (Bytes{0x00, 0xA1, 0x00, 0x64, 0x00, 0x05, 1, 2, 3, 4, 5, 0}));
    DisposeHandle(h);
}

// Whole fields of each swapped kind, as (offset, width), and only at the sizes they apply to.
struct Field {
    int offset, width, onlySize;
};
const std::vector<std::pair<int16_t, std::vector<Field>>> kSwapped = {
    {150, {{2, 2, 0}, {6, 4, 0}, {10, 2, 0}}},
    {154, {{0, 4, 8}, {4, 4, 8}}},
    {182, {{0, 2, 4}, {2, 2, 4}}},
    {200, {{0, 2, 0}, {2, 2, 0}, {4, 4, 0}}},
    {202, {{0, 4, 8}, {4, 4, 8}}},
    {501, {{0, 2, 0}}},
    {502, {{0, 2, 0}}},
};

TEST_F(PictureComments, SwapsOnlyWholeFieldsInsideTheComment)
{
    for (const auto &[kind, fields] : kSwapped) {
        for (int size = 1; size <= 13; ++size) {
            SCOPED_TRACE("kind " + std::to_string(kind) + ", size " + std::to_string(size));
            Bytes data(size + 4);
            for (int i = 0; i < size; ++i)
                data[i] = static_cast<uint8_t>(i + 1);
            for (int i = size; i < size + 4; ++i)
                data[i] = 0xEE; // sentinels after the comment's bytes
            Handle h = HandleOf(data);
            Bytes r = Recorded(kind, static_cast<int16_t>(size), h);
            EXPECT_EQ(HandleBytes(h), data) << "the handle, sentinels included, is unchanged";
            Bytes want(data.begin(), data.begin() + size);
            for (const Field &f : fields)
                if ((!f.onlySize || f.onlySize == size) && f.offset + f.width <= size)
                    std::reverse(want.begin() + f.offset, want.begin() + f.offset + f.width);
            ASSERT_GE(r.size(), 6u + size);
            EXPECT_EQ(Bytes(r.begin() + 6, r.begin() + 6 + size), want);
            DisposeHandle(h);
        }
    }
}

int16_t sSeenKind;
int sCalls;
void ZEL_CALL CountingComment(int16_t kind, int16_t, Handle) {
    sSeenKind = kind;
    ++sCalls;
}

TEST_F(PictureComments, CustomCommentProcTakesTheComment)
{
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.commentProc = CountingComment;
    port_.cport()->grafProcs = &procs;
    sCalls = 0;
    Bytes r = Recorded(123, 0, nullptr);
    port_.cport()->grafProcs = nullptr;
    EXPECT_EQ(sCalls, 1);
    EXPECT_EQ(sSeenKind, 123);
    // Only the end opcode: nothing was recorded.
    EXPECT_EQ(r, Bytes{});
}

// Bad data on the printer and off it: nothing read past the handle (its last byte flush against a
// guard page), nothing changed.
TEST_F(PictureComments, ShortOrMissingDataDoesNothing)
{
    HDC printerDC = CreateCompatibleDC(nullptr);
    SelectTestPrinterDC(printerDC, 0, 0);
    SelectTestPostScriptPrinter(TRUE, TRUE, 100, FALSE);
    ZEL_SetFlags(0, 0, 0x10, 0x10);
    CGrafPort printerPort;
    OpenPortForHDC(&printerPort, printerDC);
    SetPor(reinterpret_cast<GrafPtr>(&printerPort));
    PenSize(3, 3);
    const Boolean guard = GuardHandleData(TRUE);
    struct Case {
        int16_t kind, size;
        int bytes; // -1: nil
    } cases[] = {{501, 2, -1}, {502, 2, -1}, {200, 4, -1}, {202, 8, -1}, {200, 4, 3}, {202, 8, 7},
                 {182, 4, 3}, {192, 100, 3}, {182, -4, 4}, {150, 30, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Handle h = c.bytes < 0 ? nullptr : NewHandleClear(c.bytes);
        PicComment(c.kind, c.size, h);
        if (h)
            DisposeHandle(h);
    }
    // A zero denominator.
    Handle zero = NewHandleClear(4);
    (*reinterpret_cast<int16_t **>(zero))[0] = 2;
    PicComment(182, 4, zero);
    DisposeHandle(zero);
    GuardHandleData(guard);
    char text[64];
    EXPECT_EQ(TakeTestPostScript(text, sizeof text), 3) << "only the three bytes kind 192 had";
    EXPECT_EQ(printerPort.pnSize.h, 3);
    ZEL_SetFlags(0, 0, 0x10, 0);
    SetPor(port_.port());
    ClosePort(reinterpret_cast<GrafPtr>(&printerPort));
    SelectTestPostScriptPrinter(FALSE, FALSE, 100, FALSE);
    SelectTestPrinterDC(nullptr, 0, 0);
    DeleteDC(printerDC);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

std::string PostScriptOf(int16_t kind, const Bytes &data)
{
    Handle h = data.empty() ? nullptr : HandleOf(data);
    PicComment(kind, static_cast<int16_t>(data.size()), h);
    if (h)
        DisposeHandle(h);
    char text[2048];
    TakeTestPostScript(text, sizeof text);
    return text;
}

const char kBegin[] = "\r\ngsave 30 dict begin\r\n"
                      "/_curtrans systemdict /currenttransfer get def\r\n"
                      "/_settrans systemdict /settransfer get def\r\n"
                      "/catprocs{/proc2 exch cvlit def/proc1 exch cvlit def\r\n"
                      " /newproc proc1 length proc2 length add array def\r\n"
                      " newproc 0 proc1 putinterval newproc proc1\r\n"
                      " length proc2 putinterval newproc cvx} def\r\n"
                      "/Negative 0 _curtrans exec 1 _curtrans exec gt def\r\n"
                      "Negative {/settransfer {{1 exch sub} catprocs _settrans} bind def} if\r\n";

TEST_F(PictureComments, PrinterActsOnPostScriptAndRotation)
{
    HDC printerDC = CreateCompatibleDC(nullptr);
    SelectTestPrinterDC(printerDC, 0, 0);
    CGrafPort printerPort;
    OpenPortForHDC(&printerPort, printerDC);
    SetPor(reinterpret_cast<GrafPtr>(&printerPort));
    const uint32_t switches = 0x10;

    // Kind 190: only with both the PostScript printer and switch 0x10.
    SelectTestPostScriptPrinter(TRUE, TRUE, 100, FALSE);
    ZEL_SetFlags(0, 0, switches, 0);
    EXPECT_EQ(PostScriptOf(190, {}), "");
    ZEL_SetFlags(0, 0, switches, switches);
    EXPECT_EQ(PostScriptOf(190, {}), kBegin);
    SelectTestPostScriptPrinter(TRUE, FALSE, 100, FALSE);
    EXPECT_EQ(PostScriptOf(190, {}), "");
    // With the scaling at 50 %, the scale line follows.
    SelectTestPostScriptPrinter(TRUE, TRUE, 50, TRUE);
    decform form{FLOATDECIMAL, 0, 6};
    unsigned char half[256];
    num2str(&form, 0.5, half);
    const std::string h(reinterpret_cast<char *>(half) + 1, half[0]);
    EXPECT_EQ(PostScriptOf(190, {}), std::string(kBegin) + h + " " + h + " scale\r\n");
    EXPECT_EQ(PostScriptOf(191, {}), "\r\nend grestore\r\n");
    EXPECT_EQ(PostScriptOf(192, {'1', ' ', 'p', 'o', 'p'}), "1 pop");

    // Rotation with a vertical flip about (10, 20): the translate/scale line in device units.
    PostScriptOf(202, {0, 0, 20, 0, 0, 0, 10, 0}); // centre v 20, h 10 (Fixed, host order) from pen (0, 0)
    EXPECT_EQ(PostScriptOf(200, {2, 0, 0, 0}), "\r\ngsave\r\n10 20 translate 1 -1 scale -10 -20 translate\r\n");
    EXPECT_EQ(PostScriptOf(201, {}), "\r\ngrestore\r\n");
    // 90 degrees alone sends nothing, and its end sends no grestore.
    EXPECT_EQ(PostScriptOf(200, {0, 0, 90, 0}), "");
    EXPECT_EQ(PostScriptOf(201, {}), "");

    SelectTestPostScriptPrinter(FALSE, FALSE, 100, FALSE);
    ZEL_SetFlags(0, 0, switches, 0);
    SetPor(port_.port());
    ClosePort(reinterpret_cast<GrafPtr>(&printerPort));
    SelectTestPrinterDC(nullptr, 0, 0);
    DeleteDC(printerDC);
}

TEST_F(PictureComments, LineWidthCommentWidensThePrintersPen)
{
    // A printer port on a DIB: a frame drawn after the comment 3/2 with a 2-pixel pen is 3 wide.
    DibPort printer(60, 60);
    SelectTestPrinterDC(printer.surface().dc(), 0, 0);
    SetPor(printer.port());
    PenSize(2, 2);
    Handle h = HandleOf({3, 0, 2, 0});
    PicComment(182, 4, h);
    Rect r{10, 10, 50, 50};
    FrameRect(&r);
    int dark = 0;
    for (int x = 10; x < 20; ++x)
        dark += printer.surface().Pixel(x, 30) == RGB(0, 0, 0);
    EXPECT_EQ(dark, 3);
    // Off the printer the comment changes nothing.
    SelectTestPrinterDC(nullptr, 0, 0);
    DibPort plain(60, 60);
    SetPor(plain.port());
    PenSize(2, 2);
    PicComment(182, 4, h);
    FrameRect(&r);
    dark = 0;
    for (int x = 10; x < 20; ++x)
        dark += plain.surface().Pixel(x, 30) == RGB(0, 0, 0);
    EXPECT_EQ(dark, 2);
    DisposeHandle(h);
    SetPor(port_.port());
}

Bytes sSeenData;
void ZEL_CALL KeepCommentData(int16_t, int16_t size, Handle data)
{
    sSeenData.assign(reinterpret_cast<uint8_t *>(*data), reinterpret_cast<uint8_t *>(*data) + size);
}

TEST_F(PictureComments, RecordedWordsPlayBackInNativeOrder)
{
    for (int16_t kind : {501, 502}) {
        SCOPED_TRACE(kind);
        const Rect frame{0, 0, 10, 10};
        PicHandle pic = OpenPicture(&frame);
        Handle h = HandleOf({0x02, 0x01}); // 0x0102 in the host's order
        PicComment(kind, 2, h);
        DisposeHandle(h);
        ClosePicture();
        CQDProcs procs;
        SetStdCProcs(&procs);
        procs.commentProc = KeepCommentData;
        port_.cport()->grafProcs = &procs;
        DrawPicture(pic, &frame);
        port_.cport()->grafProcs = nullptr;
        EXPECT_EQ(sSeenData, (Bytes{0x02, 0x01}));
        KillPicture(pic);
    }
}

} // namespace
