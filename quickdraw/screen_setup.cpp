// The screen set-up of InitGraf: the screen's facts, the library standard palette and its table, the
// dither tables, the shared DIB header blocks and scratch buffer, the default DC, and the probes that
// find out how this display's GDI paints patterns, polygons and DIB transfers. ExitGraf takes it down.
#include "quickdraw.h"
#include "screen_tables.h"
#include "../devices/devices_services.h"

#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

constexpr int kScratchBytes = 65536;
constexpr int kDibHeaderBlocks = 4;
constexpr int kDibHeaderBlockBytes = 1064;

ScreenFacts sFacts;
DitherTables *sDither;
HDC sDefaultDC;
HLOCAL sScratch;
void *sScratchBits;
uint32_t sScratchSize;
HLOCAL sDibHeaders[kDibHeaderBlocks];
CTabHandle sScreenTable;
double sSines[91], sCosines[91];
bool sSinCosMade;

// Probe flags; DibTextProbe starts at 1 (it only runs on platforms this library does not meet).
bool sProbe[probeCount];

// ---- Set-up steps ----

ScreenCaps ReadScreenCaps(HDC dc)
{
    ScreenCaps caps{};
    caps.depth = DeviceContextDepth(dc);
    caps.rasterCaps = GetDeviceCaps(dc, RASTERCAPS);
    caps.sizePalette = GetDeviceCaps(dc, SIZEPALETTE);
    caps.nearestCyan = caps.depth == 4 ? GetNearestColor(dc, RGB(0, 255, 255)) : RGB(0, 255, 255);
    caps.horzRes = GetDeviceCaps(dc, HORZRES);
    caps.vertRes = GetDeviceCaps(dc, VERTRES);
    caps.horzSize = GetDeviceCaps(dc, HORZSIZE);
    caps.vertSize = GetDeviceCaps(dc, VERTSIZE);
    caps.logPixelsX = GetDeviceCaps(dc, LOGPIXELSX);
    caps.logPixelsY = GetDeviceCaps(dc, LOGPIXELSY);
    return caps;
}

// A moveable block of a BITMAPINFOHEADER, 256 colour slots and no bits.
HLOCAL AllocDibHeaderBlock(int which)
{
    HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, kDibHeaderBlockBytes);
    auto *bytes = block ? static_cast<uint8_t *>(LocalLock(block)) : nullptr;
    if (!bytes) {
        if (block)
            LocalFree(block);
        return nullptr;
    }
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(bytes);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biPlanes = 1;
    header->biCompression = BI_RGB;
    header->biXPelsPerMeter = sFacts.pixelsPerMeter.x;
    header->biYPelsPerMeter = sFacts.pixelsPerMeter.y;
    // The second block's colours are the palette indices 0..255; the third and fourth's each index twice.
    auto *indices = reinterpret_cast<uint16_t *>(bytes + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 256 && which > 0; ++i)
        indices[i] = static_cast<uint16_t>(which == 1 ? i : i / 2);
    LocalUnlock(block);
    return block;
}

// The library standard palette becomes the cached screen table and the default Palette, which is the
// active palette and whose Windows palette is the library palette.
void InitLibraryPalette()
{
    PALETTEENTRY entries[256];
    int n = BuildLibraryPaletteEntries(sFacts, entries, nullptr);
    bool standardInstead = LibrarySetting(settingPaletteManagement) == 0 && LibrarySwitch(kPaletteSwitch);
    CTabHandle table = nullptr;
    if (!standardInstead) {
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
        auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(n);
        std::memcpy(log->palPalEntry, entries, sizeof(PALETTEENTRY) * n);
        table = LogPaletteToCTable(nullptr, log, true);
        if (table)
            (*table)->ctSeed = kLibraryPaletteSeed;
    }
    if (!table)
        table = MakeStdCTable(nullptr, 256, false);
    sScreenTable = table;
    if (!HandleHasData(table))
        return;
    PaletteHandle pal = NewPalette(static_cast<int16_t>((*table)->ctSize + 1), table, pmTolerant, 0);
    if (pal)
        MakeDefaultPaletteActive(pal);
}

