// Icons: families plotted by ID from a resource file the test writes (colours of the standard 8-bit
// table through the mask, placement by alignment, the small family), small icon lists, short data of
// every type, suites and mini icons, colour icons built by hand, and memory after many plots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Icons.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "Zel.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

using testing_support::DibPort;
using testing_support::P;
using testing_support::QuickDrawTest;
using testing_support::WindowManagerPort;

constexpr ResType Type(const char (&s)[5])
{
    return static_cast<ResType>(static_cast<uint8_t>(s[0])) << 24 | static_cast<ResType>(static_cast<uint8_t>(s[1])) << 16 |
           static_cast<ResType>(static_cast<uint8_t>(s[2])) << 8 | static_cast<uint8_t>(s[3]);
}
constexpr COLORREF kBack = RGB(10, 20, 30);
constexpr uint32_t kColourIconMaskSwitch = 0x80;

// The test's icon images: a family of side n has image bits on a checkerboard of 2-pixel squares,
// mask bits inside (2, 4) .. (n - 3, n - 2) and colour index (x * 7 + y * 3) % 255 + 1.
bool ImageBit(int x, int y) { return ((x / 2) + (y / 2)) % 2 == 0; }
bool MaskBit(int n, int x, int y) { return x >= 2 && x < n - 3 && y >= 4 && y < n - 2; }
uint8_t ColourIndex(int x, int y) { return static_cast<uint8_t>((x * 7 + y * 3) % 255 + 1); }

std::vector<uint8_t> Plane(int w, int h, const std::function<bool(int, int)> &bit)
{
    const int rowBytes = w / 8;
    std::vector<uint8_t> b(static_cast<size_t>(rowBytes) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bit(x, y))
                b[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return b;
}
std::vector<uint8_t> Family(int w, int h)
{
    std::vector<uint8_t> image = Plane(w, h, ImageBit);
    std::vector<uint8_t> mask = Plane(w, h, [&](int x, int y) { return MaskBit(w, x, y); });
    image.insert(image.end(), mask.begin(), mask.end());
    return image;
}
std::vector<uint8_t> Colours(int w, int h)
{
    std::vector<uint8_t> b(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b[y * w + x] = ColourIndex(x, y);
    return b;
}
std::vector<uint8_t> Cut(std::vector<uint8_t> b, size_t n)
{
    b.resize(std::min(n, b.size()));
    return b;
}

// The standard 8-bit table's colour of an index.
COLORREF TableColour(int index)
{
    CTabHandle ct = GetCTable(8);
    const RGBColor c = (*ct)->ctTable[index].rgb;
    DisposeCTable(ct);
    return RGB(c.red >> 8, c.green >> 8, c.blue >> 8);
}

Handle BytesHandle(const std::vector<uint8_t> &bytes)
{
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(*h, bytes.data(), bytes.size());
    return h;
}

// The ID of the short-data cases: type index x 100 + the cut's place in its list.
struct ShortCase {
    const char *type;
    std::vector<size_t> cuts;
};
const ShortCase kShortCases[] = {
    {"ICN#", {0, 1, 128, 255}}, {"ics#", {0, 31, 63}},   {"icl8", {0, 512, 1023}},
    {"ics8", {0, 128, 255}},    {"icm#", {0, 24, 47}},   {"icm8", {0, 100, 191}},
};

class Icons : public QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        SetResLoad(true);
        DeleteFileA("icons_test.rsr");
        CreateResFile(P("icons_test.rsr").c_str());
        int16_t ref = OpenResFile(P("icons_test.rsr").c_str());
        ASSERT_GT(ref, 0);
        UseResFile(ref);
        std::vector<std::pair<std::pair<ResType, int16_t>, std::vector<uint8_t>>> all = {
            {{Type("ICN#"), 128}, Family(32, 32)}, {{Type("ics#"), 128}, Family(16, 16)},
            {{Type("icl8"), 128}, Colours(32, 32)}, {{Type("ics8"), 128}, Colours(16, 16)},
            {{Type("icm#"), 128}, Family(16, 12)}, {{Type("icm8"), 128}, Colours(16, 12)},
            {{Type("ICON"), 128}, Plane(32, 32, ImageBit)}, {{Type("SICN"), 128}, Family(16, 16)},
        };
        // Short members: a family cut alone, or a colour member cut beside a whole family.
        for (int t = 0; t < 6; ++t) {
            const ShortCase &c = kShortCases[t];
            for (size_t i = 0; i < c.cuts.size(); ++i) {
                const int16_t id = static_cast<int16_t>(1000 + t * 100 + static_cast<int>(i));
                const std::string type = c.type;
                auto whole = [&](const std::string &ty) {
                    if (ty == "ICN#") return Family(32, 32);
                    if (ty == "ics#") return Family(16, 16);
                    if (ty == "icl8") return Colours(32, 32);
                    if (ty == "ics8") return Colours(16, 16);
                    if (ty == "icm#") return Family(16, 12);
                    return Colours(16, 12);
                };
                ResType rt = static_cast<ResType>(static_cast<uint8_t>(type[0])) << 24 |
                             static_cast<ResType>(static_cast<uint8_t>(type[1])) << 16 |
                             static_cast<ResType>(static_cast<uint8_t>(type[2])) << 8 | static_cast<uint8_t>(type[3]);
                all.push_back({{rt, id}, Cut(whole(type), c.cuts[i])});
                const std::map<std::string, std::string> partner = {{"icl8", "ICN#"}, {"ics8", "ics#"},
                                                                    {"icm#", "icm8"}, {"icm8", "icm#"}};
                if (auto p = partner.find(type); p != partner.end()) {
                    const std::string &pt = p->second;
                    ResType prt = static_cast<ResType>(static_cast<uint8_t>(pt[0])) << 24 |
                                  static_cast<ResType>(static_cast<uint8_t>(pt[1])) << 16 |
                                  static_cast<ResType>(static_cast<uint8_t>(pt[2])) << 8 | static_cast<uint8_t>(pt[3]);
                    all.push_back({{prt, id}, whole(pt)});
                }
            }
        }
        for (const auto &r : all)
            AddResource(BytesHandle(r.second), r.first.first, r.first.second, P("").c_str());
        CloseResFile(ref);
        sRef = OpenResFile(P("icons_test.rsr").c_str());
        ASSERT_GT(sRef, 0);
        UseResFile(sRef);
    }
    static void TearDownTestSuite()
    {
        CloseResFile(sRef);
        DeleteFileA("icons_test.rsr");
    }
    void TearDown() override
    {
        ZEL_SetFlags(0, 0, kColourIconMaskSwitch, 0);
        QuickDrawTest::TearDown();
    }
    static int16_t sRef;
};
int16_t Icons::sRef;

