// Scrap Manager on the real clipboard: the host's main window is a clipboard viewer that forwards
// WM_DRAWCLIPBOARD to ZEL_DrawClipboard, and its scrap callback records every call. Each suite runs a
// session of its own: with the callback, without one, and with the host's own scrap record.
#include <gtest/gtest.h>
#include "test_support.h"
#include "LowMem.h"
#include "Quickdraw.h"
#include "Events.h"
#include "Scrap.h"

#include <cstring>
#include <vector>

using namespace testing_support;

namespace {

constexpr ResType kTEXT = 0x54455854;

struct ScrapCall {
    int32_t operation, format;
    HDC dc;
    int32_t destination, type, pointer, cell;
    int32_t cellValue; // what the cell held when the callback was called
};

// How the callback answers: it takes the acceptOn-th format offered to it by a get (0: none), storing
// `store` in the result cell unless store is kStoreNothing; it accepts or refuses puts and imports; it
// may change the clipboard while the library holds it open.
constexpr int32_t kStoreNothing = 0x7FFFFFFF;
struct CallbackBehaviour {
    int acceptOn = 0;
    int32_t store = kStoreNothing;
    bool acceptPut = true;
    bool acceptImport = false;
    UINT putFormat = 0;      // the put writes its bytes in this format
    UINT writeOnGet = 0;     // a get or an import writes a format of its own first
};

std::vector<ScrapCall> sCalls;
CallbackBehaviour sBehaviour;
int sOffered;

int32_t WINAPI RecordingScrapCallback(int32_t operation, int32_t format, HDC dc, int32_t destination, int32_t type,
                                      int32_t pointer, int32_t cell)
{
    int32_t *cellPtr = reinterpret_cast<int32_t *>(cell);
    sCalls.push_back({operation, format, dc, destination, type, pointer, cell, cellPtr ? *cellPtr : 0});
    switch (operation) {
    case 0:
        if (sBehaviour.writeOnGet)
            SetClipboardData(sBehaviour.writeOnGet, GlobalAlloc(GMEM_MOVEABLE, 4));
        if (++sOffered != sBehaviour.acceptOn)
            return 0;
        if (sBehaviour.store != kStoreNothing)
            *cellPtr = sBehaviour.store;
        return 1;
    case 1: {
        if (!sBehaviour.acceptPut)
            return 0;
        int32_t length = *cellPtr;
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, length);
        std::memcpy(GlobalLock(data), reinterpret_cast<const void *>(pointer), length);
        GlobalUnlock(data);
        SetClipboardData(sBehaviour.putFormat, data);
        return 1;
    }
    case 2:
        if (sBehaviour.writeOnGet)
            SetClipboardData(sBehaviour.writeOnGet, GlobalAlloc(GMEM_MOVEABLE, 4));
        return sBehaviour.acceptImport;
    default:
        return 0;
    }
}

std::vector<ScrapCall> TakeCalls()
{
    std::vector<ScrapCall> out;
    out.swap(sCalls);
    sOffered = 0;
    return out;
}

WNDPROC sHostProc;
HWND sNextViewer;

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWCLIPBOARD) {
        ZEL_DrawClipboard();
        if (sNextViewer)
            SendMessageA(sNextViewer, message, wParam, lParam);
        return 0;
    }
    if (message == WM_CHANGECBCHAIN) {
        if (reinterpret_cast<HWND>(wParam) == sNextViewer)
            sNextViewer = reinterpret_cast<HWND>(lParam);
        else if (sNextViewer)
            SendMessageA(sNextViewer, message, wParam, lParam);
        return 0;
    }
    return CallWindowProcA(sHostProc, hwnd, message, wParam, lParam);
}

UINT PrivateFormat(int n)
{
    char name[40];
    wsprintfA(name, "TOLVADEX scrap test %d", n);
    return RegisterClipboardFormatA(name);
}

// A window of the test program other than the host's: it fills the clipboard and holds it.
HWND OtherWindow()
{
    static HWND other = CreateWindowA("STATIC", "other", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                      nullptr);
    return other;
}

