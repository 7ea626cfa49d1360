// Icons plotted on the current port with CopyBits and CopyMask: 'ICON' data, colour icons, icon families
// by resource ID, icon suites, mini icons and small icon lists. Icon data come from resource forks and
// host handles: every size is checked before a byte is read. While an icon is plotted through its mask,
// the icon-drawing setting sends CopyMask to its three transfers, which keep the icon's own colours.
#include "imaging.h"
#include "Icons.h"
#include "MacMemory.h"
#include "Resources.h"

#include <cstring>
#include <vector>

namespace {

constexpr ResType kIconType = 0x49434F4E;      // 'ICON'
constexpr ResType kLargeFamily = 0x49434E23;   // 'ICN#'
constexpr ResType kSmallFamily = 0x69637323;   // 'ics#'
constexpr ResType kLargeColour = 0x69636C38;   // 'icl8'
constexpr ResType kSmallColour = 0x69637338;   // 'ics8'
constexpr ResType kMiniFamily = 0x69636D23;    // 'icm#'
constexpr ResType kMiniColour = 0x69636D38;    // 'icm8'
constexpr Fixed kSeventyTwoDpi = 0x00480000;
// Switch 0x80 of ZEL_SetFlags: colour icons are drawn through their masks.
constexpr uint32_t kColourIconMaskSwitch = 0x80;

int32_t SizeOf(Handle h) { return HandleHasData(h) ? GetHandleSize(h) : 0; }

const BitMap *PortBits() { return CurrentPort() ? &CurrentPort()->portBits : nullptr; }

// The icon-drawing setting held on for one plot and put back after it.
class IconDrawing {
public:
    IconDrawing() : saved_(LibrarySetting(settingIconDrawing)) { SetLibrarySetting(settingIconDrawing, 1); }
    ~IconDrawing() { SetLibrarySetting(settingIconDrawing, saved_); }
    IconDrawing(const IconDrawing &) = delete;
    IconDrawing &operator=(const IconDrawing &) = delete;

private:
    int32_t saved_;
};

// A resource of at least `minimum` bytes, or nil (a short one is released).
Handle LoadIconResource(ResType type, int16_t id, int32_t minimum)
{
    Handle h = GetResource(type, id);
    if (!h)
        return nullptr;
    // With resource loading off the handle comes back empty: its data are read now.
    if (!*h)
        LoadResourc(h);
    if (SizeOf(h) < minimum) {
        ReleaseResource(h);
        return nullptr;
    }
    return h;
}

// An 8-bit PixMap over `size` x `size` (or 16 x 12) colour indices of the standard 8-bit table.
bool MakeIndexedPixMap(PixMap &pm, Ptr data, int16_t width, int16_t height)
{
    std::memset(&pm, 0, sizeof pm);
    pm.pmTable = GetCTable(8);
    if (!pm.pmTable)
        return false;
    pm.baseAddr = data;
    pm.rowBytes = static_cast<int16_t>(width | 0x8000);
    pm.bounds = Rect{0, 0, height, width};
    pm.hRes = pm.vRes = kSeventyTwoDpi;
    pm.pixelSize = 8;
    pm.cmpCount = 1;
    pm.cmpSize = 8;
    pm.planeBytes = 1;
    return true;
}

bool HasHoles(const uint8_t *mask, int32_t rowBytes, int32_t widthBytes, int32_t height)
{
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < widthBytes; ++x)
            if (mask[y * rowBytes + x] != 0xFF)
                return true;
    return false;
}

