// Session life cycle. Each scenario runs in its own process (a session cannot restart in one), chosen
// by ctest through --gtest_filter.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MacMemory.h"
#include "test_support.h"

namespace {

using testing_support::CreateHostMainWindow;
using testing_support::MakeSessionBlock;

int sMade, sFreed;
FARPROC sLastFreed;

void WINAPI Scrap() {}
void WINAPI ByteSwap() {}
void WINAPI Wrapped() {}

FARPROC WINAPI MakeInstance(FARPROC, HINSTANCE)
{
    ++sMade;
    return reinterpret_cast<FARPROC>(Wrapped);
}

void WINAPI FreeInstance(FARPROC proc)
{
    ++sFreed;
    sLastFreed = proc;
}

// The references the global atom table holds on the session's "ZEL_wFlag" atom (0 when it is not there).
// Every program of a Wine session shares that table and one that was killed leaves its reference behind,
// so a case checks the change its own session makes, never the count itself.
int AtomReferences()
{
    ATOM atom = GlobalFindAtomA("ZEL_wFlag");
    if (!atom)
        return 0;
    struct {
        USHORT references;
        USHORT pinned;
        USHORT nameLength;
        WCHAR name[32];
    } info{};
    using QueryAtom = LONG(WINAPI *)(ATOM, int, void *, ULONG, ULONG *);
    auto query = reinterpret_cast<QueryAtom>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationAtom")));
    const int kAtomBasicInformation = 0;
    if (!query || query(atom, kAtomBasicInformation, &info, sizeof info, nullptr) < 0)
        return -1;
    return info.references;
}

// A host block followed by bytes the library must never touch.
struct PaddedBlock {
    SessionParamBlock block;
    unsigned char tail[112];
};

void ExpectHandlesWork()
{
    Handle h = NewHandle(32);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(SetHandleSize(h, 5000));
    DisposeHandle(h);
    EXPECT_EQ(MemError(), noErr);
}

} // namespace

TEST(SessionLife, FullBlock)
{
    PaddedBlock padded;
    std::memset(&padded, 0xAB, sizeof padded);
    padded.block = MakeSessionBlock(CreateHostMainWindow(), zelFlagDialogScaling);
    padded.block.size = 200;
    padded.block.initialised = 0;
    padded.block.makeProcInstance = MakeInstance;
    padded.block.freeProcInstance = FreeInstance;
    padded.block.scrapCallback = reinterpret_cast<FARPROC>(Scrap);
    padded.block.byteSwapCallback = reinterpret_cast<FARPROC>(ByteSwap);
    ASSERT_NE(padded.block.mainWindow, nullptr);

    const int references = AtomReferences();
    ZEL_InitSession(&padded.block);
    const SessionParamBlock &b = padded.block;
    EXPECT_EQ(b.size, 200) << "the host's size word is its own";
    EXPECT_EQ(b.initialised, 1u);
    EXPECT_STREQ(b.mainWindowClass, "ZELMainWndClass");
    EXPECT_STREQ(b.subWindowClass, "ZELSubWndClass");
    EXPECT_STREQ(b.mdiSubWindowClass, "ZELSubMDIWndClass");
    EXPECT_STREQ(b.resourceFileName, "ZELPORT.RSR");
    EXPECT_STREQ(b.memoryDcDriver, "DIB");
    EXPECT_EQ(b.threeDBaseClass, b.subWindowClass);
    EXPECT_EQ(b.sessionFlags & zelFlagDialogScaling, static_cast<uint32_t>(zelFlagDialogScaling));
    EXPECT_TRUE(b.sessionFlags & zelFlagThreeD) << "the new shell turns the three-D look on";
    EXPECT_EQ(b.scrapCallback, reinterpret_cast<FARPROC>(Wrapped)) << "callbacks are wrapped";
    EXPECT_EQ(b.byteSwapCallback, reinterpret_cast<FARPROC>(Wrapped));
    EXPECT_EQ(sMade, 2);
    for (unsigned char c : padded.tail)
        ASSERT_EQ(c, 0xAB) << "nothing past 88 bytes is written";

    WNDCLASSA threeD{};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "_ZEL_THREED_", &threeD));
    EXPECT_EQ(AtomReferences(), references + 1) << "the session adds its reference to the global atom";

    // A code resource registered without flag 0x200 is stored as a proc instance and released on removal.
    ProcPtr stored = ZEL_CodeResource(1, 0x434E544C, 1, reinterpret_cast<ProcPtr>(Scrap));
    EXPECT_EQ(stored, reinterpret_cast<ProcPtr>(Wrapped));
    EXPECT_EQ(sMade, 3);
    ZEL_CodeResource(0, 0x434E544C, 1, nullptr);
    EXPECT_EQ(sFreed, 1);

    ExpectHandlesWork();
    sFreed = 0;
    ZEL_ExitSession();
    EXPECT_EQ(sFreed, 2) << "scrap and byte-swap callbacks released at exit";
    EXPECT_EQ(AtomReferences(), references) << "and gives it back";
}

