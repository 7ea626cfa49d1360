// Drags, their items and flavors outside tracking: the error table, item and flavor growth, promised data
// fetched through the send proc, partial writes and reads, the drop location, and the hilite band's pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Drag.h"
#include "MacMemory.h"
#include "qd_fixture.h"

using namespace testing_support;

namespace {

constexpr FlavorType kText = 0x54455854; // 'TEXT'
constexpr FlavorType kPict = 0x50494354; // 'PICT'
constexpr FlavorType kNone = 0x6E6F6E65; // 'none'

class DragObjects : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(NewDrag(&drag_), noErr); ASSERT_NE(drag_, 0u); }
    void TearDown() override { EXPECT_EQ(DisposeDrag(drag_), noErr); }
    std::vector<uint8_t> Read(ItemReference item, FlavorType type, uint32_t offset, Size want, OSErr *err = nullptr)
    {
        std::vector<uint8_t> out(want > 0 ? want : 1, 0xEE);
        Size size = want;
        OSErr e = GetFlavorData(drag_, item, type, out.data(), &size, offset);
        if (err)
            *err = e;
        out.resize(e == noErr ? size : 0);
        return out;
    }
    DragReference drag_ = 0;
};

} // namespace

TEST_F(DragObjects, CallsAnswerTheErrorTable)
{
    const char data[] = "abcd";
    ASSERT_EQ(AddDragItemFlavor(drag_, 7, kText, data, 4, 0x11), noErr);
    uint16_t count;
    ItemReference ref;
    FlavorType type;
    FlavorFlags flags;
    Size size;
    Rect r{};
    Point pt;
    AEDesc desc;
    struct {
        OSErr actual, expected;
        const char *what;
    } cases[] = {
        {AddDragItemFlavor(0, 7, kText, data, 4, 0), badDragRefErr, "AddDragItemFlavor nil drag"},
        {AddDragItemFlavor(drag_, 7, kText, data, 4, 0), duplicateFlavorErr, "a flavor the item has"},
        {SetDragItemFlavorData(0, 7, kText, data, 4, 0), badDragRefErr, "SetDragItemFlavorData nil drag"},
        {SetDragItemFlavorData(drag_, 8, kText, data, 4, 0), badDragItemErr, "SetDragItemFlavorData no item"},
        {SetDragItemFlavorData(drag_, 7, kNone, data, 4, 0), badDragFlavorErr, "SetDragItemFlavorData no flavor"},
        {CountDragItems(0, &count), badDragRefErr, "CountDragItems nil drag"},
        {CountDragItems(drag_, nullptr), paramErr, "CountDragItems nil count"},
        {CountDragItemFlavors(drag_, 8, &count), badDragItemErr, "CountDragItemFlavors no item"},
        {CountDragItemFlavors(drag_, 7, nullptr), paramErr, "CountDragItemFlavors nil count"},
        {GetDragItemReferenceNumber(drag_, 0, &ref), badDragItemErr, "index 0"},
        {GetDragItemReferenceNumber(drag_, 2, &ref), badDragItemErr, "index past the count"},
        {GetDragItemReferenceNumber(drag_, 1, nullptr), paramErr, "nil reference out"},
        {GetDragItemReferenceNumber(0, 1, &ref), badDragRefErr, "GetDragItemReferenceNumber nil drag"},
        {GetFlavorType(drag_, 7, 2, &type), badDragFlavorErr, "flavor index past the count"},
        {GetFlavorType(drag_, 9, 1, &type), badDragItemErr, "GetFlavorType no item"},
        {GetFlavorType(drag_, 7, 1, nullptr), paramErr, "GetFlavorType nil out"},
        {GetFlavorFlags(drag_, 7, kNone, &flags), badDragFlavorErr, "GetFlavorFlags no flavor"},
        {GetFlavorFlags(drag_, 7, kText, nullptr), paramErr, "GetFlavorFlags nil out"},
        {GetFlavorDataSize(drag_, 7, kText, nullptr), paramErr, "GetFlavorDataSize nil size"},
        {GetFlavorDataSize(0, 7, kText, &size), badDragRefErr, "GetFlavorDataSize nil drag"},
        {GetFlavorData(drag_, 7, kText, nullptr, &size, 0), paramErr, "GetFlavorData nil data"},
        {GetDragItemBounds(drag_, 7, nullptr), paramErr, "GetDragItemBounds nil rect"},
        {GetDragItemBounds(drag_, 8, &r), badDragItemErr, "GetDragItemBounds no item"},
        {SetDragItemBounds(0, 7, &r), badDragRefErr, "SetDragItemBounds nil drag"},
        {GetDragAttributes(drag_, nullptr), paramErr, "GetDragAttributes nil out"},
        {GetDragAttributes(0, &flags), badDragRefErr, "GetDragAttributes nil drag"},
        {GetDragMouse(0, &pt, &pt), badDragRefErr, "GetDragMouse nil drag"},
        {GetDragMouse(drag_, nullptr, nullptr), noErr, "GetDragMouse skips nil arguments"},
        {SetDragMouse(0, pt), badDragRefErr, "SetDragMouse nil drag"},
        {GetDragOrigin(0, &pt), badDragRefErr, "GetDragOrigin nil drag"},
        {GetDragModifiers(0, nullptr, nullptr, nullptr), badDragRefErr, "GetDragModifiers nil drag"},
        {GetDropLocation(drag_, nullptr), paramErr, "GetDropLocation nil out"},
        {GetDropLocation(0, &desc), badDragRefErr, "GetDropLocation nil drag"},
        {SetDropLocation(drag_, nullptr), paramErr, "SetDropLocation nil in"},
        {SetDragSendProc(0, nullptr, nullptr), badDragRefErr, "SetDragSendProc nil drag"},
        {ShowDragHilite(0, nullptr, true), badDragRefErr, "ShowDragHilite nil drag"},
        {HideDragHilite(0), badDragRefErr, "HideDragHilite nil drag"},
        {UpdateDragHilite(0, nullptr), badDragRefErr, "UpdateDragHilite nil drag"},
        {TrackDrag(0, nullptr, nullptr), badDragRefErr, "TrackDrag nil drag"},
        {DragPreScroll(0, 1, 1), noErr, "DragPreScroll outside tracking"},
        {DragPostScroll(0), noErr, "DragPostScroll outside tracking"},
        {DisposeDrag(0), noErr, "DisposeDrag of nil"},
        {ZoomRects(&r, &r, 4, 0), -1, "ZoomRects"},
        {ZoomRegion(nullptr, pt, 4, 0), -1, "ZoomRegion"},
        {TEGetHiliteRgn(nullptr, nullptr), -1, "TEGetHiliteRgn"},
    };
    for (auto &c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.what;
    EXPECT_EQ(GetFlavorFlags(drag_, 7, kText, &flags), noErr);
    EXPECT_EQ(flags, 0x11u) << "flags are kept as given";
}

TEST_F(DragObjects, NineItemsKeepTheirReferencesAndFlavors)
{
    for (ItemReference ref = 100; ref < 109; ++ref) {
        const uint32_t payload = ref * 3;
        ASSERT_EQ(AddDragItemFlavor(drag_, ref, kText, &payload, sizeof payload, 0), noErr);
    }
    ASSERT_EQ(AddDragItemFlavor(drag_, 104, kPict, nullptr, 12, 0), noErr) << "a second flavor of an item";
    uint16_t count = 0;
    EXPECT_EQ(CountDragItems(drag_, &count), noErr);
    EXPECT_EQ(count, 9);
    for (uint16_t i = 1; i <= 9; ++i) {
        ItemReference ref = 0;
        ASSERT_EQ(GetDragItemReferenceNumber(drag_, i, &ref), noErr);
        EXPECT_EQ(ref, 99u + i);
        uint32_t payload = 0;
        Size size = sizeof payload;
        EXPECT_EQ(GetFlavorData(drag_, ref, kText, &payload, &size, 0), noErr);
        EXPECT_EQ(payload, ref * 3) << "item " << i;
    }
    EXPECT_EQ(CountDragItemFlavors(drag_, 104, &count), noErr);
    EXPECT_EQ(count, 2);
    FlavorType type = 0;
    EXPECT_EQ(GetFlavorType(drag_, 104, 2, &type), noErr);
    EXPECT_EQ(type, kPict);
}

namespace {

int sSendCalls;
OSErr ZEL_CALL SendPromisedText(FlavorType type, void *refCon, ItemReference item, DragReference drag)
{
    ++sSendCalls;
    EXPECT_EQ(refCon, reinterpret_cast<void *>(0x5EED));
    return SetDragItemFlavorData(drag, item, type, "promised", 8, 0);
}
OSErr ZEL_CALL SendNothing(FlavorType, void *, ItemReference, DragReference)
{
    ++sSendCalls;
    return noErr;
}

} // namespace

TEST_F(DragObjects, APromisedFlavorIsFetchedOnceThroughTheSendProc)
{
    ASSERT_EQ(AddDragItemFlavor(drag_, 1, kText, nullptr, 0, 0), noErr);
    Size size = 0;
    EXPECT_EQ(GetFlavorDataSize(drag_, 1, kText, &size), cantGetFlavorErr) << "no send proc";

    ASSERT_EQ(SetDragSendProc(drag_, SendPromisedText, reinterpret_cast<void *>(0x5EED)), noErr);
    sSendCalls = 0;
    EXPECT_EQ(GetFlavorDataSize(drag_, 1, kText, &size), noErr);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(sSendCalls, 1) << "asked on the first size query";
    std::vector<uint8_t> text = Read(1, kText, 0, 20);
    EXPECT_EQ(std::string(text.begin(), text.end()), "promised");
    EXPECT_EQ(sSendCalls, 1) << "given data are not asked for again";

    ASSERT_EQ(AddDragItemFlavor(drag_, 1, kPict, nullptr, 0, 0), noErr);
    ASSERT_EQ(SetDragSendProc(drag_, SendNothing, nullptr), noErr);
    sSendCalls = 0;
    OSErr err;
    Read(1, kPict, 0, 4, &err);
    EXPECT_EQ(err, cantGetFlavorErr) << "a send proc that gives nothing";
    EXPECT_EQ(sSendCalls, 1);
}

TEST_F(DragObjects, FlavorDataGrowAtAnOffsetAndAreReadInParts)
{
    const uint8_t first[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t more[5] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    ASSERT_EQ(AddDragItemFlavor(drag_, 1, kText, first, 8, 0), noErr);
    ASSERT_EQ(SetDragItemFlavorData(drag_, 1, kText, more, 5, 10), noErr);
    Size size = 0;
    EXPECT_EQ(GetFlavorDataSize(drag_, 1, kText, &size), noErr);
    EXPECT_EQ(size, 15);
    EXPECT_EQ(Read(1, kText, 0, 20),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}))
        << "old bytes kept, the gap zero";

    ASSERT_EQ(SetDragItemFlavorData(drag_, 1, kText, more, 2, 1), noErr);
    EXPECT_EQ(GetFlavorDataSize(drag_, 1, kText, &size), noErr);
    EXPECT_EQ(size, 15) << "a write inside the data does not shorten them";
    EXPECT_EQ(Read(1, kText, 0, 4), (std::vector<uint8_t>{1, 0xA1, 0xA2, 4}));

    struct {
        uint32_t offset;
        Size want;
        std::vector<uint8_t> expected;
    } reads[] = {
        {12, 2, {0xA3, 0xA4}},
        {12, 10, {0xA3, 0xA4, 0xA5}},
        {15, 4, {}},
        {40, 4, {}},
    };
    for (auto &r : reads)
        EXPECT_EQ(Read(1, kText, r.offset, r.want), r.expected) << "offset " << r.offset << " want " << r.want;

    ASSERT_EQ(SetDragItemFlavorData(drag_, 1, kText, more, 3, 0), noErr);
    EXPECT_EQ(GetFlavorDataSize(drag_, 1, kText, &size), noErr);
    EXPECT_EQ(size, 3) << "offset 0 replaces";
}

