// Printing Manager: print records tied to a Windows print-dialog structure kept in the printer state
// table, filled from the printer's device context; the style and job dialogs; PrGeneral; the error word
// and the host glue for printer state.
#include "devices_services.h"
#include "print_private.h"
#include "../core/core_services.h"
#include "../text/text_services.h"

#include "Dialogs.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Printing.h"

#include <cderr.h>
#include <commdlg.h>
#include <float.h>

#include <cstring>

namespace {

constexpr int16_t kSignature0 = 0x120F;
constexpr int16_t kSignature1 = static_cast<int16_t>(0xCA1C);
constexpr uint32_t kDevModeCopy = 156; // the bytes of a device mode the library keeps
constexpr int kTableGrowth = 16;
constexpr int kMaxResolutions = 27;
static_assert(sizeof(PRINTDLGA) == 66, "PRINTDLGA is 66 bytes");

// One entry of the printer state table: a print-dialog structure and the tick count when it was made.
struct StateEntry {
    PRINTDLGA *state; // 0: a free entry
    uint32_t stamp;
};

HLOCAL sTable;
int sTableCapacity;
bool sAborted;
char sDefaultPrinter[81];
bool sDefaultPrinterChanged;
bool sPrinterListChanged;
HDC sInfoContext;
int16_t sCollateCopies = 1;
bool sDraftBits;
uint8_t sLastDevMode[kDevModeCopy];
bool sQuiet; // the start-up fill shows no box

// Where the fill leaves the device's own page, for the imaging code in 72-dpi mode.
Rect sDevicePage;
int16_t sDeviceResolution[2];

int16_t &PrintErrCell() { return LowMem<int16_t>(lmPrintErr); }

StateEntry *Entries() { return sTable ? static_cast<StateEntry *>(LockLocalBlock(sTable)) : nullptr; }

// The record's six device-mode values and its state words, read as 32-bit values.
uint32_t RecordWord32(const TPrint &r, int word)
{
    uint32_t v;
    std::memcpy(&v, &r.printX[word], 4);
    return v;
}
void SetRecordWord32(TPrint &r, int word, uint32_t v) { std::memcpy(&r.printX[word], &v, 4); }

bool SignatureMatches(const TPrint &r) { return r.printX[0] == kSignature0 && r.printX[1] == kSignature1; }

// The table entry the record names, found by its state handle and stamp before anything of the state is
// read; nil when the record names none (copied from another session, or never filled).
StateEntry *FindEntry(const TPrint &r)
{
    uint32_t handle = RecordWord32(r, 2), stamp = RecordWord32(r, 4);
    StateEntry *e = Entries();
    for (int i = 0; handle && e && i < sTableCapacity; ++i)
        if (reinterpret_cast<uintptr_t>(e[i].state) == handle && e[i].stamp == stamp)
            return &e[i];
    return nullptr;
}

bool RecordValid(const TPrint &r)
{
    return SignatureMatches(r) && RecordWord32(r, 10) && RecordWord32(r, 12) && RecordWord32(r, 14) &&
           RecordWord32(r, 16) && FindEntry(r);
}

// A free entry holding a new zeroed print-dialog structure owned by the main window; nil when the
// table cannot grow.
StateEntry *NewEntry()
{
    StateEntry *e = Entries();
    int slot = -1;
    for (int i = 0; e && i < sTableCapacity; ++i)
        if (!e[i].state) {
            slot = i;
            break;
        }
    if (slot < 0) {
        int capacity = sTableCapacity + kTableGrowth;
        HLOCAL grown = sTable ? ResizeLocalBlock(sTable, sTableCapacity * sizeof(StateEntry),
                                                 capacity * sizeof(StateEntry), LMEM_MOVEABLE | LMEM_ZEROINIT)
                              : AllocLocalBlock(LMEM_FIXED | LMEM_ZEROINIT, capacity * sizeof(StateEntry));
        if (!grown)
            return nullptr;
        sTable = grown;
        slot = sTableCapacity;
        sTableCapacity = capacity;
        e = Entries();
        std::memset(&e[slot], 0, kTableGrowth * sizeof(StateEntry));
    }
    HLOCAL block = AllocLocalBlock(LMEM_FIXED | LMEM_ZEROINIT, sizeof(PRINTDLGA));
    if (!block)
        return nullptr;
    PRINTDLGA *pd = static_cast<PRINTDLGA *>(LockLocalBlock(block));
    pd->lStructSize = sizeof(PRINTDLGA);
    pd->hwndOwner = SessionMainWindow();
    e[slot].state = pd;
    e[slot].stamp = GetTickCount();
    return &e[slot];
}

void ReleaseState(PRINTDLGA *pd)
{
    if (pd->hDC)
        DeleteDC(pd->hDC);
    if (pd->hDevMode)
        GlobalFree(pd->hDevMode);
    if (pd->hDevNames)
        GlobalFree(pd->hDevNames);
    FreeLocalBlockOfSize(GetLocalBlockHandle(pd), sizeof(PRINTDLGA));
}

void FreeEntry(StateEntry *e)
{
    ReleaseState(e->state);
    e->state = nullptr;
    e->stamp = 0;
}

// The device, driver and port the structure's device names give.
struct DeviceNames {
    char driver[64], device[64], port[64];
    bool isDefault;
};

bool ReadDeviceNames(const PRINTDLGA *pd, DeviceNames *names)
{
    if (!pd->hDevNames)
        return false;
    const DEVNAMES *dn = static_cast<const DEVNAMES *>(GlobalLock(pd->hDevNames));
    if (!dn)
        return false;
    SIZE_T size = GlobalSize(pd->hDevNames);
    auto copy = [&](WORD offset, char *to) {
        to[0] = 0;
        if (offset < size)
            lstrcpynA(to, reinterpret_cast<const char *>(dn) + offset, 64);
    };
    copy(dn->wDriverOffset, names->driver);
    copy(dn->wDeviceOffset, names->device);
    copy(dn->wOutputOffset, names->port);
    names->isDefault = (dn->wDefault & DN_DEFAULTPRN) != 0;
    GlobalUnlock(pd->hDevNames);
    return names->device[0] != 0;
}

// The driver's capability list: from "<driver>.DRV" when such a file loads (Windows 3.1 and 95 drivers),
// else from the spooler (DeviceCapabilitiesA of the device and port), which is where Windows NT and Wine
// answer. The count is asked first; at most `capacity` entries are taken.
int DriverCapabilities(const DeviceNames &names, WORD capability, void *out, int entrySize, int capacity)
{
    using DeviceCapabilitiesProc = DWORD(WINAPI *)(LPCSTR, LPCSTR, WORD, LPSTR, const DEVMODEA *);
    char file[80];
    wsprintfA(file, "%s.DRV", names.driver);
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE driver = LoadLibraryA(file);
    SetErrorMode(oldMode);
    DeviceCapabilitiesProc proc = driver ? reinterpret_cast<DeviceCapabilitiesProc>(
                                               reinterpret_cast<void *>(GetProcAddress(driver, "DeviceCapabilities")))
                                         : nullptr;
    auto ask = [&](LPSTR buffer) -> int {
        DWORD n = proc ? proc(names.device, names.port, capability, buffer, nullptr)
                       : DeviceCapabilitiesA(names.device, names.port, capability, buffer, nullptr);
        return static_cast<int>(n) < 0 ? 0 : static_cast<int>(n);
    };
    int count = ask(nullptr);
    int taken = 0;
    if (count > 0) {
        HLOCAL block = AllocLocalBlock(LMEM_FIXED | LMEM_ZEROINIT, count * entrySize);
        if (block) {
            char *all = static_cast<char *>(LockLocalBlock(block));
            int got = ask(all);
            taken = got < capacity ? got : capacity;
            if (got > count)
                taken = count < capacity ? count : capacity;
            std::memcpy(out, all, taken * entrySize);
            FreeLocalBlockOfSize(block, count * entrySize);
        }
    }
    if (driver)
        FreeLibrary(driver);
    return taken;
}

// A paper size code's length and width (tenths of a millimetre), from the driver's paper list.
bool LookUpPaperSize(const DeviceNames &names, int16_t code, int32_t *length, int32_t *width)
{
    WORD codes[64];
    POINT sizes[64];
    int n = DriverCapabilities(names, DC_PAPERS, codes, sizeof(WORD), 64);
    int m = DriverCapabilities(names, DC_PAPERSIZE, sizes, sizeof(POINT), 64);
    for (int i = 0; i < n && i < m; ++i)
        if (codes[i] == static_cast<WORD>(code)) {
            *width = sizes[i].x;
            *length = sizes[i].y;
            return true;
        }
    return false;
}

int32_t Scaled(int32_t v, int32_t scale) { return scale ? v * 100 / scale : v; }

Rect MakeRect(int32_t top, int32_t left, int32_t bottom, int32_t right)
{
    return Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
                static_cast<int16_t>(right)};
}

