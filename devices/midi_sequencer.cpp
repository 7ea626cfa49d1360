// The pattern sequencer: one step per tick of the MIDI Manager's timer on the host's interface record.
// Everything it plays from lives in the host's variables, reached through that record; the only state of
// its own is the input byte ring and the output packet. The host's tables and the MIDI input are taken
// as untrusted: every count and index read from them is clamped before it indexes anything, every byte
// sent is masked to a valid status or data byte, and every walk of an event stream is bounded, since a
// fault on the timer's thread ends the process.
#include "midi_private.h"

#include <cstring>

namespace {

constexpr int kInputRingBytes = 2000;
constexpr int kInputEventBytes = 8;       // 0xF8, four time-stamp bytes, status, two data bytes
constexpr int kEventsPerWalk = 256;       // events walked per track and step before the track counts as ended
constexpr int kTicksPerStep = 256;        // ticks caught up per step while playing
constexpr int16_t kTrackEnded = -128;
constexpr int kPacketBytes = 256;
constexpr int kPacketData = 6;

// Keyboard rectangles of the twelve pitch classes from C: top, left, bottom, right.
const int16_t kKeyRects[12][4] = {
    {52, 7, 62, 14},  {35, 15, 44, 20}, {52, 20, 62, 27}, {35, 28, 44, 33}, {52, 33, 62, 40}, {52, 46, 62, 53},
    {35, 54, 44, 59}, {52, 59, 62, 66}, {35, 67, 44, 72}, {52, 72, 62, 79}, {35, 80, 44, 85}, {52, 85, 62, 92},
};

// The library's input byte ring: whole input events copied from the MIDI Manager's ring, parsed here.
uint8_t sInputBytes[kInputRingBytes];
int sInputRead;
int sInputHeld;

// The output packet: a length byte at 6 counts what is appended after the header.
uint8_t sPacket[kPacketBytes];

// The host's interface record, read through its entries. A missing entry reads as 0 and takes no write.
struct Host {
    uint8_t *record;

    template <class T> T *At(int offset) const { return *reinterpret_cast<T *const *>(record + offset); }
    template <class T> T Get(int offset) const
    {
        T *p = At<T>(offset);
        return p ? *p : T();
    }
    template <class T> void Set(int offset, T value) const
    {
        if (T *p = At<T>(offset))
            *p = value;
    }
    uint8_t Byte(int offset) const { return Get<uint8_t>(offset); }
    int16_t Short(int offset) const { return Get<int16_t>(offset); }
    int32_t Long(int offset) const { return Get<int32_t>(offset); }
    // A byte or short of a host record, reached by its entry and a byte offset into it.
    template <class T> T Field(int offset, int field) const
    {
        uint8_t *p = At<uint8_t>(offset);
        if (!p)
            return T();
        T value;
        std::memcpy(&value, p + field, sizeof value);
        return value;
    }

