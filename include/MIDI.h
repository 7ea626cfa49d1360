/* MIDI Manager: ports, packets, the input ring, the time record and the sequencer interface record. */
#ifndef TOLVADEX_MIDI_H
#define TOLVADEX_MIDI_H

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