bool InitScreenFlags(HDC screen)
{
    sFacts = DeriveScreenFacts(ReadScreenCaps(screen), SessionFlag(zelFlagReducedPalette));
    InitPaletteSlots();
    if (!sDither)
        sDither = new DitherTables;
    BuildDitherTables(sFacts, *sDither);

    sScratch = AllocLocalBlock(LMEM_MOVEABLE, kScratchBytes);
    sScratchBits = sScratch ? LockLocalBlock(sScratch) : nullptr;
    if (!sScratchBits)
        return false;
    sScratchSize = kScratchBytes;
    for (int i = 0; i < kDibHeaderBlocks; ++i)
        if (!(sDibHeaders[i] = AllocDibHeaderBlock(i)))
            return false;

    InitLibraryPalette();
    ActivateAppPalette(screen);

    sDefaultDC = CreateCompatibleDC(screen);
    if (!sDefaultDC)
        return false;
    if (LibraryPalette())
        SelectPalette(sDefaultDC, LibraryPalette(), FALSE);
    SettlePrintDefaults();
    return true;
}

// ---- Probes ----

// The screen's top-left 32 x 32 pixels are saved before the probes and put back after each one; the
// 16 x 16 probe area is read through a bitmap of its own.
struct ProbeSurface {
    HDC screen;
    HDC mem = nullptr;
    HBITMAP saved = nullptr;
    HBITMAP area = nullptr;
    HGDIOBJ memDisplaced = nullptr;
    int areaBytes = 0;

    explicit ProbeSurface(HDC dc) : screen(dc)
    {
        mem = CreateCompatibleDC(dc);
        saved = CreateCompatibleBitmap(dc, 32, 32);
        area = CreateCompatibleBitmap(dc, 16, 16);
        if (!mem || !saved || !area)
            return;
        BITMAP info{};
        GetObjectA(area, sizeof info, &info);
        areaBytes = info.bmWidthBytes * info.bmHeight;
        memDisplaced = SelectObject(mem, saved);
        BitBlt(mem, 0, 0, 32, 32, dc, 0, 0, SRCCOPY);
    }
    ~ProbeSurface()
    {
        if (memDisplaced)
            SelectObject(mem, memDisplaced);
        for (HGDIOBJ o : {static_cast<HGDIOBJ>(saved), static_cast<HGDIOBJ>(area)})
            if (o)
                DeleteObject(o);
        if (mem)
            DeleteDC(mem);
    }
    bool ready() const { return memDisplaced != nullptr && areaBytes > 0; }
    void Restore() { BitBlt(screen, 0, 0, 32, 32, mem, 0, 0, SRCCOPY); }
    // Runs `draw` on the screen, reads the 16 x 16 area back and puts the screen back.
    template <typename Draw> std::vector<uint8_t> Capture(Draw draw)
    {
        draw();
        SelectObject(mem, area);
        BitBlt(mem, 0, 0, 16, 16, screen, 0, 0, SRCCOPY);
        SelectObject(mem, saved);
        std::vector<uint8_t> bits(areaBytes);
        GetBitmapBits(area, areaBytes, bits.data());
        Restore();
        return bits;
    }
};

bool AllEqual(const std::vector<uint8_t> &bits)
{
    for (uint8_t b : bits)
        if (b != bits[0])
            return false;
    return true;
}

