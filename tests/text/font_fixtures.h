// Fixtures of the text test programs: files beside the program (the font map), a raster face of the
// tests' own (Windows 2.0 FNT files added with AddFontResourceA) and the faces Wine offers, found by
// enumeration.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "test_seams.h"

namespace text_fixtures {

// A path beside the test program.
std::string BesideProgram(const char *name);
// Writes (or, given nothing, deletes) "zelfont.map" beside the program, then loads the map and the list
// again.
void UseFontMap(const std::string &bytes);
void UseNoFontMap();
// The map file's bytes as the library left them ("" when there is none).
std::string ReadFontMapFile();

// The raster face of the tests: one face in two FNT files whose glyph cells are 12 and 14 pixels high,
// with an internal leading of 2 (pixel sizes 10 and 12) and an external leading of 1. Added once per
// program; true when Wine lists it as a raster face.
constexpr const char *kRasterFace = "ZelRaster";
bool AddRasterFace();

// One face as the test's own enumeration of the screen sees it.
struct EnumeratedFace {
    std::string name;     // the full name of a TrueType face, else the face name
    std::string faceName;
    BYTE pitchAndFamily;
    BYTE charSet;
    DWORD type;
};
std::vector<EnumeratedFace> EnumerateFaces();
// The first TrueType face of a family (FF_SWISS, ...) whose character set is ANSI; nullptr when none.
const EnumeratedFace *TrueTypeFaceOfFamily(const std::vector<EnumeratedFace> &faces, BYTE family);

// The node of a name in the library's list, with its index; false when none.
bool FindNode(const char *name, FontListReport *report, int16_t *index = nullptr);
// The library's number for a face of the list (its first slot), -1 when the list has none.
int16_t FontNumberOf(const std::string &name);

// The 125-byte buffer ZEL_GetBindTextAttributesHFONT fills: its last byte follows the full name.
struct BindBuffer {
    LOGFONTA logFont;
    char fullName[64];
    char guard;
};

// The ink of a text as GDI draws it in a font, black on a white one-bit bitmap of w x h with its baseline
// at (x, y): a pixel is ink when black. With the text's advance (less the overhang) and the font's
// ascent and descent.
struct TextInk {
    int w = 0, h = 0;
    std::vector<bool> ink;
    int width = 0, ascent = 0, descent = 0;
    bool At(int px, int py) const { return ink[size_t(py) * size_t(w) + size_t(px)]; }
};
TextInk InkOfText(const LOGFONTA &lf, int w, int h, int x, int y, const std::string &text);

// A Pascal string of a text.
std::basic_string<unsigned char> P(const std::string &s);

} // namespace text_fixtures