// Fills the record from the structure and the device context it returned.
void FillFromDevice(TPrint &r, PRINTDLGA *pd)
{
    r.prJob.iFstPage = pd->nFromPage && pd->nFromPage != 0xFFFF ? static_cast<int16_t>(pd->nFromPage) : static_cast<int16_t>(iPrPgFst);
    r.prJob.iLstPage = pd->nToPage && pd->nToPage != 0xFFFF ? static_cast<int16_t>(pd->nToPage) : static_cast<int16_t>(iPrPgMax);
    int32_t requested = pd->nCopies ? pd->nCopies : 1;

    // The device mode: scale, paper, orientation and copies.
    int32_t fields = 0, orientation = DMORIENT_PORTRAIT, paperCode = 0, paperLength = 0, paperWidth = 0, scale = 100,
            modeCopies = 1;
    DEVMODEA *mode = pd->hDevMode ? static_cast<DEVMODEA *>(GlobalLock(pd->hDevMode)) : nullptr;
    if (mode) {
        SIZE_T size = GlobalSize(pd->hDevMode);
        std::memset(sLastDevMode, 0, sizeof sLastDevMode);
        std::memcpy(sLastDevMode, mode, size < kDevModeCopy ? size : kDevModeCopy);
        fields = static_cast<int32_t>(mode->dmFields);
        if ((fields & DM_SCALE) && mode->dmScale > 0)
            scale = mode->dmScale;
        if (fields & DM_PAPERSIZE)
            paperCode = mode->dmPaperSize;
        if (fields & DM_PAPERLENGTH)
            paperLength = mode->dmPaperLength;
        if (fields & DM_PAPERWIDTH)
            paperWidth = mode->dmPaperWidth;
        if ((!paperLength || !paperWidth) && paperCode) {
            DeviceNames names;
            int32_t length, width;
            if (ReadDeviceNames(pd, &names) && LookUpPaperSize(names, static_cast<int16_t>(paperCode), &length, &width)) {
                paperLength = length;
                paperWidth = width;
            }
        }
        if (fields & DM_ORIENTATION)
            orientation = mode->dmOrientation;
        if ((fields & DM_COPIES) && mode->dmCopies > 0)
            modeCopies = mode->dmCopies;
    }

    HDC dc = pd->hDC;
    if (!dc) {
        r.prJob.iCopies = static_cast<int16_t>(requested);
        if (!r.prInfo.iVRes)
            r.prInfo.iVRes = 72;
        if (!r.prInfo.iHRes)
            r.prInfo.iHRes = 72;
        if (EmptyRect(&r.prInfo.rPage))
            r.prInfo.rPage = MakeRect(0, 0, 720, 576);
        if (EmptyRect(&r.rPaper))
            r.rPaper = MakeRect(0, 0, 720, 576);
        sDeviceResolution[0] = sDeviceResolution[1] = 72;
        sDevicePage = r.prInfo.rPage;
    } else {
        int logY = GetDeviceCaps(dc, LOGPIXELSY), logX = GetDeviceCaps(dc, LOGPIXELSX);
        int vertRes = GetDeviceCaps(dc, VERTRES), horzRes = GetDeviceCaps(dc, HORZRES);
        r.iPrVersion = static_cast<int16_t>(GetDeviceCaps(dc, DRIVERVERSION));
        r.prInfo.iVRes = static_cast<int16_t>(Scaled(logY, scale));
        r.prInfo.iHRes = static_cast<int16_t>(Scaled(logX, scale));
        r.prInfo.rPage = MakeRect(0, 0, Scaled(vertRes, scale), Scaled(horzRes, scale));

        POINT physical{horzRes, vertRes}, offset{0, 0};
        int escape = GETPHYSPAGESIZE;
        if (Escape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), nullptr) > 0) {
            Escape(dc, GETPHYSPAGESIZE, 0, nullptr, &physical);
        } else if (paperLength && paperWidth) {
            bool portrait = orientation != DMORIENT_LANDSCAPE;
            physical.x = (portrait ? paperWidth : paperLength) * logX / 254;
            physical.y = (portrait ? paperLength : paperWidth) * logY / 254;
        }
        escape = GETPRINTINGOFFSET;
        if (Escape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), nullptr) > 0) {
            Escape(dc, GETPRINTINGOFFSET, 0, nullptr, &offset);
        } else {
            offset.x = (physical.x - horzRes) / 2;
            offset.y = (physical.y - vertRes) / 2;
        }
        r.rPaper = MakeRect(Scaled(-offset.y, scale), Scaled(-offset.x, scale), Scaled(physical.y - offset.y, scale),
                            Scaled(physical.x - offset.x, scale));
        r.prStl.wDev = PrinterIsPostScript(dc) ? iPrDevPostScript : 0;
        r.prStl.iPageV = static_cast<int16_t>(GetDeviceCaps(dc, VERTSIZE) * 1200 / 254);
        r.prStl.iPageH = static_cast<int16_t>(GetDeviceCaps(dc, HORZSIZE) * 1200 / 254);
        r.prStl.feed = 0;
        r.prXInfo.iBandH = static_cast<int16_t>(scale);

        sDevicePage = r.prInfo.rPage;
        sDeviceResolution[0] = r.prInfo.iVRes;
        sDeviceResolution[1] = r.prInfo.iHRes;
        if (SessionFlag(zelFlagPrinting20)) {
            // 72-dpi mode: the record speaks in points; the imaging code keeps the device's page.
            auto to72 = [](int16_t v, int16_t res) { return static_cast<int16_t>(res ? v * 72 / res : v); };
            Rect &p = r.prInfo.rPage, &q = r.rPaper;
            int16_t v = r.prInfo.iVRes, h = r.prInfo.iHRes;
            p = MakeRect(to72(p.top, v), to72(p.left, h), to72(p.bottom, v), to72(p.right, h));
            q = MakeRect(to72(q.top, v), to72(q.left, h), to72(q.bottom, v), to72(q.right, h));
            r.prInfo.iVRes = r.prInfo.iHRes = 72;
        }

        // Copies: collated copies are the host's to print; otherwise the driver's copy count serves.
        if (pd->Flags & PD_COLLATE) {
            int one = 1;
            Escape(dc, SETCOPYCOUNT, sizeof one, reinterpret_cast<LPCSTR>(&one), nullptr);
            r.prJob.iCopies = 1;
            sCollateCopies = static_cast<int16_t>(requested);
        } else {
            r.prJob.iCopies = static_cast<int16_t>(requested < modeCopies ? 1 : requested);
            sCollateCopies = 1;
        }
    }
    if (mode)
        GlobalUnlock(pd->hDevMode);

    int32_t height = r.prInfo.rPage.bottom - r.prInfo.rPage.top, width = r.prInfo.rPage.right - r.prInfo.rPage.left;
    SetRecordWord32(r, 6, static_cast<uint32_t>(fields));
    SetRecordWord32(r, 8, static_cast<uint32_t>(orientation ? orientation : DMORIENT_PORTRAIT));
    SetRecordWord32(r, 10, static_cast<uint32_t>(paperCode ? paperCode : 1));
    SetRecordWord32(r, 12, static_cast<uint32_t>(paperLength ? paperLength : height));
    SetRecordWord32(r, 14, static_cast<uint32_t>(paperWidth ? paperWidth : width));
    SetRecordWord32(r, 16, static_cast<uint32_t>(scale));
    r.prInfoPT = r.prInfo;
}

