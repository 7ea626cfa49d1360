/* Printing Manager: the print record, its validation and defaults, the style and job dialogs (the
   Windows print-setup and print common dialogs) and PrGeneral. */
#ifndef TOLVADEX_PRINTING_H
#define TOLVADEX_PRINTING_H
#define __PRINTING__

#include "MacTypes.h"
#include "Quickdraw.h"
#include "Dialogs.h"

enum {
    iPrPgFract = 120,
    iPrAbort = 128,     /* PrError after an abort */
    iPrPgFst = 1,
    iPrPgMax = 9999,
    iPrDevPostScript = 0x300
};

/* How the print loop runs (the job's bJDocLoop): drawn straight to the printer, or spooled and then
   printed by PrPicFile. */
enum { bDraftLoop = 0, bSpoolLoop = 1, bUser1Loop = 2, bUser2Loop = 3 };
enum { iPrStatSize = 26 };

/* PrGeneral operations and their errors. */
enum { getRslDataOp = 4, setRslOp = 5, draftBitsOp = 6, noDraftBitsOp = 7, getRotnOp = 8 };
enum { noSuchRsl = 1, opNotImpl = 2 };

typedef void(ZEL_CALL *PrIdleProcPtr)(void);
typedef PrIdleProcPtr PrIdleUPP;
#define NewPrIdleUPP(userRoutine) ((PrIdleUPP)(userRoutine))
#define DisposePrIdleUPP(userRoutine) ((void)(userRoutine))
#define NewPrIdleProc(userRoutine) ((PrIdleUPP)(userRoutine))

#pragma pack(push, 2)
typedef struct TPrInfo {
    int16_t iDev;
    int16_t iVRes;   /* dots per inch */
    int16_t iHRes;
    Rect rPage;      /* the printable page, in dots */
} TPrInfo;

typedef struct TPrStl {
    int16_t wDev;    /* 0x300 on a PostScript printer */
    int16_t iPageV;  /* paper height in 120ths of an inch */
    int16_t iPageH;
    int8_t bPort;
    int8_t feed;
} TPrStl;

typedef struct TPrXInfo {
    int16_t iRowBytes;
    int16_t iBandV;
    int16_t iBandH;  /* the printer's scale in percent */
    int16_t iDevBytes;
    int16_t iBands;
    int8_t bPatScale;
    int8_t bUlThick;
    int8_t bUlOffset;
    int8_t bUlShadow;
    int8_t scan;
    int8_t bXInfoX;
} TPrXInfo;

typedef struct TPrJob {
    int16_t iFstPage;
    int16_t iLstPage;
    int16_t iCopies;
    int8_t bJDocLoop;
    Boolean fFromUsr;
    PrIdleUPP pIdleProc;
    StringPtr pFileName;
    int16_t iFileVol;
    int8_t bFileVers;
    int8_t bJobX;
} TPrJob;

/* The print record. printX words 0 and 1 hold the library's signature, 2-5 its printer state and when
   that was made, 6-17 six values of the Windows device mode. */
typedef struct TPrint {
    int16_t iPrVersion;
    TPrInfo prInfo;
    Rect rPaper;     /* the paper, relative to the printable page */
    TPrStl prStl;
    TPrInfo prInfoPT;
    TPrXInfo prXInfo;
    TPrJob prJob;
    int16_t printX[19];
} TPrint;

typedef struct TPrRslRec {
    int16_t iXRsl;
    int16_t iYRsl;
} TPrRslRec;

typedef struct TPRslRg {
    int16_t iMin;
    int16_t iMax;
} TPRslRg;

typedef struct TGetRslBlk {
    int16_t iOpCode;
    int16_t iError;
    int32_t lReserved;
    int16_t iRgType;
    TPRslRg xRslRg;
    TPRslRg yRslRg;
    int16_t iRslRecCnt;
    TPrRslRec rgRslRec[27];
} TGetRslBlk;

