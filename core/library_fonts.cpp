// The library's own fonts: "ZELFONT.FON" beside the host module is added for the session, and six font
// records are made on the main window's DC for the Control and Dialog Managers and text binding.
#include "core.h"
#include "../dialogs/dialogs_services.h"

#include <cstring>

namespace {

LibraryFont sFonts[libraryFontCount];
bool sFontFileAdded;
char sFontFilePath[MAX_PATH];
int16_t sStandardLineHeight;

// Shift-JIS spelling of the Japanese face "MS Gothic", used for every named face on double-byte systems.
const char kMsGothicSjis[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

void Measure(HDC dc, LibraryFont &f)
{
    HGDIOBJ old = SelectObject(dc, f.font);
    SIZE sample{};
    GetTextExtentPoint32A(dc, "{", 1, &sample);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    f.height = static_cast<int16_t>(sample.cy);
    f.ascent = static_cast<int16_t>(tm.tmAscent);
    f.descent = static_cast<int16_t>(tm.tmDescent);
}

HFONT MakeFont(int height, int weight, int pitch, const char *face, bool doubleByte, bool replaceable)
{
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
    lf.lfCharSet = doubleByte ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    const char *name = doubleByte && replaceable ? kMsGothicSjis : face;
    lstrcpynA(lf.lfFaceName, name, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

} // namespace

void CreateLibraryFonts()
{
    const PlatformInfo &p = SessionPlatform();
    const bool dbcs = SessionDoubleByte();

    ZEL_MakeAppPathName(sFontFilePath, "ZELFONT.FON");
    sFontFileAdded = AddFontResourceA(sFontFilePath) > 0;

    HWND wnd = SessionMainWindow();
    HDC dc = GetDC(wnd);
    if (!dc)
        return;

    LibraryFont &standard = sFonts[libraryFontStandard];
    standard.font = static_cast<HFONT>(GetStockObject(p.newShell ? DEFAULT_GUI_FONT : SYSTEM_FONT));
    Measure(dc, standard);
    {
        HGDIOBJ old = SelectObject(dc, standard.font);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        sStandardLineHeight = static_cast<int16_t>(tm.tmHeight + (tm.tmInternalLeading + 1) / 2);
    }
    LOGFONTA standardLf{};
    GetObjectA(standard.font, sizeof standardLf, &standardLf);

    int systemHeight = dbcs ? 12 : 16;
    if (standard.height < systemHeight)
        systemHeight = standard.height;
    sFonts[libraryFontSystem].font = MakeFont(systemHeight, standardLf.lfWeight, 0, "ZEL_System", dbcs, true);

    int dialogWeight = (p.newShell || SessionThreeD() || dbcs) ? 400 : 700;
    const char *dialogFace = dbcs ? "ZEL_System" : (p.versionWord == 3 ? "Helv" : "MS Sans Serif");
    sFonts[libraryFontDialog].font = MakeFont(dbcs ? 12 : -8, dialogWeight, 0, dialogFace, dbcs, true);
    sFonts[libraryFontSmallSystem].font = MakeFont(-10, 400, 0, "ZEL_System", dbcs, true);
    sFonts[libraryFontMono].font = MakeFont(-10, 400, 0x31, "ZEL_Mono", dbcs, false);
    sFonts[libraryFontSmallMono].font = MakeFont(-8, 400, 0x31, "ZEL_Mono", dbcs, false);

    for (int i = libraryFontSystem; i < libraryFontCount; ++i)
        if (sFonts[i].font)
            Measure(dc, sFonts[i]);
    ReleaseDC(wnd, dc);
    ChooseControlFont(1);
}

void DeleteLibraryFonts()
{
    for (int i = libraryFontSystem; i < libraryFontCount; ++i)
        if (sFonts[i].font)
            DeleteObject(sFonts[i].font);
    std::memset(sFonts, 0, sizeof sFonts);
    ReleaseLibraryFontFile();
}

void ReleaseLibraryFontFile()
{
    if (sFontFileAdded)
        RemoveFontResourceA(sFontFilePath);
    sFontFileAdded = false;
}

const LibraryFont &GetLibraryFont(LibraryFontKind kind) { return sFonts[kind]; }
int16_t StandardFontLineHeight() { return sStandardLineHeight; }
bool LibraryFontFileAdded() { return sFontFileAdded; }
