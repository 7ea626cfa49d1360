// The text mask: text in a mode GDI cannot draw in the port's colours (or very large, or under a mask
// clip) is drawn black on white into a one-bit bitmap of its rectangle, which is then copied onto the
// port with CopyBits in the text mode. Only with the mask-emulation switch, never on the print job's DC.
#include "imaging.h"
#include "MacMemory.h"
#include "../devices/devices_services.h"

#include <cstring>

namespace {

constexpr uint32_t kMaskEmulationSwitch = 0x8000;
constexpr int16_t kLargeText = 48;
constexpr uint8_t kItalic = 2;

// Text modes 0..16 that go through the mask.
const bool kMaskTextModes[17] = {false, false, true, true, true, true, true, true,
                                 false, false, true, true, true, true, true, true, false};

struct TextMaskState {
    bool drawing;
    Rect rect;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ displaced;
    PixMapHandle pixels; // the 1-bit DIB PixMap that receives the bitmap's rows
    HDC portDC;
} sText;

void FreeTextBitmap()
{
    if (sText.dc) {
        SelectObject(sText.dc, sText.displaced);
        DeleteDC(sText.dc);
    }
    if (sText.bitmap)
        DeleteObject(sText.bitmap);
    sText.dc = nullptr;
    sText.bitmap = nullptr;
    sText.displaced = nullptr;
}

} // namespace

bool BeginTextMask(Point topLeft, Point botRight, int16_t textHeight)
{
    GrafPtr port = CurrentPort();
    PortDCRecord *record = CurrentPortRecord();
    HDC dc = CurrentDC();
    if (sText.drawing || !port || !record || !dc || !LibrarySwitch(kMaskEmulationSwitch))
        return false;
    if (PrintingDC(nullptr) && dc == PrintingDC(nullptr))
        return false;
    const int16_t mode = port->txMode;
    const bool maskClip = HandleHasData(port->clipRgn) && (**port->clipRgn).rgnSize == kMaskFormRgnSize;
    const bool byMode = IsColorPort(port) && (mode < 0 || mode > 16 || kMaskTextModes[mode]);
    if (!maskClip && !byMode && textHeight < kLargeText)
        return false;
    Rect r{topLeft.v, topLeft.h, botRight.v, botRight.h};
    // Italic glyphs lean out of their advance: half the height more on the right.
    if (port->txFace & kItalic)
        r.right = static_cast<int16_t>(r.right + textHeight / 2);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    sText.dc = CreateCompatibleDcWithPalette(dc);
    sText.bitmap = sText.dc ? CreateBitmap(width, height, 1, 1, nullptr) : nullptr;
    if (!sText.bitmap) {
        FreeTextBitmap();
        return false;
    }
    sText.displaced = SelectObject(sText.dc, sText.bitmap);
    PatBlt(sText.dc, 0, 0, width, height, WHITENESS);
    sText.pixels = NewMonoDibPixMapForRect(Point{r.top, r.left}, Point{r.bottom, r.right}, false);
    if (!sText.pixels) {
        FreeTextBitmap();
        return false;
    }
    SavePortDcColors();
    ResetPortDcColors();
    sText.portDC = dc;
    sText.rect = r;
    SetPortRecordDC(sText.dc);
    record->foreColorRef = RGB(0, 0, 0);
    record->backColorRef = RGB(255, 255, 255);
    SetTextColor(sText.dc, RGB(0, 0, 0));
    SetBkColor(sText.dc, RGB(255, 255, 255));
    SetTextAlign(sText.dc, TA_BASELINE | TA_LEFT);
    SetWindowOrgEx(sText.dc, r.left, r.top, nullptr);
    sText.drawing = true;
    return true;
}

void EndTextMask(int16_t mode)
{
    if (!sText.drawing)
        return;
    sText.drawing = false;
    if (CurrentPortRecord()) {
        SetPortRecordDC(sText.portDC);
        RestorePortDcColors();
    }
    // The bitmap's rows into the PixMap's DIB. GetDIBits writes a monochrome bitmap's colours black
    // first: the PixMap then reads its indices reversed.
    PixMap &pm = **sText.pixels;
    Handle dib = pm.pmExtDib;
    const int height = sText.rect.bottom - sText.rect.top;
    bool read = false;
    if (HandleHasData(dib)) {
        HLock(dib);
        auto *info = reinterpret_cast<BITMAPINFO *>(*dib);
        uint8_t *rows = reinterpret_cast<uint8_t *>(*dib) + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
        SelectObject(sText.dc, sText.displaced);
        read = GetDIBits(sText.dc, sText.bitmap, 0, static_cast<UINT>(height), rows, info, DIB_RGB_COLORS) == height;
        sText.displaced = SelectObject(sText.dc, sText.bitmap);
        const RGBQUAD first = info->bmiColors[0];
        if (first.rgbRed == 0 && first.rgbGreen == 0 && first.rgbBlue == 0)
            pm.pmExtFlags |= pmExtBitsPrepared;
        HUnlock(dib);
    }
    FreeTextBitmap();
    GrafPtr port = CurrentPort();
    if (read && port) {
        const Rect r = sText.rect;
        CopyBits(reinterpret_cast<const BitMap *>(*sText.pixels), &port->portBits, &r, &r, mode, nullptr);
    }
    DisposeDibPixMap(sText.pixels);
    sText.pixels = nullptr;
}