    MIDITimeRecord *Time() const { return At<MIDITimeRecord>(seqTimeRecord); }
    int TrackCount() const
    {
        int n = Short(seqTrackCount);
        return n < 0 ? 0 : n > seqMaxTracks ? seqMaxTracks : n;
    }
    MIDITrackRecord *Track(int index) const
    {
        MIDITrackRecord *tracks = At<MIDITrackRecord>(seqTracks);
        return tracks && index >= 0 && index < seqMaxTracks ? tracks + index : nullptr;
    }
    // A track number from a host variable (1-based) as a track index, or -1 outside the table.
    int TrackIndex(int number) const { return number >= 1 && number <= seqMaxTracks ? number - 1 : -1; }
    int CurrentTrack() const { return TrackIndex(Field<int16_t>(seqSongSettings, 0x38)); }
    uint8_t Channel(int index) const
    {
        int16_t *channels = At<int16_t>(seqChannels);
        return channels && index >= 0 && index < seqMaxTracks ? channels[index + 1] & 0x0F : 0;
    }
    int16_t *Voices(int offset, int index) const
    {
        int16_t *table = At<int16_t>(offset);
        return table ? table + index * seqVoices : nullptr;
    }
    int32_t Ticks() const
    {
        MIDITimeRecord *time = Time();
        return time ? time->tickCount : 0;
    }
};

// ---- Output ----

// Sends a channel or system message; data bytes are masked to 0..127 and a status without its high bit
// sends nothing.
void Send(uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0)
{
    if (!(status & 0x80))
        return;
    MidiSendShort(status | static_cast<uint32_t>(data1 & 0x7F) << 8 | static_cast<uint32_t>(data2 & 0x7F) << 16);
}

// Appends a byte to the output packet; nothing is written past its end.
void PacketAppend(uint8_t byte)
{
    if (sPacket[kPacketData] + kPacketData + 1 < kPacketBytes) {
        sPacket[kPacketData + 1 + sPacket[kPacketData]] = byte;
        ++sPacket[kPacketData];
    }
}

// Sends what the packet holds as one short message of its first four bytes, when its first is a status.
void PacketSend()
{
    const uint8_t *d = sPacket + kPacketData + 1;
    int n = sPacket[kPacketData];
    if (n > 0 && (d[0] & 0x80)) {
        uint32_t message = 0;
        for (int i = 0; i < n && i < 4; ++i)
            message |= static_cast<uint32_t>(i == 0 ? d[i] : d[i] & 0x7F) << (8 * i);
        MidiSendShort(message);
    }
    sPacket[kPacketData] = 0;
}

// ---- The host's event queue and keyboard display ----

// Posts {tick count, value} to the host's 50-entry queue; a full queue answers midiEventQueueFull. A tail
// or head outside the queue counts as empty and starts it again.
OSErr PostEvent(const Host &host, int32_t value)
{
    int32_t *ticks = host.At<int32_t>(seqQueueTicks);
    int32_t *values = host.At<int32_t>(seqQueueValues);
    int16_t *tail = host.At<int16_t>(seqQueueTail);
    int16_t *head = host.At<int16_t>(seqQueueHead);
    if (!ticks || !values || !tail || !head)
        return noErr;
    if (*tail < 0 || *tail >= seqQueueEntries || *head < 0 || *head >= seqQueueEntries) {
        *tail = 0;
        *head = 0;
    }
    int next = (*head + 1) % seqQueueEntries;
    if (next == *tail)
        return midiEventQueueFull;
    ticks[*head] = host.Ticks();
    values[*head] = value;
    *head = static_cast<int16_t>(next);
    return noErr;
}

bool DisplayPasses(const Host &host, int channel)
{
    int32_t filter = host.Long(seqDisplayFilter);
    return channel == 99 || filter == 17 || (filter != 18 && filter == channel + 1);
}

// Appends a key change to the host's keyboard display: keys 36..96 only, while the list has room.
void DisplayKey(const Host &host, int channel, int note, bool down)
{
    if (!host.Byte(seqDisplayOn) || note < 36 || note > 96 || !DisplayPasses(host, channel))
        return;
    MIDIKeyDisplayEntry *list = host.At<MIDIKeyDisplayEntry>(seqDisplayList);
    int32_t *count = host.At<int32_t>(seqDisplayCount);
    if (!list || !count)
        return;
    if (*count < 0 || *count > seqDisplayEntries)
        *count = *count < 0 ? 0 : seqDisplayEntries;
    if (*count >= seqDisplayEntries)
        return;
    int pitchClass = note % 12;
    int16_t shift = static_cast<int16_t>(91 * ((note - 36) / 12));
    MIDIKeyDisplayEntry &e = list[(*count)++];
    e.pitchClass = static_cast<int16_t>(pitchClass);
    e.top = kKeyRects[pitchClass][0];
    e.left = static_cast<int16_t>(kKeyRects[pitchClass][1] + shift);
    if (down)
        e.left = static_cast<int16_t>(-e.left);
    e.bottom = kKeyRects[pitchClass][2];
    e.right = static_cast<int16_t>(kKeyRects[pitchClass][3] + shift);
    e.note = static_cast<int16_t>(note);
}

// ---- Voices ----

void NoteOff(const Host &host, int track, int note)
{
    uint8_t channel = host.Channel(track);
    Send(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), 0);
    DisplayKey(host, channel, note & 0x7F, false);
}

void NoteOn(const Host &host, int track, int note, int velocity)
{
    uint8_t channel = host.Channel(track);
    Send(static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), static_cast<uint8_t>(velocity));
    DisplayKey(host, channel, note & 0x7F, true);
}

bool Sounding(int16_t voice)
{
    return voice > 0;
}

// Turns every sounding voice of a track off at once.
void ReleaseTrack(const Host &host, int track)
{
    int16_t *voices = host.Voices(seqSounding, track);
    if (!voices)
        return;
    for (int v = 0; v < seqVoices; ++v)
        if (Sounding(voices[v])) {
            NoteOff(host, track, voices[v]);
            voices[v] = 0;
        }
}

void ReleaseAllTracks(const Host &host)
{
    for (int t = 0; t < host.TrackCount(); ++t)
        ReleaseTrack(host, t);
}

// The notes of a track's current chord (1..8), read from the chord groups after its note event.
int ChordNotes(const MIDITrackRecord &track, uint8_t notes[seqVoices])
{
    const uint8_t *event = track.next;
    if (!event || event[0] < 0x80 || event[0] >= 0xC0)
        return 0;
    int n = (event[1] & 7) + 1;
    for (int i = 0; i < n; ++i)
        notes[i] = event[4 * (i + 1) + 1] & 0x7F;
    return n;
}

