/* MIDI Manager: ports, packets, the input ring, the time record and the sequencer interface record. */
#ifndef TOLVADEX_MIDI_H
#define TOLVADEX_MIDI_H
#define __MIDI__

#include "MacTypes.h"

#pragma pack(push, 2)

/* Port types of MIDIPortParams.portType. */
enum {
    midiPortTypeTime = 0,
    midiPortTypeInput = 1,
    midiPortTypeOutput = 2,
    midiPortTypeTimeInv = 3
};

enum {
    midiTooManyPortsErr = -252, /* every one of the nine port slots is in use */
    midiEventQueueFull = -203   /* the sequencer's event queue to the host has no room */
};

/* A port as the host describes it to MIDIAddPort; the library keeps a copy of the whole record. A slot is
   in use while its refCon is nonzero; for a time-base port refCon is the address of the host's
   MIDITimeRecord, advanced by the library's 20-millisecond timer. */
typedef struct MIDIPortParams {
    OSType portID;
    int16_t portType;
    int16_t timeBase;
    int32_t offsetTime;
    Ptr readHook;
    int32_t refCon;
    uint8_t initClock[8];
    Str255 name;
} MIDIPortParams;
typedef MIDIPortParams *MIDIPortParamsPtr;

/* A packet of MIDIWritePacket: len counts the six header bytes; up to four data bytes are sent. */
typedef struct MIDIPacket {
    uint8_t flags;
    uint8_t len;
    int32_t tStamp;
    uint8_t data[249];
} MIDIPacket;
typedef MIDIPacket *MIDIPacketPtr;

/* The host's time record: the timer adds `rate` (16.16) to `fraction` four times a period and carries
   the whole part into `tickCount`. The sequencer clears `clockMark` when it stops the MIDI clock. */
typedef struct MIDITimeRecord {
    uint8_t hostData[26];
    int32_t tickCount;
    Fixed rate;
    int32_t fraction;
    int32_t clockMark;
} MIDITimeRecord;

/* One input message: kind 3, the device's time stamp (milliseconds since input started), and the
   message (status in the low byte, then the two data bytes). */
typedef struct MIDIInputEvent {
    uint32_t kind;
    uint32_t timeStamp;
    uint32_t message;
} MIDIInputEvent;

/* The input ring the device callback fills and MIDIGetEvent empties. */
typedef struct MIDIInputRing {
    uint32_t headerMemory;
    uint32_t eventMemory;
    uint16_t overflow;
    uint32_t capacity;
    volatile int32_t count;
    MIDIInputEvent *first;
    MIDIInputEvent *end;
    MIDIInputEvent *write;
    MIDIInputEvent *read;
} MIDIInputRing;

/* The sequencer interface record registered with MIDISetIFStruct: each entry is the address of one of the
   host's variables or tables, at these byte offsets. The pattern sequencer reads and changes them from
   the timer's thread once a period. Tracks are numbered from 1 where the host names one. */
