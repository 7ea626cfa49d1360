// MIDI Manager: the port table, silent output and failed input on Wine's device-less multimedia layer,
// the 20-millisecond time base, and through the recording double the bytes sent, thru echo and the input
// ring filled by the device callback.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "MIDI.h"
#include "test_seams.h"
#include "test_support.h"

namespace {

constexpr uint32_t kMimData = 963;
constexpr uint32_t kRingCapacity = 2400;
constexpr uint32_t kRingBytes = 34 + 12 * kRingCapacity;

enum DeviceCall : uint32_t { kOutOpen = 1, kOutShortMsg, kOutClose, kOutReset, kInOpen, kInStart, kInReset, kInClose };

struct Call {
    uint32_t call, handle, value;
};

std::vector<Call> TakeCalls()
{
    std::vector<Call> calls(8192);
    int32_t n = TakeMidiDeviceCalls(&calls[0].call, static_cast<int32_t>(calls.size()));
    calls.resize(static_cast<size_t>(n));
    return calls;
}

std::vector<Call> CallsOf(const std::vector<Call> &calls, uint32_t kind)
{
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.call == kind)
            out.push_back(c);
    return out;
}

MIDIPortParams Port(int16_t type, int32_t refCon)
{
    MIDIPortParams p;
    std::memset(&p, 0, sizeof p);
    p.portID = 0x504F5254;
    p.portType = type;
    p.refCon = refCon;
    return p;
}

int16_t AddPort(int16_t type, int32_t refCon, OSErr expected = noErr)
{
    MIDIPortParams p = Port(type, refCon);
    int16_t refNum = -77;
    EXPECT_EQ(MIDIAddPort(0x434C4E54, 0, &refNum, &p), expected) << "port type " << type;
    return refNum;
}

// DebugStr's messages without the line ends it sends after each.
std::vector<std::string> TakeReports()
{
    std::vector<std::string> out;
    for (const std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            out.push_back(m);
    return out;
}

bool Reported(const std::vector<std::string> &messages, const std::string &text)
{
    for (const std::string &m : messages)
        if (m == text)
            return true;
    return false;
}

// Every MIDI test starts from a signed-out manager with free slots and the device calls it asks for.
class Midi : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override
    {
        Reset();
        SelectMidiDeviceDouble(false);
    }
    static void Reset()
    {
        MIDIStopTime(0);
        MIDISignOut(0);
        SndDispVersion(0);
        MIDISetCurTime(0, 0);
        testing_support::TakeDebugMessages();
    }
};

class MidiDouble : public Midi {
protected:
    void SetUp() override
    {
        SelectMidiDeviceDouble(true);
        Midi::SetUp();
        TakeCalls();
    }
    // Adds an input port and answers the instance the device callback is handed.
    uint32_t AddInput(uint32_t *inputHandle = nullptr)
    {
        AddPort(midiPortTypeInput, 1);
        std::vector<Call> opens = CallsOf(TakeCalls(), kInOpen);
        EXPECT_EQ(opens.size(), 1u);
        if (opens.empty())
            return 0;
        if (inputHandle)
            *inputHandle = opens[0].handle;
        return opens[0].value;
    }
    static MIDIInputRing *RingOf(uint32_t instance) { return *reinterpret_cast<MIDIInputRing **>(instance + 12); }
};

// The process's committed private memory, summed over its address space.
size_t CommittedBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char *p = nullptr; VirtualQuery(p, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const char *next = static_cast<const char *>(info.BaseAddress) + info.RegionSize;
        if (next <= p)
            break;
        p = next;
    }
    return total;
}

// Waits, up to a generous limit, until the manager's current time reaches `ms`.
bool WaitForCurrentTime(uint32_t ms)
{
    for (int i = 0; i < 1000 && MIDIGetCurTime(0) < ms; ++i)
        Sleep(10);
    return MIDIGetCurTime(0) >= ms;
}

} // namespace

TEST_F(Midi, VersionFreesEverySlotAndTheTenthPortIsRefused)
{
    EXPECT_EQ(SndDispVersion(0), 0x02022000);
    for (int16_t i = 1; i <= 9; ++i)
        EXPECT_EQ(AddPort(midiPortTypeTime, 100 + i), i);
    MIDIPortParams p = Port(midiPortTypeTime, 5);
    int16_t refNum = 1234;
    EXPECT_EQ(MIDIAddPort(0, 0, &refNum, &p), midiTooManyPortsErr);
    EXPECT_EQ(refNum, 1234) << "a refused port leaves the reference number alone";

    EXPECT_EQ(SndDispVersion(0), 0x02022000);
    EXPECT_EQ(AddPort(midiPortTypeTime, 1), 1) << "every slot is free again";
    // A port stored with refCon 0 keeps its slot free: the next port is handed the same number.
    EXPECT_EQ(AddPort(midiPortTypeTime, 0), 2);
    EXPECT_EQ(AddPort(midiPortTypeTime, 9), 2);
}

