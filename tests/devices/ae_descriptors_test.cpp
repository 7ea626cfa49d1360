// AppleEvent descriptors, lists, records and events: their layouts, the Macintosh behaviours a porting
// developer relies on, bounded reading of untrusted descriptor data, and ownership without leaks.
#include <gtest/gtest.h>
#include "ae_test_support.h"
#include "AppleEvents.h"
#include "AEObjects.h"
#include "MacMemory.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr DescType kEvcl = 0x6576636C, kEvid = 0x65766964, kAddr = 0x61646472, kTran = 0x7472616E;
constexpr DescType kDirect = 0x2D2D2D2D, kAbcd = 0x61626364, kWxyz = 0x7778797A;
constexpr DescType kOapp = 0x6F617070, kAevt = 0x61657674;

int32_t Count(const AEDesc &d)
{
    int32_t n = -1;
    EXPECT_EQ(AECountItems(&d, &n), noErr);
    return n;
}

// Item n of a list as a string of its data.
std::string ItemData(const AEDesc &list, int32_t n)
{
    char buffer[64] = {};
    Size actual = 0;
    DescType type = 0;
    AEKeyword keyword = 0;
    if (AEGetNthPtr(&list, n, typeWildCard, &keyword, &type, buffer, sizeof buffer, &actual) != noErr)
        return "<error>";
    return std::string(buffer, static_cast<size_t>(actual));
}

class AEDescriptors : public testing::Test {
protected:
    void SetUp() override
    {
        TakeDebugMessages();
        TakeHostMessages(ZEL_WM_HEAPDAMAGE);
    }
    void TearDown() override
    {
        EXPECT_EQ(ZEL_MemCheck(), 1) << "the heaps are sound";
        EXPECT_TRUE(TakeHostMessages(ZEL_WM_HEAPDAMAGE).empty());
    }
};

TEST_F(AEDescriptors, ANewEventHoldsItsFourEntriesAndItsTransaction)
{
    ProcessSerialNumber self{0, 2};
    AEAddressDesc target;
    ASSERT_EQ(AECreateDesc(typeProcessSerialNumber, &self, sizeof self, &target), noErr);
    AppleEvent e, f;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, &target, -1, 0, &e), noErr);
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, &target, -1, 0, &f), noErr);
    EXPECT_EQ(e.descriptorType, typeAppleEvent);
    ASSERT_EQ(GetHandleSize(e.dataHandle), 60);
    EXPECT_EQ(Count(e), 5);

    const struct {
        AEKeyword keyword;
        DescType type;
        Size size;
    } expected[] = {{kEvcl, typeType, 4}, {kEvid, typeType, 4}, {kAddr, typeSignature, 8},
                    {kDirect, typeAEList, 0}, {kTran, typeLongInteger, 4}};
    for (int32_t i = 0; i < 5; ++i) {
        AEKeyword keyword = 0;
        DescType type = 0;
        Size actual = -1;
        char data[8];
        ASSERT_EQ(AEGetNthPtr(&e, i + 1, typeWildCard, &keyword, &type, data, sizeof data, &actual), noErr);
        EXPECT_EQ(keyword, expected[i].keyword) << i;
        EXPECT_EQ(type, expected[i].type) << i;
        EXPECT_EQ(actual, expected[i].size) << i;
    }
    uint32_t code = 0;
    ASSERT_EQ(AEGetAttributePtr(&e, kEvcl, typeType, nullptr, &code, 4, nullptr), noErr);
    EXPECT_EQ(code, kAevt);
    ASSERT_EQ(AEGetAttributePtr(&e, kEvid, typeType, nullptr, &code, 4, nullptr), noErr);
    EXPECT_EQ(code, kOapp);
    AEDesc address{};
    ASSERT_EQ(AEGetAttributePtr(&e, kAddr, typeSignature, nullptr, &address, sizeof address, nullptr), noErr);
    EXPECT_EQ(address.descriptorType, target.descriptorType) << "the target's type and handle, not a copy";
    EXPECT_EQ(address.dataHandle, target.dataHandle);

    int32_t first = -1, second = -1;
    ASSERT_EQ(AEGetAttributePtr(&e, kTran, typeLongInteger, nullptr, &first, 4, nullptr), noErr);
    ASSERT_EQ(AEGetAttributePtr(&f, kTran, typeLongInteger, nullptr, &second, 4, nullptr), noErr);
    EXPECT_EQ(second, first + 1);
    AppleEvent g;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, &target, -1, 77, &g), noErr);
    ASSERT_EQ(AEGetAttributePtr(&g, kTran, typeLongInteger, nullptr, &second, 4, nullptr), noErr);
    EXPECT_EQ(second, 77) << "a given transaction ID is kept";
    for (AEDesc *d : {&e, &f, &g, &target})
        EXPECT_EQ(AEDisposeDesc(d), noErr);
    EXPECT_EQ(e.descriptorType, typeNull);
    EXPECT_EQ(e.dataHandle, nullptr);
}

