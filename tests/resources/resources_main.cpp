// main() of the Resource Manager tests: a session whose resource file is "RSRTEST.RSR", a fresh work
// directory as the current directory, and the standard start-up through RSRPATH.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <cstring>

#include "Resources.h"
#include "resource_test.h"
#include "test_support.h"

namespace res_test {

namespace {
std::string sWork, sStart;
int16_t sSystem;

void RemoveTree(const std::string &dir)
{
    std::string from = dir;
    from.push_back(0);
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}
} // namespace

const std::string &WorkDir() { return sWork; }
const std::string &StartDir() { return sStart; }
int16_t SystemRefNum() { return sSystem; }

std::string AppForkName()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = std::strrchr(path, '\\') + 1;
    return name.substr(0, name.rfind('.')) + ".RSR";
}

void StandardStartup()
{
    SetEnvironmentVariableA("RSRPATH", sStart.c_str());
    sSystem = InitResources();
}

int16_t Open(const std::string &name) { return OpenResFile(testing_support::P(name.c_str()).c_str()); }
fork_layout::Bytes FileBytes(const std::string &name) { return fork_layout::ReadFileBytes(Work(name)); }
void Put(const std::string &name, const fork_layout::Bytes &bytes) { fork_layout::WriteFileBytes(Work(name), bytes); }

} // namespace res_test

int main(int argc, char **argv)
{
    using namespace res_test;
    testing::InitGoogleTest(&argc, argv);
    testing_support::InstallDiagnosticCapture();
    sWork = testing_support::ProgramDirectory() + "res_work";
    RemoveTree(sWork);
    CreateDirectoryA(sWork.c_str(), nullptr);
    sWork += "\\";
    sStart = sWork + "start\\";
    CreateDirectoryA(sStart.c_str(), nullptr);
    SetCurrentDirectoryA(sWork.c_str());
    using fork_layout::FourCC;
    fork_layout::WriteFileBytes(sStart + "RSRTEST.RSR", fork_layout::BuildFork({{FourCC("sys "), 1, 0, false, {}, {1}}}));
    fork_layout::WriteFileBytes(sStart + AppForkName(), fork_layout::BuildFork({{FourCC("app "), 1, 0, false, {}, {2}}}));

    static SessionParamBlock block =
        testing_support::MakeSessionBlock(testing_support::CreateHostMainWindow(), zelFlagRawCallbacks);
    block.resourceFileName = "RSRTEST.RSR";
    ZEL_InitSession(&block);
    StandardStartup();
    if (sSystem <= 0) {
        std::fprintf(stderr, "InitResources failed: %d\n", ResError());
        return 1;
    }
    int result = RUN_ALL_TESTS();
    ZEL_ExitSession();
    return result;
}
