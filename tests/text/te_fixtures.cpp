// The TextEdit test program's session and fixtures.
#include "te_fixtures.h"

#include <algorithm>
#include <cstring>

#include "LowMem.h"
#include "Scrap.h"
#include "test_support.h"

using namespace testing_support;
using namespace text_fixtures;

namespace te_fixtures {
namespace {

int sInstances;
bool sRefusePuts;
std::vector<ScrapPut> sPuts;

FARPROC WINAPI MakeInstance(FARPROC proc, HINSTANCE)
{
    ++sInstances;
    return proc;
}
void WINAPI FreeInstance(FARPROC) { --sInstances; }

UINT TextFormat() { static UINT f = RegisterClipboardFormatA("TOLVADEX TextEdit test TEXT"); return f; }
UINT OtherFormat() { static UINT f = RegisterClipboardFormatA("TOLVADEX TextEdit test other"); return f; }

constexpr ResType kTEXT = 0x54455854;

HGLOBAL GlobalOf(const std::string &bytes)
{
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    char *p = static_cast<char *>(GlobalLock(g));
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(g);
    return g;
}

// The text of the private format; the stored block carries its length first.
std::string StoredBytes(HGLOBAL g)
{
    const char *p = static_cast<const char *>(GlobalLock(g));
    int32_t n;
    std::memcpy(&n, p, 4);
    std::string s(p + 4, n);
    GlobalUnlock(g);
    return s;
}
std::string Stored(const std::string &bytes)
{
    int32_t n = static_cast<int32_t>(bytes.size());
    return std::string(reinterpret_cast<const char *>(&n), 4) + bytes;
}

int32_t WINAPI ScrapCallback(int32_t operation, int32_t format, HDC, int32_t destination, int32_t type, int32_t pointer,
                             int32_t cell)
{
    int32_t *cellPtr = reinterpret_cast<int32_t *>(cell);
    if (operation == 0) {
        if (type != kTEXT || UINT(format) != TextFormat())
            return 0;
        HGLOBAL g = GetClipboardData(TextFormat());
        if (!g)
            return 0;
        std::string bytes = StoredBytes(g);
        Handle h = reinterpret_cast<Handle>(destination);
        SetHandleSize(h, static_cast<Size>(bytes.size()));
        if (!bytes.empty())
            std::memcpy(*h, bytes.data(), bytes.size());
        *cellPtr = static_cast<int32_t>(bytes.size());
        return 1;
    }
    if (operation == 1) {
        const int32_t length = *cellPtr;
        std::string bytes(reinterpret_cast<const char *>(pointer), pointer ? length : 0);
        sPuts.push_back({static_cast<ResType>(type), bytes});
        if (sRefusePuts)
            return 0;
        if (type == kTEXT)
            SetClipboardData(TextFormat(), GlobalOf(Stored(bytes)));
        return 1;
    }
    return 0;
}

HWND OtherWindow()
{
    static HWND w = CreateWindowA("STATIC", "clipboard", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    return w;
}

} // namespace

int LiveProcInstances() { return sInstances; }

void SetClipboardText(const std::string &text)
{
    ASSERT_TRUE(OpenClipboard(OtherWindow()));
    EmptyClipboard();
    SetClipboardData(TextFormat(), GlobalOf(Stored(text)));
    CloseClipboard();
}

void SetClipboardWithoutText()
{
    ASSERT_TRUE(OpenClipboard(OtherWindow()));
    EmptyClipboard();
    SetClipboardData(OtherFormat(), GlobalOf("other"));
    CloseClipboard();
}

bool ClipboardText(std::string *text)
{
    if (!OpenClipboard(OtherWindow()))
        return false;
    HGLOBAL g = GetClipboardData(TextFormat());
    if (g)
        *text = StoredBytes(g);
    CloseClipboard();
    return g != nullptr;
}

void RefuseScrapPuts(bool refuse) { sRefusePuts = refuse; }

std::vector<ScrapPut> TakeScrapPuts()
{
    std::vector<ScrapPut> out;
    out.swap(sPuts);
    return out;
}

int16_t ProportionalFont()
{
    static int16_t n = [] {
        const std::vector<EnumeratedFace> faces = EnumerateFaces();
        const EnumeratedFace *f = TrueTypeFaceOfFamily(faces, FF_SWISS);
        if (!f)
            f = TrueTypeFaceOfFamily(faces, FF_ROMAN);
        return f ? FontNumberOf(f->name) : int16_t(-1);
    }();
    return n;
}

int16_t FixedFont()
{
    static int16_t n = [] {
        const std::vector<EnumeratedFace> faces = EnumerateFaces();
        const EnumeratedFace *f = TrueTypeFaceOfFamily(faces, FF_MODERN);
        return f ? FontNumberOf(f->name) : int16_t(-1);
    }();
    return n;
}

LOGFONTA PortLogFont()
{
    BindBuffer b{};
    ZEL_GetBindTextAttributesHFONT(&b);
    return b.logFont;
}

std::string HandleBytes(Handle h)
{
    if (!h || !*h)
        return std::string();
    return std::string(*h, static_cast<size_t>(GetHandleSize(h)));
}

std::string RecordText(TEHandle h) { return HandleBytes((**h).hText); }

std::vector<int> LineStarts(TEHandle h)
{
    std::vector<int> out;
    for (int i = 0; i <= (**h).nLines; ++i)
        out.push_back((**h).lineStarts[i]);
    return out;
}

Rect R(int left, int top, int right, int bottom)
{
    Rect r;
    r.left = int16_t(left);
    r.top = int16_t(top);
    r.right = int16_t(right);
    r.bottom = int16_t(bottom);
    return r;
}

std::string SurfaceDifference(testing_support::DibSurface &a, testing_support::DibSurface &b, const Rect *area)
{
    const int x0 = area ? area->left : 0, y0 = area ? area->top : 0;
    const int x1 = area ? area->right : a.width(), y1 = area ? area->bottom : a.height();
    int wrong = 0, left = x1, top = y1, right = -1, bottom = -1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) {
                ++wrong;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (!wrong)
        return std::string();
    return std::to_string(wrong) + " pixels differ within (" + std::to_string(left) + ", " + std::to_string(top) +
           ") - (" + std::to_string(right) + ", " + std::to_string(bottom) + ")";
}

void TextEditTest::SetUpTestSuite()
{
    QuickDrawTest::SetUpTestSuite();
    static bool once = [] {
        UseNoFontMap();
        TEInit();
        return true;
    }();
    (void)once;
}

} // namespace te_fixtures

// The session: callbacks wrapped through the counting make and free callbacks, the scrap callback above.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    InstallDiagnosticCapture();
    static SessionParamBlock block = MakeSessionBlock(CreateHostMainWindow(), zelFlagHeapCheck);
    block.makeProcInstance = te_fixtures::MakeInstance;
    block.freeProcInstance = te_fixtures::FreeInstance;
    block.scrapCallback = reinterpret_cast<FARPROC>(te_fixtures::ScrapCallback);
    ZEL_InitSession(&block);
    static LowMemPointerBlock globals;
    ZEL_InitGlobals(Setup_Globals(&globals));
    const int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}