// The image a plot should leave on a w x h port filled with kBack: `at` gives the colour of each pixel
// inside the icon's destination (or kBack to leave it).
std::string Misses(DibPort &port, int w, int h, const Rect &d, const std::function<COLORREF(int, int)> &at)
{
    return testing_support::PixelMisses(port.surface().dc(), 0, 0, w, h, [&](int x, int y) {
        if (x >= d.left && x < d.right && y >= d.top && y < d.bottom)
            return at(x - d.left, y - d.top);
        return kBack;
    });
}

// PlotIconID of (0, 0, 50, 40) with vertical centring: 32 x 32 at (9, 0); each pixel under a set mask
// bit is the table colour of its 'icl8' index, the rest keep their colour.
TEST_F(Icons, PlotIconIdDrawsColoursThroughTheMask)
{
    DibPort port(60, 60, kBack);
    SetPor(port.port());
    const Rect r{0, 0, 50, 40};
    ASSERT_EQ(PlotIconID(&r, atVerticalCenter, ttNone, 128), 0);
    const Rect d{9, 0, 41, 32};
    EXPECT_EQ(Misses(port, 60, 60, d, [](int x, int y) { return MaskBit(32, x, y) ? TableColour(ColourIndex(x, y)) : kBack; }),
              "");
    // A 20 x 40 rectangle takes the 16-pixel family, centred both ways.
    port.surface().Fill(kBack);
    const Rect small{0, 0, 20, 40};
    ASSERT_EQ(PlotIconID(&small, atAbsoluteCenter, ttNone, 128), 0);
    const Rect ds{2, 12, 18, 28};
    EXPECT_EQ(Misses(port, 60, 60, ds, [](int x, int y) { return MaskBit(16, x, y) ? TableColour(ColourIndex(x, y)) : kBack; }),
              "");
    // With resource loading off the family is read all the same.
    port.surface().Fill(kBack);
    SetResLoad(false);
    const OSErr unloaded = PlotIconID(&r, atVerticalCenter, ttNone, 128);
    SetResLoad(true);
    EXPECT_EQ(unloaded, 0);
    EXPECT_EQ(Misses(port, 60, 60, d, [](int x, int y) { return MaskBit(32, x, y) ? TableColour(ColourIndex(x, y)) : kBack; }),
              "");
    const Rect none{0, 0, 0, 10};
    EXPECT_EQ(PlotIconID(&none, 0, 0, 128), -1);
    EXPECT_EQ(PlotIconID(&r, 0, 0, 999), -1000);
    SetPor(WindowManagerPort());
}

