// Reads the loaded DLL's PE export table and compares it with the interface's names, listed per manager
// in the checked-in files beside this test.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"

namespace {

// Every listed name and the file that lists it.
std::map<std::string, std::string> InterfaceNames()
{
    std::map<std::string, std::string> names;
    std::istringstream paths(TOLVADEX_EXPORT_LISTS);
    std::string path;
    while (std::getline(paths, path, '|')) {
        std::ifstream in(path);
        EXPECT_TRUE(in.good()) << "cannot read " << path;
        const std::string file = path.substr(path.find_last_of("/\\") + 1);
        std::string line;
        while (std::getline(in, line)) {
            line.erase(std::min(line.find('#'), line.size()));
            std::istringstream words(line);
            std::string name;
            if (!(words >> name))
                continue;
            auto [at, added] = names.emplace(name, file);
            EXPECT_TRUE(added) << name << " is listed in both " << at->second << " and " << file;
        }
    }
    return names;
}

std::set<std::string> ExportedNames(HMODULE module)
{
    auto base = reinterpret_cast<const BYTE *>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
    auto names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
    std::set<std::string> out;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        out.insert(reinterpret_cast<const char *>(base + names[i]));
    return out;
}

} // namespace

TEST(Exports, ExactlyTheInterfaceNames)
{
    HMODULE dll = GetModuleHandleA("TOLVADEX.dll");
    ASSERT_NE(dll, nullptr);
    const std::map<std::string, std::string> listed = InterfaceNames();
    const std::set<std::string> exported = ExportedNames(dll);
    ASSERT_FALSE(listed.empty());
    for (const auto &[name, file] : listed)
        EXPECT_TRUE(exported.count(name)) << name << " (" << file << ") is not exported";
    for (const std::string &name : exported) {
        EXPECT_TRUE(listed.count(name)) << name << " is exported but listed in no file of tests/exports";
        EXPECT_EQ(name.find('@'), std::string::npos) << name << " carries a decoration";
    }
}

TEST(Exports, ImportedByTheirPublishedNames)
{
    // The test program itself imports through the import library: resolving works for stdcall entry
    // points of several argument sizes, and the test seams are bound by ordinal, not by a name.
    HMODULE dll = GetModuleHandleA("TOLVADEX.dll");
    EXPECT_EQ(GetProcAddress(dll, "NewHandle"), reinterpret_cast<FARPROC>(&NewHandle));
    EXPECT_EQ(GetProcAddress(dll, "ZEL_SetFlags"), reinterpret_cast<FARPROC>(&ZEL_SetFlags));
    EXPECT_EQ(GetProcAddress(dll, "OpenPortForHDC"), nullptr);
    EXPECT_NE(GetProcAddress(dll, MAKEINTRESOURCEA(2001)), nullptr);
}
