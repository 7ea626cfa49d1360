// TextEdit records: what a new record takes from its port, the life cycle and the procedure instances it
// leaves, the text, the switches and the private scrap against the clipboard.
#include "te_fixtures.h"

#include <cstring>

#include "LowMem.h"
#include "Scrap.h"
#include "test_support.h"

using namespace testing_support;
using namespace te_fixtures;

namespace {

class TERecords : public TextEditTest {};

Boolean ZEL_CALL StopClicking() { return false; }

TEST_F(TERecords, ANewRecordTakesThePortsTextAndFontMetrics)
{
    ASSERT_GE(ProportionalFont(), 0);
    DibPort port(100, 100);
    SetPor(port.port());
    const struct { int16_t font, size, face; } cases[] = {
        {ProportionalFont(), 12, 0}, {ProportionalFont(), 24, bold}, {FixedFont(), 10, italic}};
    for (const auto &c : cases) {
        TextFont(c.font);
        TextSize(c.size);
        TextFace(c.face);
        TextMode(srcCopy);
        FontInfo info;
        GetFontInfo(&info);
        const Rect dest = R(5, 6, 90, 80), view = R(1, 2, 95, 99);
        TEHandle h = TENew(&dest, &view);
        ASSERT_TRUE(h);
        EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(h)), 98);
        const TERec &r = **h;
        EXPECT_EQ(r.lineHeight, info.ascent + info.descent + info.leading + 1) << c.size;
        EXPECT_EQ(r.fontAscent, info.ascent + info.leading) << c.size;
        EXPECT_EQ(r.txFont, c.font);
        EXPECT_EQ(r.txSize, c.size);
        EXPECT_EQ(r.txFace, c.face);
        EXPECT_EQ(r.txMode, srcCopy);
        EXPECT_EQ(r.inPort, port.port());
        EXPECT_EQ(std::memcmp(&r.destRect, &dest, sizeof dest), 0);
        EXPECT_EQ(std::memcmp(&r.viewRect, &view, sizeof view), 0);
        EXPECT_EQ(r.selStart, 0);
        EXPECT_EQ(r.selEnd, 0);
        EXPECT_EQ(r.teLength, 0);
        EXPECT_EQ(r.hDispText, nullptr);
        EXPECT_EQ(r.just, 0);
        EXPECT_EQ(r.active, 0);
        // A live zero-length text handle: TextEdit's "has data" holds for it.
        ASSERT_TRUE(r.hText);
        EXPECT_NE(*r.hText, nullptr);
        EXPECT_EQ(GetHandleSize(r.hText), 0);
        EXPECT_FALSE(ZEL_GetTE3D(h));
        TEDispose(h);
    }
}

TEST_F(TERecords, AThousandRecordsLeaveNoHandleOrProcedureInstance)
{
    DibPort port(50, 50);
    SetPor(port.port());
    const Rect r = R(0, 0, 50, 50);
    // The first record loads whatever the font binding keeps for good.
    TEDispose(TENew(&r, &r));
    const int32_t handles = LiveHandleCount();
    const int instances = LiveProcInstances();
    for (int i = 0; i < 1000; ++i) {
        TEHandle h = TENew(&r, &r);
        ASSERT_TRUE(h);
        TESetText("some text", 9, h);
        if (i % 2) {
            TESetClickLoop(StopClicking, h);
            EXPECT_EQ(LiveProcInstances(), instances + 1);
            if (i % 4 == 1) // replacing one releases the first
                TESetClickLoop(StopClicking, h);
        }
        TEDispose(h);
    }
    EXPECT_EQ(LiveHandleCount(), handles);
    EXPECT_EQ(LiveProcInstances(), instances);

    // Nil handles and purged records are ignored.
    TEDispose(nullptr);
    Handle empty = NewHandle(0);
    EmptyHandle(empty);
    TEDispose(reinterpret_cast<TEHandle>(empty));
    EXPECT_EQ(TEGetText(reinterpret_cast<TEHandle>(empty)), nullptr);
    DisposeHandle(empty);

    // A cell's procedure becomes an instance; a nil cell and a nil procedure are left alone.
    TEClickLoopProcPtr cell = StopClicking;
    ZEL_MakePIClickLoop(&cell);
    EXPECT_EQ(LiveProcInstances(), instances + 1);
    cell = nullptr;
    ZEL_MakePIClickLoop(&cell);
    ZEL_MakePIClickLoop(nullptr);
    EXPECT_EQ(LiveProcInstances(), instances + 1);
}

TEST_F(TERecords, SetTextKeepsUpTo32000BytesAndIgnoresANilText)
{
    DibPort port(50, 50);
    SetPor(port.port());
    const Rect r = R(0, 0, 50, 50);
    TEHandle h = TENew(&r, &r);
    std::string big(33000, 0);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char('a' + i % 26);
    const struct { int32_t length; int32_t kept; } cases[] = {{0, 0}, {1, 1}, {500, 500}, {32000, 32000},
                                                             {33000, 32000}, {-5, 0}};
    for (const auto &c : cases) {
        TESetText(big.data(), c.length, h);
        EXPECT_EQ((**h).teLength, c.kept) << c.length;
        EXPECT_EQ(RecordText(h), big.substr(0, c.kept)) << c.length;
        EXPECT_EQ((**h).selStart, c.kept);
        EXPECT_EQ((**h).selEnd, c.kept);
        EXPECT_EQ(TEGetText(h), (**h).hText);
    }
    TESetText("kept", 4, h);
    TESetText(nullptr, 10, h);
    EXPECT_EQ(RecordText(h), "kept");
    EXPECT_EQ((**h).teLength, 4);
    TEDispose(h);
}