enum {
    seqTimeRecord = 0x00,      /* MIDITimeRecord */
    seqTempoTable = 0x04,      /* Fixed rates, tempo 30 first, through tempo 255 */
    seqReleaseRequest = 0x08,  /* u8 */
    seqClickOther = 0x0C,      /* 3-byte note-on of the metronome's other beats */
    seqClickFirst = 0x10,      /* 3-byte note-on of beat 0 */
    seqClockRunning = 0x20,    /* u8 */
    seqNoteReport = 0x24,      /* {u16 note, u16 velocity} */
    seqSounding = 0x28,        /* i16 [32 tracks][8 voices]: 0 free, -1 free to re-trigger, below -1 waiting */
    seqReleases = 0x2C,        /* i16 [32][8]: notes turned off at the next step */
    seqRunningStatus = 0x30,   /* u8 */
    seqHeldKeys = 0x38,        /* u8 [128] */
    seqInputFrozen = 0x3C,     /* u8 */
    seqHeldCount = 0x40,       /* i16 */
    seqInputArrived = 0x44,    /* u8 */
    seqTrackCount = 0x48,      /* i16, 0..32 */
    seqPlaying = 0x4C,         /* u8 */
    seqLoopArmed = 0x58,       /* u8 */
    seqLoopPass = 0x5C,        /* u8 */
    seqStopAtEnd = 0x60,       /* u8 */
    seqRecording = 0x64,       /* u8 */
    seqEchoIdle = 0x68,        /* u8: echo while not recording */
    seqRecordingBegun = 0x6C,  /* u8 */
    seqCountInPlaying = 0x70,  /* u8 */
    seqStepFlag = 0x74,        /* u8, cleared after every step */
    seqClickOtherOn = 0x78,    /* u8 */
    seqClickFirstOn = 0x7C,    /* u8 */
    seqCountIn = 0x80,         /* u8 */
    seqCountDown1 = 0x84,      /* i32 */
    seqCountDown2 = 0x88,      /* i32 */
    seqSongSettings = 0x8C,    /* record: i16 at 0x2A (negative: no song), i16 at 0x38 the current track,
                                  u8 programs per track from 0x53 */
    seqSongInput = 0x90,       /* u8 */
    seqTimeStamp = 0x94,       /* i32: MIDIGetCurTime of the last recording or count-in event */
    seqMetroPhase = 0x9C,      /* i32 */
    seqMetroBeat = 0xA0,       /* i16 */
    seqMetroStepsPerBeat = 0xA4, /* i16 */
    seqMetroSavedPhase = 0xA8, /* i32 */
    seqMetroSavedBeat = 0xAC,  /* i16 */
    seqMetroBeatsPerBar = 0xB0, /* i16 */
    seqCountInSteps = 0xB8,    /* i16 */
    seqChannels = 0xBC,        /* i16 [33]: the channel of tracks 1..32 */
    seqInputSettings = 0xC0,   /* record: i16 at 0 channel, i16 at 6 (1: echo), i16 at 18 channel filter,
                                  u8 at 24 played velocity, 26 alternative chord player, 27 event programs */
    seqHold = 0xC4,            /* u8 */
    seqTempo = 0xC8,           /* i16 beats per minute */
    seqValue = 0xCC,           /* i16 set by event -7 */
    seqPosition = 0xD0,        /* {i32 bar, i32 step} */
    seqLoopStart = 0xD4,       /* {i32 bar, i32 step} */
    seqLoopRestart = 0xD8,     /* {i32 bar, i32 step} */
    seqTrackPrograms = 0xDC,   /* i16 [32] set by event -10 */
    seqLoopCount = 0xE0,       /* i16 */
    seqCountInTrack1 = 0xE4,   /* i16 */
    seqCountInTrack2 = 0xE8,   /* i16 */
    seqCountInTrack3 = 0xEC,   /* i16 */
    seqStepEntry = 0xF4,       /* u8 */
    seqSoloTrack = 0xF8,       /* u8, 0: none */
    seqSongLoaded = 0xFC,      /* pointer */
    seqTracks = 0x100,         /* 32 MIDITrackRecord */
    seqLoopSnapshot = 0x104,   /* 32 MIDITrackRecord */
    seqRestartSnapshot = 0x108, /* 32 MIDITrackRecord */
    seqMidiRefNum = 0x110,     /* i16 */
    seqVelocityClasses = 0x118, /* 32 bytes per class 1..6 */
    seqTrackEnabled = 0x11C,   /* u8 [32] */
    seqClockWanted = 0x120,    /* u8 */
    seqTickPosition = 0x124,   /* i32 */
    seqSong = 0x128,           /* record: end position {i32 bar, i32 step} at 0x2814 */
    seqTemplateIndex = 0x12C,  /* i16 count, then i16 offsets into the template strings */
    seqTemplateStrings = 0x130, /* Pascal strings */
    seqTemplateMasks = 0x134,  /* i16 per template */
    seqRampTarget = 0x138, seqRampStep = 0x13C, seqRampRepeats = 0x140, seqRampDirection = 0x144,
    seqRampInterval = 0x148, seqRampCountdown = 0x14C, /* i16 each */
    seqCountInPresets = 0x150, /* 8 MIDITrackRecord: two sets of four */
    seqMetronome = 0x154,      /* i16 */
    seqMetronomeAfterCountIn = 0x158, /* i16 */
    seqDisplayOn = 0x15C,      /* u8 */
    seqDisplayFilter = 0x160,  /* i32: 17 all, 18 none, else channel + 1 */
    seqDisplayList = 0x164,    /* MIDIKeyDisplayEntry [139] */
    seqDisplayCount = 0x168,   /* i32 */
    seqInputStepEntry = 0x16C, seqIgnoreInput = 0x170, seqInputEcho = 0x174, seqNoteReports = 0x178, /* u8 */
    seqRecordDelta = 0x184,    /* i16 */
    seqInputChannel = 0x188,   /* i16 */
    seqRecordOffset = 0x18C,   /* i32 */
    seqRecordCapacity = 0x190, /* i32 */
    seqRecordBuffer = 0x194,   /* pointer to MIDIRecordedEvent */
    seqQueueTicks = 0x198,     /* i32 [50] */
    seqQueueValues = 0x19C,    /* i32 [50] */
    seqQueueTail = 0x1A0,      /* i16 */
    seqQueueHead = 0x1A4,      /* i16 */
    seqInterfaceSize = 0x1A8
};

