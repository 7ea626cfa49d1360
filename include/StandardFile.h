/* Standard File: the open and save dialogs, answered by the Windows common file dialogs. */
#ifndef TOLVADEX_STANDARDFILE_H
#define TOLVADEX_STANDARDFILE_H
#define __STANDARDFILE__

#include <windef.h>
#include <stddef.h>
#include "MacTypes.h"
#include "Files.h"
#include "Dialogs.h"

/* The dialogs' resource IDs and item numbers, as a dialog hook or filter sees them: SFPutFile's and
   SFGetFile's, then the later dialogs'. */
enum { putDlgID = -3999, putSave = 1, putCancel = 2, putEject = 5, putDrive = 6, putName = 7 };
enum { getDlgID = -4000, getOpen = 1, getCancel = 3, getEject = 5, getDrive = 6, getNmList = 7, getScroll = 8 };
enum { sfPutDialogID = -6043, sfGetDialogID = -6042 };
enum {
    sfItemOpenButton = 1,
    sfItemCancelButton = 2,
    sfItemBalloonHelp = 3,
    sfItemVolumeUser = 4,
    sfItemEjectButton = 5,
    sfItemDesktopButton = 6,
    sfItemFileListUser = 7,
    sfItemPopUpMenuUser = 8,
    sfItemDividerLinePict = 9,
    sfItemFileNameTextEdit = 10,
    sfItemPromptStaticText = 11,
    sfItemNewFolderUser = 12
};

/* The common dialog's OPENFILENAMEA record (commdlg.h). */
struct tagOFNA;

#pragma pack(push, 2)

/* The reply of SFGetFile and SFPutFile: vRefNum is a working-directory number (or a volume's). */
typedef struct SFReply {
    Boolean good;
    Boolean copy;
    OSType fType;
    int16_t vRefNum;
    int16_t version;
    Str63 fName;
} SFReply;
ZEL_STATIC_ASSERT(sizeof(SFReply) == 74, "SFReply is 74 bytes");
ZEL_STATIC_ASSERT(offsetof(SFReply, fName) == 10, "fName at 10");

/* The reply of the Standard and Custom calls. */
typedef struct StandardFileReply {
    Boolean sfGood;
    Boolean sfReplacing;
    OSType sfType;
    FSSpec sfFile;
    ScriptCode sfScript;
    int16_t sfFlags;
    Boolean sfIsFolder;
    Boolean sfIsVolume;
    int32_t sfReserved1;
    int16_t sfReserved2;
} StandardFileReply;
ZEL_STATIC_ASSERT(sizeof(StandardFileReply) == 280, "StandardFileReply is 280 bytes");
ZEL_STATIC_ASSERT(offsetof(StandardFileReply, sfFile) == 6, "sfFile at 6");
ZEL_STATIC_ASSERT(offsetof(StandardFileReply, sfScript) == 268, "sfScript at 268");

#pragma pack(pop)

typedef const OSType *ConstSFTypeListPtr;
typedef OSType SFTypeList[4];

/* Accepted and kept, never called by the Windows dialogs. */
typedef Boolean (ZEL_CALL *FileFilterProcPtr)(CInfoPBPtr pb);
typedef int16_t (ZEL_CALL *DlgHookProcPtr)(int16_t item, DialogPtr theDialog);
typedef Boolean (ZEL_CALL *FileFilterYDProcPtr)(CInfoPBPtr pb, void *yourDataPtr);
typedef int16_t (ZEL_CALL *DlgHookYDProcPtr)(int16_t item, DialogPtr theDialog, void *yourDataPtr);
typedef void (ZEL_CALL *ActivateYDProcPtr)(DialogPtr theDialog, int16_t itemNo, Boolean activating, void *yourDataPtr);

/* The filter procedure takes part in the Windows dialog: it sees the dialog's messages once the dialog
   is initialised (the registered FILEOKSTRING message as WM_USER), with the library's OPENFILENAME
   record; a nonzero answer ends the message's handling. (SFFilterProcPtr)-1 asks SFPGetFile for
   multiple selection: fileFilter is then a character buffer of dlgID bytes that receives the chosen
   names, blank-separated after their directory. */
typedef UINT (ZEL_CALL *SFFilterProcPtr)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                         struct tagOFNA *openFileName);
/* The Custom calls' filter procedure: the dialog, the message, its wParam and the caller's data. */
typedef UINT (ZEL_CALL *SFFilterYDProcPtr)(HWND dialog, UINT message, WPARAM wParam, void *yourDataPtr);
#define sfMultipleSelection ((SFFilterProcPtr)-1)

ZEL_API void ZEL_CALL SFGetFile(Point where, ConstStr255Param prompt, FileFilterProcPtr fileFilter, int16_t numTypes,
                                ConstSFTypeListPtr typeList, DlgHookProcPtr dlgHook, SFReply *reply);
ZEL_API void ZEL_CALL SFPGetFile(Point where, ConstStr255Param prompt, FileFilterProcPtr fileFilter, int16_t numTypes,
                                 ConstSFTypeListPtr typeList, DlgHookProcPtr dlgHook, SFReply *reply, int16_t dlgID,
                                 SFFilterProcPtr filterProc);
ZEL_API void ZEL_CALL SFPutFile(Point where, ConstStr255Param prompt, ConstStr255Param origName, DlgHookProcPtr dlgHook,
                                SFReply *reply);
ZEL_API void ZEL_CALL SFPPutFile(Point where, ConstStr255Param prompt, ConstStr255Param origName, DlgHookProcPtr dlgHook,
                                 SFReply *reply, int16_t dlgID, SFFilterProcPtr filterProc);
ZEL_API void ZEL_CALL StandardGetFile(FileFilterProcPtr fileFilter, int16_t numTypes, ConstSFTypeListPtr typeList,
                                      StandardFileReply *reply);
ZEL_API void ZEL_CALL StandardPutFile(ConstStr255Param prompt, ConstStr255Param defaultName, StandardFileReply *reply);
ZEL_API void ZEL_CALL CustomGetFile(FileFilterYDProcPtr fileFilter, int16_t numTypes, ConstSFTypeListPtr typeList,
                                    StandardFileReply *reply, int16_t dlgID, Point where, DlgHookYDProcPtr dlgHook,
                                    SFFilterYDProcPtr filterProc, int16_t *activeList, ActivateYDProcPtr activateProc,
                                    void *yourDataPtr);
ZEL_API void ZEL_CALL CustomPutFile(ConstStr255Param prompt, ConstStr255Param defaultName, StandardFileReply *reply,
                                    int16_t dlgID, Point where, DlgHookYDProcPtr dlgHook, SFFilterYDProcPtr filterProc,
                                    int16_t *activeList, ActivateYDProcPtr activateProc, void *yourDataPtr);

/* Builds the dialogs' filter list from a type list and the host's extension table; the entry of the
   type at 0-based position selectedIndex becomes the chosen filter (-1: none). */
ZEL_API void ZEL_CALL ZEL_SF_String(int16_t numTypes, int16_t selectedIndex, ConstSFTypeListPtr typeList);
/* Fills a reply from a Windows path. filterIndex is 0-based; a name longer than fName holds is refused
   (good false, empty name) rather than cut. */
ZEL_API void ZEL_CALL ZEL_DosFSpec2MacSFReply(Boolean applyExtension, Boolean replaceExtension, int16_t filterIndex,
                                              Boolean updateGlobals, Boolean rememberName, const char *path,
                                              SFReply *reply);
/* The hook procedure of the library's file dialogs. */
ZEL_API UINT_PTR ZEL_CALL A_FileOpenHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
