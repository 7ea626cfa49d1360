// AppleEvent dispatch: the handler table, sending at once and through the event queue, the current
// event, coercion, and the records a queued send posts.
#include <gtest/gtest.h>
#include "ae_test_support.h"
#include "AppleEvents.h"
#include "Events.h"
#include "LowMem.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

constexpr AEEventClass kClass1 = 0x74737431, kClass2 = 0x74737432; // 'tst1', 'tst2'
constexpr AEEventID kID1 = 0x65766931, kID2 = 0x65766932;          // 'evi1', 'evi2'
constexpr AEEventClass kUnhandledClass = 0x6E6F6E65;               // 'none'
constexpr AEKeyword kText = 0x74657874;                            // 'text'

// What the recording handler saw on its last call.
struct HandlerCall {
    int calls = 0;
    int32_t refcon = 0;
    const AppleEvent *event = nullptr;
    AEDesc eventSeen{};     // the event descriptor it was given
    AEDesc current{};       // AEGetTheCurrentEvent inside the handler
    AEDesc currentAfter{};  // the same after a nested send
    DescType replyType = 0;
    std::string text;       // its 'text' parameter
    int16_t interact = 0;   // its 'inte' attribute
};
HandlerCall sCall;
OSErr sAnswer;
bool sSendNested;
int sNestedCalls;
int sOpenApplications;

OSErr ZEL_CALL Recording(const AppleEvent *event, AppleEvent *reply, int32_t refcon)
{
    ++sCall.calls;
    sCall.refcon = refcon;
    sCall.event = event;
    sCall.eventSeen = *event;
    sCall.replyType = reply ? reply->descriptorType : 0;
    AEGetTheCurrentEvent(&sCall.current);
    char text[64];
    Size actual = 0;
    sCall.text = AEGetParamPtr(event, kText, typeChar, nullptr, text, sizeof text, &actual) == noErr
                     ? std::string(text, actual)
                     : "<none>";
    AEGetAttributePtr(event, keyInteractLevelAttr, typeShortInteger, nullptr, &sCall.interact, 2, nullptr);
    if (sSendNested) {
        AppleEvent nested;
        AECreateAppleEvent(kClass2, kID2, nullptr, -1, 0, &nested);
        AESend(&nested, nullptr, kAENoReply, 0, -1, nullptr, nullptr);
        AEDisposeDesc(&nested);
        AEGetTheCurrentEvent(&sCall.currentAfter);
    }
    return sAnswer;
}

OSErr ZEL_CALL Nested(const AppleEvent *, AppleEvent *, int32_t)
{
    ++sNestedCalls;
    return noErr;
}

OSErr ZEL_CALL Other(const AppleEvent *, AppleEvent *, int32_t) { return 99; }

OSErr ZEL_CALL CountOpenApplication(const AppleEvent *, AppleEvent *, int32_t)
{
    ++sOpenApplications;
    return noErr;
}

OSErr ZEL_CALL RefuseCoercion(DescType, const void *, Size, DescType, int32_t, AEDesc *) { return errAECoercionFail; }

AppleEvent MakeEvent(AEEventClass eventClass, AEEventID eventID, const char *text)
{
    AppleEvent e{};
    EXPECT_EQ(AECreateAppleEvent(eventClass, eventID, nullptr, -1, 0, &e), noErr);
    if (text) {
        EXPECT_EQ(AEPutParamPtr(&e, kText, typeChar, text, static_cast<Size>(std::strlen(text))), noErr);
    }
    return e;
}

// Takes events until a high-level one comes, at most a few dozen (nothing else is expected).
bool NextHighLevelEvent(EventRecord *event)
{
    for (int i = 0; i < 40; ++i)
        if (GetNextEvent(everyEvent, event) && event->what == kHighLevelEvent)
            return true;
    return false;
}