enum { seqMaxTracks = 32, seqVoices = 8, seqQueueEntries = 50, seqDisplayEntries = 139,
       seqFirstTempo = 30, seqLastTempo = 255, seqRecordFiller = 15000 };

/* A track's playing state. */
typedef struct MIDITrackRecord {
    uint8_t hostData[4];
    uint8_t *velocityClass;
    uint8_t hostData2[6];
    int16_t chordStep;
    int16_t state;       /* a note's length, a negative event code, or -128 at the track's end */
    int16_t elapsed;
    int16_t parameter;
    int16_t previousParameter;
    int16_t chordNotes;  /* 1..8 */
    int16_t velocity;
    uint8_t previousTie;
    uint8_t tie;
    const uint8_t *next; /* the event being played, or the next to play */
} MIDITrackRecord;

/* A recorded input event; a stretch of more than 15000 milliseconds is written as fillers of 15000
   with note 0xFF. A program change is note 0xFE with the program as its velocity. */
typedef struct MIDIRecordedEvent {
    uint16_t delta;
    uint8_t note;
    uint8_t velocity;
} MIDIRecordedEvent;

/* One change of the on-screen keyboard: the key's rectangle, its left edge negated while it is down. */
typedef struct MIDIKeyDisplayEntry {
    int16_t pitchClass;
    int16_t top, left, bottom, right;
    int16_t note;
} MIDIKeyDisplayEntry;

#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(MIDIPortParams) == 284, "MIDIPortParams is 284 bytes");
ZEL_STATIC_ASSERT(offsetof(MIDIPortParams, portType) == 4, "portType at 4");
ZEL_STATIC_ASSERT(offsetof(MIDIPortParams, refCon) == 16, "refCon at 16");
ZEL_STATIC_ASSERT(offsetof(MIDIPortParams, initClock) == 20, "initClock at 20");
ZEL_STATIC_ASSERT(offsetof(MIDIPortParams, name) == 28, "name at 28");
ZEL_STATIC_ASSERT(offsetof(MIDIPacket, len) == 1, "len at 1");
ZEL_STATIC_ASSERT(offsetof(MIDIPacket, tStamp) == 2, "tStamp at 2");
ZEL_STATIC_ASSERT(offsetof(MIDIPacket, data) == 6, "data at 6");
ZEL_STATIC_ASSERT(offsetof(MIDITimeRecord, tickCount) == 26, "tickCount at 26");
ZEL_STATIC_ASSERT(offsetof(MIDITimeRecord, rate) == 30, "rate at 30");
ZEL_STATIC_ASSERT(offsetof(MIDITimeRecord, fraction) == 34, "fraction at 34");
ZEL_STATIC_ASSERT(offsetof(MIDITimeRecord, clockMark) == 38, "clockMark at 38");
ZEL_STATIC_ASSERT(sizeof(MIDIInputEvent) == 12, "MIDIInputEvent is 12 bytes");
ZEL_STATIC_ASSERT(sizeof(MIDIInputRing) == 34, "MIDIInputRing is 34 bytes");
ZEL_STATIC_ASSERT(offsetof(MIDIInputRing, overflow) == 8, "overflow at 8");
ZEL_STATIC_ASSERT(offsetof(MIDIInputRing, count) == 14, "count at 14");
ZEL_STATIC_ASSERT(offsetof(MIDIInputRing, read) == 30, "read at 30");
ZEL_STATIC_ASSERT(sizeof(MIDITrackRecord) == 34, "MIDITrackRecord is 34 bytes");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, velocityClass) == 4, "velocityClass at 4");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, chordStep) == 14, "chordStep at 14");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, state) == 16, "state at 16");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, chordNotes) == 24, "chordNotes at 24");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, tie) == 29, "tie at 29");
ZEL_STATIC_ASSERT(offsetof(MIDITrackRecord, next) == 30, "next at 30");
ZEL_STATIC_ASSERT(sizeof(MIDIRecordedEvent) == 4, "MIDIRecordedEvent is 4 bytes");
ZEL_STATIC_ASSERT(sizeof(MIDIKeyDisplayEntry) == 12, "MIDIKeyDisplayEntry is 12 bytes");