// A pattern brush of a one-bit pattern selected into the probe DC with the null pen and the given
// text and background colours; everything is put back and deleted when it goes.
class ProbeBrush {
public:
    ProbeBrush(HDC dc, const Pattern &pattern, COLORREF text, COLORREF back) : dc_(dc)
    {
        bitmap_ = MakePatternBitmap(pattern);
        brush_ = bitmap_ ? CreatePatternBrush(bitmap_) : nullptr;
        if (!brush_)
            return;
        oldBrush_ = SelectObject(dc, brush_);
        oldPen_ = SelectObject(dc, GetStockObject(NULL_PEN));
        oldText_ = SetTextColor(dc, text);
        oldBack_ = SetBkColor(dc, back);
        SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    ~ProbeBrush()
    {
        if (brush_) {
            SetTextColor(dc_, oldText_);
            SetBkColor(dc_, oldBack_);
            SelectObject(dc_, oldPen_);
            SelectObject(dc_, oldBrush_);
            DeleteObject(brush_);
        }
        if (bitmap_)
            DeleteObject(bitmap_);
    }
    ProbeBrush(const ProbeBrush &) = delete;
    ProbeBrush &operator=(const ProbeBrush &) = delete;
    bool ready() const { return brush_ != nullptr; }
    void SetText(COLORREF text) { SetTextColor(dc_, text); }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HBRUSH brush_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr, oldPen_ = nullptr;
    COLORREF oldText_ = 0, oldBack_ = 0;
};

const POINT kProbeSquare[4] = {{0, 0}, {16, 0}, {16, 16}, {0, 16}};

void FillByRectangle(HDC dc) { Rectangle(dc, 0, 0, 17, 17); }
void FillByPatBlt(HDC dc) { PatBlt(dc, 0, 0, 16, 16, PATCOPY); }
void FillByPolygon(HDC dc) { Polygon(dc, kProbeSquare, 4); }

// Rectangle and PatBlt of a gray pattern brush in the given colours agree (and, where the screen can
// show two colours apart, the result is not one colour).
bool PatternProbe(ProbeSurface &s, COLORREF text, COLORREF back)
{
    HDC dc = s.screen;
    ProbeBrush brush(dc, LowMem<Pattern>(lmGray), text, back);
    if (!brush.ready())
        return false;
    std::vector<uint8_t> byRect = s.Capture([&] { FillByRectangle(dc); });
    std::vector<uint8_t> byBlt = s.Capture([&] { FillByPatBlt(dc); });
    bool twoColours = !sFacts.monochrome && !sFacts.depth4;
    return byRect == byBlt && (!twoColours || !AllEqual(byRect));
}

// A monochrome pattern brush blitted with two text colours gives two results: it takes the DC's
// colours.
bool MonoBrushColorProbe(ProbeSurface &s, COLORREF first, COLORREF second)
{
    HDC dc = s.screen;
    ProbeBrush brush(dc, LowMem<Pattern>(lmGray), first, RGB(255, 255, 255));
    if (!brush.ready())
        return false;
    std::vector<uint8_t> a = s.Capture([&] { FillByPatBlt(dc); });
    brush.SetText(second);
    std::vector<uint8_t> b = s.Capture([&] { FillByPatBlt(dc); });
    return a != b;
}

// With palette-relative text colours, a monochrome pattern brush drawn by Polygon and by Rectangle
// renders differently (retried once with a new brush).
bool PaletteBrushProbe(ProbeSurface &s)
{
    HDC dc = s.screen;
    bool differs = true;
    for (int attempt = 0; attempt < 2 && differs; ++attempt) {
        differs = false;
        for (COLORREF text : {COLORREF(0x0200FFFF), COLORREF(0x02FFFFFF)}) {
            ProbeBrush brush(dc, LowMem<Pattern>(lmGray), text, RGB(255, 255, 255));
            if (!brush.ready())
                continue;
            std::vector<uint8_t> byPolygon = s.Capture([&] { FillByPolygon(dc); });
            std::vector<uint8_t> byRect = s.Capture([&] { FillByRectangle(dc); });
            if (byPolygon != byRect)
                differs = true;
        }
    }
    return differs;
}

// GetDIBits and SetDIBits of half the rows of a 16 x 16 screen bitmap. `exact`: both moved exactly 8
// rows; `some`: neither returned 0.
void DibTransferProbe(ProbeSurface &s, int rasterCaps, bool *exact, bool *some)
{
    *exact = *some = false;
    if (!(rasterCaps & RC_DI_BITMAP))
        return;
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto *bi = reinterpret_cast<BITMAPINFO *>(info.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!GetDIBits(s.screen, s.area, 0, 0, nullptr, bi, DIB_RGB_COLORS))
        return;
    bi->bmiHeader.biCompression = BI_RGB;
    int stride = ((bi->bmiHeader.biWidth * bi->bmiHeader.biBitCount + 31) / 32) * 4;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * 16);
    int got = GetDIBits(s.screen, s.area, 0, 8, bits.data(), bi, DIB_RGB_COLORS);
    int set = SetDIBits(s.screen, s.area, 0, 8, bits.data(), bi, DIB_RGB_COLORS);
    *exact = got == 8 && set == 8;
    *some = got != 0 && set != 0;
}