TEST_F(Midi, OutputWithoutADeviceIsSilent)
{
    AddPort(midiPortTypeOutput, 1);
    EXPECT_TRUE(Reported(TakeReports(), "No MIDI output found, Silent mode enabled"));
    MIDIPacket packet{};
    packet.len = 9;
    packet.data[0] = 0x90;
    packet.data[1] = 60;
    packet.data[2] = 100;
    EXPECT_EQ(MIDIWritePacket(1, &packet), noErr);
}

TEST_F(Midi, FailedInputOpensKeepOneRing)
{
    AddPort(midiPortTypeInput, 0);
    std::vector<std::string> messages = TakeReports();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].rfind("Device: 0 midiInOpen failed with Error ", 0), 0u) << messages[0];

    size_t before = CommittedBytes();
    for (int i = 0; i < 20; ++i)
        AddPort(midiPortTypeInput, 0);
    size_t after = CommittedBytes();
    // Other threads of the process may give memory back meanwhile: only a rise counts.
    EXPECT_LE(static_cast<int64_t>(after) - static_cast<int64_t>(before), static_cast<int64_t>(kRingBytes))
        << "twenty failed input opens keep the first ring";

    MIDIInputEvent event{};
    EXPECT_FALSE(MIDIGetEvent(&event));
    MIDISignOut(0);
    EXPECT_FALSE(MIDIGetEvent(&event)) << "no ring is read after sign-out";
}

TEST_F(Midi, TimerAdvancesTheTimeRecordFourTimesAPeriod)
{
    MIDITimeRecord record{};
    record.rate = 0x10000;
    int16_t refNum = AddPort(midiPortTypeTime, reinterpret_cast<int32_t>(&record));
    MIDIStartTime(refNum);
    EXPECT_TRUE(TakeReports().empty());
    ASSERT_TRUE(WaitForCurrentTime(1000));
    MIDIStopTime(refNum);

    uint32_t now = MIDIGetCurTime(refNum);
    EXPECT_EQ(now % 20, 0u);
    EXPECT_EQ(record.tickCount, static_cast<int32_t>(now / 20 * 4)) << "one tick per 5 ms at rate 1.0";
    EXPECT_EQ(record.fraction, 0);
    Sleep(100);
    EXPECT_EQ(MIDIGetCurTime(refNum), now) << "stopped";
}

TEST_F(Midi, StartingTwiceLeavesOneTimerToStop)
{
    MIDITimeRecord record{};
    int16_t refNum = AddPort(midiPortTypeTimeInv, reinterpret_cast<int32_t>(&record));
    MIDIStartTime(refNum);
    MIDIStartTime(refNum);
    ASSERT_TRUE(WaitForCurrentTime(60));
    MIDIStopTime(refNum);
    uint32_t now = MIDIGetCurTime(refNum);
    Sleep(150);
    EXPECT_EQ(MIDIGetCurTime(refNum), now);
}

TEST_F(Midi, StartTimeRefusesPortsThatAreNoTimeBase)
{
    int32_t host = 0x12345678;
    int16_t output = AddPort(midiPortTypeOutput, reinterpret_cast<int32_t>(&host));
    int16_t input = AddPort(midiPortTypeInput, reinterpret_cast<int32_t>(&host));
    testing_support::TakeDebugMessages();
    for (int16_t refNum : {output, input, int16_t(0), int16_t(10), int16_t(-1), int16_t(5)}) {
        MIDIStartTime(refNum);
        EXPECT_TRUE(Reported(TakeReports(), "bad refnum in MIDIStartTime")) << refNum;
    }
    Sleep(100);
    EXPECT_EQ(MIDIGetCurTime(0), 0u) << "no timer started";
    EXPECT_EQ(host, 0x12345678) << "the host's number was never taken for a time record";
}

TEST_F(Midi, WakeUpReportsATooShortPeriodOnce)
{
    MIDIWakeUp(1, 0, 0, nullptr);
    std::vector<std::string> first = TakeReports();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], "timer period too short, try a lower resolution");
    MIDIWakeUp(1, 0, 0, nullptr);
    MIDIWakeUp(1, 0, 20, nullptr);
    EXPECT_TRUE(TakeReports().empty());
}

TEST_F(Midi, UnimplementedCallsReportTheirNames)
{
    Str255 name = {0};
    MIDIGetClientName(0, name);
    EXPECT_EQ(MIDIGetPortInfo(0, 0), nullptr);
    EXPECT_EQ(MIDIConnectData(0, 0, 0, 0), noErr);
    std::vector<std::string> messages = TakeReports();
    EXPECT_EQ(messages, (std::vector<std::string>{"MIDIGetClientName", "MIDIGetPortInfo", "MIDIConnectData"}));
}

