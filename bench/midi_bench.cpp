// The MIDI pattern sequencer: one step of 32 playing tracks of 8-note chords, every chord changing at
// every tick, on the recording double's output. A step has the 20-millisecond timer period to itself and
// should take a small part of it; there is no raw call to set beside it, so the time per step is reported.
#include "bench.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "sequencer_host.h"

int RunBench()
{
    SelectMidiDeviceDouble(true);
    MIDIPortParams port{};
    port.portType = midiPortTypeOutput;
    port.refCon = 1;
    int16_t refNum;
    MIDIAddPort(0, 0, &refNum, &port);

    constexpr int kChords = 64;
    std::vector<uint8_t> events;
    for (int c = 0; c < kChords; ++c) {
        events.insert(events.end(), {0x80, 7, 1, static_cast<uint8_t>(60 + c % 40)});
        for (int n = 0; n < 8; ++n)
            events.insert(events.end(), {0x00, static_cast<uint8_t>(36 + (c + 3 * n) % 60), 0, 0});
    }
    events.insert(events.end(), {0xC0, 0, 0, 0});

    std::unique_ptr<SequencerHost> host(new SequencerHost);
    host->trackCount = seqMaxTracks;
    host->playing = 1;
    host->displayOn = 1;
    int sent = 0;
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        for (int t = 0; t < seqMaxTracks; ++t)
            host->StartTrack(t, events.data());
        double perStep = TimePerRun(kChords - 1, [&](int) {
            host->time.tickCount = host->tickPosition + 1;
            host->displayCount = 0;
            host->Step();
            sent += TakeMidiDeviceCalls(nullptr, 1 << 30);
        });
        best = std::min(best, perStep);
    }
    SndDispVersion(0);
    SelectMidiDeviceDouble(false);
    std::printf("sequencer step, 32 tracks of 8-note chords: %.1f us per step (%d messages sent)\n", best * 1e6, sent);
    return sent > 0 ? 0 : 1;
}