// Every alignment value: an icon smaller than r both ways is placed by the vertical bit (bit 1 full,
// else half the room) and the horizontal bit (bit 3 full, else half); otherwise it fills r.
TEST_F(Icons, PlotIconIdAlignments)
{
    const Rect r{4, 6, 64, 56}; // 50 wide, 60 high
    for (int16_t align = 0; align < 16; ++align) {
        SCOPED_TRACE(align);
        DibPort port(70, 70, kBack);
        SetPor(port.port());
        ASSERT_EQ(PlotIconID(&r, align, ttNone, 128), 0);
        if (!(align & 5)) {
            // Scaled to r: nothing outside r changes, its centre is drawn.
            EXPECT_EQ(Misses(port, 70, 70, r, [&](int x, int y) { return port.surface().Pixel(r.left + x, r.top + y); }), "");
            EXPECT_NE(port.surface().Pixel(31, 34), kBack);
            continue;
        }
        int top = r.top, left = r.left;
        if (align & 1)
            top += (align & 2) ? 60 - 32 : (60 - 32) / 2;
        if (align & 4)
            left += (align & 8) ? 50 - 32 : (50 - 32) / 2;
        const Rect d{(int16_t)top, (int16_t)left, (int16_t)(top + 32), (int16_t)(left + 32)};
        EXPECT_EQ(Misses(port, 70, 70, d, [](int x, int y) { return MaskBit(32, x, y) ? TableColour(ColourIndex(x, y)) : kBack; }),
                  "");
    }
    SetPor(WindowManagerPort());
}

// PlotSICNHandle: the 16 alignment values, the mask of a 64-byte list, the disabled and offline
// transforms, and a handle too short to hold an icon.
TEST_F(Icons, SmallIconLists)
{
    const Rect r{10, 10, 50, 70}; // 60 wide, 40 high
    std::vector<uint8_t> black(32, 0xFF);
    Handle solid = BytesHandle(black);
    for (int16_t align = 0; align < 16; ++align) {
        SCOPED_TRACE(align);
        DibPort port(80, 60, kBack);
        SetPor(port.port());
        PlotSICNHandle(&r, align, ttNone, solid);
        Rect d = r;
        switch (align & 3) {
        case 1: d.top = (int16_t)((r.top + r.bottom) / 2 - 8); break;
        case 2: d.top = r.top; break;
        case 3: d.top = (int16_t)(r.bottom - 16); break;
        }
        if (align & 3)
            d.bottom = (int16_t)(d.top + 16);
        switch (align & 12) {
        case 4: d.left = (int16_t)((r.left + r.right) / 2 - 8); break;
        case 8: d.left = r.left; break;
        case 12: d.left = (int16_t)(r.right - 16); break;
        }
        if (align & 12)
            d.right = (int16_t)(d.left + 16);
        EXPECT_EQ(Misses(port, 80, 60, d, [](int, int) { return RGB(0, 0, 0); }), "");
    }
    const Rect at{0, 0, 16, 16};
    {
        SCOPED_TRACE("64 bytes: the mask");
        DibPort port(16, 16, kBack);
        SetPor(port.port());
        Handle list = BytesHandle(Family(16, 16));
        PlotSICNHandle(&at, atNone, ttNone, list);
        EXPECT_EQ(Misses(port, 16, 16, at, [](int x, int y) {
                      return MaskBit(16, x, y) ? (ImageBit(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255)) : kBack;
                  }),
                  "");
        DisposeHandle(list);
    }
    {
        SCOPED_TRACE("disabled: drawn in gray");
        DibPort port(32, 16, RGB(255, 255, 255));
        SetPor(port.port());
        PlotSICNHandle(&at, atNone, ttDisabled, solid);
        const RGBColor gray{0x7FFF, 0x7FFF, 0x7FFF};
        RGBForeColor(&gray);
        const Rect beside{0, 16, 16, 32};
        PaintRect(&beside);
        EXPECT_EQ(port.surface().Pixel(5, 5), port.surface().Pixel(20, 5));
        EXPECT_NE(port.surface().Pixel(5, 5), RGB(0, 0, 0));
        RGBColor fore;
        GetForeColor(&fore);
        EXPECT_EQ(fore.red, 0x7FFF); // the caller's colour, put back
    }
    {
        SCOPED_TRACE("offline: gray patBic over it");
        DibPort port(16, 16, RGB(255, 255, 255));
        SetPor(port.port());
        PlotSICNHandle(&at, atNone, ttOffline, solid);
        int white = 0, blackCount = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const COLORREF p = port.surface().Pixel(x, y);
                white += p == RGB(255, 255, 255);
                blackCount += p == RGB(0, 0, 0);
                if (x > 0) {
                    EXPECT_NE(p, port.surface().Pixel(x - 1, y)) << x << "," << y; // the gray checkerboard
                }
            }
        EXPECT_EQ(white, 128);
        EXPECT_EQ(blackCount, 128);
    }
    {
        SCOPED_TRACE("31 bytes: nothing");
        DibPort port(16, 16, kBack);
        SetPor(port.port());
        Handle shortList = BytesHandle(std::vector<uint8_t>(31, 0xFF));
        EXPECT_EQ(PlotSICNHandle(&at, atNone, ttNone, shortList), 0);
        EXPECT_EQ(Misses(port, 16, 16, Rect{}, nullptr), "");
        DisposeHandle(shortList);
    }
    DisposeHandle(solid);
    SetPor(WindowManagerPort());
}