class AEDispatch : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(AEInstallEventHandler(kCoreEventClass, kAEOpenApplication, CountOpenApplication, 0, false), noErr);
        ASSERT_EQ(AEInstallEventHandler(kClass1, kID1, Recording, 7, false), noErr);
        ASSERT_EQ(AEInstallEventHandler(kClass2, kID2, NewAEEventHandlerUPP(Nested), 0, false), noErr);
    }
    void SetUp() override
    {
        sCall = HandlerCall{};
        sAnswer = noErr;
        sSendNested = false;
        sNestedCalls = 0;
        FlushEvents(everyEvent, 0);
        TakeDebugMessages();
    }
    void TearDown() override { EXPECT_EQ(ZEL_MemCheck(), 1) << "the heaps are sound"; }
};

TEST_F(AEDispatch, TheFirstEventCallOpensTheApplicationOnce)
{
    EventRecord event;
    GetNextEvent(everyEvent, &event);
    GetNextEvent(everyEvent, &event);
    EXPECT_EQ(sOpenApplications, 1);
}

TEST_F(AEDispatch, SendingAtOnce)
{
    AppleEvent e = MakeEvent(kClass1, kID1, "hello");
    AppleEvent reply{kText, reinterpret_cast<Handle>(0x1234)};
    sAnswer = 42;
    EXPECT_EQ(AESend(&e, &reply, kAEWaitReply, 0, -1, nullptr, nullptr), 42) << "the handler's answer";
    EXPECT_EQ(sCall.calls, 1);
    EXPECT_EQ(sCall.refcon, 7);
    EXPECT_EQ(sCall.event, &e) << "the event itself, not a copy";
    EXPECT_EQ(sCall.replyType, typeNull) << "the reply is the null descriptor";
    EXPECT_EQ(reply.dataHandle, nullptr);
    EXPECT_EQ(sCall.current.dataHandle, e.dataHandle) << "the current event inside the handler";
    EXPECT_EQ(sCall.interact, kAEWaitReply) << "the send mode is stored as 'inte'";
    AEDesc current;
    ASSERT_EQ(AEGetTheCurrentEvent(&current), noErr);
    EXPECT_EQ(current.descriptorType, typeNull);
    EXPECT_EQ(current.dataHandle, nullptr);

    // Don't-execute calls nothing.
    EXPECT_EQ(AESend(&e, &reply, kAEDontExecute | kAEWaitReply, 0, -1, nullptr, nullptr), noErr);
    EXPECT_EQ(sCall.calls, 1);
    // Without a reply the handler still gets one.
    sAnswer = noErr;
    EXPECT_EQ(AESend(&e, nullptr, kAENoReply, 0, -1, nullptr, nullptr), noErr);
    EXPECT_EQ(sCall.calls, 2);
    EXPECT_EQ(sCall.replyType, typeNull);

    // A handler installed again for the same pair replaces the first.
    ASSERT_EQ(AEInstallEventHandler(kClass1, kID1, Other, 0, false), noErr);
    EXPECT_EQ(AESend(&e, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), 99);
    EXPECT_EQ(sCall.calls, 2);
    ASSERT_EQ(AEInstallEventHandler(kClass1, kID1, Recording, 7, false), noErr);
    AEDisposeDesc(&e);
}

TEST_F(AEDispatch, AHandlerThatSendsKeepsItsOwnCurrentEvent)
{
    AppleEvent e = MakeEvent(kClass1, kID1, nullptr);
    sSendNested = true;
    EXPECT_EQ(AESend(&e, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), noErr);
    EXPECT_EQ(sNestedCalls, 1);
    EXPECT_EQ(sCall.currentAfter.descriptorType, typeAppleEvent);
    EXPECT_EQ(sCall.currentAfter.dataHandle, e.dataHandle);
    AEDisposeDesc(&e);
}

