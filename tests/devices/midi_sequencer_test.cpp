// The pattern sequencer: one step at a time through the test seam, with the recording double as the
// output and scripted input through the device callback; and the timer's own steps through the DLL.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "MIDI.h"
#include "sequencer_host.h"
#include "test_support.h"

namespace {

constexpr uint32_t kMimData = 963;
constexpr uint32_t kShortMsg = 2;
constexpr uint32_t kInOpen = 5;

struct Sent {
    uint8_t status, data1, data2;
};

class Sequencer : public testing::Test {
protected:
    void SetUp() override
    {
        SelectMidiDeviceDouble(true);
        MIDISignOut(0);
        SndDispVersion(0);
        MIDISetCurTime(0, 0);
        MIDIPortParams port{};
        port.portType = midiPortTypeOutput;
        port.refCon = 1;
        int16_t refNum;
        MIDIAddPort(0, 0, &refNum, &port);
        port.portType = midiPortTypeInput;
        MIDIAddPort(0, 0, &refNum, &port);
        instance_ = 0;
        std::vector<uint32_t> calls = Calls();
        for (size_t i = 0; i + 2 < calls.size(); i += 3)
            if (calls[i] == kInOpen)
                instance_ = calls[i + 2];
        host_.reset(new SequencerHost);
        // A step with nothing to do takes the position to the time record and empties the byte ring.
        Host().Step();
        Calls();
    }
    void TearDown() override
    {
        MIDISignOut(0);
        SndDispVersion(0);
        SelectMidiDeviceDouble(false);
    }
    static std::vector<uint32_t> Calls()
    {
        std::vector<uint32_t> calls(3 * 8192);
        calls.resize(3 * static_cast<size_t>(TakeMidiDeviceCalls(calls.data(), 8192)));
        return calls;
    }
    // The short messages sent since the last call.
    static std::vector<Sent> TakeSent()
    {
        std::vector<Sent> out;
        std::vector<uint32_t> calls = Calls();
        for (size_t i = 0; i + 2 < calls.size(); i += 3)
            if (calls[i] == kShortMsg) {
                uint32_t m = calls[i + 2];
                out.push_back({static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8), static_cast<uint8_t>(m >> 16)});
            }
        return out;
    }
    void Input(uint32_t message, uint32_t time = 0) { MIDIInputHandler(0, kMimData, instance_, message, time); }
    SequencerHost &Host() { return *host_; }

    uint32_t instance_ = 0;
    std::unique_ptr<SequencerHost> host_;
};

// Groups of a note event: {flags, chord notes - 1, length, velocity}, then one group per chord note.
std::vector<uint8_t> Chord(std::initializer_list<uint8_t> notes, uint8_t length, uint8_t velocity)
{
    std::vector<uint8_t> e = {0x80, static_cast<uint8_t>(notes.size() - 1), length, velocity};
    for (uint8_t n : notes) {
        e.insert(e.end(), {0x00, n, 0, 0});
    }
    return e;
}

std::vector<uint8_t> Then(std::vector<uint8_t> a, const std::vector<uint8_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<uint8_t> kEnd = {0xC0, 0, 0, 0};

} // namespace

TEST_F(Sequencer, AChordSoundsOnItsTracksChannel)
{
    SequencerHost &h = Host();
    std::vector<uint8_t> events = Then(Chord({60, 64, 67}, 4, 100), kEnd);
    h.trackCount = 1;
    h.StartTrack(0, events.data());
    h.playing = 1;
    h.time.tickCount = h.tickPosition + 1;
    h.Step();
    std::vector<Sent> sent = TakeSent();
    uint8_t channel = static_cast<uint8_t>(h.channels.As<int16_t>()[1]);
    ASSERT_EQ(sent.size(), 3u);
    const uint8_t notes[] = {60, 64, 67};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sent[i].status, 0x90 | channel);
        EXPECT_EQ(sent[i].data1, notes[i]);
        EXPECT_EQ(sent[i].data2, 100);
    }
    int sounding = 0;
    for (int v = 0; v < seqVoices; ++v)
        sounding += h.Voices(0)[v] > 0;
    EXPECT_EQ(sounding, 3);

    // Stopping releases the voices.
    h.playing = 0;
    h.Step();
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 3u);
    for (const Sent &s : sent)
        EXPECT_EQ(s.data2, 0);
}