// Short data of every type: a short family member counts as missing, a short colour member is
// skipped for the one-bit image, a short mini-icon member draws nothing, short 'ICON' data draw
// nothing. No load reports an unknown byte-swap type.
TEST_F(Icons, ShortDataOfEveryType)
{
    testing_support::TakeDebugMessages();
    const auto oneBit = [](int n) {
        return [n](int x, int y) { return MaskBit(n, x, y) ? (ImageBit(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255)) : kBack; };
    };
    for (int t = 0; t < 6; ++t) {
        const ShortCase &c = kShortCases[t];
        for (size_t i = 0; i < c.cuts.size(); ++i) {
            SCOPED_TRACE(testing::Message() << c.type << " cut at " << c.cuts[i]);
            const int16_t id = static_cast<int16_t>(1000 + t * 100 + static_cast<int>(i));
            DibPort port(40, 40, kBack);
            SetPor(port.port());
            const std::string type = c.type;
            const bool large = type == "ICN#" || type == "icl8";
            const Rect r = large ? Rect{0, 0, 32, 32} : Rect{0, 0, 16, 16};
            if (type == "ICN#" || type == "ics#") {
                EXPECT_EQ(PlotIconID(&r, atNone, ttNone, id), -1000);
                EXPECT_EQ(Misses(port, 40, 40, Rect{}, nullptr), "");
            } else if (type == "icl8" || type == "ics8") {
                EXPECT_EQ(PlotIconID(&r, atNone, ttNone, id), 0);
                EXPECT_EQ(Misses(port, 40, 40, r, oneBit(large ? 32 : 16)), "");
            } else {
                IconSuiteHandle suite = nullptr;
                ASSERT_EQ(GetIconSuite(&suite, id, svAllSmallData), 0);
                EXPECT_EQ(PlotIconSuite(&r, atNone, ttNone, suite), 0);
                EXPECT_EQ(Misses(port, 40, 40, Rect{}, nullptr), "");
                DisposeIconSuite(suite, true);
            }
        }
    }
    for (size_t cut : {0u, 1u, 64u, 127u}) {
        SCOPED_TRACE(testing::Message() << "ICON cut at " << cut);
        DibPort port(40, 40, kBack);
        SetPor(port.port());
        Handle icon = BytesHandle(Cut(Plane(32, 32, ImageBit), cut));
        const Rect r{0, 0, 32, 32};
        PlotIcon(&r, icon);
        EXPECT_EQ(Misses(port, 40, 40, Rect{}, nullptr), "");
        DisposeHandle(icon);
    }
    {
        SCOPED_TRACE("whole ICON");
        DibPort port(40, 40, kBack);
        SetPor(port.port());
        Handle icon = GetResource(Type("ICON"), 128);
        ASSERT_NE(icon, nullptr);
        const Rect r{0, 0, 32, 32};
        PlotIcon(&r, icon);
        EXPECT_EQ(Misses(port, 40, 40, r, [](int x, int y) { return ImageBit(x, y) ? RGB(0, 0, 0) : RGB(255, 255, 255); }),
                  "");
    }
    for (const char *type : {"ICN#", "ics#", "icl8", "ics8", "icm#", "icm8", "ICON", "SICN"}) {
        const std::string t = type;
        ResType rt = static_cast<ResType>(static_cast<uint8_t>(t[0])) << 24 | static_cast<ResType>(static_cast<uint8_t>(t[1])) << 16 |
                     static_cast<ResType>(static_cast<uint8_t>(t[2])) << 8 | static_cast<uint8_t>(t[3]);
        Handle h = GetResource(rt, 128);
        EXPECT_NE(h, nullptr) << type;
        ReleaseResource(h);
    }
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
    SetPor(WindowManagerPort());
}

