// Services of the File and Resource Managers for the rest of the library.
#pragma once

#include <windows.h>
#include "MacTypes.h"
#include "Resources.h"

// Open-file table: file reference numbers index it; slots 2..63 hold files.
void InitOpenFileTable();
void CloseAllOpenFiles();
// Closes every open resource file and frees the cursor cache.
void CloseAllResourceFiles();
// Standard File's shared OPENFILENAME record.
void PrepareStdFileTemplate();
// Shortcut files through OLE32, loaded at session start when present.
void LookUpShellLinkEntries();
void EndShellLinkSupport();
bool ShellLinkSupportLoaded();
// Started by ZEL_InitGlobals: the drive-letter volumes and Standard File's volume globals.
void InitDriveTable();
void InitStdFileVolume();

// ---- Resource Manager ----
// PENDING: the Resource Manager searches the chain of open resource files.
ZEL_EXTERN_C Handle ZEL_CALL GetResource(ResType type, int16_t id);
