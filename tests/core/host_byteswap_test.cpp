// The host's byte-swap callback: types in the host's list go to it with their index in the list (counted
// from 0), in four arguments, or in five with the resource ID under session flag 0x8000. The session is
// opened by a test environment in the form the suite named by --gtest_filter needs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ByteOrder.h"
#include "test_support.h"

namespace {

constexpr ResType T(const char *s)
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

enum class Form { FourArgs, FiveArgs, NoCallback };
Form sForm;

// The host's list: two types of its own and one that has a template of the library's.
const uint32_t kHostTypes[] = {T("hst0"), T("hst1"), T("MENU"), 0};

struct Call {
    int count;
    int32_t direction;
    uint32_t typeOrIndex;
    int32_t id;
    int32_t size;
    void *data;
};
Call sHostCall, sFileCall;

void ZEL_CALL HostSwap(int32_t direction, uint32_t index, int32_t size, void *data)
{
    sHostCall = {sHostCall.count + 1, direction, index, -1, size, data};
}

void ZEL_CALL HostSwapWithID(int32_t direction, uint32_t index, int32_t id, int32_t size, void *data)
{
    sHostCall = {sHostCall.count + 1, direction, index, id, size, data};
}

void ZEL_CALL FileSwap(int32_t direction, uint32_t type, int32_t size, void *data)
{
    sFileCall = {sFileCall.count + 1, direction, type, -1, size, data};
}

void ZEL_CALL FileSwapWithID(int32_t direction, uint32_t type, int32_t id, int32_t size, void *data)
{
    sFileCall = {sFileCall.count + 1, direction, type, id, size, data};
}

class HostSession : public testing::Environment {
public:
    void SetUp() override
    {
        std::string filter = testing::GTEST_FLAG(filter);
        sForm = filter.find("FiveArgs") != std::string::npos     ? Form::FiveArgs
                : filter.find("NoCallback") != std::string::npos ? Form::NoCallback
                                                                 : Form::FourArgs;
        uint32_t flags = zelFlagRawCallbacks | (sForm == Form::FiveArgs ? zelFlagFiveArgByteSwap : 0);
        static SessionParamBlock block;
        block = testing_support::MakeSessionBlock(testing_support::CreateHostMainWindow(), flags);
        if (sForm == Form::FourArgs)
            block.byteSwapCallback = reinterpret_cast<FARPROC>(HostSwap);
        else if (sForm == Form::FiveArgs)
            block.byteSwapCallback = reinterpret_cast<FARPROC>(HostSwapWithID);
        block.byteSwapTypes = kHostTypes;
        ZEL_InitSession(&block);
    }
    void TearDown() override { ZEL_ExitSession(); }
};

testing::Environment *const sHostSession = testing::AddGlobalTestEnvironment(new HostSession);

ProcPtr FileProc()
{
    return sForm == Form::FiveArgs ? reinterpret_cast<ProcPtr>(FileSwapWithID) : reinterpret_cast<ProcPtr>(FileSwap);
}

// Each suite runs only in the session of its own form.
class HostByteSwapTest : public testing::Test {
protected:
    void Expect(Form form)
    {
        if (sForm != form)
            GTEST_SKIP() << "needs its own session (--gtest_filter)";
        sHostCall = {};
        sFileCall = {};
        testing_support::TakeDebugMessages();
    }
};

class HostByteSwapFourArgs : public HostByteSwapTest {
    void SetUp() override { Expect(Form::FourArgs); }
};
class HostByteSwapFiveArgs : public HostByteSwapTest {
    void SetUp() override { Expect(Form::FiveArgs); }
};
class HostByteSwapNoCallback : public HostByteSwapTest {
    void SetUp() override { Expect(Form::NoCallback); }
};

// Listed types reach the callback with their index counted from 0, in both directions, with or without
// a file procedure; the library leaves their bytes to the host.
void ExpectListedTypesReachTheHost(bool withID)
{
    struct {
        const char *type;
        uint32_t index;
        int16_t direction;
        int16_t id;
    } const cases[] = {{"hst0", 0, zelSwapToNative, 128}, {"hst1", 1, zelSwapToBigEndian, -4064}};
    for (const auto &c : cases)
        for (bool viaCode : {true, false}) {
            uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
            sHostCall = {};
            sFileCall = {};
            if (viaCode)
                ZEL_ByteSwap_Code(c.direction, T(c.type), c.id, 9, data, FileProc());
            else
                ZEL_ByteSwap(c.direction, T(c.type), c.id, 9, data);
            EXPECT_EQ(sHostCall.count, 1) << c.type;
            EXPECT_EQ(sHostCall.direction, c.direction) << c.type;
            EXPECT_EQ(sHostCall.typeOrIndex, c.index) << c.type << ": the index counts from 0";
            EXPECT_EQ(sHostCall.id, withID ? c.id : -1) << c.type;
            EXPECT_EQ(sHostCall.size, 9) << c.type;
            EXPECT_EQ(sHostCall.data, data) << c.type;
            EXPECT_EQ(sFileCall.count, 0) << c.type << ": the host's list comes before the file's procedure";
            EXPECT_EQ(data[0], 1);
            EXPECT_EQ(data[9], 10);
        }
    EXPECT_TRUE(testing_support::TakeDebugMessages().empty());
}

// A type with a template keeps it even when the host lists it.
void ExpectTemplatesComeFirst()
{
    uint8_t menu[14] = {0x00, 0x80, 0x00, 0x10};
    ZEL_ByteSwap_Code(zelSwapToNative, T("MENU"), 128, sizeof menu, menu, FileProc());
    EXPECT_EQ(sHostCall.count, 0);
    EXPECT_EQ(sFileCall.count, 0);
    EXPECT_EQ(menu[0], 0x80);
    EXPECT_EQ(menu[2], 0x10);
}

// Types the host does not list go to the file's procedure in the session's form, else to DebugStr.
void ExpectUnlistedTypesGoOn(bool withID)
{
    uint8_t data[4] = {1, 2, 3, 4};
    ZEL_ByteSwap_Code(zelSwapToNative, T("zzzz"), 300, sizeof data, data, FileProc());
    EXPECT_EQ(sHostCall.count, 0);
    EXPECT_EQ(sFileCall.count, 1);
    EXPECT_EQ(sFileCall.direction, 1);
    EXPECT_EQ(sFileCall.typeOrIndex, T("zzzz"));
    EXPECT_EQ(sFileCall.id, withID ? 300 : -1);
    EXPECT_EQ(sFileCall.size, 4);
    EXPECT_EQ(sFileCall.data, data);

    ZEL_ByteSwap(zelSwapToNative, T("zzzz"), 300, sizeof data, data);
    EXPECT_EQ(sHostCall.count, 0);
    EXPECT_EQ(testing_support::TakeDebugMessages(), (std::vector<std::string>{"zzzz unknown byteswap type", "\r\n"}));
}

} // namespace