TEST_F(AEDispatch, EventsThatCannotBeDispatched)
{
    AppleEvent unhandled = MakeEvent(kUnhandledClass, kID1, nullptr);
    EXPECT_EQ(AESend(&unhandled, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), errAEEventNotHandled);

    // Class and ID are read by position from the first two entries, which must hold 4 bytes each.
    char oneEntry[12] = {};
    std::memcpy(oneEntry, "lcve", 4);
    AppleEvent shortEvent;
    ASSERT_EQ(AECreateDesc(typeAppleEvent, oneEntry, sizeof oneEntry, &shortEvent), noErr);
    EXPECT_EQ(AESend(&shortEvent, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), errAECorruptData);

    AppleEvent shortID = MakeEvent(kClass1, kID1, nullptr);
    AEDesc id;
    ASSERT_EQ(AEGetAttributeDesc(&shortID, 0x65766964 /* 'evid' */, typeType, &id), noErr);
    SetHandleSize(id.dataHandle, 3);
    EXPECT_EQ(AESend(&shortID, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), errAECorruptData);
    AEDisposeDesc(&id);
    EXPECT_EQ(AESend(&shortID, nullptr, kAEWaitReply, 0, -1, nullptr, nullptr), errAECorruptData)
        << "an ID handle the caller disposed";
    EXPECT_EQ(sCall.calls, 0) << "no handler ran";

    AEEventHandlerProcPtr handler = Recording;
    int32_t refcon = 5;
    EXPECT_EQ(AEGetEventHandler(kClass1, kID1, &handler, &refcon, false), errAEHandlerNotFound);
    EXPECT_EQ(handler, Recording);
    EXPECT_EQ(refcon, 5);
    EXPECT_EQ(AERemoveEventHandler(kClass1, kID1, Recording, false), errAEHandlerNotFound);
    for (AEDesc *d : {&unhandled, &shortEvent, &shortID})
        AEDisposeDesc(d);
}

TEST_F(AEDispatch, QueuedSendsArriveAsHighLevelEvents)
{
    AppleEvent e = MakeEvent(kClass1, kID1, "queued");
    AppleEvent reply{};
    ASSERT_EQ(AESend(&e, &reply, kAEQueueReply, 0, -1, nullptr, nullptr), noErr);
    EXPECT_EQ(sCall.calls, 0) << "nothing is called before the event is processed";
    EventRecord event;
    ASSERT_TRUE(NextHighLevelEvent(&event));
    ASSERT_EQ(AEProcessAppleEvent(&event), noErr);
    EXPECT_EQ(sCall.calls, 1);
    EXPECT_NE(sCall.event, &e) << "the handler gets a copy";
    EXPECT_NE(sCall.eventSeen.dataHandle, e.dataHandle);
    EXPECT_EQ(sCall.text, "queued") << "with the same parameters";
    EXPECT_EQ(sCall.interact, kAEQueueReply);
    EXPECT_EQ(sCall.current.dataHandle, sCall.eventSeen.dataHandle) << "the copy is the current event";
    AEDesc current;
    ASSERT_EQ(AEGetTheCurrentEvent(&current), noErr);
    EXPECT_EQ(current.descriptorType, typeNull);
    EXPECT_EQ(AEProcessAppleEvent(&event), errAENotAppleEvent) << "a record is processed once";

    // A queued event nobody handles.
    AppleEvent unhandled = MakeEvent(kUnhandledClass, kID1, nullptr);
    ASSERT_EQ(AESend(&unhandled, nullptr, kAEQueueReply, 0, -1, nullptr, nullptr), noErr);
    ASSERT_TRUE(NextHighLevelEvent(&event));
    EXPECT_EQ(AEProcessAppleEvent(&event), errAEEventNotHandled);

    // A hundred sends and their processing give back all they took.
    const uint32_t before = LibraryBytes();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(AESend(&e, &reply, kAEQueueReply, 0, -1, nullptr, nullptr), noErr);
        ASSERT_TRUE(NextHighLevelEvent(&event));
        ASSERT_EQ(AEProcessAppleEvent(&event), noErr);
    }
    EXPECT_EQ(LibraryBytes(), before);
    EXPECT_EQ(sCall.calls, 101);
    AEDisposeDesc(&e);
    AEDisposeDesc(&unhandled);
}