// A device mode made for the record's values when the structure has none: 156 zeroed bytes that a
// driver accepts (its size and version filled in, no driver-private bytes).
void WriteRecordIntoDevMode(const TPrint &r, PRINTDLGA *pd)
{
    if (!pd->hDevMode) {
        pd->hDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kDevModeCopy);
        if (!pd->hDevMode)
            return;
        DEVMODEA *fresh = static_cast<DEVMODEA *>(GlobalLock(pd->hDevMode));
        fresh->dmSize = static_cast<WORD>(kDevModeCopy);
        fresh->dmSpecVersion = DM_SPECVERSION;
        fresh->dmDriverExtra = 0;
        GlobalUnlock(pd->hDevMode);
    }
    DEVMODEA *mode = static_cast<DEVMODEA *>(GlobalLock(pd->hDevMode));
    if (!mode)
        return;
    mode->dmFields |= RecordWord32(r, 6) & (DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE);
    mode->dmOrientation = static_cast<short>(RecordWord32(r, 8));
    mode->dmPaperSize = static_cast<short>(RecordWord32(r, 10));
    mode->dmPaperLength = static_cast<short>(RecordWord32(r, 12));
    mode->dmPaperWidth = static_cast<short>(RecordWord32(r, 14));
    mode->dmScale = static_cast<short>(RecordWord32(r, 16));
    GlobalUnlock(pd->hDevMode);
}