// Suites: the 6-byte record, the mini icon of a small-data suite at the rectangle's top-left, the
// rectangle as region and hit test.
TEST_F(Icons, SuitesAndMiniIcons)
{
    IconSuiteHandle suite = nullptr;
    ASSERT_EQ(GetIconSuite(&suite, 999, 0xFFFFFFFF), 0);
    ASSERT_EQ(GetHandleSize(suite), 6);
    int16_t id;
    uint32_t selector;
    std::memcpy(&id, *suite, 2);
    std::memcpy(&selector, *suite + 2, 4);
    EXPECT_EQ(id, 999);
    EXPECT_EQ(selector, 0xFFFFFFFFu);
    EXPECT_EQ(DisposeIconSuite(suite, true), 0);
    EXPECT_EQ(GetIconSuite(nullptr, 128, 0), paramErr);

    DibPort port(40, 40, kBack);
    SetPor(port.port());
    ASSERT_EQ(GetIconSuite(&suite, 128, svAllSmallData), 0);
    const Rect r{5, 7, 37, 39};
    EXPECT_EQ(PlotIconSuite(&r, atNone, ttNone, suite), 0);
    const Rect d{5, 7, 17, 23};
    EXPECT_EQ(Misses(port, 40, 40, d, [](int x, int y) { return MaskBit(16, x, y) ? TableColour(ColourIndex(x, y)) : kBack; }),
              "");
    RgnHandle rgn = NewRgn();
    EXPECT_EQ(IconSuiteToRgn(rgn, &r, atNone, suite), 0);
    EXPECT_EQ(std::memcmp(&(*rgn)->rgnBBox, &r, sizeof r), 0);
    DisposeRgn(rgn);
    for (Point pt : {Point{5, 7}, Point{36, 38}, Point{37, 20}, Point{4, 7}, Point{20, 39}}) {
        EXPECT_EQ(PtInIconSuite(pt, &r, atNone, suite), PtInRect(pt, &r));
        EXPECT_EQ(PtInIconID(pt, &r, atNone, 128), PtInRect(pt, &r));
    }
    DisposeIconSuite(suite, true);
    testing_support::TakeDebugMessages();
    EXPECT_EQ(PlotIconMethod(&r, 0, 0, nullptr, nullptr), 0);
    std::vector<std::string> messages = testing_support::TakeDebugMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "PLOTICONMETHOD"), 1);
    SetPor(WindowManagerPort());
}

// A colour icon of 8 x 8 with a two-colour table: index 1 red where x + y is even; its mask leaves
// the left two columns out.
CIconHandle MakeColourIcon(int entries, Size dataBytes)
{
    const int w = 8, h = 8;
    auto icon = reinterpret_cast<CIconHandle>(NewHandleClear(offsetof(CIcon, iconMaskData) + 2 * h + 2 * h));
    CIcon &ci = **icon;
    ci.iconPMap.rowBytes = static_cast<int16_t>(0x8000 | w);
    ci.iconPMap.bounds = Rect{0, 0, h, w};
    ci.iconPMap.pixelSize = 8;
    ci.iconPMap.cmpCount = 1;
    ci.iconPMap.cmpSize = 8;
    ci.iconMask.rowBytes = 2;
    ci.iconMask.bounds = Rect{0, 0, h, w};
    ci.iconBMap.rowBytes = 2;
    ci.iconBMap.bounds = Rect{0, 0, h, w};
    auto *rows = reinterpret_cast<uint8_t *>(ci.iconMaskData);
    for (int y = 0; y < h; ++y)
        rows[2 * y] = 0x3F;
    if (entries > 0) {
        auto ct = reinterpret_cast<CTabHandle>(NewHandleClear(8 + entries * sizeof(ColorSpec)));
        (*ct)->ctSize = static_cast<int16_t>(entries - 1);
        (*ct)->ctTable[0].rgb = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
        if (entries > 1)
            (*ct)->ctTable[1] = ColorSpec{1, RGBColor{0xFFFF, 0, 0}};
        (**icon).iconPMap.pmTable = ct;
    }
    Handle data = NewHandleClear(dataBytes);
    for (Size i = 0; i < dataBytes && i < w * h; ++i)
        (*data)[i] = static_cast<char>(((i % w) + (i / w)) % 2 == 0 ? 1 : 0);
    (**icon).iconData = data;
    return icon;
}