TEST_F(AEDispatch, HighLevelEventsOfOtherCodeAreNotTakenForSends)
{
    int local = 0;
    const uint32_t messages[] = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&local)),
                                 static_cast<uint32_t>(std::rand()) | 0x10000u, 0};
    for (uint32_t message : messages) {
        ASSERT_EQ(PostEvent(kHighLevelEvent, message), noErr);
        EventRecord event;
        ASSERT_TRUE(NextHighLevelEvent(&event));
        EXPECT_EQ(event.message, message);
        EXPECT_EQ(AEProcessAppleEvent(&event), errAENotAppleEvent);
    }
    EventRecord notHighLevel{};
    notHighLevel.what = 1;
    EXPECT_EQ(AEProcessAppleEvent(&notHighLevel), errAENotAppleEvent);
    EXPECT_EQ(local, 0);
    EXPECT_EQ(sCall.calls, 0);
}

TEST_F(AEDispatch, AQueuedSendThatCannotBePostedLeavesNothingBehind)
{
    AppleEvent e = MakeEvent(kClass1, kID1, "masked");
    const int16_t mode = kAEQueueReply;
    ASSERT_EQ(AEPutAttributePtr(&e, keyInteractLevelAttr, typeShortInteger, &mode, 2), noErr); // the send's own
    const uint32_t before = LibraryBytes();
    const int16_t systemMask = LMGetSysEvtMask();
    SetEventMask(everyEvent & ~0x8000); // no high-level events
    const OSErr posted = AESend(&e, nullptr, kAEQueueReply, 0, -1, nullptr, nullptr);
    SetEventMask(systemMask);
    EXPECT_NE(posted, noErr) << "the post's refusal is the answer";
    EventRecord event;
    EXPECT_FALSE(NextHighLevelEvent(&event));
    EXPECT_EQ(LibraryBytes(), before);
    EXPECT_EQ(sCall.calls, 0);
    AEDisposeDesc(&e);
}

TEST_F(AEDispatch, SmallCalls)
{
    AEInteractAllowed level = 5;
    EXPECT_EQ(AEGetInteractionAllowed(&level), noErr);
    EXPECT_EQ(level, 0);
    int32_t info = 5;
    EXPECT_EQ(AEManagerInfo(0x61626364, &info), noErr);
    EXPECT_EQ(info, 0);
    AppleEvent e = MakeEvent(kClass1, kID1, nullptr);
    EXPECT_EQ(AESetTheCurrentEvent(&e), noErr);
    EXPECT_EQ(AESuspendTheCurrentEvent(&e), noErr);
    EXPECT_EQ(AEResumeTheCurrentEvent(&e, &e, nullptr, 0), noErr);
    EXPECT_EQ(AESetInteractionAllowed(1), noErr);
    EXPECT_EQ(Reports(), (std::vector<std::string>{"AESetTheCurrentEvent", "AESuspendTheCurrentEvent",
                                                   "AEResumeTheCurrentEvent", "AESetInteractionAllowed"}));
    EXPECT_EQ(sCall.calls, 0);
    AEDisposeDesc(&e);
}

// ---- Coercion ----