// A colour icon whose records, rows and colour table are all there: the mask and one-bit rows inside
// the icon's handle, its pixel rows inside iconData, a colour table.
bool ColourIconWhole(CIconHandle icon)
{
    if (!HandleHasData(icon))
        return false;
    const CIcon &ci = **icon;
    const int32_t have = SizeOf(reinterpret_cast<Handle>(icon));
    if (have < static_cast<int32_t>(offsetof(CIcon, iconMaskData)))
        return false;
    const int32_t maskHeight = ci.iconMask.bounds.bottom - ci.iconMask.bounds.top;
    const int32_t bitsHeight = ci.iconBMap.bounds.bottom - ci.iconBMap.bounds.top;
    const int32_t height = ci.iconPMap.bounds.bottom - ci.iconPMap.bounds.top;
    const int32_t width = ci.iconPMap.bounds.right - ci.iconPMap.bounds.left;
    if (ci.iconMask.rowBytes < 0 || ci.iconBMap.rowBytes < 0 || maskHeight < 0 || bitsHeight < 0 || height <= 0 ||
        width <= 0)
        return false;
    const int64_t rows = static_cast<int64_t>(ci.iconMask.rowBytes) * maskHeight +
                         static_cast<int64_t>(ci.iconBMap.rowBytes) * bitsHeight;
    if (static_cast<int64_t>(offsetof(CIcon, iconMaskData)) + rows > have)
        return false;
    if (!HandleHasData(ci.iconPMap.pmTable) ||
        SizeOf(reinterpret_cast<Handle>(ci.iconPMap.pmTable)) < static_cast<int32_t>(offsetof(ColorTable, ctTable)))
        return false;
    const int32_t entries = (*ci.iconPMap.pmTable)->ctSize + 1;
    if (entries < 1 || SizeOf(reinterpret_cast<Handle>(ci.iconPMap.pmTable)) <
                           static_cast<int32_t>(offsetof(ColorTable, ctTable) + entries * sizeof(ColorSpec)))
        return false;
    const int32_t rowBytes = ci.iconPMap.rowBytes & 0x3FFF;
    return HandleHasData(ci.iconData) && rowBytes > 0 &&
           static_cast<int64_t>(rowBytes) * height <= SizeOf(ci.iconData);
}

// The destination of PlotIconID: the icon's size placed in r by the alignment's vertical and horizontal
// bits when it is smaller than r both ways, else r itself (the icon scaled to it).
Rect AlignedIconRect(const Rect &r, IconAlignmentType align, int16_t size)
{
    const int32_t width = r.right - r.left, height = r.bottom - r.top;
    if (!(size < width && size < height && (align & 5)))
        return r;
    int32_t top = r.top, left = r.left;
    if (align & 1)
        top += (align & 2) ? height - size : (height - size) / 2;
    if (align & 4)
        left += (align & 8) ? width - size : (width - size) / 2;
    return Rect{static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(top + size),
                static_cast<int16_t>(left + size)};
}

// The destination of PlotSICNHandle: a vertical part (1 centre, 2 top, 3 bottom) and a horizontal part
// (4 centre, 8 left, 12 right), each placing a side 16 pixels long; r for 0 and above 15.
Rect AlignedSmallIconRect(const Rect &r, IconAlignmentType align)
{
    if (align <= 0 || align > 15)
        return r;
    Rect d = r;
    switch (align & 3) {
    case 1: d.top = static_cast<int16_t>((r.top + r.bottom) / 2 - 8); break;
    case 2: d.top = r.top; break;
    case 3: d.top = static_cast<int16_t>(r.bottom - 16); break;
    default: break;
    }
    if (align & 3)
        d.bottom = static_cast<int16_t>(d.top + 16);
    switch (align & 12) {
    case 4: d.left = static_cast<int16_t>((r.left + r.right) / 2 - 8); break;
    case 8: d.left = r.left; break;
    case 12: d.left = static_cast<int16_t>(r.right - 16); break;
    default: break;
    }
    if (align & 12)
        d.right = static_cast<int16_t>(d.left + 16);
    return d;
}

bool HasArea(const Rect *r) { return r && r->right > r->left && r->bottom > r->top; }