TEST_F(Sequencer, ChangedChordsReleaseAtTheNextStep)
{
    SequencerHost &h = Host();
    std::vector<uint8_t> events = Then(Then(Chord({60, 64}, 1, 90), Chord({60, 65}, 1, 90)), kEnd);
    h.trackCount = 1;
    h.StartTrack(0, events.data());
    h.playing = 1;
    h.time.tickCount = h.tickPosition + 1;
    h.Step();
    TakeSent();
    h.time.tickCount += 1;
    h.Step();
    std::vector<Sent> sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u) << "60 keeps its voice; 65 starts, 64 waits for the next step";
    EXPECT_EQ(sent[0].data1, 65);
    EXPECT_EQ(sent[0].data2, 90);
    EXPECT_EQ(h.releaseRequest, 1);
    h.Step();
    sent = TakeSent();
    ASSERT_GE(sent.size(), 1u);
    EXPECT_EQ(sent[0].data1, 64);
    EXPECT_EQ(sent[0].data2, 0);
}

TEST_F(Sequencer, ClockStartsWithPlayingAndStopsOnce)
{
    SequencerHost &h = Host();
    h.clockWanted = 1;
    h.playing = 1;
    h.trackCount = 0;
    h.Step();
    std::vector<Sent> sent = TakeSent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].status, 0xFA);
    EXPECT_EQ(sent[1].status, 0xF8);
    EXPECT_EQ(h.clockRunning, 1);
    h.Step();
    EXPECT_TRUE(TakeSent().empty());

    h.playing = 0;
    h.Step();
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].status, 0xFC);
    h.Step();
    EXPECT_TRUE(TakeSent().empty()) << "stopped once";
}

TEST_F(Sequencer, InputNotesHoldKeysAndReport)
{
    SequencerHost &h = Host();
    h.noteReports = 1;
    h.time.tickCount = 77;
    Input(0x00643C90);
    h.Step();
    EXPECT_EQ(h.heldKeys.As<uint8_t>()[60], 1);
    EXPECT_EQ(h.heldCount, 1);
    ASSERT_EQ(h.queueHead, 1);
    EXPECT_EQ(h.queueValues.As<int32_t>()[0], 60 | 100 << 16);
    EXPECT_EQ(h.queueTicks.As<int32_t>()[0], 77);
    EXPECT_EQ(h.inputArrived, 1);

    // Clock and start messages, and channels the filter turns away, are not taken.
    h.inputSettings[18] = 1;
    h.inputSettings[0] = 3;
    Input(0xF8);
    Input(0xFA);
    Input(0x00403E91);
    Input(0x00003C83);
    h.Step();
    EXPECT_EQ(h.heldKeys.As<uint8_t>()[62], 0);
    EXPECT_EQ(h.heldKeys.As<uint8_t>()[60], 0);
    EXPECT_EQ(h.heldCount, 0);
    ASSERT_EQ(h.queueHead, 2);
    EXPECT_EQ(h.queueValues.As<int32_t>()[1], 60) << "the last key up reports velocity 0";
}

TEST_F(Sequencer, EventQueueAnswersFullAndRepairsItsIndices)
{
    SequencerHost &h = Host();
    h.noteReports = 1;
    h.queueTail = 0;
    h.queueHead = 77;
    Input(0x00503090);
    h.Step();
    EXPECT_EQ(h.queueTail, 0);
    EXPECT_EQ(h.queueHead, 1) << "a head outside the queue starts it again";
    h.queueTail = 2;
    h.queueHead = 1;
    Input(0x00503190);
    h.Step();
    EXPECT_EQ(h.queueHead, 1) << "full: the report is dropped";
}

TEST_F(Sequencer, RecordingWritesFillersForLongGaps)
{
    SequencerHost &h = Host();
    MIDIRecordedEvent buffer[8] = {};
    h.recordBuffer = reinterpret_cast<uint8_t *>(buffer);
    h.recordCapacity = sizeof buffer;
    h.recording = 1;
    h.recordingBegun = 1;
    h.inputSettings[24] = 1;
    MIDISetCurTime(0, 40000);
    Input(0x00503C90);
    h.Step();
    ASSERT_EQ(h.recordOffset, 12);
    EXPECT_EQ(buffer[0].delta, 15000);
    EXPECT_EQ(buffer[1].delta, 15000);
    EXPECT_EQ(buffer[2].delta, 10000);
    EXPECT_EQ(buffer[2].note, 60);
    EXPECT_EQ(buffer[2].velocity, 0x50);

    // A full buffer takes nothing more, and a bad offset writes nothing.
    h.recordCapacity = 14;
    Input(0x00003C80);
    h.Step();
    EXPECT_EQ(h.recordOffset, 12);
    h.recordCapacity = sizeof buffer;
    h.recordOffset = -4;
    Input(0x00003C80);
    h.Step();
    EXPECT_EQ(h.recordOffset, -4);
}