TEST(SessionLife, ShortBlock)
{
    // Only the first 40 bytes are the host's: the class names after them take their defaults, and the
    // bytes after them are neither read nor written.
    PaddedBlock padded;
    std::memset(&padded, 0xCD, sizeof padded);
    SessionParamBlock full = MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks);
    std::memcpy(&padded.block, &full, 40);
    padded.block.size = 40;
    ZEL_InitSession(&padded.block);
    EXPECT_EQ(padded.block.initialised, 1u);
    EXPECT_TRUE(padded.block.sessionFlags & zelFlagThreeD);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(&padded);
    for (size_t i = 40; i < sizeof padded; ++i)
        ASSERT_EQ(bytes[i], 0xCD) << "byte " << i;
    WNDCLASSA threeD{};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "_ZEL_THREED_", &threeD))
        << "cloned from the default sub-window class";
    ExpectHandlesWork();
    ZEL_ExitSession();
}

TEST(SessionLife, NegativeSize)
{
    SessionParamBlock block = MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks);
    block.size = -4;
    SessionParamBlock before = block;
    ZEL_InitSession(&block);
    EXPECT_EQ(std::memcmp(&before, &block, sizeof block), 0) << "a negative size copies nothing either way";
    ExpectHandlesWork();
    ZEL_ExitSession();
}

TEST(SessionLife, ExitTwice)
{
    // The test holds its own reference to the atom: a second tear-down that deleted the atom again would
    // take that one.
    GlobalAddAtomA("ZEL_wFlag");
    const int references = AtomReferences();
    SessionParamBlock block = MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks);
    ZEL_InitSession(&block);
    ZEL_ExitSession();
    EXPECT_EQ(AtomReferences(), references);
    ZEL_ExitSession();
    EXPECT_EQ(AtomReferences(), references) << "the second exit does nothing";
    GlobalDeleteAtom(GlobalFindAtomA("ZEL_wFlag"));
}

TEST(SessionLife, NoMainWindow)
{
    SessionParamBlock block = MakeSessionBlock(nullptr, zelFlagRawCallbacks);
    ZEL_InitSession(&block);
    EXPECT_EQ(block.initialised, 1u);
    ExpectHandlesWork();
    ZEL_ExitSession();
}

namespace {

// Runs this program again with `mode`; returns the child's exit code.
DWORD RunChild(const char *mode)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" --gtest_filter=SessionChild.Run";
    SetEnvironmentVariableA("TOLVADEX_CHILD_MODE", mode);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xDEAD;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xBEEF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

} // namespace

TEST(SessionChild, Run)
{
    char mode[32] = {};
    if (!GetEnvironmentVariableA("TOLVADEX_CHILD_MODE", mode, sizeof mode))
        GTEST_SKIP() << "only run as a child";
    SessionParamBlock block = MakeSessionBlock(CreateHostMainWindow(), zelFlagRawCallbacks);
    if (std::strcmp(mode, "exit") == 0) {
        // The process ends with the session open: the detach under the loader lock must not tear down.
        ZEL_InitSession(&block);
        for (int i = 0; i < 100; ++i)
            NewHandle(100);
        ExitProcess(7);
    }
    if (std::strcmp(mode, "unload") == 0) {
        // A second copy of the library, loaded and unloaded by hand, tears its session down on unload.
        std::string dir = testing_support::ProgramDirectory();
        std::string copy = dir + "TOLVADEX_unload.dll";
        CopyFileA((dir + "TOLVADEX.dll").c_str(), copy.c_str(), FALSE);
        HMODULE lib = LoadLibraryA(copy.c_str());
        if (!lib)
            ExitProcess(20);
        auto init = reinterpret_cast<void(WINAPI *)(SessionParamBlock *)>(GetProcAddress(lib, "ZEL_InitSession"));
        if (!init)
            ExitProcess(21);
        const int before = AtomReferences();
        init(&block);
        bool added = AtomReferences() == before + 1;
        FreeLibrary(lib);
        bool givenBack = AtomReferences() == before;
        DeleteFileA(copy.c_str());
        ExitProcess(added && givenBack ? 8 : 22 + (added ? 0 : 1) + (givenBack ? 0 : 2));
    }
    ExitProcess(99);
}

TEST(SessionLife, ProcessExit)
{
    const int references = AtomReferences();
    EXPECT_EQ(RunChild("exit"), 7u) << "ending the process with an open session is clean";
    EXPECT_EQ(AtomReferences(), references) << "the session's reference to the global atom is given back";
    EXPECT_EQ(RunChild("unload"), 8u) << "unloading the library runs the full tear-down";
}