// Leaves the clipboard holding exactly these formats (four bytes each), set by the other window.
void FillClipboard(const std::vector<UINT> &formats)
{
    ASSERT_TRUE(OpenClipboard(OtherWindow()));
    EmptyClipboard();
    for (UINT format : formats) {
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, 4);
        std::memcpy(GlobalLock(data), "abcd", 4);
        GlobalUnlock(data);
        SetClipboardData(format, data);
    }
    CloseClipboard();
}

std::vector<UINT> ClipboardFormats()
{
    std::vector<UINT> out;
    if (!OpenClipboard(OtherWindow()))
        return out;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
        out.push_back(f);
    CloseClipboard();
    return out;
}

int32_t Arg(const void *p) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p)); }

// A session whose main window watches the clipboard. The record InfoScrap answered before the viewer
// was registered (registering sends one WM_DRAWCLIPBOARD at once) is kept in `atStart`.
class ScrapSession : public testing::Test {
protected:
    static HWND main;
    static SessionParamBlock block;
    static ScrapStuff atStart;
    static PScrapStuff startRecord;

    static void Start(bool withCallback, LowMemPointerBlock *globals)
    {
        InstallDiagnosticCapture();
        main = CreateHostMainWindow("TOLVADEX scrap test");
        sHostProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewerProc)));
        block = MakeSessionBlock(main, zelFlagRawCallbacks | zelFlagHeapCheck);
        block.scrapCallback = withCallback ? reinterpret_cast<FARPROC>(RecordingScrapCallback) : nullptr;
        ZEL_InitSession(&block);
        static LowMemPointerBlock libraryGlobals;
        ZEL_InitGlobals(globals ? globals : Setup_Globals(&libraryGlobals));
        static QDGlobals qd;
        InitGraf(&qd.thePort);
        sBehaviour = CallbackBehaviour{};
        startRecord = InfoScrap();
        atStart = *startRecord;
        sNextViewer = SetClipboardViewer(main);
        TakeCalls();
    }
    static void TearDownTestSuite()
    {
        ChangeClipboardChain(main, sNextViewer);
        ZEL_ExitSession();
        DestroyWindow(main);
    }
    void SetUp() override
    {
        sBehaviour = CallbackBehaviour{};
        FillClipboard({});
        TakeCalls();
    }
    static int16_t Count() { return InfoScrap()->scrapCount; }
};
HWND ScrapSession::main;
SessionParamBlock ScrapSession::block;
ScrapStuff ScrapSession::atStart;
PScrapStuff ScrapSession::startRecord;

class Scrap : public ScrapSession {
protected:
    static void SetUpTestSuite() { Start(true, nullptr); }
};

TEST_F(Scrap, StartsWithTheLibrarysRecord)
{
    EXPECT_EQ(startRecord, &ScrapInfo);
    EXPECT_EQ(atStart.scrapCount, 1);
    EXPECT_EQ(atStart.scrapState, 0);
    EXPECT_EQ(atStart.scrapSize, 0);
    EXPECT_EQ(atStart.scrapHandle, nullptr);
    ASSERT_NE(atStart.scrapName, nullptr);
    EXPECT_EQ(std::basic_string<unsigned char>(atStart.scrapName, 10), P("scrapfile"));
}

TEST_F(Scrap, GetScrapHandsTheOfferedFormatToTheCallback)
{
    const UINT format = PrivateFormat(1);
    FillClipboard({format});
    TakeCalls();
    sBehaviour.acceptOn = 1;
    sBehaviour.store = 42;
    Handle h = NewHandle(0);
    int32_t off = 5;
    const int16_t count = Count();
    EXPECT_EQ(GetScrap(h, kTEXT, &off), 42);
    EXPECT_EQ(off, 5);
    std::vector<ScrapCall> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, 0);
    EXPECT_EQ(calls[0].format, static_cast<int32_t>(format));
    EXPECT_EQ(calls[0].dc, ZEL_GetCurrentDC());
    EXPECT_NE(calls[0].dc, nullptr);
    EXPECT_EQ(calls[0].destination, Arg(h));
    EXPECT_EQ(calls[0].type, static_cast<int32_t>(kTEXT));
    EXPECT_EQ(calls[0].pointer, Arg(&off));
    EXPECT_NE(calls[0].cell, 0);
    EXPECT_EQ(calls[0].cellValue, 0) << "the result cell starts at 0";
    EXPECT_EQ(Count(), count) << "reading changes nothing";
    DisposeHandle(h);
}

