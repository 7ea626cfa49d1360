// Application files from the command line, the launch parameters, processes and launching.
// The platform's own GetProcessInformation (Windows 8 on) stays out, as in any host using Processes.h.
#define _WIN32_WINNT 0x0501
#include <gtest/gtest.h>
#include <windows.h>
#include <winperf.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Files.h"
#include "MacMemory.h"
#include "LowMem.h"
#include "Processes.h"
#include "Resources.h"
#include "SegLoad.h"
#include "perf_data.h"
#include "process_test.h"
#include "test_support.h"

using namespace process_test;

namespace {

constexpr uint32_t kProc = 0x434F5250;

struct Entry {
    int16_t vRefNum;
    std::string name;
};

// The AppParmHandle's list as bytes say it: message, count, entries at their padded offsets.
Handle AppParmHandle()
{
    Handle h = nullptr;
    GetAppParms(nullptr, nullptr, &h);
    return h;
}

std::vector<Entry> ListedFiles(int16_t *message, std::vector<size_t> *offsets = nullptr)
{
    Handle h = AppParmHandle();
    std::vector<Entry> out;
    if (!h || !*h)
        return out;
    const uint8_t *p = reinterpret_cast<const uint8_t *>(*h);
    int16_t count;
    std::memcpy(message, p, 2);
    std::memcpy(&count, p + 2, 2);
    size_t at = 4;
    for (int i = 0; i < count; ++i) {
        Entry e;
        std::memcpy(&e.vRefNum, p + at, 2);
        e.name.assign(reinterpret_cast<const char *>(p + at + 9), p[at + 8]);
        out.push_back(e);
        if (offsets)
            offsets->push_back(at);
        size_t n = 8 + p[at + 8] + 1;
        at += n + (n & 1);
    }
    return out;
}

std::vector<std::string> Names(const std::vector<Entry> &entries)
{
    std::vector<std::string> out;
    for (const Entry &e : entries)
        out.push_back(e.name);
    return out;
}

std::vector<std::string> Parse(const std::string &line, int16_t *message, std::string *rewritten = nullptr)
{
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    ZEL_ParseCommandLine(buffer.data());
    if (rewritten)
        *rewritten = buffer.data();
    return Names(ListedFiles(message));
}

FSSpec SpecFor(const std::string &directory, const char *name)
{
    FSSpec place{};
    int16_t wd = 0;
    place.parID = ZEL_DirIDFromPath(directory.c_str(), &place.vRefNum, &wd);
    place.name[0] = uint8_t(std::strlen(name));
    std::memcpy(place.name + 1, name, place.name[0]);
    return place;
}

bool WaitForFile(const std::string &path)
{
    for (int i = 0; i < 400; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(50);
    }
    return false;
}

PROCESS_INFORMATION StartChild(const std::string &program, const std::string &arguments)
{
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    return pi;
}

} // namespace

// ---- Application files ----

TEST(AppFiles, StartUpCommandLineIsParsed)
{
    // main() gave the session "first.txt second.txt"; ZEL_InitGlobals made the list from it.
    int16_t message = -1, count = -1;
    CountAppFiles(&message, &count);
    EXPECT_EQ(appOpen, message);
    EXPECT_EQ(2, count);
}

TEST(AppFiles, QuotedPathsRelativeNamesAndPrint)
{
    int16_t message = 0;
    std::string rewritten;
    std::vector<size_t> offsets;
    Parse("  \"C:\\dir with blank\\file one.txt\" rel.txt /P", &message, &rewritten);
    EXPECT_EQ("C:\\dir with blank\\file one.txt>rel.txt>/P", rewritten);
    std::vector<Entry> files = ListedFiles(&message, &offsets);
    EXPECT_EQ(appPrint, message);
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ("file one.txt", files[0].name);
    EXPECT_EQ("rel.txt", files[1].name);
    EXPECT_EQ(4u + 22u, offsets[1]) << "8 + 13 bytes padded to 22";
    EXPECT_EQ(ZEL_CurDirvRefNum(WorkDir().c_str()), files[1].vRefNum) << "relative names are in the start-up directory";

    AppFile record;
    std::memset(&record, 0xAB, sizeof record);
    const AppFile untouched = record;
    GetAppFiles(0, &record);
    GetAppFiles(3, &record);
    EXPECT_EQ(0, std::memcmp(&record, &untouched, sizeof record));
    GetAppFiles(2, &record);
    EXPECT_EQ(files[1].vRefNum, record.vRefNum);
    EXPECT_EQ(0, record.versNum);
    EXPECT_EQ("rel.txt", std::string(reinterpret_cast<char *>(record.fName + 1), record.fName[0]));
    int16_t count = 0;
    CountAppFiles(&message, &count);
    EXPECT_EQ(2, count);
}