TEST_F(AEDescriptors, ListsAppendReplaceAndDelete)
{
    AEDescList list;
    ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
    EXPECT_EQ(list.descriptorType, typeAEList);
    EXPECT_EQ(Count(list), 0);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "one", 3), noErr);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "two", 3), noErr);
    EXPECT_EQ(Count(list), 2);
    EXPECT_EQ(ItemData(list, 2), "two");
    ASSERT_EQ(AEPutPtr(&list, 1, typeChar, "uno", 3), noErr);
    EXPECT_EQ(Count(list), 2) << "index 1 replaces";
    EXPECT_EQ(ItemData(list, 1), "uno");
    ASSERT_EQ(AEPutPtr(&list, 9, typeChar, "three", 5), noErr);
    EXPECT_EQ(Count(list), 3) << "an index above the count appends";

    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "four", 4, &text), noErr);
    ASSERT_EQ(AEPutDesc(&list, 0, &text), noErr);
    AEDisposeDesc(&text);
    EXPECT_EQ(ItemData(list, 4), "four") << "the list holds a copy";

    ASSERT_EQ(AEDeleteItem(&list, 2), noErr);
    EXPECT_EQ(Count(list), 3);
    EXPECT_EQ(ItemData(list, 1), "uno");
    EXPECT_EQ(ItemData(list, 2), "three") << "the items after move down";
    EXPECT_EQ(ItemData(list, 3), "four");

    AEKeyword keyword = 0;
    AEDesc item;
    ASSERT_EQ(AEGetNthDesc(&list, 3, typeWildCard, &keyword, &item), noErr);
    EXPECT_EQ(keyword, typeWildCard);
    EXPECT_EQ(item.descriptorType, typeChar);
    EXPECT_EQ(Bytes(item.dataHandle), "four");
    AEDisposeDesc(&item);
    AEDisposeDesc(&list);
}

TEST_F(AEDescriptors, RecordsAnswerTheirEntriesByPositionWithKeywords)
{
    AERecord record;
    ASSERT_EQ(AECreateList(nullptr, 0, true, &record), noErr);
    EXPECT_EQ(record.descriptorType, typeAERecord);
    ASSERT_EQ(AEPutParamPtr(&record, kAbcd, typeChar, "first", 5), noErr);
    ASSERT_EQ(AEPutParamPtr(&record, kWxyz, typeLongInteger, "\x01\x02\x03\x04", 4), noErr);
    EXPECT_EQ(Count(record), 2);
    AEKeyword keyword = 0;
    DescType type = 0;
    char data[8] = {};
    Size actual = 0;
    ASSERT_EQ(AEGetNthPtr(&record, 2, typeWildCard, &keyword, &type, data, sizeof data, &actual), noErr);
    EXPECT_EQ(keyword, kWxyz);
    EXPECT_EQ(type, typeLongInteger);
    EXPECT_EQ(std::string(data, actual), "\x01\x02\x03\x04");

    // A put of an existing keyword replaces its entry.
    ASSERT_EQ(AEPutParamPtr(&record, kAbcd, typeChar, "again", 5), noErr);
    EXPECT_EQ(Count(record), 2);
    ASSERT_EQ(AEGetParamPtr(&record, kAbcd, typeChar, &type, data, 3, &actual), noErr);
    EXPECT_EQ(std::string(data, 3), "aga") << "at most the maximum is copied";
    EXPECT_EQ(actual, 5) << "the actual size is the whole";
    AEDisposeDesc(&record);
}