TEST_F(TERecords, SwitchesFollowTheirCalls)
{
    DibPort port(50, 50);
    SetPor(port.port());
    const Rect r = R(0, 0, 50, 50);
    TEHandle h = TENew(&r, &r);

    EXPECT_EQ(TEFeatureFlag(teFAutoScroll, teBitSet, h), 0);
    EXPECT_EQ(TEFeatureFlag(teFAutoScroll, teBitTest, h), 1);
    EXPECT_EQ(TEFeatureFlag(teFAutoScroll, teBitClear, h), 1);
    EXPECT_EQ(TEFeatureFlag(teFAutoScroll, teBitTest, h), 0);
    TakeDebugMessages();
    EXPECT_EQ(TEFeatureFlag(3, teBitTest, h), 0);
    EXPECT_TRUE(TakeDebugMessages().empty());
    EXPECT_EQ(TEFeatureFlag(3, teBitSet, h), 0);
    std::string messages;
    for (const std::string &m : TakeDebugMessages())
        messages += m;
    EXPECT_NE(messages.find(" TEFeatureFlag: teBitSet"), std::string::npos) << messages;
    TEAutoView(true, h);
    EXPECT_EQ((**h).active & 2, 2);
    TEAutoView(false, h);
    EXPECT_EQ((**h).active & 2, 0);

    for (int16_t just : {teJustCenter, teJustRight, teForceLeft, teJustLeft}) {
        TESetAlignment(just, h);
        EXPECT_EQ((**h).just, just);
    }
    TESetAlignment(teJustRight, h);
    TESetAlignment(2, h);
    EXPECT_EQ((**h).just, teJustRight);

    EXPECT_EQ(ZEL_TECustomHooks(h, nullptr, nullptr, nullptr) & 0x0008, 0);
    EXPECT_EQ((**h).clikStuff & 0x0008, 0);

    ZEL_SetTE3D(h, true);
    EXPECT_TRUE(ZEL_GetTE3D(h));
    EXPECT_EQ(reinterpret_cast<uintptr_t>((**h).caretHook), 1u);
    ZEL_SetTE3D(h, false);
    EXPECT_FALSE(ZEL_GetTE3D(h));
    TEDispose(h);
}

// The private scrap against the clipboard: the test's scrap callback keeps "TEXT" there.
class TEScrap : public TextEditTest {
protected:
    void SetUp() override
    {
        TextEditTest::SetUp();
        RefuseScrapPuts(false);
        TakeScrapPuts();
        LMSetTEScrpLength(static_cast<int16_t>(TEGetScrapLength()));
    }
    static std::string Scrap() { return HandleBytes(TEScrapHandle()); }
};

TEST_F(TEScrap, FromScrapFillsThePrivateScrapOrLeavesItExactly)
{
    TEInit();
    SetClipboardText("clipboard words");
    EXPECT_EQ(TEFromScrap(), 0);
    EXPECT_EQ(Scrap(), "clipboard words");
    EXPECT_EQ(LMGetTEScrpLength(), 15);
    EXPECT_EQ(TEGetScrapLength(), 15);

    SetClipboardWithoutText();
    EXPECT_EQ(TEFromScrap(), -102);
    EXPECT_EQ(Scrap(), "clipboard words");
    EXPECT_EQ(LMGetTEScrpLength(), 15);
}

TEST_F(TEScrap, ToScrapHandsTheScrapsBytesAndNeverMoreThanItHolds)
{
    TESetScrapLength(5);
    std::memcpy(*TEScrapHandle(), "abcde", 5);
    EXPECT_EQ(LMGetTEScrpLength(), 5);
    EXPECT_EQ(TEToScrap(), 0);
    std::vector<ScrapPut> puts = TakeScrapPuts();
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_EQ(puts[0].type, 0x54455854u);
    EXPECT_EQ(puts[0].bytes, "abcde");
    std::string clip;
    EXPECT_TRUE(ClipboardText(&clip));
    EXPECT_EQ(clip, "abcde");

    // A length the host set past the handle, or negative, hands the handle's own size.
    for (int16_t length : {int16_t(400), int16_t(-3), int16_t(2)}) {
        LMSetTEScrpLength(length);
        EXPECT_EQ(TEToScrap(), 0);
        puts = TakeScrapPuts();
        ASSERT_EQ(puts.size(), 1u);
        EXPECT_EQ(puts[0].bytes, length == 2 ? "ab" : "abcde") << length;
    }

    // A refused put answers the Scrap Manager's error.
    RefuseScrapPuts(true);
    LMSetTEScrpLength(5);
    EXPECT_EQ(TEToScrap(), -100);
    RefuseScrapPuts(false);

    // A resize that fails leaves the length.
    TESetScrapLength(-1);
    EXPECT_EQ(LMGetTEScrpLength(), 5);
    EXPECT_EQ(GetHandleSize(TEScrapHandle()), 5);
    TESetScrapLength(0);
    EXPECT_EQ(LMGetTEScrpLength(), 0);
}

} // namespace
