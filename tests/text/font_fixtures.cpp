#include "font_fixtures.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace text_fixtures {

std::string BesideProgram(const char *name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of("\\/") + 1) + name;
}

void UseFontMap(const std::string &bytes)
{
    std::ofstream(BesideProgram("zelfont.map"), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    ReloadFontTables();
}

void UseNoFontMap()
{
    DeleteFileA(BesideProgram("zelfont.map").c_str());
    ReloadFontTables();
}

std::string ReadFontMapFile()
{
    std::ifstream in(BesideProgram("zelfont.map"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

void Put16(std::vector<uint8_t> &b, size_t at, unsigned v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A Windows 2.0 raster font file: the 118-byte header, a character table of (width, offset) pairs for
// the characters 0x20..0x7E and one sentinel, one byte column per glyph and the face name. Every glyph
// is 6 pixels wide; its rows from the top of the cell: the internal leading blank, then a box whose
// height depends on the character.
std::vector<uint8_t> RasterFontFile(int cellHeight)
{
    const int first = 0x20, last = 0x7E, count = last - first + 2;
    const size_t tableAt = 118, bitsAt = tableAt + size_t(count) * 4;
    const size_t faceAt = bitsAt + size_t(count) * size_t(cellHeight);
    std::vector<uint8_t> b(faceAt + std::strlen(kRasterFace) + 1, 0);
    Put16(b, 0, 0x0200);                  // version
    Put32(b, 2, uint32_t(b.size()));      // size
    std::memcpy(&b[6], "test raster face", 16);
    Put16(b, 66, 0);                      // raster
    Put16(b, 68, uint16_t(cellHeight * 72 / 96)); // points
    Put16(b, 70, 96);                     // vertical resolution
    Put16(b, 72, 96);                     // horizontal resolution
    Put16(b, 74, uint16_t(cellHeight - 3)); // ascent
    Put16(b, 76, 2);                      // internal leading
    Put16(b, 78, 1);                      // external leading
    Put16(b, 83, 400);                    // weight
    b[85] = ANSI_CHARSET;
    Put16(b, 86, 6);                      // pixel width (fixed pitch)
    Put16(b, 88, uint16_t(cellHeight));   // pixel height
    b[90] = FF_MODERN;                    // fixed pitch
    Put16(b, 91, 6);                      // average width
    Put16(b, 93, 6);                      // maximum width
    b[95] = uint8_t(first);
    b[96] = uint8_t(last);
    b[97] = '?' - first;                  // default character
    b[98] = 0;                            // break character (blank)
    Put16(b, 99, 1);                      // bytes per row
    Put32(b, 105, uint32_t(faceAt));
    Put32(b, 113, uint32_t(bitsAt));
    for (int i = 0; i < count; ++i) {
        Put16(b, tableAt + size_t(i) * 4, 6);
        Put16(b, tableAt + size_t(i) * 4 + 2, uint16_t(bitsAt + size_t(i) * size_t(cellHeight)));
        const int c = first + i;
        if (c == ' ' || c > last)
            continue;
        const int top = 2 + (c % 4), bottom = cellHeight - 3;
        for (int row = top; row < bottom; ++row)
            b[bitsAt + size_t(i) * size_t(cellHeight) + size_t(row)] = (row == top || row == bottom - 1) ? 0xF8 : 0x88;
    }
    std::memcpy(&b[faceAt], kRasterFace, std::strlen(kRasterFace));
    return b;
}

} // namespace

bool AddRasterFace()
{
    static int added = -1;
    if (added < 0) {
        added = 1;
        for (int cell : {12, 14}) {
            const std::string path = BesideProgram(("zelraster" + std::to_string(cell) + ".fnt").c_str());
            const std::vector<uint8_t> bytes = RasterFontFile(cell);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                        std::streamsize(bytes.size()));
            if (AddFontResourceA(path.c_str()) == 0)
                added = 0;
        }
    }
    if (!added)
        return false;
    for (const EnumeratedFace &face : EnumerateFaces())
        if (face.name == kRasterFace)
            return face.type == RASTER_FONTTYPE;
    return false;
}

namespace {
int CALLBACK CollectFace(const LOGFONTA *font, const TEXTMETRICA *, DWORD type, LPARAM data)
{
    const ENUMLOGFONTA *e = reinterpret_cast<const ENUMLOGFONTA *>(font);
    std::string name = (type & TRUETYPE_FONTTYPE) && e->elfFullName[0]
                           ? std::string(reinterpret_cast<const char *>(e->elfFullName))
                           : std::string(font->lfFaceName);
    reinterpret_cast<std::vector<EnumeratedFace> *>(data)->push_back(
        {name, font->lfFaceName, font->lfPitchAndFamily, font->lfCharSet, type});
    return 1;
}
} // namespace

std::vector<EnumeratedFace> EnumerateFaces()
{
    std::vector<EnumeratedFace> faces;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesA(dc, nullptr, reinterpret_cast<FONTENUMPROCA>(CollectFace), reinterpret_cast<LPARAM>(&faces));
    ReleaseDC(nullptr, dc);
    return faces;
}

const EnumeratedFace *TrueTypeFaceOfFamily(const std::vector<EnumeratedFace> &faces, BYTE family)
{
    for (const EnumeratedFace &face : faces)
        if ((face.type & TRUETYPE_FONTTYPE) && (face.pitchAndFamily & 0xF0) == family &&
            face.charSet == ANSI_CHARSET)
            return &face;
    return nullptr;
}

bool FindNode(const char *name, FontListReport *report, int16_t *index)
{
    const int16_t count = FontListSeam(-1, 0, 0, report);
    for (int16_t i = 0; i < count; ++i) {
        FontListSeam(i, 0, 0, report);
        if (lstrcmpiA(report->name, name) == 0) {
            if (index)
                *index = i;
            return true;
        }
    }
    return false;
}

int16_t FontNumberOf(const std::string &name)
{
    FontListReport r{};
    return FindNode(name.c_str(), &r) ? r.numbers[0] : int16_t(-1);
}

TextInk InkOfText(const LOGFONTA &lf, int w, int h, int x, int y, const std::string &text)
{
    TextInk result;
    result.w = w;
    result.h = h;
    result.ink.assign(size_t(w) * size_t(h), false);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, x, y, text.data(), int(text.size()));
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), int(text.size()), &size);
    result.width = size.cx - tm.tmOverhang;
    result.ascent = tm.tmAscent;
    result.descent = tm.tmDescent;
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    GetDIBits(dc, bitmap, 0, UINT(h), pixels.data(), &info, DIB_RGB_COLORS);
    for (size_t i = 0; i < pixels.size(); ++i)
        result.ink[i] = (pixels[i] & 0x00FFFFFF) == 0;
    DeleteObject(bitmap);
    DeleteDC(dc);
    return result;
}

std::basic_string<unsigned char> P(const std::string &s)
{
    std::basic_string<unsigned char> p(1, static_cast<unsigned char>(s.size()));
    p.append(s.begin(), s.end());
    return p;
}

} // namespace text_fixtures