TEST_F(AEDescriptors, RepeatedDirectParametersCollectAList)
{
    AppleEvent e;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &e), noErr);
    ASSERT_EQ(AEPutParamPtr(&e, kDirect, typeChar, "a", 1), noErr);
    ASSERT_EQ(AEPutParamPtr(&e, kDirect, typeChar, "bc", 2), noErr);
    AEDesc direct;
    ASSERT_EQ(AEGetParamDesc(&e, kDirect, typeAEList, &direct), noErr);
    EXPECT_EQ(direct.descriptorType, typeAEList);
    EXPECT_EQ(Count(direct), 2);
    EXPECT_EQ(ItemData(direct, 2), "bc");
    AEDisposeDesc(&direct);

    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "xyz", 3, &text), noErr);
    ASSERT_EQ(AEPutParamDesc(&e, kDirect, &text), noErr);
    DescType type = 0;
    Size actual = 0;
    char data[4];
    ASSERT_EQ(AEGetParamPtr(&e, kDirect, typeWildCard, &type, data, sizeof data, &actual), noErr);
    EXPECT_EQ(type, typeChar) << "a descriptor put replaces even a list";
    EXPECT_EQ(std::string(data, actual), "xyz");
    AEDisposeDesc(&text);
    AEDisposeDesc(&e);
}

TEST_F(AEDescriptors, MissingKeywordsAndCoercionReports)
{
    AppleEvent e;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &e), noErr);
    char data[4];
    Size actual = 99;
    AEDesc result{kAbcd, reinterpret_cast<Handle>(0x1234)};
    EXPECT_EQ(AEGetParamPtr(&e, kAbcd, typeChar, nullptr, data, 4, &actual), errAEDescNotFound);
    EXPECT_EQ(AEGetParamDesc(&e, kAbcd, typeChar, &result), errAEDescNotFound);
    EXPECT_EQ(actual, 99);
    EXPECT_EQ(result.dataHandle, reinterpret_cast<Handle>(0x1234));
    AEDesc nilRecord{typeAERecord, nullptr};
    EXPECT_EQ(AEGetParamPtr(&nilRecord, kAbcd, typeChar, nullptr, data, 4, &actual), errAEDescNotFound);

    // No coercion: the entry comes back with its own type, and the mismatch is reported.
    TakeDebugMessages();
    ASSERT_EQ(AEPutParamPtr(&e, kAbcd, typeLongInteger, "\0\0\0\7", 4), noErr);
    DescType type = 0;
    EXPECT_EQ(AEGetParamPtr(&e, kAbcd, typeChar, &type, data, 4, &actual), noErr);
    EXPECT_EQ(type, typeLongInteger);
    EXPECT_EQ(Reports(), std::vector<std::string>{"Coercion Required"});
    EXPECT_EQ(AEGetParamPtr(&e, kAbcd, typeWildCard, &type, data, 4, &actual), noErr);
    EXPECT_EQ(AEGetParamPtr(&e, kAbcd, typeLongInteger, &type, data, 4, &actual), noErr);
    EXPECT_TRUE(Reports().empty());
    AEDisposeDesc(&e);
}

TEST_F(AEDescriptors, SmallCallsAndPermanentStubs)
{
    AEDesc offset;
    ASSERT_EQ(CreateOffsetDescriptor(-3, &offset), noErr);
    EXPECT_EQ(offset.descriptorType, typeLongInteger);
    EXPECT_EQ(Bytes(offset.dataHandle), std::string("\xFD\xFF\xFF\xFF", 4));

    AppleEvent e;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &e), noErr);
    const std::string before = Bytes(e.dataHandle);
    Size size = 99;
    EXPECT_EQ(AESizeOfParam(&e, kEvcl, nullptr, &size), errAEDescNotFound);
    EXPECT_EQ(size, 0);
    TakeDebugMessages();
    DescType type;
    EXPECT_EQ(AESizeOfNthItem(&e, 1, &type, &size), -1);
    EXPECT_EQ(AEDeleteParam(&e, kEvcl), noErr);
    EXPECT_EQ(Bytes(e.dataHandle), before) << "nothing removed";
    AEDesc comparison{kAbcd, nullptr};
    EXPECT_EQ(CreateCompDescriptor(kAbcd, &offset, &offset, false, &comparison), noErr);
    EXPECT_EQ(comparison.descriptorType, kAbcd);
    EXPECT_EQ(Reports(), (std::vector<std::string>{"AESizeOfNthItem", "AEDeleteParam",
                                                              "CreateCompDescriptor - Not Supported, System 7"}));
    AEDisposeDesc(&e);
    AEDisposeDesc(&offset);
}

