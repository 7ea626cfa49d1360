// Picture playback through the library: pictures recorded by the library and built by hand, drawn
// into ports and a window and compared pixel for pixel with the same drawing made directly; scaling,
// extended headers, the bytes a getPicProc is asked for, damaged pictures, state pushing, nesting,
// text continuation and comments.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::QuickDrawTest;
using Bytes = std::vector<uint8_t>;

class PicturePlayback : public QuickDrawTest {};

const COLORREF kWhite = RGB(255, 255, 255);

// A Pascal string (kept until the next call).
ConstStr255Param P(const char *text)
{
    static unsigned char s[256];
    s[0] = static_cast<unsigned char>(std::strlen(text));
    std::memcpy(s + 1, text, s[0]);
    return s;
}

// Empty when the two surfaces agree over w x h, else a map of the differences.
std::string Differences(const DibPort &a, const DibPort &b, int w, int h)
{
    auto &sa = const_cast<DibPort &>(a).surface();
    auto &sb = const_cast<DibPort &>(b).surface();
    std::string map;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool same = sa.Pixel(x, y) == sb.Pixel(x, y);
            if (!same && wrong < 8)
                map += "(" + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(sa.Pixel(x, y)) + " vs " +
                       std::to_string(sb.Pixel(x, y)) + ")\n";
            wrong += !same;
        }
    }
    if (wrong)
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                map += sa.Pixel(x, y) == sb.Pixel(x, y) ? '.' : 'X';
            map += '\n';
        }
    return wrong ? map : std::string();
}

// Pixels outside `inside` that are not white.
int DrawnOutside(DibPort &port, const Rect &inside)
{
    int n = 0;
    for (int y = 0; y < port.surface().height(); ++y)
        for (int x = 0; x < port.surface().width(); ++x)
            if ((x < inside.left || x >= inside.right || y < inside.top || y >= inside.bottom) &&
                port.surface().Pixel(x, y) != kWhite)
                ++n;
    return n;
}

PicHandle Record(const Rect &frame, const std::function<void()> &draw)
{
    PicHandle pic = OpenPicture(&frame);
    draw();
    ClosePicture();
    return pic;
}

Bytes HandleBytes(Handle h) { return Bytes(reinterpret_cast<uint8_t *>(*h), reinterpret_cast<uint8_t *>(*h) + GetHandleSize(h)); }

PicHandle PictureOf(const Bytes &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*h, bytes.data(), bytes.size());
    return reinterpret_cast<PicHandle>(h);
}

void Scene()
{
    const RGBColor red{0xFFFF, 0, 0}, blue{0, 0, 0xFFFF}, green{0, 0x8000, 0};
    RGBForeColor(&red);
    Rect r{5, 5, 25, 40};
    PaintRect(&r);
    PenSize(3, 3);
    Rect framed{30, 5, 50, 40};
    FrameRect(&framed);
    PenSize(1, 1);
    RGBForeColor(&blue);
    Rect rr{5, 45, 30, 90};
    PaintRoundRect(&rr, 10, 8);
    Rect oval{35, 45, 60, 90};
    PaintOval(&oval);
    Rect arc{5, 95, 40, 130};
    PaintArc(&arc, 30, 120);
    FrameArc(&arc, 200, 90);
    PolyHandle poly = OpenPoly();
    MoveTo(100, 45);
    LineTo(125, 50);
    LineTo(110, 70);
    LineTo(100, 45);
    ClosePoly();
    PaintPoly(poly);
    KillPoly(poly);
    RGBForeColor(&green);
    MoveTo(5, 70);
    LineTo(60, 100);
    Line(30, -20);
    Line(200, 3);
    Rect clip{75, 5, 90, 30};
    ClipRect(&clip);
    Rect big{70, 0, 100, 60};
    PaintOval(&big);
    Rect wide{-32000, -32000, 32000, 32000};
    ClipRect(&wide);
    SetOrigin(-10, -20);
    Rect moved{80, 60, 90, 80};
    InvertRec(&moved);
    SetOrigin(0, 0);
    ForeColor(blackColor);
    TextFont(0);
    TextSize(12);
    MoveTo(10, 112);
    DrawString(P("Picture"));
    TextFont(1);
    TextSize(9);
    MoveTo(80, 112);
    DrawString(P("PICT"));
    FillRect(&moved, &qd.gray);
}

TEST_F(PicturePlayback, VersionOnePaintRectScalesToTheDestination)
{
    // picSize, frame (0, 0, 10, 10); 11 01; PaintRect (2, 3, 6, 8); FF.
    Bytes v1 = {0, 0, 0, 0, 0, 0, 10, 0, 10, 0, 0x11, 0x01, 0x31, 0, 2, 0, 3, 0, 6, 0, 8, 0xFF};
    PicHandle pic = PictureOf(v1);
    (*pic)->picSize = static_cast<int16_t>(v1.size());
    (*pic)->picFrame = Rect{0, 0, 10, 10};
    for (bool window : {false, true}) {
        SCOPED_TRACE(window ? "window" : "port");
        DibPort target(40, 40);
        HWND hwnd = nullptr;
        if (window) {
            hwnd = testing_support::CreateDrawingWindow(40, 40);
            if (!hwnd)
                continue;
        }
        SetPor(target.port());
        Rect dst{10, 10, 30, 30};
        DrawPicture(pic, &dst);
        // (2, 3, 6, 8) twice over from (10, 10): (14, 16, 22, 26).
        auto want = [](int x, int y) { return x >= 16 && x < 26 && y >= 14 && y < 22 ? RGB(0, 0, 0) : kWhite; };
        EXPECT_EQ(testing_support::PixelMisses(target.surface().dc(), 0, 0, 40, 40, want), "");
        if (hwnd)
            DestroyWindow(hwnd);
    }
    KillPicture(pic);
}