typedef struct TGnlData {
    int16_t iOpCode;
    int16_t iError;
    int32_t lReserved;
} TGnlData;

typedef struct TGetRotnBlk {
    int16_t iOpCode;
    int16_t iError;
    int32_t lReserved;
    Handle hPrint;
    Boolean fLandscape;
    int8_t bXtra;
} TGetRotnBlk;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(TPrInfo) == 14, "TPrInfo is 14 bytes");
ZEL_STATIC_ASSERT(sizeof(TPrJob) == 20, "TPrJob is 20 bytes");
ZEL_STATIC_ASSERT(sizeof(TPrint) == 120, "TPrint is 120 bytes");
ZEL_STATIC_ASSERT(offsetof(TPrint, prInfo) == 2, "prInfo at 2");
ZEL_STATIC_ASSERT(offsetof(TPrint, rPaper) == 16, "rPaper at 16");
ZEL_STATIC_ASSERT(offsetof(TPrint, prStl) == 24, "prStl at 24");
ZEL_STATIC_ASSERT(offsetof(TPrint, prInfoPT) == 32, "prInfoPT at 32");
ZEL_STATIC_ASSERT(offsetof(TPrint, prXInfo) == 46, "prXInfo at 46");
ZEL_STATIC_ASSERT(offsetof(TPrint, prJob) == 62, "prJob at 62");
ZEL_STATIC_ASSERT(offsetof(TPrint, printX) == 82, "printX at 82");
ZEL_STATIC_ASSERT(sizeof(TGetRslBlk) == 128, "TGetRslBlk is 128 bytes");
ZEL_STATIC_ASSERT(offsetof(TGetRotnBlk, fLandscape) == 12, "fLandscape at 12");

typedef TPrint *TPPrint;
typedef TPPrint *THPrint;
typedef Rect *TPRect;

/* The printing port: a port on the printer's device context, the bottleneck procedures it may use and
   four parameters of the driver. fOurPtr is true when PrOpenDoc allocated the record. */
#pragma pack(push, 2)
typedef struct TPrPort {
    GrafPort gPort;
    QDProcs gProcs;
    int32_t lGParam1;
    int32_t lGParam2;
    int32_t lGParam3;
    int32_t lGParam4;
    Boolean fOurPtr;
    Boolean fOurBits;
} TPrPort;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(TPrPort) == 178, "TPrPort is 178 bytes");
ZEL_STATIC_ASSERT(offsetof(TPrPort, gProcs) == 108, "gProcs at 108");
ZEL_STATIC_ASSERT(offsetof(TPrPort, fOurPtr) == 176, "fOurPtr at 176");

typedef TPrPort *TPPrPort;

/* What PrPicFile reports while it prints a spooled document. */
#pragma pack(push, 2)
typedef struct TPrStatus {
    int16_t iTotPages;
    int16_t iCurPage;
    int16_t iTotCopies;
    int16_t iCurCopy;
    int16_t iTotBands;
    int16_t iCurBand;
    Boolean fPgDirty;
    Boolean fImaging;
    THPrint hPrint;
    TPPrPort pPrPort;
    PicHandle hPic;
} TPrStatus;
#pragma pack(pop)
ZEL_STATIC_ASSERT(sizeof(TPrStatus) == 26, "TPrStatus is 26 bytes");
ZEL_STATIC_ASSERT(offsetof(TPrStatus, hPic) == 22, "hPic at 22");