void DropDeviceHandles(PRINTDLGA *pd, bool names, bool mode)
{
    if (names && pd->hDevNames) {
        GlobalFree(pd->hDevNames);
        pd->hDevNames = nullptr;
    }
    if (mode && pd->hDevMode) {
        GlobalFree(pd->hDevMode);
        pd->hDevMode = nullptr;
    }
}

void ReplaceInfoContext(const PRINTDLGA *pd)
{
    DeletePrinterInfoContext();
    DeviceNames names;
    if (!ReadDeviceNames(pd, &names))
        return;
    const DEVMODEA *mode = pd->hDevMode ? static_cast<const DEVMODEA *>(GlobalLock(pd->hDevMode)) : nullptr;
    sInfoContext = CreateICA(names.driver, names.device, names.port, mode);
    if (mode)
        GlobalUnlock(pd->hDevMode);
}

using PrintNotifier = void(CALLBACK *)(int16_t phase, int16_t result, Handle hPrint, void *state);

void ReportDialogError(DWORD error)
{
    if (sQuiet || !LibrarySetting(settingPrintErrorReports))
        return;
    char text[256], title[64];
    if (error == PDERR_NODEFAULTPRN) {
        if (!LoadStringA(SessionHostInstance(), 1035, text, sizeof text))
            lstrcpyA(text, "We're unable to initialize printer information because there is no default printer "
                           "selected. Please select a default printer in the Printer Control Panel.");
        if (!LoadStringA(SessionHostInstance(), 2048, title, sizeof title))
            lstrcpyA(title, "Initialization Error");
    } else {
        wsprintfA(text, "Error calling PrintDlg: %d", static_cast<int>(error));
        lstrcpyA(title, "Printer Error");
    }
    MessageBoxA(SessionMainWindow(), text, title, MB_OK | MB_ICONEXCLAMATION);
}

