// TextEdit against the GDI calls it ends in: drawing a view, laying a long text out and typing; a record
// bound to an edit control against the edit-control messages it ends in.
#include "bench.h"

#include <memory>
#include <string>
#include <vector>

#include "Fonts.h"
#include "MacMemory.h"
#include "Quickdraw.h"
#include "TextEdit.h"
#include "Zel.h"
#include "qd_fixture.h"

namespace {

// 40 lines that each end in a return, and a text of 30,000 characters in 500 such paragraphs.
std::string Lines(int count, int width)
{
    std::string s;
    for (int i = 0; i < count; ++i) {
        std::string line = "Line " + std::to_string(i) + " of the benchmark's text, words";
        line.resize(width, 'x');
        s += line + '\r';
    }
    return s;
}

struct Surfaces {
    testing_support::DibPort port{560, 640};
    testing_support::DibSurface raw{560, 640};
    HFONT font = nullptr;
    TEHandle small = nullptr, big = nullptr;
    std::string smallText, bigText;
    int lineHeight = 0, ascent = 0;
};
std::unique_ptr<Surfaces> sS;
TEHandle sStyled;

const Rect kBox{0, 0, 640, 560};

TEHandle MakeRecord(const std::string &text)
{
    TEHandle h = TENew(&kBox, &kBox);
    TESetText(text.data(), int32_t(text.size()), h);
    return h;
}

void SetUpSurfaces()
{
    sS = std::make_unique<Surfaces>();
    SetPor(sS->port.port());
    TextFont(1);
    TextSize(12);
    struct {
        LOGFONTA lf;
        char fullName[64];
        char afterName;
    } bind{};
    ZEL_GetBindTextAttributesHFONT(&bind);
    sS->font = CreateFontIndirectA(&bind.lf);
    SelectObject(sS->raw.dc(), sS->font);
    SetTextAlign(sS->raw.dc(), TA_BASELINE);
    SetBkMode(sS->raw.dc(), TRANSPARENT);
    sS->smallText = Lines(40, 59);
    sS->bigText = Lines(500, 59);
    sS->small = MakeRecord(sS->smallText);
    sS->big = MakeRecord(sS->bigText);
    sS->lineHeight = (**sS->small).lineHeight;
    sS->ascent = (**sS->small).fontAscent;
}

void TearDownSurfaces()
{
    SetPor(testing_support::WindowManagerPort());
    TEDispose(sS->small);
    TEDispose(sS->big);
    SelectObject(sS->raw.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(sS->font);
    sS.reset();
}

// What TEUpdate ends in: each line's band erased, then its text.
void RawView()
{
    HDC dc = sS->raw.dc();
    for (int line = 0; line < 40; ++line) {
        const int top = line * sS->lineHeight;
        if (top >= 640)
            break;
        RECT band{0, top, 560, top + sS->lineHeight};
        FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TextOutA(dc, 0, top + sS->ascent, sS->smallText.data() + line * 60, 59);
    }
}

bool SameView()
{
    for (int y = 0; y < 640; ++y)
        for (int x = 0; x < 560; ++x)
            if (sS->port.surface().Pixel(x, y) != sS->raw.Pixel(x, y))
                return false;
    return true;
}

// One character typed at the end of a record and taken back.
void TypeAtEnd(TEHandle h)
{
    const int16_t end = (**h).teLength;
    TESetSelect(end, end, h);
    TEKey('a', h);
    TEKey(0x08, h);
}

// A record bound to a multi-line edit control of a shown window, the control holding 30,000 characters.
struct Bound {
    HWND parent = nullptr, edit = nullptr;
    TEHandle h = nullptr;
    std::vector<char> readBack;
};
std::unique_ptr<Bound> sBound;

void SetUpBound()
{
    SetUpSurfaces();
    sBound = std::make_unique<Bound>();
    sBound->parent = testing_support::CreateDrawingWindow(400, 300);
    sBound->edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, 0, 0,
                                 380, 280, sBound->parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(sBound->edit, EM_LIMITTEXT, 0, 0);
    std::string text;
    for (int i = 0; text.size() < 30000; ++i) {
        std::string line = "Line " + std::to_string(i) + " of the bound control's text, words";
        line.resize(58, 'x');
        text += line + "\r\n";
    }
    text.resize(30000);
    SetWindowTextA(sBound->edit, text.c_str());
    sBound->readBack.resize(40000);
    sBound->h = TENew(&kBox, &kBox);
    (**sBound->h).hDispText = reinterpret_cast<Handle>(sBound->edit);
    ZEL_SethTEfromhWnd(sBound->h, true);
    // Typing goes in at the end of the text.
    TESetSelect(30000, 30000, sBound->h);
}

void TearDownBound()
{
    TEDispose(sBound->h);
    DestroyWindow(sBound->parent);
    sBound.reset();
    TearDownSurfaces();
}

} // namespace

int RunBench()
{
    std::vector<PairCase> cases;
    PairCase view;
    view.name = "TEUpdate of a 40-line view";
    view.count = 200;
    view.setUp = SetUpSurfaces;
    view.library = [](int) { TEUpdate(&kBox, sS->small); };
    view.raw = [](int) { RawView(); };
    view.same = SameView;
    view.tearDown = TearDownSurfaces;
    cases.push_back(view);

    PairCase bigView = view;
    bigView.name = "TEUpdate of the same view over 30,000 characters (raw: over 40 lines)";
    bigView.library = [](int) { TEUpdate(&kBox, sS->big); };
    bigView.raw = [](int) { TEUpdate(&kBox, sS->small); };
    bigView.same = nullptr;
    cases.push_back(bigView);

    PairCase layout = view;
    layout.name = "TECalText of 30,000 characters";
    layout.count = 10;
    layout.library = [](int) { TECalText(sS->big); };
    layout.raw = [](int) {
        RECT r{0, 0, 560, 0};
        DrawTextA(sS->raw.dc(), sS->bigText.data(), int(sS->bigText.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    };
    layout.same = nullptr;
    cases.push_back(layout);

    PairCase typing = view;
    typing.name = "typing at the end of 30,000 characters in 500 lines (raw: of 10 lines)";
    typing.count = 200;
    typing.setUp = [] {
        SetUpSurfaces();
        TESetText(sS->smallText.data(), 600, sS->small);
        TEActivate(sS->small);
        TEActivate(sS->big);
    };
    typing.library = [](int) { TypeAtEnd(sS->big); };
    typing.raw = [](int) { TypeAtEnd(sS->small); };
    typing.same = nullptr;
    cases.push_back(typing);

    PairCase line = typing;
    line.name = "typing at the end of 30,000 characters (raw: the line's extent and opaque redraw)";
    line.raw = [](int) {
        HDC dc = sS->raw.dc();
        SIZE size;
        const char *last = sS->bigText.data() + sS->bigText.size() - 60;
        for (int pass = 0; pass < 2; ++pass) {
            GetTextExtentPoint32A(dc, last, 59, &size);
            RECT band{0, 100, 560, 100 + sS->lineHeight};
            ExtTextOutA(dc, 0, 100 + sS->ascent, ETO_OPAQUE, &band, last, 59, nullptr);
        }
    };
    cases.push_back(line);

    PairCase styled = typing;
    styled.name = "typing at the end of 30,000 characters in 500 runs (raw: in an unstyled record)";
    styled.setUp = [] {
        SetUpSurfaces();
        sStyled = TEStyleNew(&kBox, &kBox);
        TESetText(sS->bigText.data(), int32_t(sS->bigText.size()), sStyled);
        // 500 runs, alternately plain and bold, of 60 characters each.
        Handle scrap = NewHandleClear(2 + 500 * sizeof(ScrpSTElement));
        StScrpRec *rec = reinterpret_cast<StScrpRec *>(*scrap);
        rec->scrpNStyles = 500;
        for (int i = 0; i < 500; ++i)
            rec->scrpStyleTab[i] = ScrpSTElement{i * 60, 0, 0, 1, Style(i % 2), 0, 12, RGBColor{0, 0, 0}};
        TEUseStyleScrap(0, 30000, reinterpret_cast<StScrpHandle>(scrap), false, sStyled);
        DisposeHandle(scrap);
        TEActivate(sStyled);
        TEActivate(sS->big);
    };
    styled.library = [](int) { TypeAtEnd(sStyled); };
    styled.raw = [](int) { TypeAtEnd(sS->big); };
    styled.same = [] { return TENumStyles(0, 30000, sStyled) == 500; };
    styled.tearDown = [] {
        TEDispose(sStyled);
        TearDownSurfaces();
    };
    cases.push_back(styled);

    PairCase bound;
    bound.name = "TEInsert of a character into a record bound to an edit control of 30,000 characters "
                 "(raw: EM_REPLACESEL and GetWindowTextA)";
    bound.count = 100;
    bound.setUp = SetUpBound;
    bound.library = [](int) { TEInsert("a", 1, sBound->h); };
    bound.raw = [](int) {
        SendMessageA(sBound->edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("a"));
        GetWindowTextA(sBound->edit, sBound->readBack.data(), int(sBound->readBack.size()));
    };
    // After one insertion by each side, the record copied back holds both.
    bound.same = [] {
        ZEL_SethTEfromhWnd(sBound->h, true);
        const TERec *r = *sBound->h;
        return r->teLength == 30002 && std::string(*r->hText + 29998, 4) == "\r\naa" && r->selStart == 30002 &&
               r->selEnd == 30002;
    };
    bound.tearDown = TearDownBound;
    cases.push_back(bound);
    return RunPairCases(cases);
}