TEST(AppFiles, WhatSeparatesAndWhatIsDropped)
{
    struct Case {
        const char *what;
        std::string line;
        std::vector<std::string> names;
    } cases[] = {
        {"letters of 128 and above belong to names", "\xC4rger.txt", {"\xC4rger.txt"}},
        {"tabs and other controls separate", "a.txt\tb.txt\x01" "c.txt", {"a.txt", "b.txt", "c.txt"}},
        {"an unclosed quote runs to the end", "\"x y.txt", {"x y.txt"}},
        {"a path that cannot fit is dropped", std::string(250, 'n') + ".txt ok.txt", {"ok.txt"}},
        {"/p in any case is not a file", "/p", {}},
        {"an empty line", "", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int16_t message = 0;
        EXPECT_EQ(c.names, Parse(c.line, &message));
    }
}

TEST(AppFiles, GetAppParms)
{
    Str255 name;
    int16_t refNum = 0;
    Handle parms = nullptr;
    GetAppParms(name, &refNum, &parms);
    const std::string program = ProgramPath();
    EXPECT_EQ(program.substr(program.rfind('\\') + 1), std::string(reinterpret_cast<char *>(name + 1), name[0]));
    EXPECT_GT(refNum, 0);
    EXPECT_NE(refNum, LMGetSysMap()) << "the application's fork, not the library's";
    int16_t message = 0;
    ASSERT_NE(nullptr, parms);
    EXPECT_EQ(ListedFiles(&message).size(), size_t(reinterpret_cast<int16_t *>(*parms)[1]));
}

// ---- Processes ----

TEST(Processes, TheCurrentProcess)
{
    ProcessSerialNumber current{};
    EXPECT_EQ(noErr, GetCurrentProces(&current));
    EXPECT_EQ(kProc, current.highLongOfPSN);
    EXPECT_EQ(GetCurrentProcessId(), current.lowLongOfPSN);
    const ProcessSerialNumber self{0, 2};
    Boolean same = false;
    SameProcess(&self, &current, &same);
    EXPECT_TRUE(same);

    Str31 name;
    FSSpec place{};
    ProcessInfoRec info{};
    info.processInfoLength = sizeof info;
    info.processName = name;
    info.processAppSpec = &place;
    ASSERT_EQ(noErr, GetProcessInformation(&self, &info));
    const std::string program = ProgramPath();
    const std::string file = program.substr(program.rfind('\\') + 1);
    EXPECT_EQ(file.substr(0, file.rfind('.')), std::string(reinterpret_cast<char *>(name + 1), name[0]));
    EXPECT_EQ(file, std::string(reinterpret_cast<char *>(place.name + 1), place.name[0]));
    EXPECT_EQ(0x4150504Cu, info.processType);
    EXPECT_EQ(0x40C0u, info.processMode);
    EXPECT_EQ(0x40000000u, reinterpret_cast<uintptr_t>(info.processLocation));
    EXPECT_EQ(0x4000000u, info.processSize);
    EXPECT_EQ(0x1000000u, info.processFreeMem);
    EXPECT_EQ(kProc, info.processLauncher.highLongOfPSN);
    EXPECT_EQ(0u, info.processLauncher.lowLongOfPSN);

    const ProcessSerialNumber bogus{0x1234, 5};
    EXPECT_EQ(paramErr, GetProcessInformation(&bogus, &info));
    const ProcessSerialNumber gone{kProc, 0x7FFFFFF0};
    EXPECT_EQ(procNotFound, SetFrontProcess(&gone));
    EXPECT_EQ(noErr, WakeUpProcess(&current));
    EXPECT_EQ(-1, GetPortNameFromProcessSerialNumber(nullptr, &current));
}

TEST(Processes, TheProcessListIsWalkedOnce)
{
    ProcessSerialNumber psn{0, 0};
    std::set<uint32_t> seen;
    int steps = 0;
    OSErr err;
    while ((err = GetNextProcess(&psn)) == noErr && ++steps < 5000) {
        EXPECT_EQ(kProc, psn.highLongOfPSN);
        EXPECT_TRUE(seen.insert(psn.lowLongOfPSN).second) << "each process once";
    }
    EXPECT_EQ(procNotFound, err);
    EXPECT_TRUE(seen.count(GetCurrentProcessId()));
}

// A process without windows, named longer than a Str31 holds.
TEST(Processes, AWindowlessProcessWithALongName)
{
    const std::string copy = WorkDir() + "a_program_name_longer_than_thirty_one.exe";
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE));
    PROCESS_INFORMATION child = StartChild(copy, "--child-wait");
    ASSERT_NE(nullptr, child.hProcess);
    const ProcessSerialNumber psn{kProc, child.dwProcessId};
    unsigned char name[64];
    std::memset(name, 0xEE, sizeof name);
    ProcessInfoRec info{};
    info.processName = name;
    OSErr err = procNotFound;
    for (int i = 0; i < 100 && err == procNotFound; ++i, Sleep(20))
        err = GetProcessInformation(&psn, &info);
    ASSERT_EQ(noErr, err);
    EXPECT_EQ(31, name[0]);
    EXPECT_EQ(0xEE, name[32]) << "nothing past the Str31";
    EXPECT_EQ("a_program_name_longer_than_thir", std::string(reinterpret_cast<char *>(name + 1), 31));
    EXPECT_EQ(0x61707065u, info.processType);
    EXPECT_EQ(0x44C0u, info.processMode);
    EXPECT_EQ(GetCurrentProcessId(), info.processLauncher.lowLongOfPSN);
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
}

