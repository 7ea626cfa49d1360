/* Host glue of TOLVADEX: the session block, the session flags and the ZEL_ calls through which a host
   application starts, tunes and stops the library. */
#ifndef TOLVADEX_ZEL_H
#define TOLVADEX_ZEL_H

#include <windows.h>
#include "MacTypes.h"

#pragma pack(push, 2)

/* The host's session block. Its first word is its own size; at most 88 bytes are taken in and handed
   back at the end of ZEL_InitSession. Pointer fields left 0 take the library's defaults. */
typedef struct SessionParamBlock {
    int16_t size;
    int16_t pad;
    uint32_t initialised;
    HINSTANCE hostInstance;
    HWND mainWindow;
    HWND mdiClient;
    uint32_t sessionFlags;
    HACCEL accelerators;
    FARPROC (WINAPI *makeProcInstance)(FARPROC proc, HINSTANCE instance);
    void (WINAPI *freeProcInstance)(FARPROC proc);
    FARPROC scrapCallback;
    FARPROC byteSwapCallback;
    const uint32_t *byteSwapTypes;
    const char *commandLine;
    FARPROC printDialogHook;
    const char *startupDirectory;
    const char *mainWindowClass;
    const char *subWindowClass;
    const char *mdiSubWindowClass;
    const char *resourceFileName;
    const char *memoryDcDriver;
    FARPROC printSetupHook;
    const char *threeDBaseClass;
} SessionParamBlock;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(SessionParamBlock) == 88, "SessionParamBlock is 88 bytes");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, hostInstance) == 8, "hostInstance at 8");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, sessionFlags) == 20, "sessionFlags at 20");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, makeProcInstance) == 28, "makeProcInstance at 28");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, byteSwapTypes) == 44, "byteSwapTypes at 44");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, mainWindowClass) == 60, "mainWindowClass at 60");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, memoryDcDriver) == 76, "memoryDcDriver at 76");
ZEL_STATIC_ASSERT(offsetof(SessionParamBlock, threeDBaseClass) == 84, "threeDBaseClass at 84");

/* Session flags (SessionParamBlock.sessionFlags, ZEL_SetFlags). */
enum {
    zelFlagMDIFrame = 0x1,
    zelFlagDoubleByte = 0x2,
    zelFlagHeapCheck = 0x4,
    zelFlagSubAllocate = 0x8,
    /* One host choice with two effects: the reduced palette of an 8-bit screen, and 8-bit clipboard
       pictures (ZEL_OpenScrapPict). */
    zelFlagReducedPalette = 0x10,
    zelFlagPrinting20 = 0x20,
    zelFlagDialogScaling = 0x40,
    zelFlagDigitFunctionKeys = 0x80,
    zelFlagUserItemAlt = 0x100,
    zelFlagRawCallbacks = 0x200,
    zelFlagRightIsLeft = 0x400,
    zelFlagRightIsControl = 0x800,
    zelFlagCentreStdFile = 0x1000,
    zelFlagMDIDefaultPlacement = 0x2000,
    zelFlagAllDrivesFreeSpace = 0x4000,
    zelFlagFiveArgByteSwap = 0x8000,
    zelFlagCatInfoMakesNodes = 0x10000,
    zelFlagSilentDebugStr = 0x20000,
    zelFlagFullScreenHeight = 0x40000,
    zelFlagChildIgnoresMouse = 0x80000,
    zelFlagThreeD = 0x100000
};

/* Messages the library sends to the host's main window. */
#define ZEL_WM_EXITTOSHELL (WM_USER + 1)
#define ZEL_WM_HEAPDAMAGE (WM_USER + 2)