TEST_F(Sequencer, KeyboardDisplayTakesKeys36To96AndStopsAt139)
{
    SequencerHost &h = Host();
    h.displayOn = 1;
    h.trackCount = 1;
    h.playing = 1;
    std::vector<uint8_t> events = Then(Chord({35, 97, 64}, 2, 90), kEnd);
    h.StartTrack(0, events.data());
    h.time.tickCount = h.tickPosition + 1;
    h.Step();
    ASSERT_EQ(h.displayCount, 1);
    const MIDIKeyDisplayEntry &e = h.displayList.As<MIDIKeyDisplayEntry>()[0];
    EXPECT_EQ(e.pitchClass, 4);
    EXPECT_EQ(e.top, 52);
    EXPECT_EQ(e.left, -215);
    EXPECT_EQ(e.bottom, 62);
    EXPECT_EQ(e.right, 222);

    h.displayCount = 137;
    h.playing = 0;
    h.Step();
    EXPECT_EQ(h.displayCount, 138) << "the release of 64";
    auto replay = [&] {
        h.playing = 1;
        h.StartTrack(0, events.data());
        h.time.tickCount += 1;
        h.Step();
    };
    replay();
    ASSERT_EQ(h.displayCount, seqDisplayEntries);
    EXPECT_EQ(h.displayList.As<MIDIKeyDisplayEntry>()[138].left, -215) << "the 139th entry is the last";
    h.playing = 0;
    h.Step();
    EXPECT_EQ(h.displayCount, seqDisplayEntries);
    h.displayCount = 500;
    replay();
    EXPECT_EQ(h.displayCount, seqDisplayEntries) << "a count past the list is held at its end";
}

TEST_F(Sequencer, TempoEventsLoadTheirRateEntry)
{
    SequencerHost &h = Host();
    struct Case {
        uint8_t tempo;
        int entry;
    } cases[] = {{120, 90}, {0, 0}, {30, 0}, {255, 225}};
    for (const Case &c : cases) {
        std::vector<uint8_t> events = Then(Then({0xD0, c.tempo, 0, 0}, Chord({60}, 8, 90)), kEnd);
        h.trackCount = 1;
        h.playing = 1;
        h.StartTrack(0, events.data());
        h.time.tickCount = h.tickPosition + 1;
        h.Step();
        EXPECT_EQ(h.time.rate, h.tempoTable.As<Fixed>()[c.entry]) << "tempo " << int(c.tempo);
    }
}

// Template events send the bytes their hexadecimal text spells, with the channel and the masked
// parameter put in; an index outside the template table sends nothing.
TEST_F(Sequencer, TemplateEventsSendTheirBytes)
{
    SequencerHost &h = Host();
    int16_t *index = h.templateIndex.As<int16_t>();
    index[0] = 2;
    index[1] = 0;
    index[2] = 10;
    uint8_t *strings = h.templateStrings.As<uint8_t>();
    std::memcpy(strings, "\x07" "9N3C 64", 8);
    std::memcpy(strings + 10, "\x06" "BN HLx", 7);
    h.templateMasks.As<int16_t>()[1] = 0x3F;
    uint8_t channel = static_cast<uint8_t>(h.channels.As<int16_t>()[1]);
    struct Case {
        uint8_t index, parameter;
        std::vector<Sent> sent;
    } cases[] = {
        {0, 0, {{static_cast<uint8_t>(0x90 | channel), 0x3C, 0x64}}},
        {1, 0xFF, {{static_cast<uint8_t>(0xB0 | channel), 0x3F, 0}}},
        {2, 0, {}},
        {200, 0, {}},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> events = Then(Then({0xCE, c.index, c.parameter, 0}, Chord({60}, 8, 0)), kEnd);
        h.trackCount = 1;
        h.playing = 1;
        h.StartTrack(0, events.data());
        h.time.tickCount = h.tickPosition + 1;
        h.Step();
        std::vector<Sent> sent = TakeSent();
        ASSERT_EQ(sent.size(), c.sent.size()) << "template " << int(c.index);
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i].status, c.sent[i].status);
            EXPECT_EQ(sent[i].data1, c.sent[i].data1);
            EXPECT_EQ(sent[i].data2, c.sent[i].data2);
        }
    }
}