ZEL_API int32_t ZEL_CALL SndDispVersion(int16_t toolNumber);
ZEL_API OSErr ZEL_CALL MIDISignIn(OSType clientID, int32_t refCon, Handle icon, ConstStr255Param name);
ZEL_API void ZEL_CALL MIDISignOut(OSType clientID);
ZEL_API Handle ZEL_CALL MIDIGetClients(void);
ZEL_API Handle ZEL_CALL MIDIGetPorts(OSType clientID);
ZEL_API void ZEL_CALL MIDIGetClientName(OSType clientID, Str255 name);
ZEL_API OSErr ZEL_CALL MIDIAddPort(OSType clientID, int16_t bufSize, int16_t *refNum, MIDIPortParamsPtr init);
ZEL_API void ZEL_CALL MIDISetPorts(int16_t inputDevice, int16_t outputDevice);
ZEL_API Handle ZEL_CALL MIDIGetPortInfo(OSType clientID, OSType portID);
ZEL_API OSErr ZEL_CALL MIDIConnectData(OSType srcClient, OSType srcPort, OSType dstClient, OSType dstPort);
ZEL_API void ZEL_CALL MIDIFlush(int16_t refNum);
ZEL_API void ZEL_CALL MIDISetOffsetTime(int16_t refNum, int32_t offsetTime);
ZEL_API void ZEL_CALL MIDISetThru(int16_t on);
ZEL_API void ZEL_CALL MIDIWakeUp(int16_t refNum, int32_t time, int32_t period, ProcPtr timeProc);
ZEL_API uint32_t ZEL_CALL MIDIGetCurTime(int16_t refNum);
ZEL_API void ZEL_CALL MIDISetCurTime(int16_t refNum, uint32_t time);
ZEL_API void ZEL_CALL MIDIResetInput(int16_t refNum);
ZEL_API void ZEL_CALL MIDIStartTime(int16_t refNum);
ZEL_API void ZEL_CALL MIDIStopTime(int16_t refNum);
ZEL_API OSErr ZEL_CALL MIDIWritePacket(int16_t refNum, MIDIPacketPtr packet);
ZEL_API Boolean ZEL_CALL MIDIGetEvent(MIDIInputEvent *event);
ZEL_API void ZEL_CALL MIDIPutEvent(MIDIInputRing *ring, const MIDIInputEvent *event);
/* The input device's callback (a Windows MIDI input callback). */
ZEL_API void ZEL_CALL MIDIInputHandler(uint32_t inputHandle, uint32_t message, uint32_t instance,
                                       uint32_t param1, uint32_t param2);
/* Registers the host's sequencer interface record, run by the timer once a period (0: none). */
ZEL_API void ZEL_CALL MIDISetIFStruct(void *interfaceRecord);

#endif