ZEL_API void ZEL_CALL ZEL_InitSession(SessionParamBlock *block);
ZEL_API void ZEL_CALL ZEL_ExitSession(void);
ZEL_API uint32_t ZEL_CALL ZEL_SetFlags(uint32_t mask, uint32_t bits, uint32_t switchMask, uint32_t switchBits);
ZEL_API void ZEL_CALL ZEL_EndSession(uint32_t value);
ZEL_API void ZEL_CALL ZEL_Set_MacWin(const uint32_t *fileTypeMap, const uint16_t *commandMap);
ZEL_API void ZEL_CALL ZEL_InitColors(void);
ZEL_API void ZEL_CALL ZEL_MakeAppPathName(char *destination, const char *name);
ZEL_API void ZEL_CALL MakeCurrentDirPathName(char *destination, const char *name);
ZEL_API uint32_t ZEL_CALL ZEL_TaskBarIconAddRemove(int32_t add, uint32_t id, const char *iconName, const char *tip);
ZEL_API int32_t ZEL_CALL ZEL_IPC_DataBlock(int16_t operation, int32_t slot, int32_t length, void *buffer);

/* Library settings: the numbered tuning values 1..76. Operation 1 sets setting `selector` to `value`
   and returns its previous value; any other operation only returns it. 16-bit settings are returned
   sign-extended; read-only settings ignore operation 1; unknown numbers return 0. Setting 73 returns
   the address of its cell, and operation 1 copies the 32-bit value found at the address `value` into it. */
ZEL_API uint32_t ZEL_CALL ZEL_SystemValue(int16_t operation, int16_t selector, uint32_t value);

ZEL_API ProcPtr ZEL_CALL ZEL_CodeResource(int32_t operation, ResType type, int32_t id, ProcPtr procedure);
ZEL_API void ZEL_CALL ZEL_SetupPrintDlgHook(FARPROC hook);
ZEL_API void ZEL_CALL ZEL_SetupPrSetupDlgHook(FARPROC hook);

/* Character conversion.
   ZEL_MacToAnsiBuf converts `length` bytes of Macintosh text into ANSI text and returns the number of
   bytes written (no NUL is added). It can expand the text: an ellipsis becomes "...", the trade-mark
   sign "(tm)", so the destination must hold 4 * length bytes (one more for a NUL the caller adds).
   Unless the conversion switch is off, bytes from 0x80 up go through the Macintosh-to-ANSI table.
   ZEL_AnsiToMacBuf converts up to `length` bytes, stopping before a NUL, and returns the bytes written;
   it never expands. Both tables are 128 bytes indexed by character - 0x80. */
enum {
    macToAnsiRaw = 0x1,          /* no typographic stand-ins */
    macToAnsiDropLineEnds = 0x2, /* carriage returns and line feeds are left out */
    macToAnsiMeasure = 0x4,      /* measure while converting (the library's text drawing) */
    macToAnsiDoubleByte = 0x8    /* double-byte text: pairs kept whole, no table conversion */
};
ZEL_API int32_t ZEL_CALL ZEL_MacToAnsiBuf(const uint8_t *source, uint8_t *destination, uint16_t length,
                                          int16_t flags);
ZEL_API int32_t ZEL_CALL ZEL_AnsiToMacBuf(const uint8_t *source, uint8_t *destination, int16_t length);
ZEL_API void ZEL_CALL SetMacCharConversion(uint32_t on);
ZEL_API void ZEL_CALL SetCharConversionTables(const uint8_t *ansiToMac, const uint8_t *macToAnsi);

/* Pascal strings (a length byte, then up to 255 characters) and NUL-terminated strings. The two
   conversions may be done in place; ZEL_CopyCtoP keeps at most 255 characters. */
ZEL_API void ZEL_CALL ZEL_CopyPtoP(ConstStr255Param source, StringPtr destination);
ZEL_API char *ZEL_CALL ZEL_CopyPtoC(ConstStr255Param source, char *destination);
ZEL_API StringPtr ZEL_CALL ZEL_CopyCtoP(const char *source, StringPtr destination);

/* Menu Manager glue. The menu record types are in Menus.h. */
struct MenuInfo;
ZEL_API Boolean ZEL_CALL ZEL_GetItemEnabled(struct MenuInfo **theMenu, int16_t item);
/* Appends one item per installed font: the scalable faces when `scalable` is set, else the bitmap ones. */
ZEL_API void ZEL_CALL ZEL_AddResFontMenu(struct MenuInfo **theMenu, Boolean scalable);
/* Converts a Macintosh item text into Windows menu text: "..." for the ellipsis, a doubled "&", and when
   `usedLetters` (26 flags for 'A'..'Z') is given an automatic mnemonic, marked in it. `out` must hold
   ZEL_MENU_TEXT_MAX bytes, the worst case of a 255-character text; the result points at its NUL. */