// PrintDlgA with the cursor kept; a default printer that changed under the structure's names makes it
// start again from the new default. The floating-point control word is reset afterwards, as drivers
// leave it changed. Answers the dialog's result; *error the common-dialog error.
BOOL RunPrintDlg(PRINTDLGA *pd, DWORD *error)
{
    HCURSOR cursor = ::GetCursor();
    BOOL ok = PrintDlgA(pd);
    *error = ok ? 0 : CommDlgExtendedError();
    if (!ok && *error == PDERR_DEFAULTDIFFERENT) {
        DropDeviceHandles(pd, true, true);
        ok = PrintDlgA(pd);
        *error = ok ? 0 : CommDlgExtendedError();
    }
    _fpreset();
    ::SetCursor(cursor);
    if (!ok && *error)
        ReportDialogError(*error);
    return ok;
}

// The dialog step: the default printer (PD_RETURNDEFAULT), the print-setup dialog (PD_PRINTSETUP) or the
// print dialog, then the record filled from what it returned. `fromRecord` starts from the record's own
// page range, copies, orientation and device-mode values.
BOOL DialogStep(Handle hPrint, PRINTDLGA *pd, DWORD flags, bool keepDC, bool fromRecord, DWORD *error)
{
    TPrint &r = *reinterpret_cast<TPrint *>(*hPrint);
    if (pd->hDC) {
        DeleteDC(pd->hDC);
        pd->hDC = nullptr;
    }
    pd->Flags = (pd->Flags & ~(PD_PRINTSETUP | PD_RETURNDEFAULT)) | flags | PD_RETURNDC;
    bool returnDefault = (flags & PD_RETURNDEFAULT) != 0;
    if (returnDefault)
        DropDeviceHandles(pd, true, true);
    if (fromRecord) {
        pd->nFromPage = r.prJob.iFstPage ? r.prJob.iFstPage : 0xFFFF;
        pd->nToPage = r.prJob.iLstPage ? r.prJob.iLstPage : 0xFFFF;
        pd->nMinPage = iPrPgFst;
        pd->nMaxPage = iPrPgMax;
        pd->nCopies = static_cast<WORD>(r.prJob.iCopies > 1 ? r.prJob.iCopies : 1);
        if (pd->hDevMode) {
            DEVMODEA *mode = static_cast<DEVMODEA *>(GlobalLock(pd->hDevMode));
            const Rect &p = r.prInfo.rPage;
            mode->dmOrientation = p.bottom - p.top >= p.right - p.left ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
            GlobalUnlock(pd->hDevMode);
        }
    }
    if (sPrinterListChanged)
        DropDeviceHandles(pd, true, false);
    DeviceNames names;
    if (sDefaultPrinterChanged && ReadDeviceNames(pd, &names) && names.isDefault)
        DropDeviceHandles(pd, true, true);
    sPrinterListChanged = sDefaultPrinterChanged = false;

    HLOCAL state = GetLocalBlockHandle(pd);
    PrintNotifier notifier =
        returnDefault ? nullptr
                      : reinterpret_cast<PrintNotifier>((flags & PD_PRINTSETUP) ? PrintSetupDialogHook() : PrintDialogHook());
    if (!returnDefault)
        ZEL_EnableWindows(FrontWindow(), false, true);
    if (notifier)
        notifier(1, 0, hPrint, state);
    BOOL ok = RunPrintDlg(pd, error);
    if (notifier)
        notifier(0, static_cast<int16_t>(ok), hPrint, state);
    if (!returnDefault)
        ZEL_EnableWindows(FrontWindow(), true, true);

    if (ok) {
        if (fromRecord)
            WriteRecordIntoDevMode(r, pd);
        FillFromDevice(*reinterpret_cast<TPrint *>(*hPrint), pd);
    }
    if (!keepDC && pd->hDC) {
        DeleteDC(pd->hDC);
        pd->hDC = nullptr;
    }
    ReplaceInfoContext(pd);
    return ok;
}

// A handle that holds a whole record.
bool WholeRecord(THPrint hPrint)
{
    return hPrint && HandleHasData(reinterpret_cast<Handle>(hPrint)) &&
           GetHandleSize(reinterpret_cast<Handle>(hPrint)) >= static_cast<Size>(sizeof(TPrint));
}

// A record handle that can take the whole record: nil is refused, a shorter one is grown first.
bool UsableRecord(THPrint hPrint)
{
    if (!hPrint || !HandleHasData(reinterpret_cast<Handle>(hPrint))) {
        PrintErrCell() = paramErr;
        return false;
    }
    Handle h = reinterpret_cast<Handle>(hPrint);
    Size size = GetHandleSize(h);
    if (size < static_cast<Size>(sizeof(TPrint))) {
        SetHandleSize(h, sizeof(TPrint));
        if (GetHandleSize(h) < static_cast<Size>(sizeof(TPrint))) {
            PrintErrCell() = memFullErr;
            return false;
        }
        std::memset(*h + size, 0, sizeof(TPrint) - size);
    }
    return true;
}

