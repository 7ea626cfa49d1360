// Segment Loader: the documents named on the command line become the application files of the
// AppParmHandle global; GetAppParms hands out the launch parameters and ExitToShell ends the program.
#include "core.h"
#include "SegLoad.h"
#include "StandardFile.h"
#include "../files/files_services.h"

#include <cstring>

namespace {

constexpr size_t kPathMax = 255;

// The one list the library keeps: {message (0 open, 1 print), count, then the AppFile entries}.
Handle sAppFiles;
// The library's own copy of the session's command line, which ZEL_InitGlobals parses.
char sCommandLine[1024];

// Rewrites the line in place into its arguments separated by '>'. Characters below 33 separate
// arguments; everything between a pair of double quotes is one argument. Characters of 128 and above
// belong to names.
void SplitArguments(char *line)
{
    const unsigned char *in = reinterpret_cast<unsigned char *>(line);
    char *out = line;
    bool first = true;
    while (*in) {
        while (*in && *in < 33)
            ++in;
        if (!*in)
            break;
        if (!first)
            *out++ = '>';
        first = false;
        if (*in == '"') {
            ++in;
            while (*in && *in != '"')
                *out++ = char(*in++);
            if (*in == '"')
                ++in;
        } else {
            while (*in >= 33)
                *out++ = char(*in++);
        }
    }
    *out = 0;
}

bool IsFullDosPath(const char *p)
{
    return p[0] == '\\' || (p[0] && p[1] == ':');
}

// Entry bytes in the list: 8 + name, padded to an even length.
size_t EntrySize(size_t nameLength)
{
    size_t n = 8 + nameLength + 1;
    return n + (n & 1);
}

void BuildAppFiles(const char *arguments)
{
    if (sAppFiles)
        DisposeHandle(sAppFiles);
    sAppFiles = nullptr;
    // The start-up directory is the host's string: a copy with its backslash.
    char directory[kPathMax + 2] = {};
    if (const char *start = SessionBlock().startupDirectory) {
        size_t n = std::strlen(start);
        if (n && n <= kPathMax) {
            std::memcpy(directory, start, n + 1);
            if (directory[n - 1] != '\\' && n < kPathMax) {
                directory[n] = '\\';
                directory[n + 1] = 0;
            }
        }
    }
    size_t argumentCount = 1;
    for (const char *p = arguments; *p; ++p)
        argumentCount += *p == '>';
    sAppFiles = NewHandleClear(Size(4 + argumentCount * EntrySize(63)));
    LowMem<Handle>(lmAppParmHandle) = sAppFiles;
    if (!sAppFiles)
        return;
    int16_t message = appOpen, count = 0;
    size_t used = 4;
    for (const char *p = arguments; *p;) {
        const char *end = std::strchr(p, '>');
        size_t length = end ? size_t(end - p) : std::strlen(p);
        char argument[2 * kPathMax + 2] = {};
        if (length <= kPathMax) {
            std::memcpy(argument, p, length);
            if (lstrcmpiA(argument, "/p") == 0) {
                message = appPrint;
                argument[0] = 0;
            } else if (directory[0] && !IsFullDosPath(argument)) {
                // A directory and name that do not fit a path are dropped, not cut.
                if (std::strlen(directory) + length > kPathMax) {
                    argument[0] = 0;
                } else {
                    std::memmove(argument + std::strlen(directory), argument, length + 1);
                    std::memcpy(argument, directory, std::strlen(directory));
                }
            }
        }
        if (argument[0]) {
            SFReply reply{};
            ZEL_DosFSpec2MacSFReply(false, false, 0, false, false, argument, &reply);
            if (reply.good) {
                char *entry = *sAppFiles + used;
                std::memcpy(entry, &reply.vRefNum, 2);
                std::memcpy(entry + 2, &reply.fType, 4);
                std::memset(entry + 6, 0, 2);
                std::memcpy(entry + 8, reply.fName, reply.fName[0] + 1u);
                used += EntrySize(reply.fName[0]);
                ++count;
            }
        }
        p += length + (end ? 1 : 0);
    }
    std::memcpy(*sAppFiles, &message, 2);
    std::memcpy(*sAppFiles + 2, &count, 2);
    SetHandleSize(sAppFiles, Size(used));
}

} // namespace

// ZEL_InitGlobals: the session's command line becomes the application files (the host's string stays
// as it is; the library parses a copy).
void InitAppFiles()
{
    const char *line = SessionBlock().commandLine;
    size_t n = line ? std::strlen(line) : 0;
    if (n >= sizeof sCommandLine)
        n = sizeof sCommandLine - 1;
    if (n)
        std::memcpy(sCommandLine, line, n);
    sCommandLine[n] = 0;
    ZEL_ParseCommandLine(sCommandLine);
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ParseCommandLine(char *line)
{
    static char empty[1];
    if (!line)
        line = empty;
    SetSessionCommandLine(line);
    SplitArguments(line);
    BuildAppFiles(line);
}

ZEL_EXTERN_C void ZEL_CALL CountAppFiles(int16_t *message, int16_t *count)
{
    int16_t words[2] = {};
    Handle h = LowMem<Handle>(lmAppParmHandle);
    if (h && *h && GetHandleSize(h) >= 4)
        std::memcpy(words, *h, 4);
    if (message)
        *message = words[0];
    if (count)
        *count = words[1];
}

ZEL_EXTERN_C void ZEL_CALL GetAppFiles(int16_t index, AppFile *theFile)
{
    Handle h = LowMem<Handle>(lmAppParmHandle);
    if (!h || !*h || !theFile || index < 1)
        return;
    const Size size = GetHandleSize(h);
    int16_t count = 0;
    std::memcpy(&count, *h + 2, 2);
    if (index > count)
        return;
    size_t at = 4;
    for (int16_t i = 1; i < index && at + 9 <= size_t(size); ++i)
        at += EntrySize(uint8_t((*h)[at + 8]));
    if (at + 9 > size_t(size) || at + 9 + uint8_t((*h)[at + 8]) > size_t(size))
        return;
    std::memcpy(theFile, *h + at, 9 + uint8_t((*h)[at + 8]));
}

ZEL_EXTERN_C void ZEL_CALL ClrAppFiles(int16_t) {}

ZEL_EXTERN_C void ZEL_CALL GetAppParms(StringPtr apName, int16_t *apRefNum, Handle *apParam)
{
    if (apName) {
        char module[MAX_PATH + 1] = {};
        GetModuleFileNameA(SessionHostInstance(), module, MAX_PATH);
        const char *name = module;
        for (const char *p = module; *p; ++p)
            if (*p == '\\' || *p == ':')
                name = p + 1;
        char cut[256];
        lstrcpynA(cut, name, sizeof cut);
        ZEL_CopyCtoP(cut, apName);
    }
    if (apRefNum)
        *apRefNum = GetAppResFileRefNum();
    if (apParam)
        *apParam = LowMem<Handle>(lmAppParmHandle);
}

// The program quits normally: the host's main window hears of it first (WM_USER + 1), then the process
// ends with exit code 0, success to whoever started it.
ZEL_EXTERN_C void ZEL_CALL ExitToShell(void)
{
    HWND main = SessionMainWindow();
    if (WNDPROC proc = SessionSavedMainWndProc(); proc && main)
        CallWindowProcA(proc, main, WM_USER + 1, 0, 0);
    ExitProcess(0);
}
