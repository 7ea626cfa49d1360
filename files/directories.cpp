// Directory IDs and the path layer. Every directory path ever named gets a node that lives as long as
// the library: the node's address is the directory ID Macintosh code keeps, and its 16-bit id is the
// directory's working-directory number. (vRefNum, dirID, name) triples become full DOS paths here.
#include "files_services.h"
#include "../core/core_services.h"

#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

#pragma pack(push, 1)
struct DirectoryNode {
    DirectoryNode *next;
    uint16_t id;    // 0 when every working-directory number is taken
    uint8_t length; // of the path
    char path[1];   // canonical full DOS path ending in a backslash, drive letter in upper case
};
#pragma pack(pop)
static_assert(offsetof(DirectoryNode, path) == 7, "a node is its path plus 8 bytes");

// The table: a list of every node (newest first), with indexes so that no look-up walks it.
struct DirectoryTable {
    DirectoryNode *head = nullptr;
    uint16_t counter = 0;
    uint32_t idsInUse = 0;
    std::unordered_map<std::string, DirectoryNode *> byPath; // key: the path in upper case
    std::unordered_set<const DirectoryNode *> nodes;
    DirectoryNode *byId[0x10000] = {};
};
DirectoryTable *sTable;

DirectoryTable &Table()
{
    if (!sTable)
        sTable = new DirectoryTable;
    return *sTable;
}

// Working-directory numbers run 0x8001 upward (negative as 16-bit numbers). Values that read as volume
// numbers (-1..-48) or as the no-volume value are never handed out, and neither is a number still in
// use once the counter has wrapped.
constexpr uint32_t kUsableIds = 0x8000 - kMaxVolumes - 1;

bool UsableId(uint16_t id)
{
    return id >= 0x8000 && id < static_cast<uint16_t>(-kMaxVolumes) && id != static_cast<uint16_t>(kNoVolume);
}

uint16_t NextDirectoryId(DirectoryTable &t)
{
    if (t.idsInUse >= kUsableIds)
        return 0;
    for (;;) {
        t.counter = static_cast<uint16_t>(t.counter + 1);
        uint16_t id = static_cast<uint16_t>(t.counter | 0x8000);
        if (UsableId(id) && !t.byId[id])
            return id;
    }
}

std::string PathKey(const char *path)
{
    std::string key(path);
    CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

DirectoryNode *LiveNode(int32_t dirID)
{
    if (!sTable || dirID == 0 || dirID == kRootDirID)
        return nullptr;
    auto *node = reinterpret_cast<const DirectoryNode *>(static_cast<uintptr_t>(dirID));
    return sTable->nodes.count(node) ? const_cast<DirectoryNode *>(node) : nullptr;
}

int32_t NodeDirID(const DirectoryNode *node) { return static_cast<int32_t>(reinterpret_cast<uintptr_t>(node)); }

bool FullDosPathName(const char *text, int length)
{
    if (length < 3)
        return false;
    return (text[1] == ':' && text[2] == '\\') || (text[0] == '\\' && text[1] == '\\');
}

struct PathLookUp {
    int32_t dirID;      // node, 2 for a volume root, 0 for none
    bool canonical;     // the path named an existing directory
    bool fits;          // the path with its backslash fits a node
    char path[kMaxDosPath + 1];
};

// The node of a directory, found from its full path alone when no component can be a short name (no
// '~'): the file system's own spelling of such a path differs from it only in case, which the index
// ignores, so the spelling need not be asked for. A path that is its own full form finds the same node
// whether the directory exists or not (the index is searched with the path as given when it does not),
// so only other paths ask whether it exists. False when the path needs the whole canonical form (a short
// name, a network path, a directory without a node yet).
bool FindExistingNode(const char *path, PathLookUp &r)
{
    if (!sTable)
        return false;
    char full[kMaxDosPath + 2];
    const DWORD n = GetFullPathNameA(path, kMaxDosPath, full, nullptr);
    if (n < 3 || n >= kMaxDosPath || full[1] != ':' || std::strchr(full, '~'))
        return false;
    if (std::strcmp(full, path) != 0) {
        const DWORD attributes = GetFileAttributesA(full);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
    }
    size_t length = n;
    if (full[length - 1] != '\\') {
        full[length++] = '\\';
        full[length] = 0;
    }
    CharUpperBuffA(full, static_cast<DWORD>(length));
    auto found = sTable->byPath.find(std::string(full, length));
    if (found == sTable->byPath.end())
        return false;
    r.dirID = NodeDirID(found->second);
    r.canonical = true;
    r.fits = true;
    std::strcpy(r.path, found->second->path);
    return true;
}

PathLookUp LookUpDirPath(const char *path)
{
    PathLookUp r{};
    if (!path || std::strlen(path) > kMaxDosPath)
        return r;
    if (FindExistingNode(path, r))
        return r;
    std::strcpy(r.path, path);
    r.canonical = CanonicalizeDirPath(r.path);
    size_t n = std::strlen(r.path);
    if (n == 0 || r.path[n - 1] != '\\') {
        if (n + 1 > kMaxDosPath)
            return r;
        r.path[n] = '\\';
        r.path[n + 1] = 0;
    }
    r.fits = true;
    uint16_t flags = ParseDosPath(r.path, nullptr, nullptr, nullptr);
    if ((flags & dosPathKindMask) == dosPathUncRoot)
        ZEL_DOSVolToVRefNum(r.path);
    if (flags & dosPathRootOnly) {
        r.dirID = kRootDirID;
        return r;
    }
    if (sTable) {
        auto found = sTable->byPath.find(PathKey(r.path));
        if (found != sTable->byPath.end())
            r.dirID = NodeDirID(found->second);
    }
    return r;
}

int32_t &CurDirStoreCell() { return LowMem<int32_t>(lmCurDirStore); }

// The current directory's node (or 2), asking Windows when none was recorded yet or the recorded value
// names no directory.
int32_t CurrentDirectory()
{
    int32_t dir = CurDirStoreCell();
    if (dir == kRootDirID || LiveNode(dir))
        return dir;
    ZEL_CurDirvRefNum(nullptr);
    return CurDirStoreCell();
}

} // namespace