TEST_F(Scrap, GetScrapWalksTheFormatsAndCountsTheRefusedOnes)
{
    const std::vector<UINT> three{PrivateFormat(1), PrivateFormat(2), PrivateFormat(3)};
    struct Case {
        const char *name;
        std::vector<UINT> formats;
        int acceptOn;
        int32_t store;
        bool nilOffset;
        int32_t result, offsetAfter;
        size_t offered;
    } cases[] = {
        {"the third of three", three, 3, 42, false, 42, 7, 3},
        {"the first of three", three, 1, 9, false, 9, 5, 1},
        {"accepted with nothing stored", three, 2, kStoreNothing, false, 0, 6, 2},
        {"all refused", three, 0, 0, false, -102, 0, 3},
        {"an empty clipboard", {}, 1, 42, false, -102, 0, 0},
        {"a nil offset, the third taken", three, 3, 42, true, 42, 5, 3},
        {"a nil offset, all refused", three, 0, 0, true, -102, 5, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FillClipboard(c.formats);
        TakeCalls();
        sBehaviour.acceptOn = c.acceptOn;
        sBehaviour.store = c.store;
        int32_t off = 5;
        EXPECT_EQ(GetScrap(nullptr, kTEXT, c.nilOffset ? nullptr : &off), c.result);
        EXPECT_EQ(off, c.offsetAfter);
        std::vector<ScrapCall> calls = TakeCalls();
        ASSERT_EQ(calls.size(), c.offered);
        for (size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].operation, 0);
            EXPECT_EQ(calls[i].format, static_cast<int32_t>(c.formats[i])) << "formats in the clipboard's order";
            EXPECT_EQ(calls[i].pointer, c.nilOffset ? 0 : Arg(&off));
        }
    }
}

TEST_F(Scrap, PutScrapGoesThroughTheCallbackAndComesBackAsAnImport)
{
    const UINT format = PrivateFormat(4);
    sBehaviour.putFormat = format;
    ASSERT_EQ(ZeroScrap(), 0);
    const int16_t count = Count();
    EXPECT_TRUE(TakeCalls().empty());

    static const char source[] = "abc";
    EXPECT_EQ(PutScrap(3, kTEXT, source), 0);
    std::vector<ScrapCall> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].operation, 1);
    EXPECT_EQ(calls[0].format, 0);
    EXPECT_EQ(calls[0].dc, ZEL_GetCurrentDC());
    EXPECT_EQ(calls[0].destination, 0);
    EXPECT_EQ(calls[0].type, static_cast<int32_t>(kTEXT));
    EXPECT_EQ(calls[0].pointer, Arg(source));
    EXPECT_EQ(calls[0].cellValue, 3) << "the length is passed by address";
    // The change the put made reaches the viewer, and through it the callback, once.
    EXPECT_EQ(calls[1].operation, 2);
    EXPECT_EQ(calls[1].format, static_cast<int32_t>(format));
    EXPECT_EQ(calls[1].dc, ZEL_GetCurrentDC());
    EXPECT_EQ(calls[1].destination | calls[1].type | calls[1].pointer | calls[1].cell, 0);
    EXPECT_EQ(Count(), count + 1);
    EXPECT_EQ(ClipboardFormats(), std::vector<UINT>{format});

    sBehaviour.acceptPut = false;
    EXPECT_EQ(PutScrap(3, kTEXT, source), -100);
    calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u) << "nothing changed, so no import follows";
    EXPECT_EQ(Count(), count + 1);
}