// A black fill by Rectangle and by Polygon over the same square differ.
bool PolygonFillProbe(ProbeSurface &s)
{
    HDC dc = s.screen;
    ProbeBrush brush(dc, LowMem<Pattern>(lmBlack), RGB(0, 0, 0), RGB(255, 255, 255));
    if (!brush.ready())
        return false;
    std::vector<uint8_t> byRect = s.Capture([&] { FillByRectangle(dc); });
    std::vector<uint8_t> byPolygon = s.Capture([&] { FillByPolygon(dc); });
    return byRect != byPolygon;
}

// QUERYDIBSUPPORT of a 400 x -400 32-bit DIB reports that it can be stretched.
bool StretchDibProbe(HDC dc)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 400;
    header.biHeight = -400;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = 640000;
    DWORD flags = 0;
    int result = Escape(dc, QUERYDIBSUPPORT, sizeof header, reinterpret_cast<LPCSTR>(&header), &flags);
    return result > 0 && (flags & QDI_STRETCHDIB);
}

// Text drawn into an 8-bit DIB changes it.
bool DibTextProbe()
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = 32;
    info.header.biHeight = 32;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    for (int i = 0; i < 256; ++i)
        info.colours[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    void *bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = dc ? CreateDIBSection(dc, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool changed = false;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib);
        std::memset(bits, 0xFF, 32 * 32);
        SetTextColor(dc, RGB(0, 0, 0));
        TextOutA(dc, 2, 2, "W", 1);
        GdiFlush();
        for (int i = 0; i < 32 * 32 && !changed; ++i)
            changed = static_cast<uint8_t *>(bits)[i] != 0xFF;
        SelectObject(dc, old);
    }
    if (dib)
        DeleteObject(dib);
    if (dc)
        DeleteDC(dc);
    return changed;
}

void RunProbes(HDC dc)
{
    bool p[probeCount] = {};
    p[probeDibText] = true;
    p[probeStretchDib] = StretchDibProbe(dc);
    const int raster = GetDeviceCaps(dc, RASTERCAPS);
    const int oldBkMode = SetBkMode(dc, OPAQUE);
    const int oldRop = SetROP2(dc, R2_COPYPEN);
    {
        ProbeSurface s(dc);
        if (s.ready()) {
            p[probePatternRect] = PatternProbe(s, RGB(255, 0, 0), RGB(0, 0, 255));
            if (p[probePatternRect]) {
                p[probePatternYellow] = p[probePatternWhite] = true;
                p[probeMonoBrushColor] = MonoBrushColorProbe(s, RGB(255, 255, 0), RGB(0, 255, 255));
            } else {
                p[probePatternYellow] = PatternProbe(s, RGB(0, 0, 0), RGB(255, 255, 0));
                p[probePatternWhite] = PatternProbe(s, RGB(0, 0, 0), RGB(255, 255, 255));
            }
            p[probePaletteBrush] = PaletteBrushProbe(s);
            if (p[probePaletteBrush])
                p[probeMonoBrushColor] = true;
            DibTransferProbe(s, raster, &p[probeDibTransfer], &p[probeDiBitmap]);
            if (!p[probeDibTransfer])
                p[probePatternRect] = p[probePatternYellow] = false;
            p[probePolygonFill] = PolygonFillProbe(s);
            const PlatformInfo &platform = SessionPlatform();
            if (LibrarySwitch(0x8000) && !platform.win32s && !platform.windows95 && !platform.windowsNT)
                p[probeDibText] = DibTextProbe();
            s.Restore();
        }
    }
    SetROP2(dc, oldRop);
    SetBkMode(dc, oldBkMode);
    std::memcpy(sProbe, p, sizeof sProbe);
    SetLibrarySetting(settingScreenProbe, sProbe[probeDibTransfer] ? 1 : 0);
    // A display whose one-bit brushes ignore the DC's colours paints plain black and white solid.
    SetSolidBlackWhiteBrushes(p[probePatternRect] && !p[probeMonoBrushColor]);
}

} // namespace