ZEL_API void ZEL_CALL PrOpen(void);
ZEL_API void ZEL_CALL PrClose(void);
/* 128 after an abort, else PrintErr. */
ZEL_API int16_t ZEL_CALL PrError(void);
ZEL_API void ZEL_CALL PrSetError(int16_t iErr);
/* Fills the record from the default printer (a record too short is grown to 120 bytes first). */
ZEL_API void ZEL_CALL PrintDefault(THPrint hPrint);
/* False when the record is valid; otherwise it is filled again and the answer is whether it changed. */
ZEL_API Boolean ZEL_CALL PrValidate(THPrint hPrint);
ZEL_API Boolean ZEL_CALL PrStlDialog(THPrint hPrint);
ZEL_API Boolean ZEL_CALL PrJobDialog(THPrint hPrint);
ZEL_API void *ZEL_CALL PrStlInit(THPrint hPrint);
ZEL_API void *ZEL_CALL PrJobInit(THPrint hPrint);
ZEL_API Boolean ZEL_CALL PrDlgMain(THPrint hPrint, void *pDlgInit);
ZEL_API void ZEL_CALL PrJobMerge(THPrint hPrintSrc, THPrint hPrintDst);
ZEL_API void ZEL_CALL PrPicFile(THPrint hPrint, void *pPrPort, Ptr pIOBuf, Ptr pDevBuf, void *prStatus);
ZEL_API void ZEL_CALL PrGeneral(Ptr pData);

/* The print loop: a document, its pages and, on a banding printer, each page's bands. */
/* The printing port (pPrPort, or one allocated when it is nil), or nil with PrError 128. */
ZEL_API TPPrPort ZEL_CALL PrOpenDoc(THPrint hPrint, TPPrPort pPrPort, Ptr pIOBuf);
/* Starts a page: ZEL_PrOpenPageBand without a band rectangle. */
ZEL_API int16_t ZEL_CALL PrOpenPage(TPPrPort pPrPort, TPRect pPageFrame);
/* 1: draw the band (written to *band when band is not nil); 0: the page has no more bands. */
ZEL_API int16_t ZEL_CALL ZEL_PrOpenPageBand(TPPrPort pPrPort, TPRect pPageFrame, Rect *band);
/* The printer's BANDINFO escape with the two values (graphics, text) as its input; they come back as
   the printer answered them. Answers the escape's result. */
ZEL_API int16_t ZEL_CALL ZEL_BandInfo(int32_t *graphics, int32_t *text);
/* Ends the page: 0, PrError's value, or 128 after an abort. */
ZEL_API int16_t ZEL_CALL PrClosePage(TPPrPort pPrPort);
/* Ends the document (aborted after any abort), closes the port and frees what PrOpenDoc made. */
ZEL_API void ZEL_CALL PrCloseDoc(TPPrPort pPrPort);
/* Brings the abort dialog, while it is up, to the top with its Cancel button focused. */
ZEL_API void ZEL_CALL ZEL_AbortToTop(void);
/* The abort procedure the printer calls while it spools, and the dialog procedure of "AbortDlg". */
ZEL_API BOOL ZEL_CALL A_AbortProc(HDC dc, int code);
ZEL_API INT_PTR ZEL_CALL A_AbortDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* Host glue. */
/* The copies the host prints itself, collated (1 unless the print dialog asked for collation). */
ZEL_API int16_t ZEL_CALL ZEL_GetCollateCopies(void);
/* The printer DC of the open document, else 0. */
ZEL_API HDC ZEL_CALL ZEL_GetPrintDC(void);
/* The DC kept in the record's printer state (or of the open document) and the state itself. */
ZEL_API HDC ZEL_CALL ZEL_GetWinPrintInfo(THPrint hPrint, HDC *dc, void **state);
/* Deletes the DC kept in a valid record's printer state. */
ZEL_API void ZEL_CALL ZEL_ReleasePrinter(THPrint hPrint);
/* A WIN.INI section changed: "windows" 1 (the default printer is read again), "devices" 2, "intl" 4
   (the international formats are read again), any other 0. */
ZEL_API int16_t ZEL_CALL ZEL_WinIniChange(const char *section);
/* Dialog templates of the host for the record's print and print-setup dialogs; 1 when stored. */
ZEL_API int16_t ZEL_CALL ZEL_SetPrintTemplates(THPrint hPrint, const char *printTemplate, const char *setupTemplate);
/* A non-empty Pascal string becomes the document name of the next job. */
ZEL_API void ZEL_CALL ZEL_SetPrintFileName(ConstStr255Param name);

#endif
