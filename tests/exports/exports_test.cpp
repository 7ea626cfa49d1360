// Reads the loaded DLL's PE export table and compares it with the exports manifest.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"

namespace {

// Names listed in the manifest: the first word of each entry line, without its "@bytes".
std::set<std::string> ManifestNames(std::set<std::string> *dataNames)
{
    std::ifstream in(TOLVADEX_DEF_PATH);
    EXPECT_TRUE(in.good()) << "cannot read " << TOLVADEX_DEF_PATH;
    std::set<std::string> names;
    std::string line;
    bool inExports = false;
    while (std::getline(in, line)) {
        std::string::size_type semi = line.find(';');
        if (semi != std::string::npos)
            line.erase(semi);
        std::istringstream words(line);
        std::string first, second;
        if (!(words >> first))
            continue;
        if (first == "EXPORTS") {
            inExports = true;
            continue;
        }
        if (!inExports || first == "LIBRARY")
            continue;
        std::string name = first.substr(0, first.find('@'));
        names.insert(name);
        if ((words >> second) && second == "DATA" && dataNames)
            dataNames->insert(name);
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

TEST(Exports, ExactlyTheManifest)
{
    HMODULE dll = GetModuleHandleA("TOLVADEX.dll");
    ASSERT_NE(dll, nullptr);
    std::set<std::string> data;
    std::set<std::string> manifest = ManifestNames(&data);
    std::set<std::string> exported = ExportedNames(dll);
    ASSERT_FALSE(manifest.empty());
    for (const std::string &name : manifest)
        EXPECT_TRUE(exported.count(name)) << name << " is in the manifest but not exported";
    for (const std::string &name : exported) {
        EXPECT_TRUE(manifest.count(name)) << name << " is exported but not in the manifest";
        EXPECT_EQ(name.find('@'), std::string::npos) << name << " carries a decoration";
    }
    for (const std::string &name : data)
        EXPECT_NE(GetProcAddress(dll, name.c_str()), nullptr) << name;
}

TEST(Exports, ImportedByTheirPublishedNames)
{
    // The test program itself imports through the import library: resolving works for stdcall entry
    // points of several argument sizes.
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("TOLVADEX.dll"), "NewHandle"),
              reinterpret_cast<FARPROC>(&NewHandle));
    EXPECT_EQ(GetProcAddress(GetModuleHandleA("TOLVADEX.dll"), "ZEL_SetFlags"),
              reinterpret_cast<FARPROC>(&ZEL_SetFlags));
}
