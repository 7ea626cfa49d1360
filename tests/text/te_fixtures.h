// Fixtures of the TextEdit test program: its session (wrapped callbacks counted, a scrap callback that
// keeps "TEXT" on the clipboard in a format of its own), the faces its ports draw in, and records made in
// a DIB port.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Quickdraw.h"
#include "TextEdit.h"
#include "font_fixtures.h"
#include "qd_fixture.h"

namespace te_fixtures {

// Procedure instances the host's make callback made and its free callback has not released.
int LiveProcInstances();

// The scrap callback: the clipboard's "TEXT" is the data of a private format. Puts of "TEXT" write it
// (refused while RefuseScrapPuts is on); gets take it when it is there.
void SetClipboardText(const std::string &text);
// The clipboard holding only a format that is no "TEXT".
void SetClipboardWithoutText();
// The "TEXT" on the clipboard; false when there is none.
bool ClipboardText(std::string *text);
void RefuseScrapPuts(bool refuse);
// The puts the callback saw since the last call: their type and bytes.
struct ScrapPut {
    ResType type;
    std::string bytes;
};
std::vector<ScrapPut> TakeScrapPuts();

// The faces the tests draw in: a proportional and a fixed-pitch TrueType face the list numbers.
int16_t ProportionalFont();
int16_t FixedFont();

// The LOGFONT the current port's font binds to.
LOGFONTA PortLogFont();

// A record's text, and a handle's bytes.
std::string RecordText(TEHandle h);
std::string HandleBytes(Handle h);
// A record's line starts, lineStarts[0..nLines].
std::vector<int> LineStarts(TEHandle h);

// A rectangle from its edges in the order of the Windows RECT.
Rect R(int left, int top, int right, int bottom);
// Empty when two surfaces agree over the area (nil: all of them); else how many pixels differ and where.
std::string SurfaceDifference(testing_support::DibSurface &a, testing_support::DibSurface &b,
                              const Rect *area = nullptr);

// The suite of TextEdit tests: QuickDraw's, with TEInit run once.
class TextEditTest : public testing_support::QuickDrawTest {
protected:
    static void SetUpTestSuite();
};

} // namespace te_fixtures