#define ZEL_MENU_TEXT_MAX (4 * 255 + 2)
ZEL_API char *ZEL_CALL ZEL_CopyMacPtoWinC(ConstStr255Param text, char *out, Boolean *usedLetters);
/* The menuID of a Windows menu command (from its slot), else of the Windows menu's first library item. */
ZEL_API int16_t ZEL_CALL ZEL_MenuIDFromCMD(HMENU menu, uint16_t command);
ZEL_API int16_t ZEL_CALL ZEL_MenuIDFromHMENU(HMENU menu);
/* The non-empty entries of the hierarchical menu list, one per call: non-zero `restart` begins again. */
ZEL_API struct MenuInfo **ZEL_CALL ZEL_SearchHierMenuList(Boolean restart);
/* The enabled item whose key equivalent is `ch` and whose Shift requirement is `shift`. */
ZEL_API int32_t ZEL_CALL ZEL_MenuKey(int16_t ch, Boolean shift);
/* WM_INITMENUPOPUP: rebuilds a bar menu from its record as Windows opens it. */
ZEL_API void ZEL_CALL ZEL_InitMenuMsg(HMENU menu);
/* A menu command (WM_COMMAND of a library item; 0xFFFF the Quit item): records the MenuSelect result and
   posts a menu-bar mouse-down. While a pop-up is tracked it only records the command. */
ZEL_API void ZEL_CALL ZEL_EventMenuSel(uint16_t command);
/* WM_MENUSELECT and WM_ENTERIDLE of the host's windows: tracking of menus with their own definition
   procedure, and the tear-off hook of a pop-up. ZEL_MenuSelect answers 1 when the menu closed. */