TEST_F(Scrap, ImportsStopAtTheFirstAcceptedFormat)
{
    sBehaviour.acceptImport = true;
    const int16_t count = Count();
    FillClipboard({PrivateFormat(1), PrivateFormat(2)});
    std::vector<ScrapCall> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].operation, 2);
    EXPECT_EQ(calls[0].format, static_cast<int32_t>(PrivateFormat(1)));
    EXPECT_EQ(Count(), count + 1);
    EXPECT_EQ(InfoScrap()->scrapSize, 0);
    EXPECT_EQ(InfoScrap()->scrapHandle, nullptr);
}

TEST_F(Scrap, ZeroScrapEmptiesTheClipboardWithoutCallingTheHost)
{
    FillClipboard({PrivateFormat(1)});
    TakeCalls();
    InfoScrap()->scrapSize = 77;
    InfoScrap()->scrapState = 3;
    const int16_t count = Count();
    EXPECT_EQ(ZeroScrap(), 0);
    EXPECT_EQ(ZeroScrap(), 0);
    EXPECT_EQ(Count(), count + 2);
    EXPECT_EQ(InfoScrap()->scrapSize, 0);
    EXPECT_EQ(InfoScrap()->scrapState, 0);
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Scrap, TheLibrarysOwnClosesAreNotReportedToTheHost)
{
    // A callback that writes to the clipboard while the library holds it makes the library's own close
    // change the contents; that notification must not come back as an import.
    const UINT extra = PrivateFormat(5);
    FillClipboard({PrivateFormat(1)});
    TakeCalls();
    sBehaviour.writeOnGet = extra;
    const int16_t count = Count();
    int32_t off = 0;
    EXPECT_EQ(GetScrap(nullptr, kTEXT, &off), -102);
    std::vector<ScrapCall> calls = TakeCalls();
    for (const ScrapCall &call : calls)
        EXPECT_EQ(call.operation, 0);
    EXPECT_EQ(Count(), count);
    EXPECT_EQ(ClipboardFormats().size(), 2u) << "the callback's write took";

    // The import's own write, during ZEL_DrawClipboard, does not come back either.
    FillClipboard({PrivateFormat(2)});
    calls = TakeCalls();
    ASSERT_FALSE(calls.empty());
    for (const ScrapCall &call : calls)
        EXPECT_EQ(call.operation, 2);
    EXPECT_EQ(Count(), count + 1) << "one change seen, not the import's own";
    EXPECT_EQ(ClipboardFormats().size(), 2u);
}

TEST_F(Scrap, AHeldClipboardIsLeftAlone)
{
    const UINT format = PrivateFormat(1);
    FillClipboard({format});
    TakeCalls();
    sBehaviour.acceptOn = 1;
    sBehaviour.store = 42;
    const int16_t count = Count();
    ASSERT_TRUE(OpenClipboard(OtherWindow()));
    int32_t off = 5;
    EXPECT_EQ(GetScrap(nullptr, kTEXT, &off), -45);
    EXPECT_EQ(PutScrap(3, kTEXT, "abc"), -45);
    EXPECT_EQ(ZeroScrap(), -45);
    EXPECT_EQ(off, 5);
    EXPECT_EQ(Count(), count);
    EXPECT_EQ(GetOpenClipboardWindow(), OtherWindow()) << "the holder still holds it";
    EXPECT_TRUE(IsClipboardFormatAvailable(format));
    CloseClipboard();
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(ClipboardFormats(), std::vector<UINT>{format});
}

TEST_F(Scrap, LoadingAndUnloading)
{
    InfoScrap()->scrapState = 5;
    const ScrapStuff before = *InfoScrap();
    EXPECT_EQ(LoadScrap(), 0);
    EXPECT_EQ(LodeScrap(), 0);
    EXPECT_EQ(std::memcmp(InfoScrap(), &before, sizeof before), 0) << "loading changes nothing";
    EXPECT_EQ(UnloadScrap(), 0);
    EXPECT_EQ(InfoScrap()->scrapState, 0);
    InfoScrap()->scrapState = 5;
    EXPECT_EQ(UnlodeScrap(), 0);
    EXPECT_EQ(InfoScrap()->scrapState, 0);
    EXPECT_EQ(InfoScrap()->scrapCount, before.scrapCount);
}

// ---- A session block without a scrap callback ----

