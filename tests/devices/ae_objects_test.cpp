// AppleEvent object specifiers: their layout, and AEResolve threading one token from the outermost
// container inwards through the installed accessors; malformed specifiers call no accessor.
#include <gtest/gtest.h>
#include "ae_test_support.h"
#include "AEObjects.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DescType kLine = 0x636C696E, kWindow = 0x6377696E, kWord = 0x63776F72; // 'clin', 'cwin', 'cwor'

struct AccessorCall {
    int accessor; // the refcon of the row called
    DescType desiredClass;
    AEDesc containerToken;
    DescType containerClass;
    DescType keyForm;
    AEDesc keyData;
    std::string keyBytes;
    Handle made; // the token it left
};
std::vector<AccessorCall> sCalls;
OSErr sLineAnswer;

// Records the call and leaves a token of the desired class holding the refcon and the key.
OSErr ZEL_CALL Accessor(DescType desiredClass, const AEDesc *containerToken, DescType containerClass,
                        DescType keyForm, const AEDesc *keyData, AEDesc *theToken, int32_t refcon)
{
    sCalls.push_back({refcon, desiredClass, *containerToken, containerClass, keyForm, *keyData,
                      Bytes(keyData->dataHandle), nullptr});
    if (desiredClass == kLine && sLineAnswer)
        return sLineAnswer;
    int32_t value[2] = {refcon, 0};
    if (keyData->dataHandle)
        std::memcpy(&value[1], *keyData->dataHandle, 4);
    AEDisposeDesc(theToken);
    OSErr err = AECreateDesc(desiredClass, value, sizeof value, theToken);
    sCalls.back().made = theToken->dataHandle;
    return err;
}

AEDesc Long(int32_t value)
{
    AEDesc d{};
    EXPECT_EQ(AECreateDesc(typeLongInteger, &value, 4, &d), noErr);
    return d;
}

// Item `index` of `desiredClass` in the container (disposed into the specifier).
AEDesc Specifier(DescType desiredClass, AEDesc container, int32_t index)
{
    AEDesc key = Long(index), s{};
    EXPECT_EQ(CreateObjSpecifier(desiredClass, &container, formAbsolutePosition, &key, true, &s), noErr);
    return s;
}

AEDesc NullDesc() { return AEDesc{typeNull, nullptr}; }

class AEObjects : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(AEObjectInit(), noErr);
        ASSERT_EQ(AEInstallObjectAccessor(kWindow, typeNull, Accessor, 1, false), noErr);
        ASSERT_EQ(AEInstallObjectAccessor(kLine, typeObjectSpecifier, Accessor, 2, false), noErr);
        ASSERT_EQ(AEInstallObjectAccessor(kLine, typeNull, Accessor, 3, false), noErr);
    }
    void SetUp() override
    {
        sCalls.clear();
        sLineAnswer = noErr;
    }
    void TearDown() override { EXPECT_EQ(ZEL_MemCheck(), 1); }
};

TEST_F(AEObjects, ASpecifierHoldsFourEntriesWithCopiesOfItsInputs)
{
    AEDesc container = NullDesc(), key = Long(1), s;
    ASSERT_EQ(CreateObjSpecifier(kLine, &container, formAbsolutePosition, &key, false, &s), noErr);
    EXPECT_EQ(s.descriptorType, typeObjectSpecifier);
    ASSERT_EQ(GetHandleSize(s.dataHandle), 48);
    const std::pair<AEKeyword, DescType> expected[] = {{keyAEDesiredClass, typeType},
                                                       {keyAEContainer, typeNull},
                                                       {keyAEKeyForm, typeEnumerated},
                                                       {keyAEKeyData, typeLongInteger}};
    for (int i = 0; i < 4; ++i) {
        AEKeyword keyword;
        AEDesc entry;
        ASSERT_EQ(AEGetNthDesc(&s, i + 1, typeWildCard, &keyword, &entry), noErr);
        EXPECT_EQ(keyword, expected[i].first) << i;
        EXPECT_EQ(entry.descriptorType, expected[i].second) << i;
        if (i == 3) {
            EXPECT_NE(entry.dataHandle, key.dataHandle) << "the key data are copied";
            EXPECT_EQ(Bytes(entry.dataHandle), Bytes(key.dataHandle));
        }
    }
    EXPECT_EQ(Bytes(key.dataHandle), std::string("\1\0\0\0", 4)) << "the input is still the caller's";
    EXPECT_EQ(AEDisposeDesc(&key), noErr);
    EXPECT_EQ(AEDisposeDesc(&s), noErr);

    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "x", 1, &text), noErr);
    key = Long(2);
    AEDesc inner = Specifier(kWindow, NullDesc(), 1);
    ASSERT_EQ(CreateObjSpecifier(kLine, &inner, formAbsolutePosition, &key, true, &s), noErr);
    EXPECT_EQ(inner.descriptorType, typeNull) << "disposed inputs";
    EXPECT_EQ(inner.dataHandle, nullptr);
    EXPECT_EQ(key.dataHandle, nullptr);
    AEDisposeDesc(&s);
    AEDisposeDesc(&text);
}