// ---- Directory table services ----

bool CanonicalizeDirPath(char *path)
{
    // Windows resolves the path against the current directory without it being changed.
    char full[2 * MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full)
        return false;
    DWORD attributes = GetFileAttributesA(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // The file system's own spelling of every component.
    char spelled[2 * MAX_PATH];
    DWORD m = GetLongPathNameA(full, spelled, sizeof spelled);
    const char *result = m && m < sizeof spelled ? spelled : full;
    if (std::strlen(result) > kMaxDosPath)
        return false;
    std::strcpy(path, result);
    return true;
}

void CollapseBackslashes(char *path)
{
    char *out = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '\\' && p - path >= 2 && out > path && out[-1] == '\\')
            continue;
        *out++ = *p;
    }
    *out = 0;
}

int32_t FindDirEntryByPath(const char *path, char *canonicalOut)
{
    PathLookUp r = LookUpDirPath(path);
    if (canonicalOut)
        std::strcpy(canonicalOut, r.path);
    return r.dirID;
}

int32_t GetDirEntryForPath(const char *path)
{
    PathLookUp r = LookUpDirPath(path);
    if (r.dirID || !r.fits)
        return r.dirID;
    if (LibrarySetting(settingExistingDirectoryNodes) && !r.canonical)
        return 0;
    size_t n = std::strlen(r.path);
    auto *node = reinterpret_cast<DirectoryNode *>(NewPtr(static_cast<Size>(n + 8)));
    if (!node)
        return 0;
    DirectoryTable &t = Table();
    node->id = NextDirectoryId(t);
    node->length = static_cast<uint8_t>(n);
    std::memcpy(node->path, r.path, n + 1);
    CharUpperBuffA(node->path, 1);
    node->next = t.head;
    t.head = node;
    t.nodes.insert(node);
    t.byPath.emplace(PathKey(node->path), node);
    if (node->id) {
        t.byId[node->id] = node;
        ++t.idsInUse;
    }
    return NodeDirID(node);
}

int32_t FindDirEntryById(int16_t *number)
{
    if (*number < 0 && (*number >= -VolumeCount() || *number >= -kDriveLetterVolumes))
        return kRootDirID;
    if (*number != 0) {
        DirectoryNode *node = sTable ? sTable->byId[static_cast<uint16_t>(*number)] : nullptr;
        return node ? NodeDirID(node) : 0;
    }
    *number = ZEL_CurDirvRefNum(nullptr);
    return CurDirStoreCell();
}

const char *DirectoryNodePath(int32_t dirID)
{
    DirectoryNode *node = LiveNode(dirID);
    return node ? node->path : nullptr;
}

uint16_t DirectoryNodeId(int32_t dirID)
{
    DirectoryNode *node = LiveNode(dirID);
    return node ? node->id : 0;
}

bool IsDirectoryID(int32_t dirID) { return dirID == kRootDirID || LiveNode(dirID); }

int16_t VolumeOfNumber(int16_t vRefNum)
{
    if (vRefNum < 0 && vRefNum >= -VolumeCount())
        return vRefNum;
    int16_t number = vRefNum;
    int32_t dir = FindDirEntryById(&number);
    if (dir == kRootDirID)
        return number;
    const char *path = DirectoryNodePath(dir);
    return path ? ZEL_DOSVolToVRefNum(path) : kNoVolume;
}

// ---- Exported path layer ----