// ---- Untrusted data ----

// One malformed input: the descriptor it is tried on, the call, and the error it must answer; the
// descriptor's bytes and the call's outputs stay as they were.
struct Malformed {
    std::string name;
    AEDesc *desc;
    std::function<OSErr()> call;
    OSErr expected;
};

TEST_F(AEDescriptors, MalformedInputsAnswerErrorsAndChangeNothing)
{
    // A list of three "items" made of 0x5A bytes: their handles are nothing the manager made.
    char forged[24];
    std::memset(forged, 0x5A, sizeof forged);
    AEDesc forgedList;
    ASSERT_EQ(AECreateDesc(typeAEList, forged, sizeof forged, &forgedList), noErr);
    EXPECT_EQ(Count(forgedList), 3);

    // Two record entries with nil handles and a spare byte.
    char recordBytes[25] = {};
    const AEKeyword keywords[] = {kAbcd, kWxyz};
    for (int i = 0; i < 2; ++i) {
        std::memcpy(recordBytes + 12 * i, &keywords[i], 4);
        std::memcpy(recordBytes + 12 * i + 4, "llun", 4);
    }
    AEDesc record;
    ASSERT_EQ(AECreateDesc(typeAERecord, recordBytes, sizeof recordBytes, &record), noErr);
    EXPECT_EQ(Count(record), 2);

    AEDescList list;
    ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "one", 3), noErr);
    ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "two", 3), noErr);

    // An event whose parameter the caller disposed through the shared handle, and one whose direct
    // parameter list was disposed the same way.
    AppleEvent stale, staleList;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &stale), noErr);
    ASSERT_EQ(AEPutParamPtr(&stale, kAbcd, typeChar, "gone", 4), noErr);
    AEDesc shared;
    ASSERT_EQ(AEGetParamDesc(&stale, kAbcd, typeChar, &shared), noErr);
    ASSERT_EQ(AEDisposeDesc(&shared), noErr);
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &staleList), noErr);
    ASSERT_EQ(AEPutParamPtr(&staleList, kDirect, typeChar, "a", 1), noErr);
    AEDesc direct;
    ASSERT_EQ(AEGetParamDesc(&staleList, kDirect, typeAEList, &direct), noErr);
    AEDesc directAlias = direct;
    ASSERT_EQ(AEDisposeDesc(&direct), noErr);

    char out[8];
    std::memset(out, 0x77, sizeof out);
    AEKeyword keyword = 0x11111111;
    DescType type = 0x22222222;
    Size actual = 0x33333333;
    AEDesc result{0x44444444, reinterpret_cast<Handle>(0x55555555)};
    AEDesc text{typeChar, nullptr};
    auto nthPtr = [&](AEDesc *d, int32_t i) {
        return [=, &keyword, &type, &out, &actual] {
            return AEGetNthPtr(d, i, typeWildCard, &keyword, &type, out, sizeof out, &actual);
        };
    };
    auto nthDesc = [&](AEDesc *d, int32_t i) {
        return [=, &keyword, &result] { return AEGetNthDesc(d, i, typeWildCard, &keyword, &result); };
    };

    std::vector<Malformed> cases = {
        {"forged item read", &forgedList, nthPtr(&forgedList, 1), errAECorruptData},
        {"forged item desc", &forgedList, nthDesc(&forgedList, 2), errAECorruptData},
        {"record past its entries", &record, nthPtr(&record, 3), errAEIllegalIndex},
        {"put into a record", &record, [&] { return AEPutPtr(&record, 0, typeChar, "x", 1); }, errAEWrongDataType},
        {"desc put into a record", &record, [&] { return AEPutDesc(&record, 1, &list); }, errAEWrongDataType},
        {"delete from a record", &record, [&] { return AEDeleteItem(&record, 1); }, errAEWrongDataType},
        {"parameter put into a list", &list, [&] { return AEPutParamPtr(&list, kAbcd, typeChar, "x", 1); },
         errAEWrongDataType},
        {"count of text", &text, [&] { return AECountItems(&text, &actual); }, errAEWrongDataType},
        {"negative size put", &list, [&] { return AEPutPtr(&list, 0, typeChar, "x", -1); }, -50},
        {"negative size parameter", &stale, [&] { return AEPutParamPtr(&stale, kWxyz, typeChar, "x", -1); }, -50},
        {"negative size desc", &text, [&] { return AECreateDesc(typeChar, "x", -1, &result); }, -50},
        {"stale parameter read", &stale,
         [&] { return AEGetParamPtr(&stale, kAbcd, typeChar, &type, out, sizeof out, &actual); }, errAECorruptData},
        {"stale parameter desc", &stale, [&] { return AEGetParamDesc(&stale, kAbcd, typeChar, &result); },
         errAECorruptData},
        {"stale parameter disposed again", &shared, [&] { return AEDisposeDesc(&shared); }, 0},
        {"stale list appended to", &staleList, [&] { return AEPutParamPtr(&staleList, kDirect, typeChar, "b", 1); },
         errAECorruptData},
        {"stale list disposed again", &directAlias, [&] { return AEDisposeDesc(&directAlias); }, errAECorruptData},
        {"stale list counted", &directAlias, [&] { return AECountItems(&directAlias, &actual); }, errAECorruptData},
    };
    for (int32_t index : {0, -1, -32768, 3}) {
        const std::string at = " at " + std::to_string(index);
        cases.push_back({"nth ptr" + at, &list, nthPtr(&list, index), errAEIllegalIndex});
        cases.push_back({"nth desc" + at, &list, nthDesc(&list, index), errAEIllegalIndex});
        cases.push_back({"delete" + at, &list, [&list, index] { return AEDeleteItem(&list, index); },
                         errAEIllegalIndex});
        if (index < 0) {
            cases.push_back({"put ptr" + at, &list, [&list, index] { return AEPutPtr(&list, index, typeChar, "x", 1); },
                             errAEIllegalIndex});
            cases.push_back({"put desc" + at, &list, [&list, &text, index] { return AEPutDesc(&list, index, &text); },
                             errAEIllegalIndex});
        }
    }
    // The shared handle disposed above leaves `shared` null: the case re-disposing it must be a no-op.
    for (const Malformed &c : cases) {
        SCOPED_TRACE(c.name);
        const AEDesc descBefore = *c.desc;
        const bool readable = c.desc->dataHandle && c.desc != &directAlias;
        const std::string bytesBefore = readable ? Bytes(c.desc->dataHandle) : "";
        EXPECT_EQ(c.call(), c.expected);
        EXPECT_EQ(c.desc->descriptorType, descBefore.descriptorType);
        EXPECT_EQ(c.desc->dataHandle, descBefore.dataHandle);
        if (readable) {
            EXPECT_EQ(Bytes(c.desc->dataHandle), bytesBefore);
        }
        EXPECT_EQ(keyword, 0x11111111u);
        EXPECT_EQ(type, 0x22222222u);
        EXPECT_EQ(actual, 0x33333333);
        EXPECT_EQ(result.descriptorType, 0x44444444u);
        EXPECT_EQ(out[0], 0x77);
    }
    EXPECT_EQ(Count(list), 2);
    EXPECT_EQ(ItemData(list, 2), "two");

    // A negative maximum copies nothing but still tells the size.
    ASSERT_EQ(AEGetNthPtr(&list, 1, typeWildCard, nullptr, nullptr, out, -5, &actual), noErr);
    EXPECT_EQ(actual, 3);
    EXPECT_EQ(out[0], 0x77);

    // An entry whose handle is not the manager's can still be overwritten or removed: the handle is
    // dropped, not disposed.
    EXPECT_EQ(AEPutPtr(&forgedList, 1, typeChar, "x", 1), noErr);
    EXPECT_EQ(ItemData(forgedList, 1), "x");
    EXPECT_EQ(AEDeleteItem(&forgedList, 3), noErr);
    EXPECT_EQ(Count(forgedList), 2);
    EXPECT_EQ(ItemData(forgedList, 2), "<error>");
    EXPECT_EQ(AEPutParamPtr(&stale, kAbcd, typeChar, "new", 3), noErr);
    DescType newType = 0;
    EXPECT_EQ(AEGetParamPtr(&stale, kAbcd, typeChar, &newType, out, sizeof out, &actual), noErr);
    EXPECT_EQ(std::string(out, actual), "new");

    for (AEDesc *d : {&forgedList, &record, &list, &stale, &staleList})
        EXPECT_EQ(AEDisposeDesc(d), noErr);
}