// The output is opened once; a packet's first four data bytes go out packed low to high, whatever its
// length up to 10, and a longer packet is dropped.
TEST_F(MidiDouble, WritePacketPacksFourDataBytes)
{
    AddPort(midiPortTypeOutput, 1);
    AddPort(midiPortTypeOutput, 2);
    std::vector<Call> calls = TakeCalls();
    ASSERT_EQ(CallsOf(calls, kOutOpen).size(), 1u);
    uint32_t output = CallsOf(calls, kOutOpen)[0].handle;

    struct Case {
        uint8_t len;
        bool sent;
    } cases[] = {{7, true}, {9, true}, {10, true}, {11, false}, {255, false}};
    for (const Case &c : cases) {
        MIDIPacket packet{};
        packet.len = c.len;
        packet.data[0] = 0x91;
        packet.data[1] = 0x3C;
        packet.data[2] = 0x64;
        packet.data[3] = 0xA5;
        packet.data[4] = 0x77;
        EXPECT_EQ(MIDIWritePacket(1, &packet), noErr);
        std::vector<Call> sent = CallsOf(TakeCalls(), kOutShortMsg);
        if (!c.sent) {
            EXPECT_TRUE(sent.empty()) << "length " << int(c.len);
            continue;
        }
        ASSERT_EQ(sent.size(), 1u) << "length " << int(c.len);
        EXPECT_EQ(sent[0].handle, output);
        EXPECT_EQ(sent[0].value, 0xA5643C91u) << "length " << int(c.len);
    }
}

// Thru echoes reach the output open now, whichever was added first and after the devices change.
TEST_F(MidiDouble, ThruEchoesGoToTheCurrentOutput)
{
    for (bool inputFirst : {true, false}) {
        Reset();
        TakeCalls();
        uint32_t instance = 0, firstOutput = 0;
        auto addOutput = [&] {
            AddPort(midiPortTypeOutput, 2);
            std::vector<Call> opens = CallsOf(TakeCalls(), kOutOpen);
            ASSERT_EQ(opens.size(), 1u);
            firstOutput = opens[0].handle;
        };
        if (inputFirst) {
            instance = AddInput();
            addOutput();
        } else {
            addOutput();
            instance = AddInput();
        }
        ASSERT_NE(instance, 0u);
        MIDISetThru(1);

        MIDIInputHandler(0, kMimData, instance, 0x00403C90, 7);
        std::vector<Call> sent = CallsOf(TakeCalls(), kOutShortMsg);
        ASSERT_EQ(sent.size(), 1u) << "input first: " << inputFirst;
        EXPECT_EQ(sent[0].handle, firstOutput);
        EXPECT_EQ(sent[0].value, 0x00403C90u);

        MIDISetPorts(0, 1);
        std::vector<Call> calls = TakeCalls();
        ASSERT_EQ(CallsOf(calls, kOutClose).size(), 1u);
        EXPECT_EQ(CallsOf(calls, kOutClose)[0].handle, firstOutput);
        std::vector<Call> reopened = CallsOf(calls, kOutOpen);
        ASSERT_EQ(reopened.size(), 1u);
        EXPECT_EQ(reopened[0].value, 1u) << "the new output device";
        std::vector<Call> inputs = CallsOf(calls, kInOpen);
        ASSERT_EQ(inputs.size(), 1u);
        EXPECT_EQ(inputs[0].value, instance) << "the input reopens on the same instance";
        EXPECT_EQ(CallsOf(calls, kInStart).size(), 1u);

        MIDIInputHandler(0, kMimData, instance, 0x00003C80, 9);
        sent = CallsOf(TakeCalls(), kOutShortMsg);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].handle, reopened[0].handle) << "input first: " << inputFirst;

        MIDISetThru(0);
        MIDIInputHandler(0, kMimData, instance, 0x00003C80, 9);
        EXPECT_TRUE(CallsOf(TakeCalls(), kOutShortMsg).empty());
    }
}

// While the timer runs the thru switch is off, and stopping it gives it back.
TEST_F(MidiDouble, TimerHoldsThruOff)
{
    AddPort(midiPortTypeOutput, 2);
    uint32_t instance = AddInput();
    MIDITimeRecord record{};
    int16_t time = AddPort(midiPortTypeTime, reinterpret_cast<int32_t>(&record));
    MIDISetThru(1);
    MIDIStartTime(time);
    MIDIStartTime(time);
    TakeCalls();
    MIDIInputHandler(0, kMimData, instance, 0x00403C90, 7);
    EXPECT_TRUE(CallsOf(TakeCalls(), kOutShortMsg).empty());
    MIDIStopTime(time);
    MIDIInputHandler(0, kMimData, instance, 0x00403C90, 7);
    EXPECT_EQ(CallsOf(TakeCalls(), kOutShortMsg).size(), 1u) << "thru as it was before the first start";
}