ZEL_API int32_t ZEL_CALL ZEL_MenuSelect(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ZEL_API void ZEL_CALL ZEL_EnterIdle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* WM_MEASUREITEM and WM_DRAWITEM of the library's owner-drawn menu items; 0 for items that are not the
   library's. */
ZEL_API int32_t ZEL_CALL ZEL_MenuUserItem(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* PopUpMenuSelect with the items drawn in a face and height of the host's choosing. */
ZEL_API int32_t ZEL_CALL ZEL_PopUpMenuSelectUsingDiffFont(struct MenuInfo **menu, int16_t top, int16_t left,
                                                        int16_t popUpItem, const char *face, int16_t height);
/* The menu hook, called without arguments while a library-tracked pop-up has no choice and the mouse is
   outside it. */
ZEL_API void ZEL_CALL ZEL_SetMenuHook(FARPROC hook);
ZEL_API FARPROC ZEL_CALL ZEL_GetMenuHook(void);
/* While the icons of the menu whose handle is `key` are loaded, file `refNum` is the current resource
   file; two entries (index 0 and 1). */
ZEL_API Boolean ZEL_CALL ZEL_SetMenuResFile(int16_t index, uint32_t key, int16_t refNum);

/* Volumes: drive letters and network roots (the server and share of a UNC path) as Macintosh volume
   reference numbers: A: is -1 .. Z: -26, network roots -27 .. -48 in order of discovery. 0xEEEE stands
   for no volume. ZEL_VRefNumToDOSVol writes the volume's root with its backslash ("C:\",
   "\\server\share\", at most 255 characters) and answers 1, or empties the buffer and answers 0. */
ZEL_API int16_t ZEL_CALL ZEL_DOSVolToVRefNum(const char *path);
ZEL_API int32_t ZEL_CALL ZEL_VRefNumToDOSVol(int16_t vRefNum, char *buffer);
ZEL_API void ZEL_CALL ZEL_UpdateDriveLetters(void);

/* The open-file table: file reference numbers 2..63 over Windows file handles; -1 answers failure.
   Modes are DOS open modes: bits 0..3 the access (0 read, else read and write), bits 4..6 the sharing
   (0x10 others may write only, 0x20 and 0x30 nothing, 0 and 0x40 read and write). Paths hold at most
   255 characters. A suspended file (ZEL_FHReOpen with flag 0) is closed with its position kept and comes
   back on the next read, write or seek; a file that cannot come back keeps its refNum, answering -1,
   until ZEL_FHClose. */
ZEL_API int32_t ZEL_CALL ZEL_FHOpen(const char *path, uint16_t mode, OSErr *err);
ZEL_API int32_t ZEL_CALL ZEL_FHCreate(const char *path, uint16_t mode);
ZEL_API int32_t ZEL_CALL ZEL_FHClose(int32_t refNum);
ZEL_API int32_t ZEL_CALL ZEL_FHRead(int32_t refNum, void *buffer, int32_t count);
ZEL_API int32_t ZEL_CALL ZEL_FHWrite(int32_t refNum, const void *buffer, int32_t count);
ZEL_API int32_t ZEL_CALL ZEL_FHLSeek(int32_t refNum, int32_t offset, int32_t origin);
ZEL_API OSErr ZEL_CALL ZEL_FHSetEOF0(int32_t refNum);
ZEL_API int32_t ZEL_CALL ZEL_FHReOpen(int32_t reopen, int32_t refNum);
ZEL_API void ZEL_CALL ZEL_FHReOpenAll(int32_t reopen);
ZEL_API HANDLE ZEL_CALL ZEL_FHMap(int32_t refNum);
ZEL_API int32_t ZEL_CALL ZEL_FHUnMap(HANDLE file);
ZEL_API int32_t ZEL_CALL ZEL_FHGetAttr(int32_t refNum);

/* The path layer: full DOS paths (at most 255 characters, in 256-byte buffers) from a directory ID, a
   volume or working-directory number and a Pascal name. A directory ID is one the library handed out,
   2 for a volume's root, or 0 for none. ZEL_SeparateFile splits a path after its last ':' or '\'. */
ZEL_API OSErr ZEL_CALL ZEL_HFSpec(int32_t dirID, int16_t vRefNum, ConstStr255Param name, char *path);
ZEL_API OSErr ZEL_CALL ZEL_FSpec(int16_t vRefNum, ConstStr255Param name, char *path);
ZEL_API int32_t ZEL_CALL ZEL_DirIDFromPath(const char *path, int16_t *vRefNum, int16_t *wdRefNum);
ZEL_API int16_t ZEL_CALL ZEL_CurDirvRefNum(const char *path);
ZEL_API void ZEL_CALL ZEL_SeparateFile(char *directory, char *name, const char *path);

/* The host's file-type procedure: called with a file's Pascal name and vRefNum; answers nonzero when it
   set *type and *creator itself. */
typedef int32_t (ZEL_CALL *ZELFileTypeProc)(ConstStr255Param name, int16_t vRefNum, OSType *type, OSType *creator);
ZEL_API void ZEL_CALL ZEL_SetFileTypeProc(ZELFileTypeProc proc);

/* Windows NT Macintosh volumes: ZEL_MakeMacAFPInfo records a type and creator through the system's
   MACFILE command; ZEL_MakeMacAFPRSR copies a file's resource fork into its ":AFP_Resource" stream. With
   vRefNum and dirID 0 the name is a full path. Both answer 0 or a Win32 error. */
ZEL_API int32_t ZEL_CALL ZEL_MakeMacAFPInfo(int16_t vRefNum, int32_t dirID, ConstStr255Param name, OSType type,
                                            OSType creator);
ZEL_API int32_t ZEL_CALL ZEL_MakeMacAFPRSR(int16_t vRefNum, int32_t dirID, ConstStr255Param name);

/* The pen tablet's glue: the host passes each message of its main window; proximity messages of the bound
   tablet context become operating-system events. Answers 0. */
ZEL_API LRESULT ZEL_CALL ZEL_WinTabMessage(HWND hwnd, UINT message, WPARAM wParam, uint32_t lParamLow);

#endif