// Forged bytes that name, as an entry's data, the container being edited or one that holds it: a
// delete or replace would dispose the container and then write into it. Such a container is refused
// and left as it was.
TEST_F(AEDescriptors, AnEntryNamingItsOwnContainerIsRefused)
{
    const int32_t values[] = {1, 2, 3};
    AEDescList list, outer, record;
    ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
    for (int32_t v : values)
        ASSERT_EQ(AEPutPtr(&list, 0, typeLongInteger, &v, 4), noErr);
    // An outer list holding an inner one; the inner's first item then names the outer list.
    ASSERT_EQ(AECreateList(nullptr, 0, false, &outer), noErr);
    ASSERT_EQ(AEPutDesc(&outer, 0, &list), noErr);
    AEDesc inner;
    ASSERT_EQ(AEGetNthDesc(&outer, 1, typeWildCard, nullptr, &inner), noErr);
    ASSERT_EQ(AECreateList(nullptr, 0, true, &record), noErr);
    ASSERT_EQ(AEPutParamPtr(&record, kAbcd, typeLongInteger, &values[0], 4), noErr);

    // Where each container's forged handle goes (the offset of a handle field in its data).
    struct Forgery {
        AEDesc *desc;
        Size at;
        Handle names;
        Handle kept;
    } forgeries[] = {{&list, 20, list.dataHandle, nullptr},
                     {&inner, 4, outer.dataHandle, nullptr},
                     {&record, 8, record.dataHandle, nullptr}};
    for (Forgery &f : forgeries) {
        std::memcpy(&f.kept, *f.desc->dataHandle + f.at, 4);
        std::memcpy(*f.desc->dataHandle + f.at, &f.names, 4);
    }
    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "x", 1, &text), noErr);
    const struct {
        const char *name;
        AEDesc *desc;
        std::function<OSErr()> call;
    } cases[] = {
        {"delete of the item naming its list", &list, [&] { return AEDeleteItem(&list, 3); }},
        {"ptr put over it", &list, [&] { return AEPutPtr(&list, 3, typeChar, "x", 1); }},
        {"desc put over it", &list, [&] { return AEPutDesc(&list, 3, &text); }},
        {"delete of the item naming the outer list", &inner, [&] { return AEDeleteItem(&inner, 1); }},
        {"ptr put over that item", &inner, [&] { return AEPutPtr(&inner, 1, typeChar, "x", 1); }},
        {"parameter put over the entry naming its record", &record,
         [&] { return AEPutParamPtr(&record, kAbcd, typeChar, "x", 1); }},
        {"desc parameter put over it", &record, [&] { return AEPutParamDesc(&record, kAbcd, &text); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = Bytes(c.desc->dataHandle);
        EXPECT_EQ(c.call(), errAECorruptData);
        EXPECT_EQ(Bytes(c.desc->dataHandle), before);
    }
    EXPECT_EQ(Count(outer), 1);
    EXPECT_EQ(Count(list), 3);
    // The other items stay editable.
    EXPECT_EQ(AEDeleteItem(&list, 1), noErr);
    EXPECT_EQ(Count(list), 2);

    forgeries[0].at -= 8; // item 3 moved down by the delete
    for (Forgery &f : forgeries)
        std::memcpy(*f.desc->dataHandle + f.at, &f.kept, 4);
    for (AEDesc *d : {&list, &inner, &outer, &record, &text})
        EXPECT_EQ(AEDisposeDesc(d), noErr);
}

// ---- Ownership ----

TEST_F(AEDescriptors, HandedOutDescriptorsAreTheCallersAndNothingLeaks)
{
    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "payload", 7, &text), noErr);
    const uint32_t before = LibraryBytes();
    for (int i = 0; i < 1000; ++i) {
        AppleEvent e;
        ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, &text, -1, 0, &e), noErr);
        ASSERT_EQ(AEPutParamPtr(&e, kDirect, typeChar, "a", 1), noErr);
        ASSERT_EQ(AEPutParamPtr(&e, kDirect, typeChar, "b", 1), noErr);
        ASSERT_EQ(AEPutParamDesc(&e, kAbcd, &text), noErr);
        ASSERT_EQ(AEPutParamPtr(&e, kWxyz, typeChar, "first", 5), noErr);
        ASSERT_EQ(AEPutParamPtr(&e, kWxyz, typeChar, "second", 6), noErr);
        AppleEvent copy;
        ASSERT_EQ(AEDuplicateDesc(&e, &copy), noErr);
        AEDesc shared;
        ASSERT_EQ(AEGetParamDesc(&e, kAbcd, typeChar, &shared), noErr);
        ASSERT_EQ(AEDisposeDesc(&e), noErr);
        EXPECT_EQ(Bytes(shared.dataHandle), "payload") << "a handed-out descriptor outlives its event";
        ASSERT_EQ(AEDisposeDesc(&shared), noErr);
        // The copy holds copies of the nested list and parameters: it reads whole after the original went.
        AEDesc direct;
        ASSERT_EQ(AEGetParamDesc(&copy, kDirect, typeAEList, &direct), noErr);
        EXPECT_EQ(ItemData(direct, 2), "b");
        ASSERT_EQ(AEDisposeDesc(&copy), noErr);
        ASSERT_EQ(AEDisposeDesc(&direct), noErr);
        AEDescList list;
        ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
        ASSERT_EQ(AEPutDesc(&list, 0, &text), noErr);
        ASSERT_EQ(AEPutPtr(&list, 1, typeChar, "x", 1), noErr);
        ASSERT_EQ(AEPutPtr(&list, 0, typeChar, "y", 1), noErr);
        ASSERT_EQ(AEDeleteItem(&list, 1), noErr);
        ASSERT_EQ(AEDisposeDesc(&list), noErr);
    }
    EXPECT_EQ(LibraryBytes(), before);

    // A handle of the host's own, never the manager's, is disposed as before.
    Handle own = NewHandle(4);
    AEDesc host{typeChar, own};
    EXPECT_EQ(AEDisposeDesc(&host), noErr);
    EXPECT_EQ(host.dataHandle, nullptr);
    AEDisposeDesc(&text);
}