TEST_F(MidiDouble, InputRingKeepsTheOldestWhenFull)
{
    uint32_t instance = AddInput();
    MIDIInputRing *ring = RingOf(instance);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->capacity, kRingCapacity);
    // Other messages than data and error, and a call without an instance, leave the ring alone.
    MIDIInputHandler(0, 961, instance, 0x90, 0);
    MIDIInputHandler(0, kMimData, 0, 0x90, 0);
    EXPECT_EQ(ring->count, 0);

    for (uint32_t i = 0; i <= kRingCapacity; ++i)
        MIDIInputHandler(0, i == 5 ? 965 : kMimData, instance, 0x100 * i + 0x90, i * 3);
    EXPECT_EQ(ring->overflow, 1);
    EXPECT_EQ(ring->count, static_cast<int32_t>(kRingCapacity));
    MIDIInputEvent event{};
    for (uint32_t i = 0; i < kRingCapacity; ++i) {
        ASSERT_TRUE(MIDIGetEvent(&event)) << i;
        ASSERT_EQ(event.message, 0x100 * i + 0x90) << i;
        ASSERT_EQ(event.timeStamp, i * 3);
        ASSERT_EQ(event.kind, 3u);
    }
    EXPECT_FALSE(MIDIGetEvent(&event)) << "the event past a full ring was dropped";

    MIDIInputHandler(0, kMimData, instance, 0x4590, 1);
    MIDIResetInput(0);
    EXPECT_FALSE(MIDIGetEvent(&event)) << "reset empties the ring";
    std::vector<Call> calls = TakeCalls();
    EXPECT_EQ(CallsOf(calls, kInReset).size(), 1u);
    EXPECT_EQ(CallsOf(calls, kInStart).size(), 1u);
}

namespace {

struct Producer {
    uint32_t instance;
    MIDIInputRing *ring;
    uint32_t messages;
};

DWORD WINAPI ProduceInput(void *p)
{
    auto *producer = static_cast<Producer *>(p);
    for (uint32_t i = 0; i < producer->messages; ++i) {
        // The device never outruns the reader here: the test is about the count, not the overflow.
        while (producer->ring->count >= static_cast<int32_t>(producer->ring->capacity))
            Sleep(0);
        MIDIInputHandler(0, kMimData, producer->instance, i, i);
    }
    return 0;
}

} // namespace

// The device callback's thread fills the ring while this one drains it: every message arrives once and
// in order.
TEST_F(MidiDouble, CallbackAndReaderShareTheRing)
{
    uint32_t instance = AddInput();
    Producer producer{instance, RingOf(instance), 20000};
    HANDLE thread = CreateThread(nullptr, 0, ProduceInput, &producer, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    uint32_t expected = 0;
    DWORD deadline = GetTickCount() + 60000;
    MIDIInputEvent event{};
    while (expected < producer.messages && GetTickCount() < deadline) {
        if (!MIDIGetEvent(&event)) {
            Sleep(0);
            continue;
        }
        ASSERT_EQ(event.message, expected) << "lost or repeated";
        ++expected;
    }
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(expected, producer.messages);
    EXPECT_FALSE(MIDIGetEvent(&event));
    EXPECT_EQ(producer.ring->overflow, 0);
}

TEST_F(MidiDouble, SignOutClosesTheDevicesAndStopsTheTimer)
{
    AddPort(midiPortTypeOutput, 2);
    uint32_t input = 0;
    uint32_t instance = AddInput(&input);
    MIDITimeRecord record{};
    MIDIStartTime(AddPort(midiPortTypeTime, reinterpret_cast<int32_t>(&record)));
    MIDIInputHandler(0, kMimData, instance, 0x90, 1);
    TakeCalls();
    MIDISignOut(0);
    std::vector<Call> calls = TakeCalls();
    ASSERT_EQ(CallsOf(calls, kInClose).size(), 1u);
    EXPECT_EQ(CallsOf(calls, kInClose)[0].handle, input);
    EXPECT_EQ(CallsOf(calls, kOutClose).size(), 1u);
    MIDIInputEvent event{};
    EXPECT_FALSE(MIDIGetEvent(&event)) << "the freed ring is no longer read";
    uint32_t now = MIDIGetCurTime(0);
    Sleep(100);
    EXPECT_EQ(MIDIGetCurTime(0), now);
}