// PrintDefault, and PrValidate of a record that is not valid. A record that already names a live state
// entry refills that entry; otherwise a new one is made. The device context is kept in the state with
// `keepDC` or library setting 44. Answers whether the record changed.
bool FillRecord(THPrint hPrint, bool fromRecord, bool keepDC = false)
{
    Handle h = reinterpret_cast<Handle>(hPrint);
    PrintErrCell() = iPrAbort;
    TPrint saved = **hPrint;
    StateEntry *entry = FindEntry(saved);
    bool fresh = !entry;
    if (fresh)
        entry = NewEntry();
    if (!entry)
        return false;
    PRINTDLGA *pd = entry->state;
    DWORD error = 0;
    keepDC = keepDC || LibrarySetting(settingPrintingSwitch) != 0;
    if (DialogStep(h, pd, PD_RETURNDEFAULT, keepDC, fromRecord && SignatureMatches(saved), &error)) {
        // Look the entry up again: the table may have moved while the dialog ran.
        TPrint &r = **hPrint;
        PrintErrCell() = 0;
        r.printX[0] = kSignature0;
        r.printX[1] = kSignature1;
        SetRecordWord32(r, 2, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pd)));
        StateEntry *e = Entries();
        for (int i = 0; i < sTableCapacity; ++i)
            if (e[i].state == pd)
                SetRecordWord32(r, 4, e[i].stamp);
        return true;
    }
    // The default printer could not be had: a record with a paper rectangle keeps it; any other gets
    // the 72-dpi defaults.
    if (fresh) {
        StateEntry *e = Entries();
        for (int i = 0; i < sTableCapacity; ++i)
            if (e[i].state == pd)
                FreeEntry(&e[i]);
    }
    if (!EmptyRect(&saved.rPaper)) {
        **hPrint = saved;
        return false;
    }
    PRINTDLGA none{};
    none.nCopies = 1;
    FillFromDevice(**hPrint, &none);
    return true;
}

} // namespace

// ---- The printer state of the session ----

void LoadDefaultPrinterName()
{
    GetProfileStringA("windows", "device", "", sDefaultPrinter, sizeof sDefaultPrinter);
}

// A cleared record goes through PrOpen, PrintDefault and PrClose once the screen is set up, so that the
// first record a program makes finds the printer ready. Nothing of it may wait on the user: no box is
// shown, whatever setting 61 says and whether or not a printer exists.
void SettlePrintDefaults()
{
    LoadDefaultPrinterName();
    Handle h = NewHandleClear(sizeof(TPrint));
    if (!h)
        return;
    sQuiet = true;
    PrOpen();
    PrintDefault(reinterpret_cast<THPrint>(h));
    PrClose();
    sQuiet = false;
    // The record goes: so does its state, whether or not a printer answered.
    if (StateEntry *e = FindEntry(*reinterpret_cast<TPrint *>(*h)))
        FreeEntry(e);
    DisposeHandle(h);
}

void DeletePrinterInfoContext()
{
    if (sInfoContext)
        DeleteDC(sInfoContext);
    sInfoContext = nullptr;
}

void FreePrinterInfoTable()
{
    StateEntry *e = Entries();
    for (int i = 0; e && i < sTableCapacity; ++i)
        if (e[i].state)
            FreeEntry(&e[i]);
    if (sTable)
        FreeLocalBlockOfSize(sTable, sTableCapacity * sizeof(StateEntry));
    sTable = nullptr;
    sTableCapacity = 0;
    DeletePrinterInfoContext();
    sDefaultPrinterChanged = sPrinterListChanged = false;
}

HDC PrinterStateDC(void *state)
{
    StateEntry *e = Entries();
    for (int i = 0; e && i < sTableCapacity; ++i)
        if (e[i].state == state)
            return e[i].state->hDC;
    return nullptr;
}

ZEL_EXTERN_C int32_t ZEL_CALL PrinterStateEntries(HDC *infoContext)
{
    if (infoContext)
        *infoContext = sInfoContext;
    int32_t n = 0;
    StateEntry *e = Entries();
    for (int i = 0; e && i < sTableCapacity; ++i)
        n += e[i].state != nullptr;
    return n;
}

bool PrinterIsPostScript(HDC dc)
{
    const PrintDeviceCalls &device = PrintDevice();
    auto supports = [&](int escape) {
        return device.escape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), nullptr) > 0;
    };
    const PlatformInfo &platform = SessionPlatform();
    if (platform.windowsNT)
        return supports(POSTSCRIPT_PASSTHROUGH);
    if (platform.windows95)
        return supports(PASSTHROUGH);
    char technology[64] = {};
    if (!supports(GETTECHNOLOGY))
        return false;
    device.escape(dc, GETTECHNOLOGY, 0, nullptr, technology);
    return lstrcmpiA(technology, "PostScript") == 0;
}