ZEL_EXTERN_C void ZEL_CALL ZEL_SeparateFile(char *directory, char *name, const char *path)
{
    if (directory)
        directory[0] = 0;
    if (name)
        name[0] = 0;
    if (!path)
        return;
    // In a code page of single bytes the previous character is the previous byte; CharPrevA, which knows
    // the lead bytes of the others, costs a call into USER32 per character.
    static const bool singleBytes = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
    }();
    const char *end = path + std::strlen(path);
    const char *cut = nullptr;
    for (const char *p = end; p > path;) {
        p = singleBytes ? p - 1 : CharPrevA(path, p);
        if (*p == ':' || *p == '\\') {
            cut = p;
            break;
        }
    }
    if (cut && cut > path) {
        CopyPathPart(directory, path, static_cast<int>(cut + 1 - path));
        CopyPathPart(name, cut + 1, static_cast<int>(end - cut - 1));
    } else {
        CopyPathPart(name, path, static_cast<int>(end - path));
    }
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_CurDirvRefNum(const char *path)
{
    char current[kMaxDosPath + 2];
    if (!path || !path[0]) {
        MakeCurrentDirPathName(current, nullptr);
        path = current;
    }
    int32_t dir = GetDirEntryForPath(path);
    CurDirStoreCell() = dir;
    if (dir == kRootDirID)
        return ZEL_DOSVolToVRefNum(path);
    uint16_t id = DirectoryNodeId(dir);
    return id ? static_cast<int16_t>(id) : kNoVolume;
}

ZEL_EXTERN_C int32_t ZEL_CALL ZEL_DirIDFromPath(const char *path, int16_t *vRefNum, int16_t *wdRefNum)
{
    char drive[3];
    if (path && path[0] && !path[1]) {
        drive[0] = path[0];
        drive[1] = ':';
        drive[2] = 0;
        path = drive;
    }
    int32_t dir = GetDirEntryForPath(path);
    if (vRefNum)
        *vRefNum = ZEL_DOSVolToVRefNum(path);
    if (wdRefNum) {
        uint16_t id = DirectoryNodeId(dir);
        *wdRefNum = dir == kRootDirID ? 0 : id ? static_cast<int16_t>(id) : kNoVolume;
    }
    return dir;
}

// A directory ID is looked up before it is used: 0 takes the directory of the vRefNum (or the current
// one), 2 the volume's root, and anything that is not a node the library made gives -120.
ZEL_EXTERN_C OSErr ZEL_CALL ZEL_HFSpec(int32_t dirID, int16_t vRefNum, ConstStr255Param name, char *path)
{
    return DirectoryAndNamePath(dirID, vRefNum, name, path, nullptr);
}

OSErr DirectoryAndNamePath(int32_t dirID, int16_t vRefNum, ConstStr255Param name, char *path, int32_t *parent)
{
    if (parent)
        *parent = 0;
    if (!path)
        return paramErr;
    path[0] = 0;
    int32_t dir = dirID;
    if (dir != 0 && !IsDirectoryID(dir))
        return dirNFErr;
    if (dir == 0 && vRefNum != 0) {
        int16_t number = vRefNum;
        dir = FindDirEntryById(&number);
    }
    if (dir == 0)
        dir = CurrentDirectory();

    char fileName[kMaxDosPath + 1] = "";
    int nameLength = name ? name[0] : 0;
    const char *text = name ? reinterpret_cast<const char *>(name + 1) : "";
    if (FullDosPathName(text, nameLength)) {
        // A full path overrides the directory and volume given with it.
        char full[kMaxDosPath + 1], directory[kMaxDosPath + 1];
        CopyPathPart(full, text, nameLength);
        ZEL_SeparateFile(directory, fileName, full);
        dir = GetDirEntryForPath(directory);
        vRefNum = ZEL_DOSVolToVRefNum(directory);
    } else if (name) {
        ZEL_CopyPtoC(name, fileName);
    }

    if (dir == 0)
        return dirNFErr;
    if (dir == kRootDirID) {
        if (!ZEL_VRefNumToDOSVol(VolumeOfNumber(vRefNum), path))
            return nsvErr;
    } else {
        std::strcpy(path, DirectoryNodePath(dir));
    }
    size_t n = std::strlen(path);
    if (!fileName[0]) {
        if (n > 3)
            path[n - 1] = 0;
    } else {
        if (n + std::strlen(fileName) > kMaxDosPath) {
            path[0] = 0;
            return bdNamErr;
        }
        std::strcpy(path + n, fileName);
        // A plain name lies in the directory itself.
        if (parent && !std::strpbrk(fileName, "\\:"))
            *parent = dir;
    }
    CollapseBackslashes(path);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL ZEL_FSpec(int16_t vRefNum, ConstStr255Param name, char *path)
{
    int16_t number = vRefNum;
    return ZEL_HFSpec(FindDirEntryById(&number), vRefNum, name, path);
}
