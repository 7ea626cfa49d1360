// The File Manager's path layer against the Win32 calls that answer the same question: making a file
// record of a full path, opening and closing, catalog information by name and by index, and writing.
#include "bench.h"

#include "Files.h"
#include "Zel.h"
#include "test_support.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using testing_support::P;

// A directory of its own under the program's folder holding `files` small files.
struct Folder {
    std::string path; // with a trailing backslash
    std::vector<std::string> names;
};

Folder MakeFolder(const char *name, int files)
{
    Folder f;
    f.path = testing_support::ProgramDirectory() + name + "\\";
    CreateDirectoryA(f.path.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        const std::string file = "entry" + std::to_string(i) + ".txt";
        HANDLE h = CreateFileA((f.path + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        DWORD written;
        WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        CloseHandle(h);
        f.names.push_back(file);
    }
    return f;
}

volatile DWORD sSink;

struct NameBuffer {
    Str255 text;
};

PairCase MakeSpec(const Folder &folder)
{
    auto path = std::make_shared<std::string>(folder.path + folder.names[0]);
    auto macName = std::make_shared<std::basic_string<unsigned char>>(P(path->c_str()));
    auto fileSpec = std::make_shared<FSSpec>();
    PairCase c;
    c.name = "FSMakeFSSpec of a full path";
    c.count = 5000;
    c.library = [=](int) { FSMakeFSSpec(0, 0, macName->c_str(), fileSpec.get()); };
    c.raw = [=](int) {
        char full[MAX_PATH];
        GetFullPathNameA(path->c_str(), MAX_PATH, full, nullptr);
        sSink = GetFileAttributesA(full);
    };
    c.same = [=] {
        char back[MAX_PATH] = "";
        return FSMakeFSSpec(0, 0, macName->c_str(), fileSpec.get()) == noErr &&
               ZEL_HFSpec(fileSpec->parID, fileSpec->vRefNum, fileSpec->name, back) == noErr && lstrcmpiA(back, path->c_str()) == 0;
    };
    return c;
}

PairCase OpenClose(const Folder &folder)
{
    auto path = std::make_shared<std::string>(folder.path + folder.names[1]);
    auto macName = std::make_shared<std::basic_string<unsigned char>>(P(path->c_str()));
    PairCase c;
    c.name = "FSOpen+FSClose";
    c.count = 3000;
    c.library = [=](int) {
        int16_t ref = 0;
        if (FSOpen(macName->c_str(), 0, &ref) == noErr)
            FSClose(ref);
    };
    c.raw = [=](int) {
        HANDLE h = CreateFileA(path->c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    };
    c.same = [=] {
        int16_t ref = 0;
        if (FSOpen(macName->c_str(), 0, &ref) != noErr)
            return false;
        int32_t eof = 0;
        GetEOF(ref, &eof);
        FSClose(ref);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExA(path->c_str(), GetFileExInfoStandard, &data) &&
               static_cast<DWORD>(eof) == data.nFileSizeLow;
    };
    return c;
}

PairCase CatInfoByName(const Folder &folder)
{
    auto path = std::make_shared<std::string>(folder.path + folder.names[2]);
    auto macName = std::make_shared<std::basic_string<unsigned char>>(P(path->c_str()));
    auto pb = std::make_shared<CInfoPBRec>();
    auto name = std::make_shared<NameBuffer>();
    PairCase c;
    c.name = "PBGetCatInfo by name";
    c.count = 3000;
    c.library = [=](int) {
        std::memset(pb.get(), 0, sizeof *pb);
        std::memcpy(name->text, macName->c_str(), macName->size() + 1);
        pb->hFileInfo.ioNamePtr = name->text;
        PBGetCatInfo(pb.get(), false);
    };
    c.raw = [=](int) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        sSink = GetFileAttributesExA(path->c_str(), GetFileExInfoStandard, &data);
    };
    c.same = [=] {
        std::memset(pb.get(), 0, sizeof *pb);
        std::memcpy(name->text, macName->c_str(), macName->size() + 1);
        pb->hFileInfo.ioNamePtr = name->text;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return PBGetCatInfo(pb.get(), false) == noErr &&
               GetFileAttributesExA(path->c_str(), GetFileExInfoStandard, &data) &&
               static_cast<DWORD>(pb->hFileInfo.ioFlLgLen) == data.nFileSizeLow;
    };
    return c;
}

// One entry per run of a walk through the folder by index, against FindNextFile; both restart at the
// end of the folder.
PairCase IndexedEntries(const Folder &folder)
{
    const int count = static_cast<int>(folder.names.size());
    auto pattern = std::make_shared<std::string>(folder.path + "*.*");
    auto folderPath = std::make_shared<std::string>(folder.path);
    auto dirID = std::make_shared<int32_t>(0);
    auto search = std::make_shared<HANDLE>(INVALID_HANDLE_VALUE);
    auto pb = std::make_shared<CInfoPBRec>();
    auto name = std::make_shared<NameBuffer>();
    PairCase c;
    c.name = "PBGetCatInfo by index, per entry, among " + std::to_string(count);
    c.count = 4000;
    c.setUp = [=] {
        *dirID = ZEL_DirIDFromPath(folderPath->c_str(), nullptr, nullptr);
    };
    c.library = [=](int i) {
        std::memset(pb.get(), 0, sizeof *pb);
        pb->hFileInfo.ioNamePtr = name->text;
        pb->hFileInfo.ioDirID = *dirID;
        pb->hFileInfo.ioFDirIndex = static_cast<int16_t>(1 + i % count);
        PBGetCatInfo(pb.get(), false);
    };
    c.raw = [=](int) {
        WIN32_FIND_DATAA found;
        if (*search == INVALID_HANDLE_VALUE || !FindNextFileA(*search, &found)) {
            if (*search != INVALID_HANDLE_VALUE)
                FindClose(*search);
            *search = FindFirstFileA(pattern->c_str(), &found);
        }
    };
    c.same = [=] {
        std::memset(pb.get(), 0, sizeof *pb);
        pb->hFileInfo.ioNamePtr = name->text;
        pb->hFileInfo.ioDirID = *dirID;
        pb->hFileInfo.ioFDirIndex = 1;
        return PBGetCatInfo(pb.get(), false) == noErr && (name->text)[0] > 0;
    };
    c.tearDown = [=] {
        if (*search != INVALID_HANDLE_VALUE)
            FindClose(*search);
    };
    return c;
}

PairCase Write4K(const Folder &folder)
{
    struct State {
        std::string libraryPath, rawPath;
        int16_t ref = 0;
        HANDLE raw = INVALID_HANDLE_VALUE;
        char bytes[4096];
    };
    auto s = std::make_shared<State>();
    s->libraryPath = folder.path + "written_lib.bin";
    s->rawPath = folder.path + "written_raw.bin";
    for (int i = 0; i < 4096; ++i)
        s->bytes[i] = static_cast<char>(i * 7);
    PairCase c;
    c.name = "FSWrite 4 KB";
    c.count = 2000;
    c.setUp = [=] {
        const auto name = P(s->libraryPath.c_str());
        Create(name.c_str(), 0, 'TVDX', 'BNCH');
        FSOpen(name.c_str(), 0, &s->ref);
        s->raw = CreateFileA(s->rawPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    // Both files are rewritten from the start every 64 writes, so they stay at most 256 KB.
    c.library = [=](int i) {
        if (i % 64 == 0)
            SetFPos(s->ref, 1, 0); // from the start
        int32_t count = 4096;
        FSWrite(s->ref, &count, s->bytes);
    };
    c.raw = [=](int i) {
        if (i % 64 == 0)
            SetFilePointer(s->raw, 0, nullptr, FILE_BEGIN);
        DWORD written;
        WriteFile(s->raw, s->bytes, 4096, &written, nullptr);
    };
    c.same = [=] {
        int32_t eof = 0;
        GetEOF(s->ref, &eof);
        return eof > 0 && static_cast<DWORD>(eof) == GetFileSize(s->raw, nullptr);
    };
    c.tearDown = [=] {
        FSClose(s->ref);
        CloseHandle(s->raw);
        DeleteFileA(s->libraryPath.c_str());
        DeleteFileA(s->rawPath.c_str());
    };
    return c;
}

} // namespace

int RunBench()
{
    const Folder few = MakeFolder("bench_files_20", 20), many = MakeFolder("bench_files_200", 200);
    return RunPairCases({MakeSpec(few), OpenClose(few), CatInfoByName(few), IndexedEntries(few), IndexedEntries(many),
                         Write4K(few)});
}
