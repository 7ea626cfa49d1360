// Fonts and text against the GDI calls they end in: the installed-font list's rebuild and text drawing.
#include "bench.h"

#include <commdlg.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Fonts.h"
#include "Quickdraw.h"
#include "qd_fixture.h"
#include "TextUtils.h"
#include "test_seams.h"

#include <memory>

namespace {

int CALLBACK CountFace(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM data)
{
    ++*reinterpret_cast<int *>(data);
    return 1;
}

struct Family {
    char name[LF_FACESIZE];
};
int CALLBACK CollectFamily(const LOGFONTA *font, const TEXTMETRICA *, DWORD, LPARAM data)
{
    Family f{};
    lstrcpynA(f.name, font->lfFaceName, LF_FACESIZE);
    reinterpret_cast<std::vector<Family> *>(data)->push_back(f);
    return 1;
}

// What the rebuild asks of Windows: the default printer, every family of the screen, then each family's
// sizes, with callbacks that only count.
int sRawNodes;
void RawFontListRebuild()
{
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    HDC printer = PrintDlgA(&pd) ? pd.hDC : nullptr;
    if (pd.hDevMode)
        GlobalFree(pd.hDevMode);
    if (pd.hDevNames)
        GlobalFree(pd.hDevNames);
    HDC dc = GetDC(nullptr);
    std::vector<Family> families;
    EnumFontFamiliesA(dc, nullptr, reinterpret_cast<FONTENUMPROCA>(CollectFamily), reinterpret_cast<LPARAM>(&families));
    int sizes = 0;
    for (const Family &f : families)
        EnumFontFamiliesA(printer ? printer : dc, f.name, reinterpret_cast<FONTENUMPROCA>(CountFace),
                          reinterpret_cast<LPARAM>(&sizes));
    ReleaseDC(nullptr, dc);
    if (printer)
        DeleteDC(printer);
    sRawNodes = int(families.size());
}

// A line of 40 characters drawn in srcOr by the library into a DIB port and by TextOutA, in the same
// font, into a DIB of the same format.
const unsigned char kLine[] = "\x28" "The quick brown fox jumps over the dog!!";
struct TextSurfaces {
    testing_support::DibPort port{400, 40};
    testing_support::DibSurface raw{400, 40};
    HFONT font = nullptr;
};
std::unique_ptr<TextSurfaces> sText;

bool SameTextPixels()
{
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 400; ++x)
            if (sText->port.surface().Pixel(x, y) != sText->raw.Pixel(x, y))
                return false;
    return true;
}
// 10,000 strings of 20 lower-case letters, the same each run: both collations order them alike.
std::vector<std::string> SortInput()
{
    std::mt19937 random(20);
    std::vector<std::string> strings(10000, std::string(20, 'a'));
    for (std::string &s : strings)
        for (char &c : s)
            c = static_cast<char>('a' + random() % 26);
    return strings;
}
std::vector<std::string> sLibrarySorted, sRawSorted;

} // namespace

int RunBench()
{
    std::vector<PairCase> cases;
    PairCase rebuild;
    rebuild.name = "ZEL_UpdateFontList(1)";
    rebuild.count = 20;
    rebuild.library = [](int) { ZEL_UpdateFontList(1); };
    rebuild.raw = [](int) { RawFontListRebuild(); };
    // Both see the same faces: one node per enumerated family name (a TrueType face's full name may
    // join two families, so the list holds at most as many).
    rebuild.same = [] {
        const int16_t nodes = FontListSeam(-1, 0, 0, nullptr);
        return nodes > 0 && nodes <= sRawNodes;
    };
    cases.push_back(rebuild);

    PairCase text;
    text.name = "DrawString of 40 characters, srcOr";
    text.count = 5000;
    text.setUp = [] {
        sText = std::make_unique<TextSurfaces>();
        SetPor(sText->port.port());
        TextFont(1);
        TextSize(12);
        struct {
            LOGFONTA lf;
            char fullName[64];
            char afterName;
        } bind{};
        ZEL_GetBindTextAttributesHFONT(&bind);
        sText->font = CreateFontIndirectA(&bind.lf);
        SelectObject(sText->raw.dc(), sText->font);
        SetTextAlign(sText->raw.dc(), TA_BASELINE);
        SetBkMode(sText->raw.dc(), TRANSPARENT);
    };
    text.library = [](int) {
        MoveT(10, 25);
        DrawString(kLine);
    };
    text.raw = [](int) { TextOutA(sText->raw.dc(), 10, 25, reinterpret_cast<const char *>(kLine + 1), 40); };
    text.same = SameTextPixels;
    text.tearDown = [] {
        SetPor(testing_support::WindowManagerPort());
        SelectObject(sText->raw.dc(), GetStockObject(SYSTEM_FONT));
        DeleteObject(sText->font);
        sText.reset();
    };
    cases.push_back(text);

    PairCase width = text;
    width.name = "StringWidth of 40 characters";
    width.count = 20000;
    static int16_t sLibraryWidth;
    static SIZE sRawExtent;
    width.library = [](int) { sLibraryWidth = StringWidth(kLine); };
    width.raw = [](int) { GetTextExtentPoint32A(sText->raw.dc(), reinterpret_cast<const char *>(kLine + 1), 40, &sRawExtent); };
    width.same = [] { return sLibraryWidth == sRawExtent.cx; };
    cases.push_back(width);
    PairCase sort;
    sort.name = "sorting 10,000 strings of 20 characters with IUMagString";
    sort.count = 3;
    sort.library = [](int) {
        sLibrarySorted = SortInput();
        std::sort(sLibrarySorted.begin(), sLibrarySorted.end(), [](const std::string &a, const std::string &b) {
            return IUMagString(a.data(), b.data(), int16_t(a.size()), int16_t(b.size())) < 0;
        });
    };
    sort.raw = [](int) {
        sRawSorted = SortInput();
        std::sort(sRawSorted.begin(), sRawSorted.end(), [](const std::string &a, const std::string &b) {
            return CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), int(a.size()), b.data(), int(b.size())) == CSTR_LESS_THAN;
        });
    };
    sort.same = [] { return !sLibrarySorted.empty() && sLibrarySorted == sRawSorted; };
    cases.push_back(sort);
    return RunPairCases(cases);
}
