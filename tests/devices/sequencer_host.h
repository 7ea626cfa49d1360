// The host's side of the MIDI pattern sequencer for the test and benchmark programs: its variables and
// tables, each table in guarded memory, and the interface record that points at them.
#pragma once

#include <windows.h>

#include <cstring>

#include "MIDI.h"
#include "test_seams.h"

// Host memory whose last byte is followed by an inaccessible page, so that any read or write past the
// end faults at once.
class GuardedBlock {
public:
    explicit GuardedBlock(size_t bytes)
    {
        size_t pages = (bytes + 4095) / 4096;
        base_ = static_cast<uint8_t *>(VirtualAlloc(nullptr, (pages + 1) * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(base_ + pages * 4096, 4096, PAGE_NOACCESS, &old);
        data_ = base_ + pages * 4096 - bytes;
        std::memset(data_, 0, bytes);
    }
    ~GuardedBlock() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBlock(const GuardedBlock &) = delete;
    GuardedBlock &operator=(const GuardedBlock &) = delete;
    template <class T> T *As() const { return reinterpret_cast<T *>(data_); }

private:
    uint8_t *base_;
    uint8_t *data_;
};

// The host's side of the sequencer: its variables and tables, each table in guarded memory, and the
// interface record that points at them.
struct SequencerHost {
    MIDITimeRecord time{};
    GuardedBlock tempoTable{4 * (seqLastTempo - seqFirstTempo + 1)};
    uint8_t releaseRequest = 0;
    uint8_t clickOther[3] = {0x99, 37, 80};
    uint8_t clickFirst[3] = {0x99, 36, 110};
    uint8_t clockRunning = 0;
    uint16_t noteReport[2] = {};
    GuardedBlock sounding{2 * seqMaxTracks * seqVoices};
    GuardedBlock releases{2 * seqMaxTracks * seqVoices};
    uint8_t runningStatus = 0;
    GuardedBlock heldKeys{128};
    uint8_t inputFrozen = 0;
    int16_t heldCount = 0;
    uint8_t inputArrived = 0;
    int16_t trackCount = 0;
    uint8_t playing = 0, loopArmed = 0, loopPass = 0, stopAtEnd = 0, recording = 0, echoIdle = 0;
    uint8_t recordingBegun = 0, countInPlaying = 0, stepFlag = 0, clickOtherOn = 0, clickFirstOn = 0;
    uint8_t countIn = 0;
    int32_t countDown1 = 0, countDown2 = 0;
    uint8_t songSettings[0x80] = {};
    uint8_t songInput = 0;
    int32_t timeStamp = 0;
    int32_t metroPhase = 0;
    int16_t metroBeat = 0, metroStepsPerBeat = 0;
    int32_t metroSavedPhase = 0;
    int16_t metroSavedBeat = 0, metroBeatsPerBar = 0, countInSteps = 0;
    GuardedBlock channels{2 * (seqMaxTracks + 1)};
    uint8_t inputSettings[32] = {};
    uint8_t hold = 0;
    int16_t tempo = 120, value = 0;
    int32_t position[2] = {}, loopStart[2] = {}, loopRestart[2] = {};
    GuardedBlock trackPrograms{2 * seqMaxTracks};
    int16_t loopCount = 0, countInTrack1 = 0, countInTrack2 = 0, countInTrack3 = 0;
    uint8_t stepEntry = 0, soloTrack = 0;
    int32_t songLoaded = 0;
    GuardedBlock tracks{sizeof(MIDITrackRecord) * seqMaxTracks};
    GuardedBlock loopSnapshot{sizeof(MIDITrackRecord) * seqMaxTracks};
    GuardedBlock restartSnapshot{sizeof(MIDITrackRecord) * seqMaxTracks};
    int16_t midiRefNum = 0;
    GuardedBlock velocityClasses{32 * 7};
    GuardedBlock trackEnabled{seqMaxTracks};
    uint8_t clockWanted = 0;
    int32_t tickPosition = 0;
    GuardedBlock song{0x2814 + 8};
    GuardedBlock templateIndex{2 * 3};
    GuardedBlock templateStrings{32};
    GuardedBlock templateMasks{2 * 2};
    int16_t ramp[6] = {};
    GuardedBlock presets{sizeof(MIDITrackRecord) * 8};
    int16_t metronome = 0, metronomeAfterCountIn = 0;
    uint8_t displayOn = 0;
    int32_t displayFilter = 17;
    GuardedBlock displayList{sizeof(MIDIKeyDisplayEntry) * seqDisplayEntries};
    int32_t displayCount = 0;
    uint8_t inputStepEntry = 0, ignoreInput = 0, inputEcho = 0, noteReports = 0;
    int16_t recordDelta = 0, inputChannel = 0;
    int32_t recordOffset = 0, recordCapacity = 0;
    uint8_t *recordBuffer = nullptr;
    GuardedBlock queueTicks{4 * seqQueueEntries};
    GuardedBlock queueValues{4 * seqQueueEntries};
    int16_t queueTail = 0, queueHead = 0;

    uint8_t record[seqInterfaceSize] = {};

    SequencerHost()
    {
        auto put = [this](int offset, const void *p) { std::memcpy(record + offset, &p, sizeof p); };
        put(seqTimeRecord, &time);
        put(seqTempoTable, tempoTable.As<void>());
        put(seqReleaseRequest, &releaseRequest);
        put(seqClickOther, clickOther);
        put(seqClickFirst, clickFirst);
        put(seqClockRunning, &clockRunning);
        put(seqNoteReport, noteReport);
        put(seqSounding, sounding.As<void>());
        put(seqReleases, releases.As<void>());
        put(seqRunningStatus, &runningStatus);
        put(seqHeldKeys, heldKeys.As<void>());
        put(seqInputFrozen, &inputFrozen);
        put(seqHeldCount, &heldCount);
        put(seqInputArrived, &inputArrived);
        put(seqTrackCount, &trackCount);
        put(seqPlaying, &playing);
        put(seqLoopArmed, &loopArmed);
        put(seqLoopPass, &loopPass);
        put(seqStopAtEnd, &stopAtEnd);
        put(seqRecording, &recording);
        put(seqEchoIdle, &echoIdle);
        put(seqRecordingBegun, &recordingBegun);
        put(seqCountInPlaying, &countInPlaying);
        put(seqStepFlag, &stepFlag);
        put(seqClickOtherOn, &clickOtherOn);
        put(seqClickFirstOn, &clickFirstOn);
        put(seqCountIn, &countIn);
        put(seqCountDown1, &countDown1);
        put(seqCountDown2, &countDown2);
        put(seqSongSettings, songSettings);
        put(seqSongInput, &songInput);
        put(seqTimeStamp, &timeStamp);
        put(seqMetroPhase, &metroPhase);
        put(seqMetroBeat, &metroBeat);
        put(seqMetroStepsPerBeat, &metroStepsPerBeat);
        put(seqMetroSavedPhase, &metroSavedPhase);
        put(seqMetroSavedBeat, &metroSavedBeat);
        put(seqMetroBeatsPerBar, &metroBeatsPerBar);
        put(seqCountInSteps, &countInSteps);
        put(seqChannels, channels.As<void>());
        put(seqInputSettings, inputSettings);
        put(seqHold, &hold);
        put(seqTempo, &tempo);
        put(seqValue, &value);
        put(seqPosition, position);
        put(seqLoopStart, loopStart);
        put(seqLoopRestart, loopRestart);
        put(seqTrackPrograms, trackPrograms.As<void>());
        put(seqLoopCount, &loopCount);
        put(seqCountInTrack1, &countInTrack1);
        put(seqCountInTrack2, &countInTrack2);
        put(seqCountInTrack3, &countInTrack3);
        put(seqStepEntry, &stepEntry);
        put(seqSoloTrack, &soloTrack);
        put(seqSongLoaded, &songLoaded);
        put(seqTracks, tracks.As<void>());
        put(seqLoopSnapshot, loopSnapshot.As<void>());
        put(seqRestartSnapshot, restartSnapshot.As<void>());
        put(seqMidiRefNum, &midiRefNum);
        put(seqVelocityClasses, velocityClasses.As<void>());
        put(seqTrackEnabled, trackEnabled.As<void>());
        put(seqClockWanted, &clockWanted);
        put(seqTickPosition, &tickPosition);
        put(seqSong, song.As<void>());
        put(seqTemplateIndex, templateIndex.As<void>());
        put(seqTemplateStrings, templateStrings.As<void>());
        put(seqTemplateMasks, templateMasks.As<void>());
        for (int i = 0; i < 6; ++i)
            put(seqRampTarget + 4 * i, &ramp[i]);
        put(seqCountInPresets, presets.As<void>());
        put(seqMetronome, &metronome);
        put(seqMetronomeAfterCountIn, &metronomeAfterCountIn);
        put(seqDisplayOn, &displayOn);
        put(seqDisplayFilter, &displayFilter);
        put(seqDisplayList, displayList.As<void>());
        put(seqDisplayCount, &displayCount);
        put(seqInputStepEntry, &inputStepEntry);
        put(seqIgnoreInput, &ignoreInput);
        put(seqInputEcho, &inputEcho);
        put(seqNoteReports, &noteReports);
        put(seqRecordDelta, &recordDelta);
        put(seqInputChannel, &inputChannel);
        put(seqRecordOffset, &recordOffset);
        put(seqRecordCapacity, &recordCapacity);
        put(seqRecordBuffer, &recordBuffer);
        put(seqQueueTicks, queueTicks.As<void>());
        put(seqQueueValues, queueValues.As<void>());
        put(seqQueueTail, &queueTail);
        put(seqQueueHead, &queueHead);
        for (int t = 0; t <= seqMaxTracks; ++t)
            channels.As<int16_t>()[t] = static_cast<int16_t>((t + 2) % 16);
        for (int i = 0; i <= seqLastTempo - seqFirstTempo; ++i)
            tempoTable.As<Fixed>()[i] = 0x1000 * (i + 1);
        std::memset(trackEnabled.As<uint8_t>(), 1, seqMaxTracks);
    }

    MIDITrackRecord &Track(int index) { return tracks.As<MIDITrackRecord>()[index]; }
    int16_t *Voices(int track) { return sounding.As<int16_t>() + track * seqVoices; }
    // Points track `index` at an event stream that it has not started yet.
    void StartTrack(int index, const uint8_t *events)
    {
        MIDITrackRecord &t = Track(index);
        std::memset(&t, 0, sizeof t);
        t.state = -1;
        t.next = events;
    }
    void Step() { RunMidiSequencerStep(record); }
};