class ScrapWithoutCallback : public ScrapSession {
protected:
    static void SetUpTestSuite() { Start(false, nullptr); }
};

TEST_F(ScrapWithoutCallback, AnswersWithoutCalling)
{
    FillClipboard({PrivateFormat(1)});
    int32_t off = 5;
    EXPECT_EQ(GetScrap(nullptr, kTEXT, &off), -102);
    EXPECT_EQ(off, 0);
    EXPECT_EQ(PutScrap(3, kTEXT, "abc"), -100);
    const int16_t count = Count();
    ZEL_DrawClipboard();
    EXPECT_EQ(Count(), count + 1) << "a change still starts a new scrap";
    EXPECT_EQ(ZeroScrap(), 0);
    EXPECT_EQ(Count(), count + 2);
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_TRUE(TakeCalls().empty());
}

// ---- The host's own scrap record ----

struct HostRecords {
    ScrapStuff scrap;
    LowMemPointerBlock block;
};
HostRecords sHost;

class HostScrapRecord : public ScrapSession {
protected:
    static ScrapStuff exportedBefore;
    static void SetUpTestSuite()
    {
        std::memset(&sHost.scrap, 0x5A, sizeof sHost.scrap);
        sHost.block = LowMemPointerBlock{};
        sHost.block.size = sizeof sHost.block;
        sHost.block.ScrapInfo = &sHost.scrap;
        Start(true, &sHost.block);
        exportedBefore = ScrapInfo;
    }
};
ScrapStuff HostScrapRecord::exportedBefore;

TEST_F(HostScrapRecord, CountsAndResetsLandInTheHostsRecord)
{
    EXPECT_EQ(startRecord, &sHost.scrap);
    EXPECT_EQ(atStart.scrapCount, 1);
    EXPECT_EQ(InfoScrap(), &sHost.scrap);
    const int16_t count = sHost.scrap.scrapCount;
    sHost.scrap.scrapState = 4;
    ASSERT_EQ(ZeroScrap(), 0);
    EXPECT_EQ(sHost.scrap.scrapCount, count + 1);
    EXPECT_EQ(sHost.scrap.scrapState, 0);
    sBehaviour.putFormat = PrivateFormat(1);
    ASSERT_EQ(PutScrap(3, kTEXT, "abc"), 0);
    EXPECT_EQ(sHost.scrap.scrapCount, count + 2);
    sHost.scrap.scrapState = 4;
    UnloadScrap();
    EXPECT_EQ(sHost.scrap.scrapState, 0);
    EXPECT_EQ(std::memcmp(&ScrapInfo, &exportedBefore, sizeof ScrapInfo), 0) << "the exported record is untouched";
}

TEST_F(HostScrapRecord, ActivationAsksTheHostToConvertAfterAChange)
{
    auto activate = [](int16_t active) {
        TakeCalls();
        ZEL_ActivateApp(active);
        std::vector<ScrapCall> calls = TakeCalls();
        EXPECT_EQ(calls.size(), 1u);
        if (calls.empty())
            return std::pair<int32_t, int32_t>{-1, -1};
        EXPECT_EQ(calls[0].dc, ZEL_GetCurrentDC());
        EXPECT_EQ(calls[0].destination | calls[0].type | calls[0].pointer | calls[0].cell, 0);
        return std::pair<int32_t, int32_t>{calls[0].operation, calls[0].format};
    };
    ZEL_ActivateApp(0); // the first activation only records the state
    TakeCalls();
    using Op = std::pair<int32_t, int32_t>;
    EXPECT_EQ(activate(1), Op(4, 1)) << "the first resume converts";
    EXPECT_EQ(activate(0), Op(3, 0));
    EXPECT_EQ(activate(1), Op(4, 0)) << "nothing changed";
    ASSERT_EQ(ZeroScrap(), 0);
    EXPECT_EQ(activate(0), Op(3, 0));
    EXPECT_EQ(activate(1), Op(4, 1)) << "the host's record counted a change";
    EXPECT_EQ(std::memcmp(&ScrapInfo, &exportedBefore, sizeof ScrapInfo), 0);
    FlushEvents(-1, 0);
}

} // namespace