TEST(Processes, LaunchApplication)
{
    FSSpec missing = SpecFor(WorkDir(), "missing.exe");
    LaunchParamBlockRec launch{};
    launch.launchAppSpec = &missing;
    EXPECT_EQ(fnfErr, LaunchApplication(&launch));

    const std::string dir = WorkDir() + "dir with blank\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteFileA((dir + "launched.mark").c_str());
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), (dir + "launched.exe").c_str(), FALSE));
    FSSpec program = SpecFor(dir, "launched.exe");
    launch.launchAppSpec = &program;
    EXPECT_EQ(noErr, LaunchApplication(&launch));
    EXPECT_TRUE(WaitForFile(dir + "launched.mark")) << "the program under the blank-named directory ran";
}

TEST(Processes, ExitToShellTellsTheMainWindowAndExitsWithZero)
{
    const std::string marker = WorkDir() + "exit.mark";
    DeleteFileA(marker.c_str());
    PROCESS_INFORMATION child = StartChild(ProgramPath(), "--child-exit \"" + marker + "\"");
    ASSERT_NE(nullptr, child.hProcess);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 30000));
    DWORD code = 99;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(0u, code) << "a normal quit is success to whoever started the program";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(marker.c_str())) << "WM_USER+1 reached the window";
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
}

// ---- The Windows NT performance data ----

