// The native code-resource registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "test_support.h"

namespace {

void ZEL_CALL ProcA() {}
void ZEL_CALL ProcB() {}
void ZEL_CALL ProcC() {}
const ResType kMDEF = 0x4D444546, kLDEF = 0x4C444546;

} // namespace

TEST(CodeResources, RegisterLookUpAndRemove)
{
    ZEL_CodeResource(2, 0, 0, nullptr);
    EXPECT_EQ(ZEL_CodeResource(1, kMDEF, 5, ProcA), ProcA);
    EXPECT_EQ(ZEL_CodeResource(1, kMDEF, 5, ProcB), ProcB) << "duplicates are kept";
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 5, nullptr), ProcA) << "look-up returns the first";
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 0x10005, nullptr), ProcA) << "the ID is its low 16 bits";
    EXPECT_EQ(ZEL_CodeResource(0x10003, kMDEF, 5, nullptr), ProcA) << "the operation is its low 16 bits";
    EXPECT_EQ(ZEL_CodeResource(5, kMDEF, 0, ProcB), ProcB);
    EXPECT_EQ(ZEL_CodeResource(5, kLDEF, 0, ProcB), nullptr) << "registered under another type";
    EXPECT_EQ(ZEL_CodeResource(0, kMDEF, 5, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(3, kMDEF, 5, nullptr), nullptr) << "operation 0 removes both";
}

TEST(CodeResources, SixtyFourEntries)
{
    ZEL_CodeResource(2, 0, 0, nullptr);
    for (int id = 0; id < 64; ++id)
        ASSERT_EQ(ZEL_CodeResource(1, kLDEF, id, ProcA), ProcA) << id;
    EXPECT_EQ(ZEL_CodeResource(1, kLDEF, 64, ProcC), nullptr) << "the 65th registration fails";
    EXPECT_EQ(ZEL_CodeResource(3, kLDEF, 64, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(4, kLDEF, 7, nullptr), nullptr);
    EXPECT_EQ(ZEL_CodeResource(1, kLDEF, 64, ProcC), ProcC) << "a freed entry is reused";
    ZEL_CodeResource(2, 0, 0, nullptr);
    EXPECT_EQ(ZEL_CodeResource(3, kLDEF, 0, nullptr), nullptr) << "operation 2 clears everything";
}

TEST(SessionFlags, SetFlagsReturnsThePreviousFlags)
{
    uint32_t start = ZEL_SetFlags(0, 0, 0, 0);
    EXPECT_EQ(ZEL_SetFlags(0, 0, 0, 0), start) << "an empty mask changes nothing";
    EXPECT_EQ(ZEL_SetFlags(zelFlagRightIsLeft | zelFlagRightIsControl, zelFlagRightIsLeft | 0x80000000u, 0, 0), start);
    uint32_t now = ZEL_SetFlags(0, 0, 0, 0);
    EXPECT_EQ(now & (zelFlagRightIsLeft | zelFlagRightIsControl), static_cast<uint32_t>(zelFlagRightIsLeft));
    EXPECT_EQ(now & 0x80000000u, start & 0x80000000u) << "bits outside the mask stay";
    ZEL_SetFlags(0xFFFFFFFFu, start, 0, 0);
    EXPECT_EQ(ZEL_SetFlags(0, 0, 0, 0), start);
}

TEST(SessionGlue, IpcDataBlockAnswersNothingAndLeavesTheBuffer)
{
    // No shared data block is ever attached: every operation answers 0 and touches no byte.
    char buffer[16];
    for (int16_t op = 0; op <= 5; ++op) {
        std::memset(buffer, 0x5A, sizeof buffer);
        EXPECT_EQ(ZEL_IPC_DataBlock(op, 1, sizeof buffer, buffer), 0) << op;
        EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 0x5A)) << op;
    }
}

namespace {

// What the library handed to Shell_NotifyIconA, caught by replacing the entry in the DLL's import table.
struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAA data;
};
std::vector<NotifyCall> sNotifyCalls;

BOOL WINAPI CatchNotifyIcon(DWORD message, PNOTIFYICONDATAA data)
{
    NotifyCall call{message, {}};
    std::memcpy(&call.data, data, std::min<size_t>(data->cbSize, sizeof call.data));
    sNotifyCalls.push_back(call);
    return TRUE;
}

// Points the DLL's import of `name` from `dll` at `replacement`; returns the entry it replaced.
FARPROC ReplaceImport(const char *dll, const char *name, FARPROC replacement)
{
    auto base = reinterpret_cast<BYTE *>(GetModuleHandleA("TOLVADEX.dll"));
    FARPROC original = GetProcAddress(GetModuleHandleA(dll), name);
    if (!base || !original)
        return nullptr;
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS32 *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (lstrcmpiA(reinterpret_cast<const char *>(base + imp->Name), dll) != 0)
            continue;
        for (auto thunk = reinterpret_cast<IMAGE_THUNK_DATA32 *>(base + imp->FirstThunk); thunk->u1.Function; ++thunk) {
            if (thunk->u1.Function != reinterpret_cast<DWORD>(original))
                continue;
            DWORD protection;
            VirtualProtect(&thunk->u1.Function, sizeof(DWORD), PAGE_READWRITE, &protection);
            FARPROC previous = reinterpret_cast<FARPROC>(thunk->u1.Function);
            thunk->u1.Function = reinterpret_cast<DWORD>(replacement);
            VirtualProtect(&thunk->u1.Function, sizeof(DWORD), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

} // namespace

TEST(SessionGlue, TaskBarIconTipIsBounded)
{
    // A tip longer than the shell's field is cut to 63 characters and its NUL; nothing is written past
    // the record's first version.
    FARPROC original = ReplaceImport("SHELL32.dll", "Shell_NotifyIconA", reinterpret_cast<FARPROC>(CatchNotifyIcon));
    ASSERT_NE(original, nullptr);
    sNotifyCalls.clear();
    std::string tip(200, 't');
    ZEL_TaskBarIconAddRemove(1, 7, MAKEINTRESOURCEA(32512), tip.c_str());
    ZEL_TaskBarIconAddRemove(0, 7, nullptr, nullptr);
    ReplaceImport("SHELL32.dll", "Shell_NotifyIconA", original);
    ASSERT_EQ(sNotifyCalls.size(), 2u);
    const NOTIFYICONDATAA &add = sNotifyCalls[0].data;
    EXPECT_EQ(sNotifyCalls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(add.uID, 7u);
    EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_ICON | NIF_TIP));
    // The first version of the record holds a tip of 64 bytes.
    EXPECT_EQ(std::string(add.szTip, 64), std::string(63, 't') + '\0');
    EXPECT_EQ(sNotifyCalls[1].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(sNotifyCalls[1].data.uID, 7u);
}