// Small handles come from the sub-allocator, which no limit refuses: the failures are made with data of
// more than the limit leaves.
TEST_F(AEDescriptors, FailedAllocationsLeaveResultsUntouched)
{
    constexpr Size kLarge = 300000;
    static char large[kLarge];
    AppleEvent e;
    ASSERT_EQ(AECreateAppleEvent(kAevt, kOapp, nullptr, -1, 0, &e), noErr);
    AEDescList list;
    ASSERT_EQ(AECreateList(nullptr, 0, false, &list), noErr);
    AEDesc big;
    ASSERT_EQ(AECreateDesc(typeChar, large, kLarge, &big), noErr);
    const std::string eventBytes = Bytes(e.dataHandle), listBytes = Bytes(list.dataHandle);
    const uint32_t before = LibraryBytes();
    AEDesc result{kAbcd, reinterpret_cast<Handle>(0x1234)};
    ZEL_SetMemoryLimits(1, before + 1000, 1000, 0);
    const std::pair<const char *, std::function<OSErr()>> calls[] = {
        {"create desc", [&] { return AECreateDesc(typeChar, large, kLarge, &result); }},
        {"duplicate", [&] { return AEDuplicateDesc(&big, &result); }},
        {"put ptr", [&] { return AEPutPtr(&list, 0, typeChar, large, kLarge); }},
        {"put desc", [&] { return AEPutDesc(&list, 0, &big); }},
        {"put parameter", [&] { return AEPutParamPtr(&e, kAbcd, typeChar, large, kLarge); }},
        {"put parameter desc", [&] { return AEPutParamDesc(&e, kAbcd, &big); }},
        {"put into the direct list", [&] { return AEPutParamPtr(&e, kDirect, typeChar, large, kLarge); }},
    };
    for (const auto &[name, call] : calls) {
        EXPECT_EQ(call(), -108) << name;
        EXPECT_EQ(result.descriptorType, kAbcd) << name;
        EXPECT_EQ(result.dataHandle, reinterpret_cast<Handle>(0x1234)) << name;
        EXPECT_EQ(Bytes(e.dataHandle), eventBytes) << name;
        EXPECT_EQ(Bytes(list.dataHandle), listBytes) << name;
    }
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    EXPECT_EQ(LibraryBytes(), before);
    for (AEDesc *d : {&e, &list, &big})
        AEDisposeDesc(d);
}

} // namespace