TEST_F(DragObjects, MemoryShortageIsReportedAndLeavesTheDrag)
{
    ASSERT_EQ(AddDragItemFlavor(drag_, 1, kText, "ab", 2, 0), noErr);
    std::vector<char> big(4096, 'x');
    ZEL_SetMemoryLimits(1, 1, 0, 0);
    const OSErr newItem = AddDragItemFlavor(drag_, 2, kText, "cd", 2, 0);
    const OSErr bigData = SetDragItemFlavorData(drag_, 1, kText, big.data(), 4096, 2);
    DragReference none = 1;
    const OSErr made = NewDrag(&none);
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(newItem, memFullErr);
    EXPECT_EQ(bigData, memFullErr);
    EXPECT_EQ(made, noErr);
    EXPECT_EQ(none, 0u) << "a drag that cannot be made is a nil reference";
    uint16_t count = 0;
    EXPECT_EQ(CountDragItems(drag_, &count), noErr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Read(1, kText, 0, 10), (std::vector<uint8_t>{'a', 'b'}));
}

TEST_F(DragObjects, ItemBoundsAndTheDropLocation)
{
    ASSERT_EQ(AddDragItemFlavor(drag_, 1, kText, "a", 1, 0), noErr);
    const Rect bounds{10, 20, 30, 60};
    EXPECT_EQ(SetDragItemBounds(drag_, 1, &bounds), noErr);
    Rect got{};
    EXPECT_EQ(GetDragItemBounds(drag_, 1, &got), noErr);
    EXPECT_EQ(std::memcmp(&got, &bounds, sizeof got), 0) << "no tracking yet: not moved";
    uint16_t mods[3] = {1, 1, 1};
    EXPECT_EQ(GetDragModifiers(drag_, &mods[0], &mods[1], &mods[2]), noErr);
    EXPECT_EQ(mods[0] | mods[1] | mods[2], 0) << "nothing recorded before tracking";

    AEDesc desc{0, reinterpret_cast<Handle>(1)};
    EXPECT_EQ(GetDropLocation(drag_, &desc), noErr);
    EXPECT_EQ(desc.descriptorType, static_cast<DescType>(typeNull));
    EXPECT_EQ(desc.dataHandle, nullptr);

    AEDesc mine;
    ASSERT_EQ(AECreateDesc(0x616C6973 /* 'alis' */, "where", 5, &mine), noErr);
    EXPECT_EQ(SetDropLocation(drag_, &mine), noErr);
    AEDisposeDesc(&mine);
    EXPECT_EQ(GetDropLocation(drag_, &desc), noErr);
    EXPECT_EQ(desc.descriptorType, 0x616C6973u);
    ASSERT_NE(desc.dataHandle, nullptr) << "the drag kept its own copy";
    ASSERT_EQ(GetHandleSize(desc.dataHandle), 5);
    EXPECT_EQ(std::memcmp(*desc.dataHandle, "where", 5), 0);
    AEDesc again;
    EXPECT_EQ(GetDropLocation(drag_, &again), noErr);
    EXPECT_NE(again.dataHandle, desc.dataHandle) << "each answer is a copy";
    AEDisposeDesc(&desc);
    AEDisposeDesc(&again);
}