TEST_F(Icons, PlotCIconMaskTableAndSizes)
{
    const Rect r{0, 0, 8, 8};
    auto want = [](bool maskOn, COLORREF one) {
        return [=](int x, int y) {
            if (maskOn && x < 2)
                return kBack;
            return (x + y) % 2 == 0 ? one : RGB(255, 255, 255);
        };
    };
    for (bool maskOn : {false, true}) {
        SCOPED_TRACE(maskOn ? "mask switch on" : "mask switch off");
        ZEL_SetFlags(0, 0, kColourIconMaskSwitch, maskOn ? kColourIconMaskSwitch : 0);
        DibPort port(12, 12, kBack);
        SetPor(port.port());
        CIconHandle icon = MakeColourIcon(2, 64);
        PlotCIcon(&r, icon);
        EXPECT_EQ(Misses(port, 12, 12, r, want(maskOn, RGB(255, 0, 0))), "");
        DisposeCIcon(icon);
    }
    ZEL_SetFlags(0, 0, kColourIconMaskSwitch, 0);
    {
        SCOPED_TRACE("one-entry table: black added");
        DibPort port(12, 12, kBack);
        SetPor(port.port());
        CIconHandle icon = MakeColourIcon(1, 64);
        PlotCIcon(&r, icon);
        EXPECT_EQ((*(*icon)->iconPMap.pmTable)->ctSize, 1);
        EXPECT_EQ(Misses(port, 12, 12, r, want(false, RGB(0, 0, 0))), "");
        DisposeCIcon(icon);
    }
    struct Broken {
        const char *what;
        int entries;
        Size data;
    } broken[] = {{"no colour table", 0, 64}, {"short pixel data", 2, 63}, {"no pixel data", 2, 0}};
    for (const Broken &b : broken) {
        SCOPED_TRACE(b.what);
        DibPort port(12, 12, kBack);
        SetPor(port.port());
        CIconHandle icon = MakeColourIcon(b.entries, b.data);
        PlotCIcon(&r, icon);
        EXPECT_EQ(Misses(port, 12, 12, Rect{}, nullptr), "");
        DisposeCIcon(icon);
    }
    {
        SCOPED_TRACE("handle without its rows");
        DibPort port(12, 12, kBack);
        SetPor(port.port());
        CIconHandle icon = MakeColourIcon(2, 64);
        SetHandleSize(reinterpret_cast<Handle>(icon), offsetof(CIcon, iconMaskData) + 20);
        PlotCIcon(&r, icon);
        EXPECT_EQ(Misses(port, 12, 12, Rect{}, nullptr), "");
        DisposeCIcon(icon);
    }
    SetPor(WindowManagerPort());
}

TEST_F(Icons, ManyPlotsKeepTheHeapsSound)
{
    DibPort port(40, 40, kBack);
    SetPor(port.port());
    IconSuiteHandle suite = nullptr;
    GetIconSuite(&suite, 128, svAllSmallData);
    for (int i = 0; i < 300; ++i) {
        const Rect r{0, 0, static_cast<int16_t>(16 + i % 20), 32};
        PlotIconID(&r, static_cast<int16_t>(i % 16), static_cast<int16_t>(i % 2), 128);
        PlotIconSuite(&r, atNone, ttNone, suite);
    }
    DisposeIconSuite(suite, true);
    EXPECT_EQ(ZEL_MemCheck(), 1);
    SetPor(WindowManagerPort());
}

} // namespace