namespace {

// A block with one object of `instances` named instances, each with an id counter at offset 8.
std::vector<uint8_t> PerfBlock(uint32_t objectIndex, uint32_t idIndex,
                               const std::vector<std::pair<uint32_t, std::wstring>> &instances)
{
    std::vector<uint8_t> b;
    auto append = [&b](const void *p, size_t n) {
        const uint8_t *q = static_cast<const uint8_t *>(p);
        b.insert(b.end(), q, q + n);
    };
    PERF_DATA_BLOCK head{};
    head.HeaderLength = sizeof head;
    head.NumObjectTypes = 1;
    append(&head, sizeof head);
    const size_t objectAt = b.size();
    PERF_OBJECT_TYPE object{};
    object.HeaderLength = sizeof object;
    object.DefinitionLength = sizeof object + 2 * sizeof(PERF_COUNTER_DEFINITION);
    object.ObjectNameTitleIndex = objectIndex;
    object.NumCounters = 2;
    object.NumInstances = LONG(instances.size());
    append(&object, sizeof object);
    PERF_COUNTER_DEFINITION other{}, id{};
    other.ByteLength = id.ByteLength = sizeof other;
    other.CounterNameTitleIndex = 6;
    other.CounterOffset = 4;
    id.CounterNameTitleIndex = idIndex;
    id.CounterOffset = 8;
    append(&other, sizeof other);
    append(&id, sizeof id);
    for (const auto &[pid, name] : instances) {
        PERF_INSTANCE_DEFINITION inst{};
        const DWORD nameBytes = DWORD((name.size() + 1) * 2);
        inst.ByteLength = DWORD(sizeof inst + ((nameBytes + 7) & ~7u));
        inst.NameOffset = sizeof inst;
        inst.NameLength = nameBytes;
        append(&inst, sizeof inst);
        std::vector<uint8_t> nameField((nameBytes + 7) & ~7u, 0);
        std::memcpy(nameField.data(), name.c_str(), nameBytes);
        append(nameField.data(), nameField.size());
        uint32_t counters[4] = {16, 0xDEAD, pid, 0};
        append(counters, sizeof counters);
    }
    PERF_OBJECT_TYPE *o = reinterpret_cast<PERF_OBJECT_TYPE *>(b.data() + objectAt);
    o->TotalByteLength = DWORD(b.size() - objectAt);
    reinterpret_cast<PERF_DATA_BLOCK *>(b.data())->TotalByteLength = DWORD(b.size());
    return b;
}

bool Collect(uint32_t id, const char *name, void *context)
{
    static_cast<std::vector<std::pair<uint32_t, std::string>> *>(context)->push_back({id, name});
    return true;
}

} // namespace

TEST(PerformanceData, InstancesButTheTotalAreVisited)
{
    const std::vector<uint8_t> block = PerfBlock(230, 784, {{11, L"alpha"}, {22, L"beta"}, {0, L"_Total"}});
    std::vector<std::pair<uint32_t, std::string>> got;
    EXPECT_EQ(2, WalkPerfInstances(block.data(), uint32_t(block.size()), 230, 784, Collect, &got));
    EXPECT_EQ((std::vector<std::pair<uint32_t, std::string>>{{11, "alpha"}, {22, "beta"}}), got);

    got.clear();
    EXPECT_EQ(0, WalkPerfInstances(block.data(), uint32_t(block.size()), 231, 784, Collect, &got))
        << "another object";
    EXPECT_EQ(0, WalkPerfInstances(block.data(), uint32_t(block.size()), 230, 785, Collect, &got))
        << "no id counter";
    // A cut buffer ends the walk where the bytes end.
    for (size_t n = 0; n < block.size(); ++n) {
        std::vector<uint8_t> cut(block.begin(), block.begin() + n);
        got.clear();
        int visited = WalkPerfInstances(cut.data(), uint32_t(cut.size()), 230, 784, Collect, &got);
        ASSERT_LE(visited, 2) << n;
    }
    // Lengths of zero or beyond the block stop it too.
    std::vector<uint8_t> bad = block;
    reinterpret_cast<PERF_OBJECT_TYPE *>(bad.data() + sizeof(PERF_DATA_BLOCK))->NumInstances = 100000;
    got.clear();
    EXPECT_LE(WalkPerfInstances(bad.data(), uint32_t(bad.size()), 230, 784, Collect, &got), 3);
}