TEST(AECoercion, BuiltInCoercions)
{
    struct Case {
        const char *name;
        DescType from;
        std::string data;
        DescType to;
        OSErr result;
        DescType resultType;
        std::string resultData;
    } cases[] = {
        {"shor -2 to long", typeShortInteger, std::string("\xFE\xFF", 2), typeLongInteger, noErr, typeLongInteger,
         std::string("\xFE\xFF\xFF\xFF", 4)},
        {"long to long", typeLongInteger, "\x01\x02\x03\x04", typeLongInteger, noErr, typeLongInteger,
         "\x01\x02\x03\x04"},
        {"long 0x00012345 to shor", typeLongInteger, std::string("\x45\x23\x01\x00", 4), typeShortInteger, noErr,
         typeShortInteger, std::string("\x45\x23", 2)},
        {"type to type", typeType, "abcd", typeType, noErr, typeType, "abcd"},
        {"TEXT to TEXT", typeChar, "words", typeChar, noErr, typeChar, "words"},
        {"TEXT to long", typeChar, "12", typeLongInteger, errAECoercionFail, 0, ""},
        {"a 1-byte shor to long", typeShortInteger, "\x01", typeLongInteger, errAECoercionFail, 0, ""},
        {"a 3-byte long to shor", typeLongInteger, "\x01\x02\x03", typeShortInteger, errAECoercionFail, 0, ""},
        {"a 3-byte long to long", typeLongInteger, "\x01\x02\x03", typeLongInteger, errAECoercionFail, 0, ""},
        {"reco to anything", typeAERecord, std::string(12, '\0'), typeChar, noErr, typeChar, std::string(12, '\0')},
        {"anything to reco", typeChar, "ab", typeAERecord, noErr, typeAERecord, "ab"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AEDesc from;
        ASSERT_EQ(AECreateDesc(c.from, c.data.data(), static_cast<Size>(c.data.size()), &from), noErr);
        AEDesc result{0x5A5A5A5A, nullptr};
        EXPECT_EQ(AECoerceDesc(&from, c.to, &result), c.result);
        if (c.result == noErr) {
            EXPECT_EQ(result.descriptorType, c.resultType);
            EXPECT_EQ(Bytes(result.dataHandle), c.resultData);
            EXPECT_NE(result.dataHandle, from.dataHandle);
            AEDisposeDesc(&result);
        } else {
            EXPECT_EQ(result.descriptorType, 0x5A5A5A5Au);
        }
        AEDisposeDesc(&from);
    }
}

// The coercion table holds sixteen rows, five of them built in once however many sessions start and
// however often the program calls InitAppleEvents itself. It restarts the session: ctest runs it in a
// process of its own.
TEST(AECoercionSessions, UserCoercionsAnswerTheirOwnResultsUntilTheTableIsFull)
{
    for (int i = 0; i < 2; ++i) {
        ZEL_ExitSession();
        StartTestSession(zelFlagHeapCheck);
        static LowMemPointerBlock globals;
        ZEL_InitGlobals(Setup_Globals(&globals));
    }
    EXPECT_EQ(InitAppleEvents(), noErr);
    EXPECT_EQ(InitAppleEvents(), noErr);

    ASSERT_EQ(AEInstallCoercionHandler(typeLongInteger, typeChar, RefuseCoercion, 0, false, false), noErr);
    AEDesc from, result{0x5A5A5A5A, nullptr};
    ASSERT_EQ(AECreateDesc(typeLongInteger, "\x01\x02\x03\x04", 4, &from), noErr);
    EXPECT_EQ(AECoerceDesc(&from, typeChar, &result), errAECoercionFail) << "the handler's own answer";
    EXPECT_EQ(result.descriptorType, 0x5A5A5A5Au);
    // A second row for a pair is never reached: the first row of a pair serves.
    for (int i = 2; i <= 11; ++i)
        EXPECT_EQ(AEInstallCoercionHandler(typeLongInteger, typeChar, RefuseCoercion, i, false, false), noErr) << i;
    EXPECT_EQ(AEInstallCoercionHandler(typeLongInteger, typeChar, RefuseCoercion, 12, false, false), -108)
        << "the twelfth user coercion finds the table full";
    AEDesc shortValue;
    ASSERT_EQ(AECreateDesc(typeShortInteger, "\x07\x00", 2, &shortValue), noErr);
    EXPECT_EQ(AECoerceDesc(&shortValue, typeLongInteger, &result), noErr) << "the built-in ones stay";
    EXPECT_EQ(Bytes(result.dataHandle), std::string("\x07\0\0\0", 4));
    for (AEDesc *d : {&from, &shortValue, &result})
        AEDisposeDesc(d);
}

} // namespace