TEST_F(Sequencer, MetronomeClicksOnTheBeat)
{
    SequencerHost &h = Host();
    h.metronome = 1;
    h.metroStepsPerBeat = 3;
    h.metroBeatsPerBar = 2;
    h.time.tickCount = h.tickPosition + 3;
    h.Step();
    EXPECT_EQ(h.clickFirstOn, 1);
    EXPECT_EQ(h.metroBeat, 1);
    std::vector<Sent> sent = TakeSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].data1, 36);
    EXPECT_EQ(sent[0].data2, 110);

    h.time.tickCount += 3;
    h.Step();
    EXPECT_EQ(h.clickOtherOn, 1);
    EXPECT_EQ(h.clickFirstOn, 0);
    EXPECT_EQ(h.metroBeat, 0);
    sent = TakeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].data1, 36);
    EXPECT_EQ(sent[0].data2, 0) << "the first click ends";
    EXPECT_EQ(sent[1].data1, 37);
}

// Host tables with bad counts, indices and events, each table followed by a guard page: the step neither
// faults nor sends an invalid byte.
TEST_F(Sequencer, BadHostTablesNeitherFaultNorSendBadBytes)
{
    SequencerHost &h = Host();
    std::vector<uint8_t> metaForever;
    for (int i = 0; i < 300; ++i)
        metaForever.insert(metaForever.end(), {0xC7, 5, 0, 0});
    GuardedBlock metaStream{metaForever.size()};
    std::memcpy(metaStream.As<uint8_t>(), metaForever.data(), metaForever.size());
    std::vector<uint8_t> song = Then(Then(Then({0xD0, 0, 0, 0}, Chord({60, 200, 64}, 1, 250)),
                                          Then({0xD0, 44, 0, 0}, Chord({61}, 1, 90))), kEnd);
    GuardedBlock stream{song.size()};
    std::memcpy(stream.As<uint8_t>(), song.data(), song.size());

    for (int16_t count : {int16_t(33), int16_t(-1), int16_t(32)}) {
        h.trackCount = count;
        for (int t = 0; t < seqMaxTracks; ++t)
            h.StartTrack(t, t % 2 ? metaStream.As<uint8_t>() : stream.As<uint8_t>());
        h.channels.As<int16_t>()[1] = 16;
        h.channels.As<int16_t>()[2] = -1;
        h.channels.As<int16_t>()[seqMaxTracks] = -1;
        h.queueHead = 77;
        std::memset(h.heldKeys.As<uint8_t>(), 0, 128);
        h.heldCount = 0;
        h.displayCount = 500;
        h.displayOn = 1;
        h.noteReports = 1;
        h.soloTrack = 200;
        h.songSettings[0x38] = 0x7F;
        h.countInTrack1 = -3;
        h.countInTrack2 = 99;
        h.playing = 1;
        h.countIn = 1;
        h.countDown1 = 2;
        h.time.tickCount = h.tickPosition + 4;
        Input(0x00FF7F90);
        Input(0x0000FFC0);
        Input(0x00F83C90);
        Input(0x00647F90);
        h.Step();
        h.playing = 0;
        h.Step();
        for (const Sent &s : TakeSent()) {
            EXPECT_TRUE(s.status & 0x80) << "count " << count;
            EXPECT_LT(s.data1, 0x80) << "count " << count;
            EXPECT_LT(s.data2, 0x80) << "count " << count;
        }
        if (count > 0) {
            EXPECT_LE(h.displayCount, seqDisplayEntries) << "count " << count;
        }
        EXPECT_GE(h.queueHead, 0);
        EXPECT_LT(h.queueHead, seqQueueEntries);
        if (count > 1) {
            EXPECT_EQ(h.Track(1).state, -128) << "a stream of meta events only ends its track";
        }
    }
}

// Through the DLL: the timer's steps keep the position on the time record while nothing plays.
TEST(SequencerTimer, PositionFollowsTheTimeRecord)
{
    SelectMidiDeviceDouble(false);
    MIDISignOut(0);
    SndDispVersion(0);
    std::unique_ptr<SequencerHost> h(new SequencerHost);
    h->time.rate = 0;
    MIDIPortParams port{};
    port.portType = midiPortTypeTime;
    port.refCon = reinterpret_cast<int32_t>(&h->time);
    int16_t refNum;
    ASSERT_EQ(MIDIAddPort(0, 0, &refNum, &port), noErr);
    MIDISetIFStruct(h->record);
    MIDIStartTime(refNum);
    h->time.tickCount = 800;
    int32_t seen = 0;
    for (int i = 0; i < 500 && (seen = *static_cast<volatile int32_t *>(&h->tickPosition)) != 800; ++i)
        Sleep(10);
    MIDIStopTime(refNum);
    MIDISetIFStruct(nullptr);
    EXPECT_EQ(seen, 800);
    SndDispVersion(0);
}