TEST_F(DragObjects, TheHiliteBandIsInvertedAndRestored)
{
    QuickDrawGlobals();
    DibPort dib(40, 30);
    GrafPtr saved;
    GetPort(&saved);
    SetPor(dib.port());
    const ImageRows blank = CaptureBlackAndWhite(dib.surface());
    RgnHandle frame = NewRgn();
    const Rect box{5, 10, 25, 30};
    RectRgn(frame, &box);
    auto band = [&](int grow) {
        ImageRows rows = MakeImage(40, 30, '.', {});
        for (int y = box.top - grow; y < box.bottom + grow; ++y)
            for (int x = box.left - grow; x < box.right + grow; ++x) {
                const bool in = y >= box.top && y < box.bottom && x >= box.left && x < box.right;
                const bool core = y >= box.top + 3 && y < box.bottom - 3 && x >= box.left + 3 && x < box.right - 3;
                if (grow ? !in : !core)
                    rows[y][x] = '#';
            }
        return rows;
    };
    struct {
        bool inside;
        int grow;
        const char *what;
    } cases[] = {{true, 0, "3 pixels inside the frame"}, {false, 3, "3 pixels outside the frame"}};
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ShowDragHilite(drag_, frame, c.inside), noErr);
        EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(dib.surface()), band(c.grow)), "");
        EXPECT_EQ(HideDragHilite(drag_), noErr);
        EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(dib.surface()), blank), "");
    }

    // A band shown over another one replaces it on the screen too; an update re-inverts the part of the
    // band inside the region the application redrew.
    const Rect other{2, 2, 12, 12};
    RgnHandle otherFrame = NewRgn();
    RectRgn(otherFrame, &other);
    EXPECT_EQ(ShowDragHilite(drag_, otherFrame, true), noErr);
    EXPECT_EQ(ShowDragHilite(drag_, frame, true), noErr);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(dib.surface()), band(0)), "");
    EraseRect(&box);
    EXPECT_EQ(UpdateDragHilite(drag_, frame), noErr);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(dib.surface()), band(0)), "");
    EXPECT_EQ(HideDragHilite(drag_), noErr);
    EXPECT_EQ(ImageDifference(CaptureBlackAndWhite(dib.surface()), blank), "");
    EXPECT_EQ(HideDragHilite(drag_), noErr) << "nothing shown: nothing to do";
    EXPECT_EQ(ShowDragHilite(drag_, nullptr, true), paramErr);
    DisposeRgn(otherFrame);
    DisposeRgn(frame);
    SetPor(saved);
}