TEST_F(AEObjects, ANullContainerCallsOneAccessorWithTheCallersToken)
{
    AEDesc s = Specifier(kLine, NullDesc(), 4);
    AEDesc token;
    ASSERT_EQ(AECreateDesc(0x61707020 /* 'app ' */, "app", 3, &token), noErr);
    const AEDesc callers = token;
    EXPECT_EQ(AEResolve(&s, 0, &token), noErr);
    ASSERT_EQ(sCalls.size(), 1u);
    EXPECT_EQ(sCalls[0].accessor, 3);
    EXPECT_EQ(sCalls[0].desiredClass, kLine);
    EXPECT_EQ(sCalls[0].containerToken.descriptorType, callers.descriptorType);
    EXPECT_EQ(sCalls[0].containerToken.dataHandle, callers.dataHandle);
    EXPECT_EQ(sCalls[0].containerClass, typeNull);
    EXPECT_EQ(sCalls[0].keyForm, formAbsolutePosition);
    EXPECT_EQ(sCalls[0].keyData.descriptorType, typeLongInteger);
    EXPECT_EQ(sCalls[0].keyBytes, std::string("\4\0\0\0", 4));
    EXPECT_EQ(token.descriptorType, kLine) << "the accessor's token is the result";
    AEDisposeDesc(&token);
    AEDisposeDesc(&s);

    AEDesc notSpecifier = Long(1);
    EXPECT_EQ(AEResolve(&notSpecifier, 0, &token), errAENotAnObjSpec);
    AEDisposeDesc(&notSpecifier);
    EXPECT_EQ(sCalls.size(), 1u);
}

TEST_F(AEObjects, TwoLevelsThreadTheContainersToken)
{
    AEDesc s = Specifier(kLine, Specifier(kWindow, NullDesc(), 1), 2);
    AEDesc token = NullDesc();
    EXPECT_EQ(AEResolve(&s, 0, &token), noErr);
    ASSERT_EQ(sCalls.size(), 2u);
    EXPECT_EQ(sCalls[0].accessor, 1) << "the window first";
    EXPECT_EQ(sCalls[0].keyBytes, std::string("\1\0\0\0", 4));
    EXPECT_EQ(sCalls[1].accessor, 2) << "then the line in it";
    EXPECT_EQ(sCalls[1].containerClass, typeObjectSpecifier);
    EXPECT_EQ(sCalls[1].containerToken.descriptorType, kWindow) << "with the window's token";
    EXPECT_EQ(sCalls[1].containerToken.dataHandle, sCalls[0].made);
    EXPECT_EQ(sCalls[1].keyBytes, std::string("\2\0\0\0", 4));
    EXPECT_EQ(token.descriptorType, kLine);
    AEDisposeDesc(&token);

    // The first failing accessor is the answer.
    sCalls.clear();
    sLineAnswer = errAENoSuchObject;
    token = NullDesc();
    EXPECT_EQ(AEResolve(&s, 0, &token), errAENoSuchObject);
    EXPECT_EQ(sCalls.size(), 2u);
    EXPECT_EQ(token.descriptorType, kWindow) << "the token of the last level that resolved";
    AEDisposeDesc(&token);
    AEDisposeDesc(&s);
}

TEST_F(AEObjects, AccessorsAreChosenFromTheClosestRow)
{
    AEDesc word = Specifier(kWord, NullDesc(), 1);
    AEDesc token = NullDesc();
    EXPECT_EQ(AEResolve(&word, 0, &token), errAEAccessorNotFound) << "no row for words yet";
    EXPECT_EQ(token.descriptorType, typeNull) << "the token unchanged";
    EXPECT_TRUE(sCalls.empty());

    ASSERT_EQ(AEInstallObjectAccessor(typeWildCard, typeWildCard, Accessor, 9, false), noErr);
    EXPECT_EQ(AEResolve(&word, 0, &token), noErr);
    ASSERT_EQ(sCalls.size(), 1u);
    EXPECT_EQ(sCalls[0].accessor, 9) << "('****', '****') serves every class";
    AEDisposeDesc(&token);

    ASSERT_EQ(AEInstallObjectAccessor(typeWildCard, typeNull, Accessor, 8, false), noErr);
    sCalls.clear();
    EXPECT_EQ(AEResolve(&word, 0, &token), noErr);
    AEDisposeDesc(&token);
    AEDesc line = Specifier(kLine, NullDesc(), 1);
    EXPECT_EQ(AEResolve(&line, 0, &token), noErr);
    AEDisposeDesc(&token);
    ASSERT_EQ(sCalls.size(), 2u);
    EXPECT_EQ(sCalls[0].accessor, 8) << "('****', container type) before ('****', '****')";
    EXPECT_EQ(sCalls[1].accessor, 3) << "(class, container type) first";

    // A second install for a pair replaces the row.
    ASSERT_EQ(AEInstallObjectAccessor(typeWildCard, typeNull, Accessor, 7, false), noErr);
    sCalls.clear();
    EXPECT_EQ(AEResolve(&word, 0, &token), noErr);
    ASSERT_EQ(sCalls.size(), 1u);
    EXPECT_EQ(sCalls[0].accessor, 7);
    AEDisposeDesc(&token);
    AEDisposeDesc(&word);
    AEDisposeDesc(&line);
}