TEST_F(PicturePlayback, RecordedSceneMatchesTheDirectCalls)
{
    const int w = 160, h = 130;
    DibPort direct(w, h), recorder(w, h), played(w, h);
    SetPor(direct.port());
    Scene();
    SetPor(recorder.port());
    const Rect frame{0, 0, int16_t(h), int16_t(w)};
    PicHandle pic = Record(frame, Scene);
    EXPECT_EQ(DrawnOutside(recorder, Rect{0, 0, 0, 0}), 0) << "recording draws nothing";
    SetPor(played.port());
    DrawPicture(pic, &frame);
    EXPECT_EQ(Differences(direct, played, w, h), "");
    KillPicture(pic);
}

TEST_F(PicturePlayback, RecordedSceneInAWindow)
{
    HWND hwnd = testing_support::CreateDrawingWindow(160, 130);
    if (!hwnd)
        GTEST_SKIP() << "no display";
    const int w = 160, h = 130;
    DibPort direct(w, h), recorder(w, h);
    SetPor(direct.port());
    Scene();
    SetPor(recorder.port());
    const Rect frame{0, 0, int16_t(h), int16_t(w)};
    PicHandle pic = Record(frame, Scene);
    HDC dc = GetDC(hwnd);
    CGrafPort windowPort;
    OpenPortForHDC(&windowPort, dc);
    SetPor(reinterpret_cast<GrafPtr>(&windowPort));
    EraseRect(&frame);
    DrawPicture(pic, &frame);
    std::string misses = testing_support::PixelMisses(dc, 0, 0, w, h, [&](int x, int y) { return direct.surface().Pixel(x, y); });
    EXPECT_EQ(misses, "");
    SetPor(direct.port());
    ClosePort(reinterpret_cast<GrafPtr>(&windowPort));
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
    KillPicture(pic);
}