// The mini icon of a suite: 'icm8' colours through the 'icm#' mask, 16 x 12 at the rectangle's top-left.
void PlotMiniIcon(const Rect &r, int16_t id)
{
    Handle colours = LoadIconResource(kMiniColour, id, 16 * 12);
    Handle family = LoadIconResource(kMiniFamily, id, 48);
    PixMap pm;
    if (colours && family && PortBits() && MakeIndexedPixMap(pm, *colours, 16, 12)) {
        BitMap mask{*family + 24, 2, Rect{0, 0, 12, 16}};
        const Rect destination{r.top, r.left, static_cast<int16_t>(r.top + 12), static_cast<int16_t>(r.left + 16)};
        {
            IconDrawing drawing;
            CopyMask(reinterpret_cast<const BitMap *>(&pm), &mask, PortBits(), &pm.bounds, &mask.bounds,
                     &destination);
        }
        DisposeCTable(pm.pmTable);
    }
    if (colours)
        ReleaseResource(colours);
    if (family)
        ReleaseResource(family);
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL PlotIcon(const Rect *r, Handle icon)
{
    if (!HasArea(r) || SizeOf(icon) < 128 || !PortBits())
        return;
    const BitMap bits{*icon, 4, Rect{0, 0, 32, 32}};
    CopyBits(&bits, PortBits(), &bits.bounds, r, srcCopy, nullptr);
}

ZEL_EXTERN_C void ZEL_CALL PlotCIcon(const Rect *r, CIconHandle icon)
{
    if (!HasArea(r) || !PortBits() || !ColourIconWhole(icon))
        return;
    CTabHandle table = (**icon).iconPMap.pmTable;
    if ((*table)->ctSize == 0) {
        // A one-colour table gains black as its entry 1.
        SetHandleSize(reinterpret_cast<Handle>(table), offsetof(ColorTable, ctTable) + 2 * sizeof(ColorSpec));
        if (MemError() != noErr)
            return;
        (*table)->ctSize = 1;
        (*table)->ctTable[1].value = 1;
        (*table)->ctTable[1].rgb = RGBColor{0, 0, 0};
    }
    CIcon &ci = **icon;
    PixMap pm{};
    std::memcpy(&pm, &ci.iconPMap, sizeof ci.iconPMap);
    pm.pmVersion = 0;
    pm.baseAddr = *ci.iconData;
    ci.iconMask.baseAddr = reinterpret_cast<Ptr>(ci.iconMaskData);
    const int32_t maskHeight = ci.iconMask.bounds.bottom - ci.iconMask.bounds.top;
    const int32_t maskWidth = ci.iconMask.bounds.right - ci.iconMask.bounds.left;
    ci.iconBMap.baseAddr = reinterpret_cast<Ptr>(ci.iconMaskData) + ci.iconMask.rowBytes * maskHeight;
    const BitMap *image = reinterpret_cast<const BitMap *>(&pm);
    const bool holes = LibrarySwitch(kColourIconMaskSwitch) &&
                       HasHoles(reinterpret_cast<const uint8_t *>(ci.iconMaskData), ci.iconMask.rowBytes & 0x3FFF,
                                std::min<int32_t>(maskWidth / 8, ci.iconMask.rowBytes & 0x3FFF), maskHeight);
    if (holes) {
        IconDrawing drawing;
        CopyMask(image, &ci.iconMask, PortBits(), &pm.bounds, &pm.bounds, r);
    } else {
        CopyBits(image, PortBits(), &pm.bounds, r, srcCopy, nullptr);
    }
}

ZEL_EXTERN_C OSErr ZEL_CALL PlotIconID(const Rect *r, IconAlignmentType align, IconTransformType transform,
                                       int16_t id)
{
    if (!r || r->right - r->left < 1 || r->bottom - r->top < 1)
        return -1;
    const int16_t size = (r->right - r->left < 32 || r->bottom - r->top < 32) ? 16 : 32;
    const int32_t planeBytes = size * size / 8;
    Handle family = LoadIconResource(size == 16 ? kSmallFamily : kLargeFamily, id, 2 * planeBytes);
    if (!family)
        return -1000;
    const int16_t rowBytes = static_cast<int16_t>(size / 8);
    const Rect bounds{0, 0, size, size};

    std::vector<uint8_t> maskRows(reinterpret_cast<const uint8_t *>(*family) + planeBytes,
                                  reinterpret_cast<const uint8_t *>(*family) + 2 * planeBytes);
    if (transform & ttDisabled)
        for (uint8_t &b : maskRows)
            b &= 0xA5;
    const bool masked = (transform & ttDisabled) || HasHoles(maskRows.data(), rowBytes, rowBytes, size);
    const BitMap mask{reinterpret_cast<Ptr>(maskRows.data()), rowBytes, bounds};
    const BitMap oneBit{*family, rowBytes, bounds};
    const BitMap *image = &oneBit;

    // The colour member, when whole, replaces the one-bit image; its indices are the standard 8-bit
    // table's.
    Handle colours = LoadIconResource(size == 16 ? kSmallColour : kLargeColour, id, size * size);
    PixMap pm;
    bool haveTable = false;
    if (colours) {
        haveTable = MakeIndexedPixMap(pm, *colours, size, size);
        if (!haveTable) {
            ReleaseResource(colours);
            ReleaseResource(family);
            return 0;
        }
        image = reinterpret_cast<const BitMap *>(&pm);
    }
    const Rect destination = AlignedIconRect(*r, align, size);
    if (const BitMap *port = PortBits()) {
        if (masked) {
            IconDrawing drawing;
            CopyMask(image, &mask, port, &bounds, &bounds, &destination);
        } else {
            CopyBits(image, port, &bounds, &destination, srcCopy, nullptr);
        }
    }
    if (haveTable)
        DisposeCTable(pm.pmTable);
    if (colours)
        ReleaseResource(colours);
    ReleaseResource(family);
    return 0;
}

ZEL_STUB_NAMED(OSErr, PlotIconMethod, "PLOTICONMETHOD", 0,
               (const Rect *, IconAlignmentType, IconTransformType, void *, void *))

#pragma pack(push, 2)
struct IconSuiteRecord {
    int16_t id;
    uint32_t selector;
};
#pragma pack(pop)
static_assert(sizeof(IconSuiteRecord) == 6, "a suite is 6 bytes");

ZEL_EXTERN_C OSErr ZEL_CALL GetIconSuite(IconSuiteHandle *out, int16_t id, IconSelectorValue selector)
{
    if (!out)
        return paramErr;
    Handle suite = NewHandle(sizeof(IconSuiteRecord));
    if (!suite) {
        *out = nullptr;
        return memFullErr;
    }
    *reinterpret_cast<IconSuiteRecord *>(*suite) = IconSuiteRecord{id, selector};
    *out = suite;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL DisposeIconSuite(IconSuiteHandle suite, Boolean)
{
    if (suite)
        DisposeHandle(suite);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL PlotIconSuite(const Rect *r, IconAlignmentType align, IconTransformType transform,
                                          IconSuiteHandle suite)
{
    if (SizeOf(suite) < static_cast<int32_t>(sizeof(IconSuiteRecord)) || !r)
        return noErr;
    const IconSuiteRecord record = *reinterpret_cast<const IconSuiteRecord *>(*suite);
    Rect rect = *r;
    if (align & 2)
        OffsetRec(&rect, 0, -12);
    if (record.selector != static_cast<uint32_t>(svAllSmallData) && rect.bottom - rect.top >= 16)
        PlotIconID(&rect, align, transform, record.id);
    else
        PlotMiniIcon(rect, record.id);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL IconSuiteToRgn(RgnHandle rgn, const Rect *r, IconAlignmentType, IconSuiteHandle)
{
    if (rgn && r)
        RectRgn(rgn, r);
    return noErr;
}

ZEL_EXTERN_C Boolean ZEL_CALL PtInIconID(Point pt, const Rect *r, IconAlignmentType, int16_t)
{
    return r ? PtInRec(pt, r) : FALSE;
}

ZEL_EXTERN_C Boolean ZEL_CALL PtInIconSuite(Point pt, const Rect *r, IconAlignmentType, IconSuiteHandle)
{
    return r ? PtInRec(pt, r) : FALSE;
}

ZEL_EXTERN_C OSErr ZEL_CALL PlotSICNHandle(const Rect *r, IconAlignmentType align, IconTransformType transform,
                                           Handle sicn)
{
    const int32_t size = SizeOf(sicn);
    if (!r || size < 32 || !PortBits())
        return noErr;
    uint8_t imageRows[32], maskRows[32];
    std::memcpy(imageRows, *sicn, 32);
    const bool masked = size >= 64;
    if (masked)
        std::memcpy(maskRows, *sicn + 32, 32);
    const Rect bounds{0, 0, 16, 16};
    const BitMap image{reinterpret_cast<Ptr>(imageRows), 2, bounds};
    const BitMap mask{reinterpret_cast<Ptr>(maskRows), 2, bounds};
    const Rect destination = AlignedSmallIconRect(*r, align);
    RGBColor fore;
    if (transform == ttDisabled) {
        GetForeColor(&fore);
        const RGBColor gray{0x7FFF, 0x7FFF, 0x7FFF};
        RGBForeColor(&gray);
    }
    if (masked)
        CopyMask(&image, &mask, PortBits(), &bounds, &bounds, &destination);
    else
        CopyBits(&image, PortBits(), &bounds, &destination, srcOr, nullptr);
    if (transform == ttDisabled) {
        RGBForeColor(&fore);
    } else if (transform == ttOffline) {
        PenPat(&LowMem<Pattern>(lmGray));
        PenMode(patBic);
        PaintRect(&destination);
        PenNormal();
    }
    return noErr;
}