bool Contains(const uint8_t *notes, int n, int note)
{
    for (int i = 0; i < n; ++i)
        if (notes[i] == note)
            return true;
    return false;
}

// Plays a track's chord against what its voices sound. Notes in both keep their voices. The default
// player puts notes to stop in the release table, turned off at the next step after the new notes have
// started; the alternative player turns them off at once and starts new notes only when none had to stop.
// A waiting voice counts up to 0 and holds the track's voices until then. A rest releases every voice.
void PlayChord(const Host &host, int track, const uint8_t *notes, int n, int velocity)
{
    int16_t *voices = host.Voices(seqSounding, track);
    int16_t *releases = host.Voices(seqReleases, track);
    if (!voices || !releases)
        return;
    bool waiting = false;
    for (int v = 0; v < seqVoices; ++v)
        if (voices[v] < -1) {
            ++voices[v];
            waiting = true;
        }
    if (waiting)
        return;
    if (velocity <= 0)
        n = 0;
    bool alternative = host.Field<uint8_t>(seqInputSettings, 26) != 0;
    bool stopped = false;
    for (int v = 0; v < seqVoices; ++v) {
        if (!Sounding(voices[v]) || Contains(notes, n, voices[v]))
            continue;
        stopped = true;
        if (alternative) {
            NoteOff(host, track, voices[v]);
        } else {
            releases[v] = voices[v];
            host.Set<uint8_t>(seqReleaseRequest, 1);
        }
        voices[v] = 0;
    }
    if (alternative && stopped)
        return;
    for (int i = 0; i < n; ++i) {
        bool sounding = false;
        for (int v = 0; v < seqVoices; ++v)
            sounding = sounding || voices[v] == notes[i];
        if (sounding || notes[i] == 0)
            continue;
        for (int v = 0; v < seqVoices; ++v)
            if (voices[v] == 0 || voices[v] == -1) {
                voices[v] = notes[i];
                NoteOn(host, track, notes[i], velocity);
                break;
            }
    }
}

// ---- Tempo ----

void ApplyTempo(const Host &host, int tempo)
{
    tempo = tempo < seqFirstTempo ? seqFirstTempo : tempo > seqLastTempo ? seqLastTempo : tempo;
    host.Set<int16_t>(seqTempo, static_cast<int16_t>(tempo));
    Fixed *rates = host.At<Fixed>(seqTempoTable);
    MIDITimeRecord *time = host.Time();
    if (rates && time)
        time->rate = rates[tempo - seqFirstTempo];
}

void RampTempo(const Host &host)
{
    int16_t *countdown = host.At<int16_t>(seqRampCountdown);
    int16_t *repeats = host.At<int16_t>(seqRampRepeats);
    if (!countdown || !repeats || *repeats <= 0)
        return;
    if (--*countdown > 0)
        return;
    *countdown = host.Short(seqRampInterval);
    --*repeats;
    int target = host.Short(seqRampTarget);
    int tempo = host.Short(seqTempo) + host.Short(seqRampStep);
    int direction = host.Short(seqRampDirection);
    if ((direction >= 0 && tempo >= target) || (direction < 0 && tempo <= target) || *repeats <= 0) {
        tempo = target;
        *repeats = 0;
    }
    ApplyTempo(host, tempo);
}

// ---- Message templates ----

int HexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Sends template `index`: hexadecimal digits, N the track's channel, H and L the high and low digit of
// the parameter masked by the template's value, blanks ignored, two digits to a byte.
void SendTemplate(const Host &host, int track, int index, int parameter)
{
    int16_t *table = host.At<int16_t>(seqTemplateIndex);
    const uint8_t *strings = host.At<uint8_t>(seqTemplateStrings);
    int16_t *masks = host.At<int16_t>(seqTemplateMasks);
    if (!table || !strings || index < 0 || index >= table[0] || table[1 + index] < 0)
        return;
    const uint8_t *text = strings + table[1 + index];
    int value = parameter & (masks ? masks[index] : 0xFF);
    sPacket[kPacketData] = 0;
    int high = -1;
    for (int i = 1; i <= text[0]; ++i) {
        int digit;
        switch (text[i]) {
        case 'N': digit = host.Channel(track); break;
        case 'H': digit = (value >> 4) & 0xF; break;
        case 'L': digit = value & 0xF; break;
        default: digit = HexDigit(text[i]); break;
        }
        if (digit < 0)
            continue;
        if (high < 0) {
            high = digit;
        } else {
            PacketAppend(static_cast<uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    PacketSend();
}

// ---- Playback ----

void CopyTracks(const Host &host, int to, int from)
{
    MIDITrackRecord *a = host.At<MIDITrackRecord>(to);
    MIDITrackRecord *b = host.At<MIDITrackRecord>(from);
    if (a && b)
        std::memcpy(a, b, sizeof(MIDITrackRecord) * seqMaxTracks);
}

void CopyPosition(const Host &host, int to, int from)
{
    int32_t *a = host.At<int32_t>(to);
    int32_t *b = host.At<int32_t>(from);
    if (a && b) {
        a[0] = b[0];
        a[1] = b[1];
    }
}

enum class Walk { Note, Ended, Restored };

// Runs one meta event of a track. Loops restore the track table from a snapshot: the walk stops there.
Walk RunMeta(const Host &host, int track, const uint8_t *event)
{
    int code = 0xC0 - event[0];
    int parameter = event[1];
    uint8_t channel = host.Channel(track);
    switch (code) {
    case -4:
        CopyTracks(host, seqLoopSnapshot, seqTracks);
        CopyPosition(host, seqLoopStart, seqPosition);
        host.Set<uint8_t>(seqLoopArmed, 1);
        host.Set<int16_t>(seqLoopCount, static_cast<int16_t>(parameter));
        break;
    case -5:
        if (host.Byte(seqLoopArmed)) {
            int16_t count = host.Short(seqLoopCount);
            if (count > 0) {
                host.Set<int16_t>(seqLoopCount, static_cast<int16_t>(count - 1));
                CopyTracks(host, seqTracks, seqLoopSnapshot);
                CopyPosition(host, seqPosition, seqLoopStart);
            } else {
                CopyTracks(host, seqTracks, seqRestartSnapshot);
                CopyPosition(host, seqPosition, seqLoopRestart);
                host.Set<uint8_t>(seqLoopArmed, 0);
            }
            return Walk::Restored;
        }
        break;
    case -6:
        if (!host.Byte(seqLoopPass)) {
            host.Set<uint8_t>(seqLoopPass, 1);
            CopyTracks(host, seqTracks, seqRestartSnapshot);
            CopyPosition(host, seqPosition, seqLoopRestart);
            return Walk::Restored;
        }
        break;
    case -7:
        host.Set<int16_t>(seqValue, static_cast<int16_t>(parameter));
        break;
    case -10: {
        if (int16_t *programs = host.At<int16_t>(seqTrackPrograms))
            programs[track] = static_cast<int16_t>(parameter);
        int program = parameter;
        if (!host.Field<uint8_t>(seqInputSettings, 27) && host.At<uint8_t>(seqSongSettings))
            program = host.Field<uint8_t>(seqSongSettings, 0x53 + track);
        Send(static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program));
        break;
    }
    case -12:
        Send(static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(parameter));
        break;
    case -14:
        SendTemplate(host, track, parameter, event[2]);
        break;
    case -16:
        ApplyTempo(host, parameter);
        host.Set<int16_t>(seqRampRepeats, 0);
        break;
    case -60: {
        // {target, step, flags} and a second group {-, repeats, interval, -}.
        int16_t step = event[2];
        int16_t direction = 1;
        if (event[3] & 1) {
            step = static_cast<int16_t>(-step);
            direction = -1;
        }
        host.Set<int16_t>(seqRampTarget, event[1]);
        host.Set<int16_t>(seqRampStep, step);
        host.Set<int16_t>(seqRampDirection, direction);
        host.Set<int16_t>(seqRampRepeats, event[5]);
        host.Set<int16_t>(seqRampInterval, event[6]);
        host.Set<int16_t>(seqRampCountdown, event[6]);
        break;
    }
    default:
        break;
    }
    return Walk::Note;
}

// Advances a track to its next note or rest: past the note it was playing (exactly its counted chord
// groups), then through meta events in order. A stream that reaches no note within the walk's bound
// counts as ended.
Walk AdvanceTrack(const Host &host, int track, MIDITrackRecord &record)
{
    const uint8_t *p = record.next;
    if (!p) {
        record.state = kTrackEnded;
        return Walk::Ended;
    }
    if (record.state >= 0 && p[0] >= 0x80 && p[0] < 0xC0)
        p += 4 * ((p[1] & 7) + 2);
    for (int walked = 0; walked < kEventsPerWalk; ++walked) {
        uint8_t code = p[0];
        if (code == 0xC0) {
            record.next = p;
            record.state = kTrackEnded;
            return Walk::Ended;
        }
        if (code >= 0x80 && code < 0xC0) {
            record.next = p;
            record.previousTie = record.tie;
            record.tie = static_cast<uint8_t>((code >> 2) & 3);
            record.chordNotes = static_cast<int16_t>((p[1] & 7) + 1);
            record.state = p[2];
            record.velocity = p[3];
            record.previousParameter = record.parameter;
            record.parameter = p[5];
            record.elapsed = 0;
            return Walk::Note;
        }
        if (code > 0xC0) {
            record.next = p + (code == 0xC0 + 60 ? 8 : 4);
            if (RunMeta(host, track, p) == Walk::Restored)
                return Walk::Restored;
            p = record.next;
            continue;
        }
        p += 4;
    }
    record.next = p;
    record.state = kTrackEnded;
    return Walk::Ended;
}

// Velocity classes 1..6: below 33, 33..48, 49..64, 65..80, 81..96, 97 and up.
int VelocityClass(int velocity)
{
    if (velocity < 33)
        return 1;
    if (velocity >= 97)
        return 6;
    return 2 + (velocity - 33) / 16;
}

bool TrackPlays(const Host &host, int track)
{
    int solo = host.TrackIndex(host.Byte(seqSoloTrack));
    if (solo >= 0)
        return track == solo;
    uint8_t *enabled = host.At<uint8_t>(seqTrackEnabled);
    return enabled && enabled[track];
}

void StopPlayback(const Host &host)
{
    ReleaseAllTracks(host);
    host.Set<uint8_t>(seqPlaying, 0);
    host.Set<uint8_t>(seqCountInPlaying, 0);
}

bool PastEnd(const Host &host)
{
    int32_t *position = host.At<int32_t>(seqPosition);
    uint8_t *song = host.At<uint8_t>(seqSong);
    if (!position || !song)
        return false;
    int32_t end[2];
    std::memcpy(end, song + 0x2814, sizeof end);
    return position[0] > end[0] || (position[0] == end[0] && position[1] >= end[1]);
}

// The chord step of a track: the state follows the chord groups' step values while its parameter is set.
void StepChord(MIDITrackRecord &record)
{
    if (record.state < 0 || record.elapsed != 0)
        return;
    if (record.state == 0 && record.parameter != 0) {
        int next = record.next ? (record.next[4] >> 3) & 0xF : 0;
        record.state = static_cast<int16_t>(next ? next : 2);
        record.chordStep = static_cast<int16_t>(record.chordStep + record.state);
        if (record.chordStep > 12) {
            record.chordStep = static_cast<int16_t>(record.chordStep - record.state + 1);
            record.state = 1;
        }
    } else if (record.chordStep > 0 && record.chordStep < record.state) {
        record.state = static_cast<int16_t>(record.state - record.chordStep);
        record.chordStep = 0;
    } else if (record.chordStep > 0 && record.chordStep >= record.state) {
        record.chordStep = static_cast<int16_t>(record.chordStep - record.state + 1);
        record.state = 1;
    }
}

void CountIn(const Host &host, int countdown, int presetSet)
{
    int32_t *left = host.At<int32_t>(countdown);
    if (!left || *left <= 0)
        return;
    if (--*left != 1)
        return;
    host.Set<int32_t>(seqTimeStamp, static_cast<int32_t>(MIDIGetCurTime(host.Short(seqMidiRefNum))));
    MIDITrackRecord *presets = host.At<MIDITrackRecord>(seqCountInPresets);
    const int numbers[4] = {host.CurrentTrack(), host.TrackIndex(host.Short(seqCountInTrack1)),
                            host.TrackIndex(host.Short(seqCountInTrack2)), host.TrackIndex(host.Short(seqCountInTrack3))};
    for (int i = 0; i < 4; ++i) {
        MIDITrackRecord *track = host.Track(numbers[i]);
        if (!track)
            continue;
        ReleaseTrack(host, numbers[i]);
        if (presets)
            *track = presets[presetSet * 4 + i];
    }
    if (presetSet == 1) {
        // The held keys echoed on the current track are let go.
        uint8_t *held = host.At<uint8_t>(seqHeldKeys);
        int current = host.CurrentTrack();
        for (int note = 0; held && current >= 0 && note < 128; ++note)
            if (held[note])
                NoteOff(host, current, note);
        ReleaseAllTracks(host);
    }
}

// One tick of playback.
void PlayTick(const Host &host)
{
    int count = host.TrackCount();
    if (host.Byte(seqStopAtEnd) && host.Byte(seqPlaying) && PastEnd(host))
        StopPlayback(host);

    if (int32_t *position = host.At<int32_t>(seqPosition))
        ++position[1];
    for (int t = 0; t < count; ++t) {
        MIDITrackRecord *record = host.Track(t);
        if (!record || record->state == kTrackEnded)
            continue;
        if (record->state < 0 || record->elapsed >= record->state) {
            if (AdvanceTrack(host, t, *record) == Walk::Restored)
                break;
            uint8_t *classes = host.At<uint8_t>(seqVelocityClasses);
            if (record->state >= 0 && classes)
                record->velocityClass = classes + 32 * VelocityClass(record->velocity);
        }
    }

    if (int32_t *position = host.At<int32_t>(seqPosition)) {
        ++position[0];
        position[1] = 0;
    }
    MIDITrackRecord *tracks = host.At<MIDITrackRecord>(seqTracks);
    if (!tracks)
        count = 0;
    bool allEnded = count > 0;
    for (int t = 0; t < count; ++t) {
        MIDITrackRecord *record = &tracks[t];
        StepChord(*record);
        if (record->state >= 0 && record->elapsed < record->state)
            ++record->elapsed;
        allEnded = allEnded && record->state == kTrackEnded;
    }

    MIDITrackRecord *current = host.Track(host.CurrentTrack());
    if ((allEnded && host.Byte(seqPlaying)) ||
        (current && current->state == kTrackEnded && host.Byte(seqCountInPlaying)))
        StopPlayback(host);
    for (int t = 0; t < count; ++t) {
        MIDITrackRecord *record = &tracks[t];
        if (record->state == kTrackEnded || !TrackPlays(host, t) || record->state < 0) {
            ReleaseTrack(host, t);
            continue;
        }
        uint8_t notes[seqVoices];
        int n = ChordNotes(*record, notes);
        PlayChord(host, t, notes, n, record->velocity);
    }

    RampTempo(host);
    if (host.Byte(seqCountIn)) {
        CountIn(host, seqCountDown1, 0);
        CountIn(host, seqCountDown2, 1);
    }
    host.Set<int32_t>(seqTickPosition, host.Long(seqTickPosition) + 1);
}

// ---- Input ----

// Copies input events into the byte ring while a whole event fits; the rest waits in the MIDI Manager's
// ring for the next step.
void DrainInput()
{
    MIDIInputEvent event;
    while (kInputRingBytes - sInputHeld >= kInputEventBytes && MidiTakeInputEvent(&event)) {
        uint8_t status = event.message & 0xFF;
        uint8_t kind = status & 0xF0;
        uint8_t data1 = static_cast<uint8_t>(event.message >> 8), data2 = static_cast<uint8_t>(event.message >> 16);
        // A data byte with its high bit set is no MIDI: taken, it would pass for a status or a marker.
        if ((kind != 0x80 && kind != 0x90 && kind != 0xC0) || (data1 & 0x80) || (kind != 0xC0 && (data2 & 0x80)))
            continue;
        const uint8_t bytes[kInputEventBytes] = {
            0xF8, static_cast<uint8_t>(event.timeStamp), static_cast<uint8_t>(event.timeStamp >> 8),
            static_cast<uint8_t>(event.timeStamp >> 16), static_cast<uint8_t>(event.timeStamp >> 24), status, data1,
            static_cast<uint8_t>(kind == 0xC0 ? 0 : data2)};
        for (uint8_t b : bytes) {
            sInputBytes[(sInputRead + sInputHeld) % kInputRingBytes] = b;
            ++sInputHeld;
        }
    }
}

bool TakeInputByte(uint8_t *b)
{
    if (sInputHeld == 0)
        return false;
    *b = sInputBytes[sInputRead];
    sInputRead = (sInputRead + 1) % kInputRingBytes;
    --sInputHeld;
    return true;
}

bool ChannelAccepted(const Host &host, int channel)
{
    switch (host.Field<int16_t>(seqInputSettings, 18)) {
    case 1: return channel == host.Field<int16_t>(seqInputSettings, 0);
    case 2: return channel == host.Short(seqInputChannel);
    default: return true;
    }
}

void WriteRecorded(const Host &host, uint16_t delta, uint8_t note, uint8_t velocity)
{
    int32_t *offset = host.At<int32_t>(seqRecordOffset);
    uint8_t *buffer = host.Get<uint8_t *>(seqRecordBuffer);
    int32_t capacity = host.Long(seqRecordCapacity);
    if (!offset || !buffer || *offset < 0 || *offset > capacity - 4)
        return;
    MIDIRecordedEvent event = {delta, note, velocity};
    std::memcpy(buffer + *offset, &event, sizeof event);
    *offset += 4;
}

// Adds the time since the last stamp to the recording's delta, writing stretches over 15000 as fillers.
int32_t AccumulateRecordingTime(const Host &host)
{
    uint32_t now = MIDIGetCurTime(host.Short(seqMidiRefNum));
    int32_t total = host.Short(seqRecordDelta) + static_cast<int32_t>(now - static_cast<uint32_t>(host.Long(seqTimeStamp)));
    host.Set<int32_t>(seqTimeStamp, static_cast<int32_t>(now));
    if (total < 0)
        total = 0;
    while (total > seqRecordFiller) {
        WriteRecorded(host, seqRecordFiller, 0xFF, 0);
        total -= seqRecordFiller;
    }
    host.Set<int16_t>(seqRecordDelta, static_cast<int16_t>(total));
    return total;
}

void Record(const Host &host, uint8_t note, uint8_t velocity)
{
    int32_t delta = AccumulateRecordingTime(host);
    if (host.Short(seqCountInSteps) > 0 || (host.Byte(seqCountIn) && host.Long(seqCountDown1) >= 1))
        delta = 0;
    if (!host.Byte(seqRecordingBegun)) {
        host.Set<uint8_t>(seqRecordingBegun, 1);
        host.Set<int32_t>(seqMetroPhase, host.Long(seqMetroSavedPhase) + (host.Ticks() - host.Long(seqTickPosition)));
        host.Set<int16_t>(seqMetroBeat, host.Short(seqMetroSavedBeat));
    }
    WriteRecorded(host, static_cast<uint16_t>(delta), note, velocity);
    host.Set<int16_t>(seqRecordDelta, 0);
}

void HandleNote(const Host &host, bool on, uint8_t note, uint8_t velocity)
{
    uint8_t *held = host.At<uint8_t>(seqHeldKeys);
    int16_t *heldCount = host.At<int16_t>(seqHeldCount);
    bool changed = false;
    if (held && heldCount && !host.Byte(seqInputFrozen)) {
        if (on && !held[note]) {
            held[note] = 1;
            ++*heldCount;
            changed = true;
        } else if (!on && held[note]) {
            held[note] = 0;
            if (*heldCount > 0)
                --*heldCount;
            changed = true;
        }
    }
    bool recording = host.Byte(seqRecording) != 0;
    int current = host.CurrentTrack();
    if (recording) {
        uint8_t recorded = velocity;
        if (on && !host.Field<uint8_t>(seqInputSettings, 24))
            if (MIDITrackRecord *track = host.Track(current))
                recorded = static_cast<uint8_t>(track->velocity & 0x7F);
        Record(host, note, on ? recorded : 0);
    } else if (changed && (host.Byte(seqNoteReports) || host.Byte(seqInputStepEntry))) {
        uint16_t report[2] = {note, static_cast<uint16_t>(on ? velocity : 0)};
        if (on || (heldCount && *heldCount == 0)) {
            if (uint16_t *cell = host.At<uint16_t>(seqNoteReport)) {
                cell[0] = report[0];
                cell[1] = report[1];
            }
            PostEvent(host, static_cast<int32_t>(report[0] | static_cast<uint32_t>(report[1]) << 16));
        }
    }
    bool echo = host.Field<int16_t>(seqInputSettings, 6) == 1 &&
                (recording || host.Byte(seqEchoIdle) || host.Byte(seqInputEcho));
    if (echo && current >= 0)
        Send(static_cast<uint8_t>(0x90 | host.Channel(current)), note, on ? velocity : 0);
}

void HandleProgram(const Host &host, uint8_t program)
{
    bool recording = host.Byte(seqRecording) != 0;
    if (recording)
        Record(host, 0xFE, program);
    else if (host.Byte(seqInputStepEntry) || host.Byte(seqStepEntry))
        PostEvent(host, static_cast<int32_t>(program | 1u << 16));
    int current = host.CurrentTrack();
    if (host.Field<int16_t>(seqInputSettings, 6) == 1 && current >= 0 &&
        (recording || host.Byte(seqEchoIdle) || host.Byte(seqInputEcho)))
        Send(static_cast<uint8_t>(0xC0 | host.Channel(current)), program);
}

// Parses the byte ring: a time-stamp marker, then each event's status and its data bytes. Every event
// in the ring carries its status and two bytes; what a program change leaves over is skipped.
void ParseInput(const Host &host)
{
    uint8_t *running = host.At<uint8_t>(seqRunningStatus);
    if (!running)
        return;
    uint8_t data[2];
    int held = -1;
    uint8_t b;
    while (TakeInputByte(&b)) {
        if (b == 0xF8) {
            for (int i = 0; i < 4 && TakeInputByte(&b); ++i) {
            }
            continue;
        }
        if (b & 0x80) {
            uint8_t kind = b & 0xF0;
            bool taken = (kind == 0x80 || kind == 0x90 || kind == 0xC0) && ChannelAccepted(host, b & 0x0F);
            *running = taken ? kind : 0xFF;
            held = 0;
            continue;
        }
        if (held < 0 || *running == 0xFF || host.Byte(seqIgnoreInput))
            continue;
        data[held++] = b;
        if (*running == 0xC0) {
            HandleProgram(host, data[0]);
            held = -1;
        } else if (held == 2) {
            HandleNote(host, *running == 0x90 && data[1] > 0, data[0], data[1]);
            held = -1;
        } else {
            continue;
        }
        host.Set<uint8_t>(seqInputArrived, 1);
    }
}

// ---- The step's stages ----

void ReleaseRequested(const Host &host)
{
    uint8_t *request = host.At<uint8_t>(seqReleaseRequest);
    if (!request || !*request)
        return;
    *request = 0;
    for (int t = 0; t < host.TrackCount(); ++t) {
        int16_t *releases = host.Voices(seqReleases, t);
        for (int v = 0; releases && v < seqVoices; ++v)
            if (releases[v] > 0) {
                NoteOff(host, t, releases[v]);
                releases[v] = 0;
            }
    }
}

bool Playing(const Host &host)
{
    return host.Byte(seqPlaying) || host.Byte(seqCountInPlaying) ||
           (host.Byte(seqRecording) && host.Byte(seqRecordingBegun));
}

void RunClock(const Host &host)
{
    bool wanted = host.Byte(seqClockWanted) != 0;
    bool running = host.Byte(seqClockRunning) != 0;
    bool clocked = host.Byte(seqPlaying) || host.Byte(seqCountInPlaying) ||
                   (host.Byte(seqRecording) && host.Byte(seqRecordingBegun) && host.Short(seqCountInSteps) <= 0);
    if (!clocked || wanted == running)
        return;
    if (!running) {
        Send(0xFA);
        host.Set<int32_t>(seqTickPosition, host.Ticks() - 1);
        Send(0xF8);
        host.Set<uint8_t>(seqClockRunning, 1);
    } else {
        if (MIDITimeRecord *time = host.Time())
            time->clockMark = 0;
        Send(0xFC);
        host.Set<uint8_t>(seqClockRunning, 0);
    }
}

// Sends a 3-byte click from the host, or its end: the first two bytes with velocity 0.
void Click(const Host &host, int message, bool end)
{
    const uint8_t *m = host.At<uint8_t>(message);
    if (m)
        Send(m[0], m[1], end ? 0 : m[2]);
}

void RunMetronome(const Host &host, int32_t ticks)
{
    if (host.Byte(seqClickOtherOn)) {
        Click(host, seqClickOther, true);
        host.Set<uint8_t>(seqClickOtherOn, 0);
    }
    if (host.Byte(seqClickFirstOn)) {
        Click(host, seqClickFirst, true);
        host.Set<uint8_t>(seqClickFirstOn, 0);
    }
    int16_t perBeat = host.Short(seqMetroStepsPerBeat);
    if (!host.Short(seqMetronome) || perBeat <= 0 || ticks <= 0)
        return;
    int32_t phase = host.Long(seqMetroPhase) + ticks;
    if (phase < perBeat) {
        host.Set<int32_t>(seqMetroPhase, phase);
        return;
    }
    host.Set<int32_t>(seqMetroPhase, phase % perBeat);
    int16_t beat = host.Short(seqMetroBeat);
    if (beat == 0) {
        Click(host, seqClickFirst, false);
        host.Set<uint8_t>(seqClickFirstOn, 1);
    } else {
        Click(host, seqClickOther, false);
        host.Set<uint8_t>(seqClickOtherOn, 1);
    }
    ++beat;
    if (beat >= host.Short(seqMetroBeatsPerBar) || beat < 0)
        beat = 0;
    host.Set<int16_t>(seqMetroBeat, beat);
}

void CountDownRecording(const Host &host, int32_t ticks)
{
    if (!host.Byte(seqRecording) || !host.Byte(seqRecordingBegun))
        return;
    int16_t left = host.Short(seqCountInSteps);
    if (left > 0) {
        left = static_cast<int16_t>(left > ticks ? left - ticks : 0);
        host.Set<int16_t>(seqCountInSteps, left);
        if (left == 0)
            host.Set<int16_t>(seqMetronome, host.Short(seqMetronomeAfterCountIn));
    }
    AccumulateRecordingTime(host);
}

} // namespace

void RunSequencerStep(uint8_t *interfaceRecord)
{
    if (!interfaceRecord)
        return;
    Host host{interfaceRecord};
    if (!host.Time())
        return;
    ReleaseRequested(host);
    RunClock(host);
    DrainInput();
    ParseInput(host);

    int32_t before = host.Long(seqTickPosition);
    if (Playing(host)) {
        for (int i = 0; i < kTicksPerStep && host.Ticks() > host.Long(seqTickPosition) && Playing(host); ++i)
            PlayTick(host);
    }
    if (!Playing(host)) {
        host.Set<int32_t>(seqTickPosition, host.Ticks());
        ReleaseAllTracks(host);
        if (host.Byte(seqClockRunning)) {
            Send(0xFC);
            host.Set<uint8_t>(seqClockRunning, 0);
        }
    }
    int32_t ticks = host.Long(seqTickPosition) - before;
    RunMetronome(host, ticks);
    CountDownRecording(host, ticks);
    host.Set<uint8_t>(seqStepFlag, 0);
}

// Test seam: one step on the given interface record, on the caller's thread.
ZEL_EXTERN_C void ZEL_CALL RunMidiSequencerStep(void *interfaceRecord)
{
    RunSequencerStep(static_cast<uint8_t *>(interfaceRecord));
}