HDC TakePrintRecordDC(THPrint hPrint)
{
    if (!UsableRecord(hPrint))
        return nullptr;
    PrintErrCell() = 0;
    if (!RecordValid(**hPrint)) {
        FillRecord(hPrint, false, true);
        if (PrintErrCell())
            return nullptr;
    }
    StateEntry *entry = FindEntry(**hPrint);
    if (entry && !entry->state->hDC) {
        // A valid record keeps its own page range, copies and page set-up while its printer's
        // context is made again.
        FillRecord(hPrint, true, true);
        entry = PrintErrCell() ? nullptr : FindEntry(**hPrint);
    }
    if (!entry)
        return nullptr;
    HDC dc = entry->state->hDC;
    entry->state->hDC = nullptr;
    return dc;
}

Rect PrinterDevicePage() { return sDevicePage; }
void ResetCollateCopies() { sCollateCopies = 1; }

bool PrintAborted() { return sAborted; }
void SetPrintAborted(bool aborted) { sAborted = aborted; }
bool PrintDraftBits() { return sDraftBits; }

// ---- The Printing Manager ----

ZEL_EXTERN_C void ZEL_CALL PrOpen(void)
{
    sAborted = false;
    PrintErrCell() = 0;
}

ZEL_EXTERN_C void ZEL_CALL PrClose(void) { PrintErrCell() = 0; }

ZEL_EXTERN_C int16_t ZEL_CALL PrError(void) { return sAborted ? static_cast<int16_t>(iPrAbort) : PrintErrCell(); }

ZEL_EXTERN_C void ZEL_CALL PrSetError(int16_t iErr)
{
    PrintErrCell() = iErr;
    if (iErr)
        sAborted = true;
}

ZEL_EXTERN_C void ZEL_CALL PrintDefault(THPrint hPrint)
{
    if (UsableRecord(hPrint))
        FillRecord(hPrint, false);
}

ZEL_EXTERN_C Boolean ZEL_CALL PrValidate(THPrint hPrint)
{
    if (!UsableRecord(hPrint))
        return false;
    PrintErrCell() = 0;
    if (RecordValid(**hPrint))
        return false;
    return FillRecord(hPrint, true);
}

ZEL_EXTERN_C Boolean ZEL_CALL PrStlDialog(THPrint hPrint)
{
    if (!UsableRecord(hPrint))
        return false;
    PrValidate(hPrint);
    StateEntry *entry = FindEntry(**hPrint);
    if (PrintErrCell() || !entry) {
        // Without a printer the print-setup dialog is the place to choose one.
        return false;
    }
    DWORD error = 0;
    BOOL ok = DialogStep(reinterpret_cast<Handle>(hPrint), entry->state, PD_PRINTSETUP, false, true, &error);
    if (!ok && (error == PDERR_NODEVICES || error == PDERR_NODEFAULTPRN))
        return false;
    return ok != 0;
}

ZEL_EXTERN_C Boolean ZEL_CALL PrJobDialog(THPrint hPrint)
{
    if (!UsableRecord(hPrint))
        return false;
    PrValidate(hPrint);
    StateEntry *entry = FindEntry(**hPrint);
    if (PrintErrCell() || !entry)
        return false;
    DWORD error = 0;
    return DialogStep(reinterpret_cast<Handle>(hPrint), entry->state, 0, true, true, &error) != 0;
}

ZEL_EXTERN_C void *ZEL_CALL PrStlInit(THPrint)
{
    PrintErrCell() = 0;
    return nullptr;
}

ZEL_EXTERN_C void *ZEL_CALL PrJobInit(THPrint) { return nullptr; }
ZEL_EXTERN_C Boolean ZEL_CALL PrDlgMain(THPrint, void *) { return false; }
ZEL_STUB_VOID(PrJobMerge, (THPrint, THPrint))
ZEL_EXTERN_C void ZEL_CALL PrPicFile(THPrint, void *, Ptr, Ptr, void *) { PrintErrCell() = 0; }