#pragma pack(push, 2)
struct AEEntry {
    AEKeyword keyword;
    DescType type;
    Handle data;
};
#pragma pack(pop)

// An 'obj ' descriptor made of the given bytes.
AEDesc ObjFromBytes(const std::string &bytes)
{
    AEDesc d{};
    EXPECT_EQ(AECreateDesc(typeObjectSpecifier, bytes.data(), static_cast<Size>(bytes.size()), &d), noErr);
    return d;
}

TEST_F(AEObjects, MalformedSpecifiersCallNoAccessor)
{
    AEDesc valid = Specifier(kWindow, NullDesc(), 1);
    const std::string validBytes = Bytes(valid.dataHandle);
    std::string reordered = validBytes;
    std::swap_ranges(reordered.begin() + 24, reordered.begin() + 36, reordered.begin() + 36);
    std::string forged = validBytes;
    std::memset(&forged[8], 0x5A, 4); // the handle of 'want'

    AEDesc text;
    ASSERT_EQ(AECreateDesc(typeChar, "doc", 3, &text), noErr);
    // Forty levels, each one's container entry naming the level below (copies stop at the nesting
    // limit, so the chain is made of bytes).
    std::vector<AEDesc> levels{valid};
    for (int i = 1; i < 40; ++i) {
        std::string bytes = validBytes;
        const AEEntry from{keyAEContainer, typeObjectSpecifier, levels.back().dataHandle};
        std::memcpy(&bytes[12], &from, 12);
        levels.push_back(ObjFromBytes(bytes));
    }
    AEDesc deep = levels.back();
    Handle hostHandle = NewHandle(48);
    std::memcpy(*hostHandle, validBytes.data(), 48);

    struct Case {
        const char *name;
        AEDesc specifier;
    } cases[] = {
        {"a container of type TEXT", Specifier(kLine, text, 1)},
        {"three entries", ObjFromBytes(validBytes.substr(0, 36))},
        {"keywords in another order", ObjFromBytes(reordered)},
        {"a forged entry handle", ObjFromBytes(forged)},
        {"a chain deeper than the limit", deep},
        {"a specifier whose own handle is not the manager's", AEDesc{typeObjectSpecifier, hostHandle}},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.name);
        AEDesc token = NullDesc();
        EXPECT_EQ(AEResolve(&c.specifier, 0, &token), errAENotAnObjSpec);
        EXPECT_TRUE(sCalls.empty());
        EXPECT_EQ(token.descriptorType, typeNull);
    }
    // Made of copied bytes, the chain and three of the cases share the valid specifier's handles: each is
    // disposed once, by the first container disposed.
    DisposeHandle(hostHandle);
    AEDisposeDesc(&cases[0].specifier);
    for (size_t i = levels.size(); i-- > 1;)
        AEDisposeDesc(&levels[i]);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(AEDisposeDesc(&cases[i].specifier), noErr);
    AEDesc shallow = NullDesc();
    for (int i = 0; i < 31; ++i)
        shallow = Specifier(kWindow, shallow, 1);
    shallow = Specifier(kLine, shallow, 1);
    AEDesc token = NullDesc();
    EXPECT_EQ(AEResolve(&shallow, 0, &token), noErr) << "32 levels resolve";
    EXPECT_EQ(sCalls.size(), 32u);
    AEDisposeDesc(&token);
    AEDisposeDesc(&shallow);
    AEDisposeDesc(&text);
}

TEST_F(AEObjects, SmallCalls)
{
    int dummy;
    EXPECT_EQ(AESetObjectCallbacks(&dummy, &dummy, &dummy, &dummy, &dummy, &dummy, &dummy), noErr);
    AEDesc token = Long(3);
    EXPECT_EQ(AEDisposeToken(&token), noErr);
    EXPECT_EQ(Bytes(token.dataHandle), std::string("\3\0\0\0", 4)) << "tokens are the application's";
    AEDisposeDesc(&token);
    EXPECT_TRUE(sCalls.empty());
}

// The accessor table from empty to full: ctest runs it in a process of its own.
TEST(AEObjectTableFull, SixteenRows)
{
    AEDesc s = Specifier(kLine, NullDesc(), 1);
    AEDesc token = NullDesc();
    EXPECT_EQ(AEResolve(&s, 0, &token), errAEAccessorNotFound) << "no accessor installed";
    EXPECT_TRUE(sCalls.empty());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(AEInstallObjectAccessor(0x61616100 + i, typeNull, Accessor, i, false), noErr) << i;
    EXPECT_EQ(AEInstallObjectAccessor(0x61616100 + 16, typeNull, Accessor, 16, false), -108);
    EXPECT_EQ(AEInstallObjectAccessor(0x61616100 + 3, typeNull, Accessor, 33, false), noErr)
        << "replacing a row needs no room";
    EXPECT_EQ(AEResolve(&s, 0, &token), errAEAccessorNotFound) << "the refused row was not added";
    AEDisposeDesc(&s);
}

} // namespace