TEST_F(PicturePlayback, TwiceTheFrameScalesShapesAndPens)
{
    struct Case {
        const char *what;
        std::function<void(int)> draw; // drawn at scale 1 or 2
    } cases[] = {
        {"a 3-pixel pen frame", [](int s) {
             PenSize(int16_t(3 * s), int16_t(3 * s));
             Rect r{int16_t(4 * s), int16_t(5 * s), int16_t(20 * s), int16_t(30 * s)};
             FrameRect(&r);
             PenSize(1, 1);
         }},
        {"an oval", [](int s) {
             Rect r{int16_t(2 * s), int16_t(3 * s), int16_t(22 * s), int16_t(33 * s)};
             PaintOval(&r);
         }},
        {"lines", [](int s) {
             MoveTo(int16_t(2 * s), int16_t(2 * s));
             LineTo(int16_t(30 * s), int16_t(20 * s));
             LineTo(int16_t(30 * s), int16_t(2 * s));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DibPort direct(80, 60), recorder(40, 30), played(80, 60);
        SetPor(direct.port());
        c.draw(2);
        SetPor(recorder.port());
        const Rect frame{0, 0, 30, 40};
        PicHandle pic = Record(frame, [&] { c.draw(1); });
        SetPor(played.port());
        const Rect dst{0, 0, 60, 80};
        DrawPicture(pic, &dst);
        EXPECT_EQ(Differences(direct, played, 80, 60), "");
        KillPicture(pic);
    }
}

TEST_F(PicturePlayback, ExtendedHeadersPlayAtTheirResolution)
{
    for (int dpi : {72, 144}) {
        SCOPED_TRACE(dpi);
        DibPort recorder(300, 300), played(120, 100);
        SetPor(recorder.port());
        OpenCPicParams params{};
        params.srcRect = Rect{100, 150, 160, 230};
        params.hRes = params.vRes = dpi << 16;
        PicHandle pic = OpenCPicture(&params);
        // Enough opcodes to pass 32,767 bytes, all inside srcRect, then srcRect painted.
        for (int i = 0; i < 3500; ++i) {
            Rect r{int16_t(110 + i % 20), int16_t(160 + i % 30), int16_t(115 + i % 20), int16_t(170 + i % 30 + i % 2)};
            FrameRect(&r);
        }
        PaintRect(&params.srcRect);
        ClosePicture();
        ASSERT_GT(GetHandleSize(reinterpret_cast<Handle>(pic)), 32767);
        SetPor(played.port());
        const Rect dst{20, 20, 80, 100};
        DrawPicture(pic, &dst);
        auto want = [](int x, int y) { return x >= 20 && x < 100 && y >= 20 && y < 80 ? RGB(0, 0, 0) : kWhite; };
        EXPECT_EQ(testing_support::PixelMisses(played.surface().dc(), 0, 0, 120, 100, want), "");
        KillPicture(pic);
    }
    // A -2 header without resolutions plays at its frame.
    DibPort recorder(60, 60), played(60, 60);
    SetPor(recorder.port());
    OpenCPicParams params{};
    params.srcRect = Rect{0, 0, 20, 20};
    params.hRes = params.vRes = 0;
    PicHandle pic = OpenCPicture(&params);
    Rect r{5, 5, 10, 10};
    PaintRect(&r);
    ClosePicture();
    SetPor(played.port());
    const Rect dst{0, 0, 40, 40};
    DrawPicture(pic, &dst);
    auto want = [](int x, int y) { return x >= 10 && x < 20 && y >= 10 && y < 20 ? RGB(0, 0, 0) : kWhite; };
    EXPECT_EQ(testing_support::PixelMisses(played.surface().dc(), 0, 0, 60, 60, want), "");
    KillPicture(pic);
}

int32_t sBytesAsked;
void ZEL_CALL CountingGetPic(void *data, int16_t count)
{
    sBytesAsked += static_cast<uint16_t>(count);
    StdGetPic(data, count);
}

TEST_F(PicturePlayback, GetPicProcIsAskedForTheWholeStream)
{
    DibPort recorder(160, 130), played(160, 130);
    SetPor(recorder.port());
    const Rect frame{0, 0, 130, 160};
    PicHandle pic = Record(frame, Scene);
    Bytes v1 = {0, 0, 0, 0, 0, 0, 10, 0, 10, 0, 0x11, 0x01, 0x31, 0, 2, 0, 3, 0, 6, 0, 8, 0xFF};
    PicHandle hand = PictureOf(v1);
    for (PicHandle p : {pic, hand}) {
        SetPor(played.port());
        CQDProcs procs;
        SetStdCProcs(&procs);
        procs.getPicProc = CountingGetPic;
        played.cport()->grafProcs = &procs;
        sBytesAsked = 0;
        DrawPicture(p, &frame);
        played.cport()->grafProcs = nullptr;
        EXPECT_EQ(sBytesAsked, GetHandleSize(reinterpret_cast<Handle>(p)) - 10);
    }
    KillPicture(pic);
    KillPicture(hand);
}

TEST_F(PicturePlayback, DamagedPicturesEndWithinTheirBytes)
{
    DibPort recorder(160, 130);
    SetPor(recorder.port());
    const Rect frame{0, 0, 130, 160};
    PicHandle pic = Record(frame, Scene);
    const Bytes good = HandleBytes(reinterpret_cast<Handle>(pic));
    KillPicture(pic);
    DibPort played(200, 170);
    SetPor(played.port());
    const Rect dst{20, 20, 150, 180};
    auto play = [&](const Bytes &bytes) {
        played.surface().Fill(kWhite);
        PicHandle p = PictureOf(bytes);
        DrawPicture(p, &dst);
        KillPicture(p);
        return DrawnOutside(played, dst);
    };
    // Every truncation.
    for (size_t n = 10; n < good.size(); n += 1) {
        Bytes cut(good.begin(), good.begin() + n);
        ASSERT_EQ(play(cut), 0) << "truncated at " << n;
    }
    // Mutations: random bytes, and the size-like fields made small, odd, huge.
    std::mt19937 rng(1234);
    const uint8_t values[] = {0x00, 0x01, 0x09, 0xFF, 0x7F, 0x80, 0xFE};
    for (int i = 0; i < 400; ++i) {
        Bytes m = good;
        const size_t at = 40 + rng() % (m.size() - 40);
        m[at] = (i & 1) ? values[rng() % sizeof values] : uint8_t(rng());
        if (i % 5 == 0 && at + 1 < m.size())
            m[at + 1] = values[rng() % sizeof values];
        ASSERT_EQ(play(m), 0) << "mutation " << i << " at " << at;
    }
    // A 32-bit length near 2^32, and a font name opcode whose data length exceeds its name.
    Bytes longSkip(good.begin(), good.begin() + 40);
    for (uint8_t b : std::initializer_list<uint8_t>{0x81, 0x00, 0xFF, 0xFF, 0xFF, 0xF0, 0x00, 0xFF})
        longSkip.push_back(b);
    EXPECT_EQ(play(longSkip), 0);
    Bytes fontName(good.begin(), good.begin() + 40);
    for (uint8_t b : std::initializer_list<uint8_t>{0x00, 0x2C, 0x00, 0x0A, 0x00, 0x03, 0x03, 'a', 'b', 'c', 1, 2, 3, 4, 0x00, 0x31, 0, 30, 0, 30, 0, 60,
                      0, 60, 0x00, 0xFF})
        fontName.push_back(b);
    played.surface().Fill(kWhite);
    PicHandle p = PictureOf(fontName);
    DrawPicture(p, &dst);
    KillPicture(p);
    EXPECT_NE(played.surface().Pixel(60, 60), kWhite) << "the rectangle after the font name still plays";
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

TEST_F(PicturePlayback, StatePushKeepsThePortsOwnState)
{
    DibPort recorder(40, 40), played(40, 40);
    SetPor(recorder.port());
    const Rect frame{0, 0, 40, 40};
    PicHandle pic = Record(frame, [] {
        PenSize(7, 5);
        const RGBColor red{0xFFFF, 0, 0};
        RGBForeColor(&red);
        TextSize(24);
        MoveTo(2, 30);
        DrawString(P("x"));
        Rect r{1, 1, 20, 20};
        FrameRect(&r);
    });
    SetPor(played.port());
    EXPECT_EQ(ZEL_AllowPictStatePush(0), 0);
    DrawPicture(pic, &frame);
    EXPECT_EQ(played.port()->pnSize.h, 7) << "without state push the picture's pen stays";
    EXPECT_EQ(played.port()->txSize, 24);
    PenNormal();
    ForeColor(blackColor);
    TextSize(9);
    EXPECT_EQ(ZEL_AllowPictStatePush(1), 0);
    DrawPicture(pic, &frame);
    EXPECT_EQ(played.port()->pnSize.h, 1);
    EXPECT_EQ(played.port()->pnSize.v, 1);
    EXPECT_EQ(played.port()->txSize, 9);
    EXPECT_EQ(played.cport()->rgbFgColor.red, 0);
    EXPECT_EQ(ZEL_AllowPictStatePush(0), 1);
    KillPicture(pic);
}

PicHandle sInner;
int sCommentsSeen;
void ZEL_CALL NestingComment(int16_t kind, int16_t, Handle)
{
    ++sCommentsSeen;
    if (kind == 7 && sInner) {
        Rect r{0, 0, 10, 10};
        DrawPicture(sInner, &r);
    }
}

TEST_F(PicturePlayback, NestedPlaybackKeepsTheOuterTextAndDrawing)
{
    DibPort recorder(120, 60), direct(120, 60), played(120, 60);
    const Rect frame{0, 0, 60, 120};
    SetPor(recorder.port());
    const Rect small{0, 0, 10, 10};
    sInner = Record(small, [] {
        Rect r{2, 2, 8, 8};
        PaintRect(&r);
        MoveTo(1, 9);
        DrawString(P("i"));
    });
    auto outer = [](bool comment) {
        TextFont(0);
        TextSize(12);
        MoveTo(10, 40);
        DrawString(P("ab"));
        if (comment) {
            const uint8_t shortComment[4] = {0x00, 0xA0, 0x00, 0x07};
            StdPutPic(shortComment, 4);
        }
        DrawString(P("cd"));
        Rect r{45, 80, 55, 110};
        PaintRect(&r);
    };
    PicHandle pic = Record(frame, [&] { outer(true); });
    SetPor(direct.port());
    outer(false);
    Rect r{2, 2, 8, 8};
    PaintRect(&r);
    MoveTo(1, 9);
    DrawString(P("i"));
    SetPor(played.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.commentProc = NestingComment;
    played.cport()->grafProcs = &procs;
    sCommentsSeen = 0;
    DrawPicture(pic, &frame);
    played.cport()->grafProcs = nullptr;
    EXPECT_EQ(sCommentsSeen, 1);
    EXPECT_EQ(Differences(direct, played, 120, 60), "");
    KillPicture(pic);
    KillPicture(sInner);
    sInner = nullptr;
}

// A version 2 picture of the given opcodes after a -1 header (frame (0, 0, 100, 100)).
Bytes Version2(const Bytes &ops)
{
    Bytes b = {0, 0, 0, 0, 0, 0, 100, 0, 100, 0, 0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    b.resize(40, 0);
    b.insert(b.end(), ops.begin(), ops.end());
    b.push_back(0x00);
    b.push_back(0xFF);
    return b;
}

// A pixel pattern opcode and then the one-bit opcode of the same pattern: the second gives the port's own
// plain pattern back to the field, and the end of playback must leave that one the port's (its loss
// was found by the robustness tests: the next playback copied a freed pattern). Guarded handle data
// make any use of a freed pattern fault; the port then paints and erases with its own patterns again
// (with the state pushed).
TEST_F(PicturePlayback, PixelPatternThenOneBitPatternKeepThePortsPatterns)
{
    struct Case {
        const char *what;
        uint8_t pixelOp, bitOp;
    } cases[] = {{"background", 0x12, 0x02}, {"pen", 0x13, 0x09}, {"fill", 0x14, 0x0A}};
    const Rect frame{0, 0, 100, 100}, box{10, 10, 20, 20};
    for (const Case &c : cases) {
        for (int push : {1, 0}) {
            SCOPED_TRACE(std::string(c.what) + (push ? ", state pushed" : ", state kept"));
            const Boolean guarded = GuardHandleData(true);
            {
                DibPort played(40, 40);
                SetPor(played.port());
                const int32_t was = ZEL_AllowPictStatePush(push);
                Bytes ops = {0x00, c.pixelOp, 0x00, 0x02};
                ops.insert(ops.end(), 8, 0xFF);
                ops.insert(ops.end(), {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, c.bitOp});
                ops.insert(ops.end(), 8, 0x55);
                PicHandle pic = PictureOf(Version2(ops));
                for (int i = 0; i < 3; ++i)
                    DrawPicture(pic, &frame);
                KillPicture(pic);
                // Without the state push the picture's last pattern stays: 0x55 rows, every other pixel.
                auto solid = [&](COLORREF colour) {
                    return played.surface().Pixel(12, 12) == colour && played.surface().Pixel(13, 12) == colour;
                };
                PaintRect(&box);
                EXPECT_EQ(solid(RGB(0, 0, 0)), push || c.bitOp != 0x09);
                EraseRect(&box);
                EXPECT_EQ(solid(kWhite), push || c.bitOp != 0x02);
                ZEL_AllowPictStatePush(was);
                SetPor(testing_support::WindowManagerPort());
            }
            GuardHandleData(guarded);
            EXPECT_EQ(ZEL_MemCheck(), 1);
        }
    }
}

// Big-endian words and longs appended to a stream.
void Words(Bytes &b, std::initializer_list<int> words)
{
    for (int w : words) {
        b.push_back(static_cast<uint8_t>(w >> 8));
        b.push_back(static_cast<uint8_t>(w));
    }
}
void Longs(Bytes &b, std::initializer_list<uint32_t> longs)
{
    for (uint32_t v : longs)
        Words(b, {static_cast<int>(v >> 16), static_cast<int>(v & 0xFFFF)});
}

// A pixel pattern opcode (0x0012 background, 0x0013 pen, 0x0014 fill) of type 1: 4 x 4 pixels of 8
// bits, red and blue in a checkerboard, its one-bit form 0xAA rows.
Bytes PixelPatternOpcode(int opcode)
{
    Bytes b;
    Words(b, {opcode, 1});
    b.insert(b.end(), 8, 0xAA);
    Words(b, {0x8004, 0, 0, 4, 4, 0, 0});
    Longs(b, {0, 0x00480000, 0x00480000});
    Words(b, {0, 8, 1, 8});
    Longs(b, {0, 0, 0, 0});
    Words(b, {0, 1, 0, 0xFFFF, 0, 0, 1, 0, 0, 0xFFFF});
    for (int i = 0; i < 16; ++i)
        b.push_back(static_cast<uint8_t>((i + i / 4) % 2));
    return b;
}

// An RGB pixel pattern opcode (type 2) of `rgb`, its one-bit form 0xAA rows.
Bytes RGBPatternOpcode(int opcode, const RGBColor &rgb)
{
    Bytes b;
    Words(b, {opcode, 2});
    b.insert(b.end(), 8, 0xAA);
    Words(b, {rgb.red, rgb.green, rgb.blue});
    return b;
}

// Pictures played in turn leave nothing behind that the next one draws with, and a pattern opcode
// replaces whatever pattern came before it, as the same calls made directly do. The pixels of a box
// painted or filled by the last picture, into a 32- and an 8-bit world, with the state kept and pushed.
TEST_F(PicturePlayback, PatternsAfterEarlierPatternsAndPictures)
{
    const RGBColor green{0, 0xFFFF, 0};
    Bytes paintBlue;
    Words(paintBlue, {0x001A, 0, 0, 0xFFFF, 0x0031, 2, 2, 12, 12});
    Bytes penThenBlack = RGBPatternOpcode(0x0013, green);
    Words(penThenBlack, {0x0009, -1, -1, -1, -1, 0x0031, 2, 2, 12, 12});
    Bytes blackPenAfterRGB;
    Words(blackPenAfterRGB, {0x001A, 0, 0, 0});
    blackPenAfterRGB.insert(blackPenAfterRGB.end(), penThenBlack.begin(), penThenBlack.end());
    Bytes pixelsThenRGBFill = PixelPatternOpcode(0x0014);
    Bytes fillGreen = RGBPatternOpcode(0x0014, green);
    pixelsThenRGBFill.insert(pixelsThenRGBFill.end(), fillGreen.begin(), fillGreen.end());
    Words(pixelsThenRGBFill, {0x0034, 2, 2, 12, 12});
    // The same two pictures recorded by the library's own calls.
    Bytes recordedBlue, recordedPen;
    {
        DibPort recorder(20, 20);
        SetPor(recorder.port());
        const Rect frame{0, 0, 100, 100}, box{2, 2, 12, 12};
        const RGBColor blue{0, 0, 0xFFFF};
        PicHandle pic = Record(frame, [&] {
            RGBForeColor(&blue);
            PaintRect(&box);
        });
        recordedBlue = HandleBytes(reinterpret_cast<Handle>(pic));
        KillPicture(pic);
        ForeColor(blackColor);
        PixPatHandle rgbPat = NewPixPat();
        MakeRGBPat(rgbPat, &green);
        pic = Record(frame, [&] {
            PenPixPat(rgbPat);
            Pattern black;
            std::memset(black.pat, 0xFF, 8);
            PenPat(&black);
            PaintRect(&box);
        });
        recordedPen = HandleBytes(reinterpret_cast<Handle>(pic));
        KillPicture(pic);
        PenNormal();
        DisposePixPat(rgbPat);
        SetPor(testing_support::WindowManagerPort());
    }
    struct Case {
        const char *what;
        std::vector<Bytes> pictures;
        // The box's colour with the state pushed and kept (a kept foreground colours a one-bit pattern).
        COLORREF pushed, kept;
    } cases[] = {
        {"a blue picture, then an RGB pen pattern and black", {Version2(paintBlue), Version2(penThenBlack)}, RGB(0, 0, 0), RGB(0, 0, 255)},
        {"a blue picture, then black, an RGB pen pattern and black", {Version2(paintBlue), Version2(blackPenAfterRGB)}, RGB(0, 0, 0), RGB(0, 0, 0)},
        {"the same recorded", {recordedBlue, recordedPen}, RGB(0, 0, 0), RGB(0, 0, 255)},
        {"black pen pattern after an RGB one", {Version2(penThenBlack)}, RGB(0, 0, 0), RGB(0, 0, 0)},
        {"an RGB fill pattern after a pixel one", {Version2(pixelsThenRGBFill)}, RGB(0, 255, 0), RGB(0, 255, 0)},
    };
    const Rect frame{0, 0, 100, 100}, bounds{0, 0, 20, 20};
    for (const Case &c : cases) {
        // 32 and 8: a GWorld of that depth; 0: a port drawing into a DIB through its device context.
        for (int depth : {32, 8, 0}) {
            for (int push : {1, 0}) {
                SCOPED_TRACE(std::string(c.what) + (depth ? " at " + std::to_string(depth) + " bits" : " in a DIB port") +
                             (push ? ", state pushed" : ", state kept"));
                CGrafPtr savedPort;
                GDHandle savedDevice;
                GetGWorld(&savedPort, &savedDevice);
                GWorldPtr world = nullptr;
                DibPort dib(20, 20);
                if (depth) {
                    ASSERT_EQ(NewGWorld(&world, static_cast<int16_t>(depth), &bounds, nullptr, nullptr, 0), noErr);
                    SetGWorld(world, nullptr);
                } else {
                    SetPor(dib.port());
                }
                EraseRect(&bounds);
                const int32_t was = ZEL_AllowPictStatePush(push);
                for (const Bytes &bytes : c.pictures) {
                    PicHandle pic = PictureOf(bytes);
                    DrawPicture(pic, &frame);
                    KillPicture(pic);
                }
                ZEL_AllowPictStatePush(was);
                const COLORREF want = push ? c.pushed : c.kept;
                int wrong = 0;
                COLORREF seen = want;
                for (int y = 2; y < 12; ++y)
                    for (int x = 2; x < 12; ++x) {
                        RGBColor got;
                        GetCPixel(static_cast<int16_t>(x), static_cast<int16_t>(y), &got);
                        const COLORREF pixel = depth ? RGB(got.red >> 8, got.green >> 8, got.blue >> 8) : dib.surface().Pixel(x, y);
                        if (pixel != want)
                            ++wrong, seen = pixel;
                    }
                EXPECT_EQ(wrong, 0) << std::hex << "wanted " << want << ", one pixel " << seen;
                ForeColor(blackColor);
                SetGWorld(savedPort, savedDevice);
                if (world)
                    DisposeGWorld(world);
            }
        }
    }
}

// After a picture has set a pixel pattern in a GWorld, the next picture played there with the state
// pushed copies the port's patterns: every one of them must still be a live pattern (guarded handle
// data fault on a freed one). Then the port paints and erases with patterns of its own again.
TEST_F(PicturePlayback, PixelPatternsLeftInAGWorldSurviveTheNextStatePush)
{
    const Rect frame{0, 0, 100, 100}, bounds{0, 0, 20, 20}, box{2, 2, 12, 12};
    Bytes paint;
    Words(paint, {0x0031, 2, 2, 12, 12});
    for (int opcode : {0x0012, 0x0013, 0x0014}) {
        for (int depth : {8, 32}) {
            SCOPED_TRACE("opcode " + std::to_string(opcode) + " at " + std::to_string(depth) + " bits");
            const Boolean guarded = GuardHandleData(true);
            CGrafPtr savedPort;
            GDHandle savedDevice;
            GetGWorld(&savedPort, &savedDevice);
            GWorldPtr world = nullptr;
            ASSERT_EQ(NewGWorld(&world, static_cast<int16_t>(depth), &bounds, nullptr, nullptr, 0), noErr);
            SetGWorld(world, nullptr);
            Bytes ops = PixelPatternOpcode(opcode);
            ops.insert(ops.end(), paint.begin(), paint.end());
            PicHandle first = PictureOf(Version2(ops)), second = PictureOf(Version2(paint));
            // Every order of playing with the state kept (0) and pushed (1).
            const int32_t was = ZEL_AllowPictStatePush(1);
            for (int push : {1, 1, 1, 0, 1, 0, 0, 1}) {
                ZEL_AllowPictStatePush(push);
                DrawPicture(first, &frame);
                DrawPicture(second, &frame);
            }
            ZEL_AllowPictStatePush(was);
            PenNormal();
            PaintRect(&box);
            EraseRect(&box);
            KillPicture(first);
            KillPicture(second);
            SetGWorld(savedPort, savedDevice);
            DisposeGWorld(world);
            GuardHandleData(guarded);
            EXPECT_EQ(ZEL_MemCheck(), 1);
        }
    }
}

// A direct bits rectangle of 30 x 9 pixels at 32 bits in three planes (packType 4), after an extended
// header whose vertical resolution is -1, two long comments and a clip region: the picture draws its
// rows inside the destination and leaves the heaps whole, into ports of every depth.
TEST_F(PicturePlayback, DirectBitsAfterAnUnusualHeaderKeepTheHeapsWhole)
{
    Bytes ops;
    Words(ops, {0x00A1, 202, 8});
    Longs(ops, {0x00010002, 0x00030004});
    Words(ops, {0x00A1, 150, 12, 1, 2, 3, 4, 5, 6});
    Words(ops, {0x0001, 10, 0, 0, 100, 100});
    Words(ops, {0x009A});
    Longs(ops, {0x000000FF});
    Words(ops, {0x8078, 0, 0, 9, 30, 0, 4});
    Longs(ops, {0, 0x00480000, 0x00480000});
    Words(ops, {16, 32, 3, 8});
    Longs(ops, {0, 0, 0});
    Words(ops, {0, 0, 9, 30, 10, 10, 19, 40, 0});
    for (int y = 0; y < 9; ++y) {
        ops.push_back(91);
        ops.push_back(89);
        for (int plane = 0; plane < 3; ++plane)
            ops.insert(ops.end(), 30, static_cast<uint8_t>(plane == 1 ? 0xFF : 0));
    }
    Bytes b = {0, 0, 0, 0, 0, 0, 100, 0, 100, 0};
    Words(b, {0x0011, 0x02FF, 0x0C00, 0xFFFE, 0});
    Longs(b, {0x00480000, 0xFFFFFFFF});
    Words(b, {0, 0, 100, 100});
    Longs(b, {0});
    b.insert(b.end(), ops.begin(), ops.end());
    Words(b, {0x00FF});
    const Rect dst{0, 0, 100, 100};
    for (int depth : {1, 8, 16, 32}) {
        for (int push : {0, 1}) {
            SCOPED_TRACE(std::to_string(depth) + " bits, push " + std::to_string(push));
            const Boolean guarded = GuardHandleData(true);
            CGrafPtr savedPort;
            GDHandle savedDevice;
            GetGWorld(&savedPort, &savedDevice);
            GWorldPtr world = nullptr;
            const Rect bounds{0, 0, 100, 100};
            ASSERT_EQ(NewGWorld(&world, static_cast<int16_t>(depth), &bounds, nullptr, nullptr, 0), noErr);
            SetGWorld(world, nullptr);
            const int32_t was = ZEL_AllowPictStatePush(push);
            PicHandle pic = PictureOf(b);
            for (int i = 0; i < 3; ++i)
                DrawPicture(pic, &dst);
            KillPicture(pic);
            ZEL_AllowPictStatePush(was);
            SetGWorld(savedPort, savedDevice);
            DisposeGWorld(world);
            GuardHandleData(guarded);
            EXPECT_EQ(ZEL_MemCheck(), 1);
        }
    }
    DibPort played(120, 120);
    SetPor(played.port());
    PicHandle pic = PictureOf(b);
    const Boolean guarded = GuardHandleData(true);
    DrawPicture(pic, &dst);
    GuardHandleData(guarded);
    KillPicture(pic);
    EXPECT_EQ(ZEL_MemCheck(), 1);
}

// A paint-region opcode of the given rows (each a v and its edges) with its size word and a box.
Bytes PaintRegionOpcode(const std::vector<std::vector<int>> &rows)
{
    Bytes body;
    auto word = [&body](int v) {
        body.push_back(uint8_t(v >> 8));
        body.push_back(uint8_t(v));
    };
    for (int v : {0, 0, 100, 100})
        word(v);
    for (const auto &row : rows) {
        for (int v : row)
            word(v);
        word(0x7FFF);
    }
    word(0x7FFF);
    const size_t size = body.size() + 2;
    Bytes op = {0x00, 0x81, uint8_t(size >> 8), uint8_t(size)};
    op.insert(op.end(), body.begin(), body.end());
    return op;
}

// Regions as large as the opcode allows: a thousand edges held over seven thousand rows, and a staircase
// whose every row moves a span. Each span becomes one rectangle however many rows it lasts, so these
// play at once (they cost millions of region unions row by row); the stripes and steps are exact.
TEST_F(PicturePlayback, LargestRegionsPlayInTheirShape)
{
    DibPort played(100, 100);
    SetPor(played.port());
    const Rect frame{0, 0, 100, 100};
    std::vector<std::vector<int>> stripes(1, std::vector<int>{0});
    for (int x = 0; x < 1000; ++x)
        stripes[0].push_back(2 * x);
    for (int v = 1; v < 7000; ++v)
        stripes.push_back({v});
    stripes.push_back(stripes[0]);
    stripes.back()[0] = 7000;
    std::vector<std::vector<int>> stairs;
    for (int v = 0; v < 100; ++v)
        stairs.push_back(v ? std::vector<int>{v, v - 1, v, v + 19, v + 20} : std::vector<int>{0, 0, 20});
    stairs.push_back({100, 99, 119});
    for (int shape = 0; shape < 2; ++shape) {
        const Bytes op = PaintRegionOpcode(shape ? stairs : stripes);
        ASSERT_LE(op.size(), 0x8000u);
        played.surface().Fill(kWhite);
        PicHandle p = PictureOf(Version2(op));
        DrawPicture(p, &frame);
        KillPicture(p);
        int wrong = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool in = shape ? x >= y && x < y + 20 : x % 4 < 2;
                wrong += (played.surface().Pixel(x, y) == RGB(0, 0, 0)) != in;
            }
        EXPECT_EQ(wrong, 0) << (shape ? "stairs" : "stripes");
    }
    SetPor(testing_support::WindowManagerPort());
}

// The most memory the process has held at once so far.
SIZE_T PeakCommit()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

// A text size of 32767 in a picture of a few hundred bytes: GDI renders each glyph into a bitmap of the
// font's size (half a gigabyte for two letters at that size, and the robustness tests found a picture of
// 506 bytes whose 255 letters took 1.4 GB), so text on the screen and in memory is bound at 1024 pixels.
TEST_F(PicturePlayback, LargestTextSizesTakeBoundedMemory)
{
    DibPort played(100, 100);
    SetPor(played.port());
    const Rect frame{0, 0, 100, 100};
    std::string letters;
    for (int i = 0; i < 255; ++i)
        letters.push_back(char(0x21 + i % 0xDE));
    for (const std::string &text : {std::string("Hi"), letters}) {
        for (int size : {16000, 32767}) {
            SCOPED_TRACE(std::to_string(size) + ", " + std::to_string(text.size()) + " letters");
            Bytes ops = {0x00, 0x0D, uint8_t(size >> 8), uint8_t(size), 0x00, 0x28, 0x00, 0x40, 0x00, 0x10,
                         uint8_t(text.size())};
            for (char letter : text)
                ops.push_back(uint8_t(letter));
            if (ops.size() % 2)
                ops.push_back(0);
            PicHandle p = PictureOf(Version2(ops));
            const SIZE_T before = PeakCommit();
            DrawPicture(p, &frame);
            KillPicture(p);
            EXPECT_LT(PeakCommit() - before, SIZE_T(100) << 20);
        }
    }
    SetPor(testing_support::WindowManagerPort());
}

// Regions drawn while a picture records come back from it in their own shape, at the picture's size
// and scaled: an L, a ring, two apart and an oval's region, with every verb.
TEST_F(PicturePlayback, RegionsAreRecordedAndPlayedInTheirShape)
{
    struct Shape {
        const char *what;
        bool rectilinear; // scales exactly as twice its rectangles
        std::function<void(RgnHandle, int)> build;
    };
    auto rects = [](RgnHandle rgn, int s, std::initializer_list<Rect> parts, bool exclusive) {
        RgnHandle part = NewRgn();
        SetEmptyRgn(rgn);
        for (Rect r : parts) {
            Rect scaled{int16_t(r.top * s), int16_t(r.left * s), int16_t(r.bottom * s), int16_t(r.right * s)};
            RectRgn(part, &scaled);
            if (exclusive)
                XorRgn(rgn, part, rgn);
            else
                UnionRgn(rgn, part, rgn);
        }
        DisposeRgn(part);
    };
    const Shape shapes[] = {
        {"an L", true, [&](RgnHandle r, int s) { rects(r, s, {{4, 4, 12, 30}, {12, 4, 28, 12}}, false); }},
        {"a ring", true, [&](RgnHandle r, int s) { rects(r, s, {{4, 4, 28, 34}, {10, 12, 20, 24}}, true); }},
        {"two apart", true, [&](RgnHandle r, int s) { rects(r, s, {{3, 3, 9, 14}, {16, 20, 27, 36}}, false); }},
        {"an oval's", false, [](RgnHandle r, int) {
             OpenRgn();
             Rect oval{3, 5, 27, 35};
             FrameOval(&oval);
             CloseRgn(r);
         }},
    };
    const RGBColor red{0xFFFF, 0, 0};
    auto drawVerbs = [&](RgnHandle rgn, int verb) {
        RGBForeColor(&red);
        switch (verb) {
        case 0: FrameRgn(rgn); break;
        case 1: PaintRgn(rgn); break;
        case 2: {
            Rect all{0, 0, 100, 100};
            PaintRect(&all);
            EraseRgn(rgn);
            break;
        }
        case 3: InvertRgn(rgn); break;
        default: FillRgn(rgn, &qd.gray); break;
        }
        ForeColor(blackColor);
    };
    for (const Shape &shape : shapes)
        for (int scale : {1, 2})
            for (int verb = 0; verb <= 4; ++verb) {
                if (scale == 2 && (!shape.rectilinear || verb == 0))
                    continue; // a frame's pen and an oval's steps do not scale as its rectangles
                SCOPED_TRACE(std::string(shape.what) + ", verb " + std::to_string(verb) + ", scale " +
                             std::to_string(scale));
                const int w = 40 * scale, h = 32 * scale;
                DibPort direct(w, h), recorder(40, 32), played(w, h);
                RgnHandle rgn = NewRgn();
                SetPor(direct.port());
                shape.build(rgn, scale);
                drawVerbs(rgn, verb);
                SetPor(recorder.port());
                shape.build(rgn, 1);
                const Rect frame{0, 0, 32, 40};
                PicHandle pic = Record(frame, [&] { drawVerbs(rgn, verb); });
                SetPor(played.port());
                const Rect dst{0, 0, int16_t(h), int16_t(w)};
                DrawPicture(pic, &dst);
                EXPECT_EQ(Differences(direct, played, w, h), "");
                KillPicture(pic);
                DisposeRgn(rgn);
            }
}

// A region written by another program: its rows of inversion points read as a Macintosh reads them,
// and a damaged list ends where its bytes do.
TEST_F(PicturePlayback, RegionOpcodesFromOtherPrograms)
{
    // PaintRgn of an L: rows 10..20 from 10 to 30, rows 20..30 from 10 to 20.
    const Bytes l = {0x00, 0x81, 0x00, 0x24, 0, 10, 0, 10, 0, 30, 0, 30,
                     0, 10, 0, 10, 0, 30, 0x7F, 0xFF,
                     0, 20, 0, 20, 0, 30, 0x7F, 0xFF,
                     0, 30, 0, 10, 0, 20, 0x7F, 0xFF, 0x7F, 0xFF};
    // A list whose last row runs past the region's size: the rows before it still count.
    const Bytes cut = {0x00, 0x81, 0x00, 0x16, 0, 10, 0, 10, 0, 30, 0, 30,
                       0, 10, 0, 10, 0, 30, 0x7F, 0xFF,
                       0, 20, 0, 20};
    auto inL = [](int x, int y) { return y >= 10 && x >= 10 && ((y < 20 && x < 30) || (y < 30 && x < 20)); };
    for (const auto &[ops, want] : {std::make_pair(l, std::function<bool(int, int)>(inL)),
                                    std::make_pair(cut, std::function<bool(int, int)>([](int x, int y) {
                                                       return y >= 10 && y < 20 && x >= 10 && x < 30;
                                                   }))}) {
        DibPort target(40, 40);
        SetPor(target.port());
        PicHandle pic = PictureOf(Version2(ops));
        const Rect dst{0, 0, 100, 100};
        DrawPicture(pic, &dst);
        EXPECT_EQ(testing_support::PixelMisses(target.surface().dc(), 0, 0, 40, 40,
                                               [&](int x, int y) { return want(x, y) ? RGB(0, 0, 0) : kWhite; }),
                  "");
        KillPicture(pic);
    }
}

TEST_F(PicturePlayback, TextContinuation)
{
    // Text "ab" at (10, 30), then DHText by the drawn width + 15 (continues) or + 25 (moves).
    DibPort probe(100, 100);
    SetPor(probe.port());
    TextFont(0);
    TextSize(12);
    const int16_t width = StringWidth(P("ab"));
    for (int extra : {15, 25}) {
        SCOPED_TRACE(extra);
        Bytes ops = {0x00, 0x03, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x0C, 0x00, 0x28, 0x00, 30, 0x00, 10, 2, 'a', 'b',
                     0x00, 0x00, 0x29, uint8_t(width + extra), 2, 'c', 'd'};
        PicHandle pic = PictureOf(Version2(ops));
        DibPort played(100, 100), direct(100, 100);
        SetPor(played.port());
        const Rect frame{0, 0, 100, 100};
        DrawPicture(pic, &frame);
        SetPor(direct.port());
        TextFont(0);
        TextSize(12);
        MoveTo(10, 30);
        DrawString(P("ab"));
        if (extra == 25)
            MoveTo(int16_t(10 + width + 25), 30);
        DrawString(P("cd"));
        EXPECT_EQ(Differences(direct, played, 100, 100), "");
        KillPicture(pic);
    }
}

TEST_F(PicturePlayback, TextSizeUnderAnotherAspectRatio)
{
    Bytes ops = {0x00, 0x0D, 0x00, 0x0C};
    PicHandle pic = PictureOf(Version2(ops));
    DibPort played(300, 100);
    SetPor(played.port());
    const Rect dst{0, 0, 50, 300}; // half the height, three times the width
    const uint32_t previous = ZEL_SystemValue(0, 52, 0);
    ZEL_SystemValue(1, 52, 1);
    ZEL_AllowPictStatePush(0);
    DrawPicture(pic, &dst);
    EXPECT_EQ(played.port()->txSize, 12) << "setting 52: the recorded size";
    ZEL_SystemValue(1, 52, 0);
    DrawPicture(pic, &dst);
    EXPECT_EQ(played.port()->txSize, 6) << "scaled with the height";
    const Rect tiny{0, 0, 2, 300};
    DrawPicture(pic, &tiny);
    EXPECT_EQ(played.port()->txSize, 1) << "never below 1";
    ZEL_SystemValue(1, 52, previous);
    KillPicture(pic);
}

int16_t sCommentKind;
Bytes sCommentData;
void ZEL_CALL KeepComment(int16_t kind, int16_t size, Handle data)
{
    sCommentKind = kind;
    sCommentData.assign(reinterpret_cast<uint8_t *>(*data), reinterpret_cast<uint8_t *>(*data) + size);
}

TEST_F(PicturePlayback, LongCommentArrivesInNativeOrder)
{
    Bytes ops = {0x00, 0xA1, 0x00, 0xC8, 0x00, 0x08, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    PicHandle pic = PictureOf(Version2(ops));
    DibPort played(20, 20);
    SetPor(played.port());
    CQDProcs procs;
    SetStdCProcs(&procs);
    procs.commentProc = KeepComment;
    played.cport()->grafProcs = &procs;
    const Rect frame{0, 0, 100, 100};
    DrawPicture(pic, &frame);
    played.cport()->grafProcs = nullptr;
    EXPECT_EQ(sCommentKind, 200);
    EXPECT_EQ(sCommentData, (Bytes{0x02, 0x01, 0x04, 0x03, 0x08, 0x07, 0x06, 0x05}));
    KillPicture(pic);
}

TEST_F(PicturePlayback, PlaysIntoAPictureBeingRecordedWhateverTheClip)
{
    DibPort port(40, 40);
    SetPor(port.port());
    const Rect frame{0, 0, 40, 40};
    PicHandle inner = Record(frame, [] {
        Rect r{1, 1, 5, 5};
        PaintRect(&r);
    });
    Rect clip{0, 0, 10, 10};
    ClipRect(&clip);
    PicHandle outer = OpenPicture(&frame);
    const Size before = GetHandleSize(reinterpret_cast<Handle>(outer));
    Rect away{20, 20, 40, 40};
    DrawPicture(inner, &away);
    EXPECT_GT(GetHandleSize(reinterpret_cast<Handle>(outer)), before + 8) << "the played rectangle is recorded";
    ClosePicture();
    Rect wide{-32000, -32000, 32000, 32000};
    ClipRect(&wide);
    KillPicture(inner);
    KillPicture(outer);
}

} // namespace