ZEL_EXTERN_C void ZEL_CALL PrGeneral(Ptr pData)
{
    if (!pData)
        return;
    TGnlData *general = reinterpret_cast<TGnlData *>(pData);
    switch (general->iOpCode) {
    case getRslDataOp: {
        TGetRslBlk *b = reinterpret_cast<TGetRslBlk *>(pData);
        b->iError = opNotImpl;
        std::memset(b->rgRslRec, 0, sizeof b->rgRslRec);
        b->iRslRecCnt = 0;
        // The default printer's names and device mode, from the last fill.
        StateEntry *e = Entries();
        PRINTDLGA *pd = nullptr;
        for (int i = sTableCapacity - 1; e && i >= 0 && !pd; --i)
            if (e[i].state && e[i].state->hDevNames)
                pd = e[i].state;
        DeviceNames names;
        if (!pd || !ReadDeviceNames(pd, &names))
            return;
        LONG pairs[kMaxResolutions][2];
        int n = DriverCapabilities(names, DC_ENUMRESOLUTIONS, pairs, sizeof pairs[0], kMaxResolutions);
        if (n <= 0)
            return;
        const DEVMODEA *mode = reinterpret_cast<const DEVMODEA *>(sLastDevMode);
        b->iRgType = static_cast<int16_t>(mode->dmDriverVersion);
        b->iError = 0;
        b->lReserved = 0;
        b->xRslRg = {static_cast<int16_t>(pairs[0][0]), static_cast<int16_t>(pairs[0][0])};
        b->yRslRg = {static_cast<int16_t>(pairs[0][1]), static_cast<int16_t>(pairs[0][1])};
        for (int i = 0; i < n; ++i) {
            int16_t x = static_cast<int16_t>(pairs[i][0]), y = static_cast<int16_t>(pairs[i][1]);
            b->rgRslRec[i] = {x, y};
            b->xRslRg.iMin = x < b->xRslRg.iMin ? x : b->xRslRg.iMin;
            b->xRslRg.iMax = x > b->xRslRg.iMax ? x : b->xRslRg.iMax;
            b->yRslRg.iMin = y < b->yRslRg.iMin ? y : b->yRslRg.iMin;
            b->yRslRg.iMax = y > b->yRslRg.iMax ? y : b->yRslRg.iMax;
        }
        b->iRslRecCnt = static_cast<int16_t>(n);
        break;
    }
    case setRslOp:
        general->iError = opNotImpl;
        break;
    case draftBitsOp:
    case noDraftBitsOp:
        sDraftBits = general->iOpCode == draftBitsOp;
        general->iError = 0;
        break;
    case getRotnOp: {
        TGetRotnBlk *b = reinterpret_cast<TGetRotnBlk *>(pData);
        const DEVMODEA *mode = reinterpret_cast<const DEVMODEA *>(sLastDevMode);
        bool tall = false;
        if (BandedDocumentOrientation(&tall))
            b->fLandscape = tall;
        else
            b->fLandscape = (mode->dmFields & DM_ORIENTATION) && mode->dmOrientation == DMORIENT_LANDSCAPE;
        b->iError = 0;
        break;
    }
    default:
        break;
    }
}

// ---- Host glue ----

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_GetCollateCopies(void) { return sCollateCopies; }

ZEL_EXTERN_C HDC ZEL_CALL ZEL_GetPrintDC(void)
{
    int16_t open = 0;
    HDC dc = PrintingDC(&open);
    return open ? dc : nullptr;
}

ZEL_EXTERN_C HDC ZEL_CALL ZEL_GetWinPrintInfo(THPrint hPrint, HDC *dc, void **state)
{
    HDC found = ZEL_GetPrintDC();
    void *entryState = nullptr;
    if (WholeRecord(hPrint)) {
        ResetPrintPageRange((*hPrint)->prJob.iFstPage, (*hPrint)->prJob.iLstPage);
        PrValidate(hPrint);
        if (StateEntry *e = FindEntry(**hPrint)) {
            entryState = GetLocalBlockHandle(e->state);
            if (!found)
                found = e->state->hDC;
        }
    }
    if (dc)
        *dc = found;
    if (state)
        *state = entryState;
    return found;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_ReleasePrinter(THPrint hPrint)
{
    if (!WholeRecord(hPrint))
        return;
    if (StateEntry *e = FindEntry(**hPrint))
        if (e->state->hDC) {
            DeleteDC(e->state->hDC);
            e->state->hDC = nullptr;
        }
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_WinIniChange(const char *section)
{
    if (!section)
        return 0;
    if (lstrcmpiA(section, "windows") == 0) {
        char device[sizeof sDefaultPrinter];
        GetProfileStringA("windows", "device", "", device, sizeof device);
        if (lstrcmpA(device, sDefaultPrinter) != 0) {
            lstrcpyA(sDefaultPrinter, device);
            sDefaultPrinterChanged = true;
        }
        return 1;
    }
    if (lstrcmpiA(section, "devices") == 0) {
        sPrinterListChanged = true;
        return 2;
    }
    if (lstrcmpiA(section, "intl") == 0) {
        ReloadInternationalSettings();
        return 4;
    }
    return 0;
}

ZEL_EXTERN_C int16_t ZEL_CALL ZEL_SetPrintTemplates(THPrint hPrint, const char *printTemplate, const char *setupTemplate)
{
    if (!WholeRecord(hPrint))
        return 0;
    StateEntry *e = FindEntry(**hPrint);
    if (!e)
        return 0;
    e->state->lpPrintTemplateName = printTemplate;
    e->state->lpSetupTemplateName = setupTemplate;
    e->state->hInstance = SessionHostInstance();
    e->state->Flags = (e->state->Flags & ~(PD_ENABLEPRINTTEMPLATE | PD_ENABLESETUPTEMPLATE)) |
                      (printTemplate ? PD_ENABLEPRINTTEMPLATE : 0) | (setupTemplate ? PD_ENABLESETUPTEMPLATE : 0);
    return 1;
}