TEST_F(HostByteSwapFourArgs, ListedTypesReachTheHostByIndex) { ExpectListedTypesReachTheHost(false); }
TEST_F(HostByteSwapFourArgs, TemplatesComeFirst) { ExpectTemplatesComeFirst(); }
TEST_F(HostByteSwapFourArgs, UnlistedTypesGoToTheFileOrDebugStr) { ExpectUnlistedTypesGoOn(false); }

TEST_F(HostByteSwapFiveArgs, ListedTypesReachTheHostByIndexWithTheirID) { ExpectListedTypesReachTheHost(true); }
TEST_F(HostByteSwapFiveArgs, TemplatesComeFirst) { ExpectTemplatesComeFirst(); }
TEST_F(HostByteSwapFiveArgs, UnlistedTypesGoToTheFileOrDebugStr) { ExpectUnlistedTypesGoOn(true); }

// A type list without a callback converts nothing itself: its types go on as if unlisted.
TEST_F(HostByteSwapNoCallback, ListedTypesGoToTheFileOrDebugStr)
{
    uint8_t data[4] = {1, 2, 3, 4};
    ZEL_ByteSwap_Code(zelSwapToBigEndian, T("hst1"), 5, sizeof data, data, FileProc());
    EXPECT_EQ(sFileCall.count, 1);
    EXPECT_EQ(sFileCall.direction, 0);
    EXPECT_EQ(sFileCall.typeOrIndex, T("hst1"));
    ZEL_ByteSwap(zelSwapToNative, T("hst0"), 5, sizeof data, data);
    EXPECT_EQ(testing_support::TakeDebugMessages(), (std::vector<std::string>{"hst0 unknown byteswap type", "\r\n"}));
    EXPECT_EQ(data[0], 1);
}
