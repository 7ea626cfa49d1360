// Standard File over the common file dialogs.
#include "files_services.h"
#include "../core/core_services.h"

#include <commdlg.h>
#include <cstring>

namespace {

OPENFILENAMEA sOpenFileName;
char sFilter[512];
char sLastName[256];
char sFileTitle[256];
char sInitialDirectory[MAX_PATH];

} // namespace

// The one OPENFILENAME record every Standard File call uses.
void PrepareStdFileTemplate()
{
    sOpenFileName = OPENFILENAMEA{};
    sOpenFileName.lStructSize = 76;
    sOpenFileName.hwndOwner = SessionMainWindow();
    sOpenFileName.hInstance = SessionHostInstance();
    sOpenFileName.lpstrFilter = sFilter;
    sOpenFileName.lpstrFile = sLastName;
    sOpenFileName.nMaxFile = sizeof sLastName;
    sOpenFileName.lpstrFileTitle = sFileTitle;
    sOpenFileName.nMaxFileTitle = sizeof sFileTitle;
    sOpenFileName.lpstrInitialDir = sInitialDirectory;
}

// SFSaveDisk and SFVRefNum start at the volume of the current directory.
void InitStdFileVolume()
{
    char directory[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof directory, directory);
    if (n < 2 || n >= sizeof directory || directory[1] != ':')
        return;
    char letter = static_cast<char>(directory[0] & ~0x20);
    if (letter < 'A' || letter > 'Z')
        return;
    int16_t vRefNum = static_cast<int16_t>(-(letter - 'A' + 1));
    LowMem<int16_t>(lmSFSaveDisk) = static_cast<int16_t>(-vRefNum);
    LowMem<int16_t>(lmSFVRefNum) = vRefNum;
}

// PENDING: Standard File gives the type of the filter chosen in its last dialog for the name it returned.
OSType TypeFromSFFilter(ConstStr255Param)
{
    return static_cast<OSType>(LibrarySetting(settingStdFileType));
}

// PENDING: Standard File builds ZEL_DosFSpec2MacSFReply (filter extensions, the volume globals and the
// remembered name) and this becomes it.
void DosPathToSFReply(const char *path, SFReply *reply)
{
    reply->copy = 0;
    reply->fType = 0;
    reply->vRefNum = 0;
    reply->version = 0;
    reply->fName[0] = 0;
    char directory[256] = {}, name[256] = {};
    ZEL_SeparateFile(directory, name, path);
    reply->good = name[0] != 0 && std::strlen(name) <= 63;
    if (!reply->good)
        return;
    reply->vRefNum = ZEL_CurDirvRefNum(directory);
    ZEL_CopyCtoP(name, reply->fName);
    OSType creator = 0;
    FileTypeFromExtension(reply->fName, reply->vRefNum, &reply->fType, &creator);
}
