// Standard File over the common file dialogs.
#include "files_services.h"
#include "../core/core_services.h"

#include <commdlg.h>

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