// ---- Screen facts and tables for the rest of QuickDraw ----

int16_t ScreenDepth() { return static_cast<int16_t>(sFacts.depth); }
int16_t ScreenPaletteSize() { return static_cast<int16_t>(sFacts.paletteSize); }
bool ScreenFourBitColorEmulation() { return sFacts.fourBitColorEmulation; }
bool ScreenDibToDevice() { return sFacts.dibToDevice; }
bool ScreenReducedPalette() { return sFacts.reducedPalette; }
const DitherTables *ScreenDitherTables() { return sDither; }
HDC DefaultMemoryDC() { return sDefaultDC; }
CTabHandle CachedScreenCTable() { return sScreenTable; }
bool ScreenProbeFlag(ScreenProbe probe) { return probe >= 0 && probe < probeCount && sProbe[probe]; }
const double *SineTable() { return sSines; }
const double *CosineTable() { return sCosines; }
void *ScreenScratchBuffer() { return sScratchBits; }
uint32_t ScreenScratchSize() { return sScratchSize; }

void AdoptScreenScratch(HLOCAL block, void *bits, uint32_t size)
{
    if (sScratch) {
        UnlockLocalBlock(sScratch);
        FreeLocalBlock(sScratch);
    }
    sScratch = block;
    sScratchBits = bits;
    sScratchSize = size;
}
HLOCAL DibHeaderBlock(int index) { return index >= 0 && index < kDibHeaderBlocks ? sDibHeaders[index] : nullptr; }

int DitherNearest(DitherTable table, uint8_t v)
{
    if (!sDither)
        return 0;
    if (sDither->reducedFourBit)
        return sDither->gray[v].nearest;
    switch (table) {
    case ditherRed: return sDither->red[v].nearest;
    case ditherGreen: return sDither->green[v].nearest;
    case ditherBlue: return sDither->blue[v].nearest;
    default: return sDither->gray[v].nearest;
    }
}

bool ScreenSetup()
{
    HWND main = QuickDrawMainWindow();
    HDC screen = GetDC(main);
    if (!screen)
        return false;
    bool made = InitScreenFlags(screen);
    ReleaseDC(main, screen);
    if (!sSinCosMade) {
        BuildSinCosTables(sSines, sCosines);
        sSinCosMade = true;
    }
    ZEL_QDInitTestScreen();
    return made;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_QDInitTestScreen(void)
{
    HWND main = QuickDrawMainWindow();
    HWND owner = main && IsWindowVisible(main) ? main : nullptr;
    HDC dc = GetDC(owner);
    if (!dc)
        return;
    HPALETTE previous = LibraryPalette() ? SelectPalette(dc, LibraryPalette(), FALSE) : nullptr;
    RunProbes(dc);
    if (previous)
        SelectPalette(dc, previous, FALSE);
    ReleaseDC(owner, dc);
}

void ExitScreen()
{
    DeactivateAppPalette(CurrentDC());
    if (sScreenTable)
        DisposeHandle(reinterpret_cast<Handle>(sScreenTable));
    sScreenTable = nullptr;
    for (HLOCAL &block : sDibHeaders) {
        if (block)
            LocalFree(block);
        block = nullptr;
    }
    AdoptScreenScratch(nullptr, nullptr, 0);
    FreePixelScratch();
    delete sDither;
    sDither = nullptr;
    FlushBrushCache();
    // The default palette goes before the DCs it may be selected in; the default DC goes after.
    PaletteHandle standard = DefaultPalette();
    SetDefaultPalette(nullptr);
    if (standard)
        DisposePalette(standard);
    if (sDefaultDC) {
        SelectPalette(sDefaultDC, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteDC(sDefaultDC);
    }
    sDefaultDC = nullptr;
    FreeAllPaletteSlots();
    std::memset(sProbe, 0, sizeof sProbe);
}
