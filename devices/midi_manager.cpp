// The MIDI Manager: a table of nine ports, one output device for everything sent, one input device whose
// messages collect in a page-locked ring, and a 20-millisecond multimedia timer that advances the host's
// time record and runs the pattern sequencer.
#include "midi_private.h"

#include <cstring>

#include "../core/core_services.h"

namespace {

constexpr int kPortSlots = 10;          // slot 0 is never handed out
constexpr int kInputHandles = 5;        // only the first is ever opened
constexpr uint32_t kRingCapacity = 2400;
constexpr UINT kTimerPeriod = 20;
constexpr uint32_t kInputEventKind = 3;

// The input callback's instance: 24 bytes of page-locked memory the device hands back with each message.
#pragma pack(push, 2)
struct MidiInputInstance {
    uint32_t zero;
    HGLOBAL memory;
    uint32_t kind;
    MIDIInputRing *ring;
    volatile HMIDIOUT output;   // the output that thru echoes go to: always the current one
    volatile uint32_t thru;
};
#pragma pack(pop)
static_assert(sizeof(MidiInputInstance) == 24, "the input instance is 24 bytes");

// The timer's user value.
struct MidiTimerRecord {
    MIDITimeRecord *timeRecord;
    volatile uint32_t *currentTime;
    uint16_t period;
    uint8_t *volatile sequencer;
};

MIDIPortParams sPorts[kPortSlots];
int16_t sOutputDevice;
int16_t sInputDevice;
HMIDIOUT sOutput;
HMIDIIN sInputs[kInputHandles];
volatile uint32_t sCurrentTime;
uint32_t sSavedThru;
UINT sTimer;
bool sPeriodRefused;
uint8_t *sSequencer;
MIDIInputRing *sRing;
MidiInputInstance *sInstance;
MidiTimerRecord sTimerRecord;

// ---- The device calls, real or recorded ----

const MidiDeviceCalls kWinmm = {
    midiOutOpen, midiOutShortMsg, midiOutClose, midiOutReset,
    midiInOpen,  midiInStart,     midiInReset,  midiInClose,
};

// The recording double: opens without a device, hands out numbered handles and logs every call as
// {call, handle, value} for the test programs.
enum DoubleCall : uint32_t {
    kOutOpen = 1, kOutShortMsg, kOutClose, kOutReset, kInOpen, kInStart, kInReset, kInClose
};
constexpr int kDoubleLogSize = 8192;
uint32_t sDoubleLog[kDoubleLogSize][3];
int32_t sDoubleLogged;
uint32_t sDoubleHandles;

struct DoubleLock {
    CRITICAL_SECTION section;
    DoubleLock() { InitializeCriticalSection(&section); }
};
CRITICAL_SECTION *DoubleLogLock()
{
    static DoubleLock lock;
    return &lock.section;
}

void LogDoubleCall(uint32_t call, uint32_t handle, uint32_t value)
{
    EnterCriticalSection(DoubleLogLock());
    if (sDoubleLogged < kDoubleLogSize) {
        sDoubleLog[sDoubleLogged][0] = call;
        sDoubleLog[sDoubleLogged][1] = handle;
        sDoubleLog[sDoubleLogged][2] = value;
        ++sDoubleLogged;
    }
    LeaveCriticalSection(DoubleLogLock());
}

MMRESULT WINAPI DoubleOutOpen(LPHMIDIOUT out, UINT device, DWORD_PTR, DWORD_PTR, DWORD)
{
    uint32_t handle = 0x4D000 + static_cast<uint32_t>(InterlockedIncrement(reinterpret_cast<volatile LONG *>(&sDoubleHandles)));
    *out = reinterpret_cast<HMIDIOUT>(handle);
    LogDoubleCall(kOutOpen, handle, device);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleOutShortMsg(HMIDIOUT out, DWORD message)
{
    LogDoubleCall(kOutShortMsg, reinterpret_cast<uint32_t>(out), message);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleOutClose(HMIDIOUT out)
{
    LogDoubleCall(kOutClose, reinterpret_cast<uint32_t>(out), 0);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleOutReset(HMIDIOUT out)
{
    LogDoubleCall(kOutReset, reinterpret_cast<uint32_t>(out), 0);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleInOpen(LPHMIDIIN in, UINT, DWORD_PTR, DWORD_PTR instance, DWORD)
{
    uint32_t handle = 0x4E000 + static_cast<uint32_t>(InterlockedIncrement(reinterpret_cast<volatile LONG *>(&sDoubleHandles)));
    *in = reinterpret_cast<HMIDIIN>(handle);
    LogDoubleCall(kInOpen, handle, static_cast<uint32_t>(instance));
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleInStart(HMIDIIN in)
{
    LogDoubleCall(kInStart, reinterpret_cast<uint32_t>(in), 0);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleInReset(HMIDIIN in)
{
    LogDoubleCall(kInReset, reinterpret_cast<uint32_t>(in), 0);
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI DoubleInClose(HMIDIIN in)
{
    LogDoubleCall(kInClose, reinterpret_cast<uint32_t>(in), 0);
    return MMSYSERR_NOERROR;
}

const MidiDeviceCalls kDouble = {
    DoubleOutOpen, DoubleOutShortMsg, DoubleOutClose, DoubleOutReset,
    DoubleInOpen,  DoubleInStart,     DoubleInReset,  DoubleInClose,
};

const MidiDeviceCalls *sDevices = &kWinmm;

// ---- The output and the input's page-locked memory ----

void SetOutput(HMIDIOUT output)
{
    sOutput = output;
    if (sInstance)
        sInstance->output = output;
}

void CloseOutput()
{
    if (!sOutput)
        return;
    sDevices->outReset(sOutput);
    sDevices->outClose(sOutput);
    SetOutput(nullptr);
}

void OpenOutput()
{
    HMIDIOUT output = nullptr;
    if (sDevices->outOpen(&output, static_cast<UINT>(sOutputDevice), 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        ReportUnimplemented(" No MIDI output found, Silent mode enabled");
        output = nullptr;
    }
    SetOutput(output);
}

void CloseFirstInput()
{
    if (!sInputs[0])
        return;
    sDevices->inReset(sInputs[0]);
    sDevices->inClose(sInputs[0]);
    sInputs[0] = nullptr;
}

// Opens the first input device on the instance and starts it. The outcome is reported only on failure.
void OpenFirstInput()
{
    HMIDIIN input = nullptr;
    MMRESULT result = sDevices->inOpen(&input, static_cast<UINT>(sInputDevice),
                                       reinterpret_cast<DWORD_PTR>(MIDIInputHandler),
                                       reinterpret_cast<DWORD_PTR>(sInstance), CALLBACK_FUNCTION);
    char message[64];
    if (result != MMSYSERR_NOERROR) {
        wsprintfA(message, " Device: %d midiInOpen failed with Error %d", 0, static_cast<int>(result));
        ReportUnimplemented(message);
        return;
    }
    wsprintfA(message, " Device: %d midiInOpen succeeded", 0);
    sInputs[0] = input;
    sDevices->inStart(input);
}

// Global memory, locked and page-locked so that the device callback never touches pageable memory.
void *AllocateLocked(SIZE_T bytes, HGLOBAL *memory)
{
    *memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes);
    if (!*memory)
        return nullptr;
    void *p = GlobalLock(*memory);
    if (p && VirtualLock(p, bytes))
        return p;
    if (p)
        GlobalUnlock(*memory);
    GlobalFree(*memory);
    *memory = nullptr;
    return nullptr;
}

void FreeLocked(void *p, SIZE_T bytes, HGLOBAL memory)
{
    if (!p)
        return;
    VirtualUnlock(p, bytes);
    GlobalUnlock(memory);
    GlobalFree(memory);
}

MIDIInputRing *MakeInputRing(uint32_t capacity)
{
    HGLOBAL headerMemory, eventMemory;
    auto *ring = static_cast<MIDIInputRing *>(AllocateLocked(sizeof(MIDIInputRing), &headerMemory));
    if (!ring)
        return nullptr;
    auto *events = static_cast<MIDIInputEvent *>(AllocateLocked(capacity * sizeof(MIDIInputEvent), &eventMemory));
    if (!events) {
        FreeLocked(ring, sizeof(MIDIInputRing), headerMemory);
        return nullptr;
    }
    ring->headerMemory = reinterpret_cast<uint32_t>(headerMemory);
    ring->eventMemory = reinterpret_cast<uint32_t>(eventMemory);
    ring->overflow = 0;
    ring->capacity = capacity;
    ring->count = 0;
    ring->first = events;
    ring->end = events + capacity;
    ring->write = events;
    ring->read = events;
    return ring;
}

void FreeInputRing(MIDIInputRing *ring)
{
    if (!ring)
        return;
    FreeLocked(ring->first, ring->capacity * sizeof(MIDIInputEvent), reinterpret_cast<HGLOBAL>(ring->eventMemory));
    FreeLocked(ring, sizeof(MIDIInputRing), reinterpret_cast<HGLOBAL>(ring->headerMemory));
}

// The ring and the instance are made once and kept while the first input is not open, so a device that
// keeps failing to open costs one ring, not one per port.
OSErr EnsureInputMemory()
{
    if (!sRing) {
        sRing = MakeInputRing(kRingCapacity);
        if (!sRing) {
            ReportUnimplemented(" unable to alloc input buffer!!");
            return memFullErr;
        }
    }
    if (!sInstance) {
        HGLOBAL memory;
        auto *instance = static_cast<MidiInputInstance *>(AllocateLocked(sizeof(MidiInputInstance), &memory));
        if (!instance) {
            FreeInputRing(sRing);
            sRing = nullptr;
            ReportUnimplemented(" unable to alloc instance data!!");
            return memFullErr;
        }
        instance->zero = 0;
        instance->memory = memory;
        instance->kind = kInputEventKind;
        instance->ring = sRing;
        instance->output = sOutput;
        instance->thru = 0;
        sInstance = instance;
    }
    return noErr;
}

void FreeInputMemory()
{
    MidiInputInstance *instance = sInstance;
    sInstance = nullptr;
    if (instance)
        FreeLocked(instance, sizeof(MidiInputInstance), instance->memory);
    FreeInputRing(sRing);
    sRing = nullptr;
}

// ---- The time base ----

void CALLBACK TimerTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    auto *record = reinterpret_cast<MidiTimerRecord *>(user);
    if (MIDITimeRecord *time = record->timeRecord) {
        for (int i = 0; i < 4; ++i)
            time->fraction += time->rate;
        time->tickCount += time->fraction >> 16;
        time->fraction &= 0xFFFF;
    }
    *record->currentTime = *record->currentTime + record->period;
    if (uint8_t *sequencer = record->sequencer)
        RunSequencerStep(sequencer);
}

// Kills the running timer (waiting out a tick in progress) and gives the input its thru switch back.
void StopTimer()
{
    if (!sTimer)
        return;
    timeKillEvent(sTimer);
    sTimer = 0;
    if (sInstance)
        sInstance->thru = sSavedThru;
}

bool ValidRefNum(int16_t refNum)
{
    return refNum >= 1 && refNum < kPortSlots;
}

} // namespace

const MidiDeviceCalls &MidiDevices()
{
    return *sDevices;
}

void MidiSendShort(uint32_t message)
{
    if (HMIDIOUT output = sOutput)
        sDevices->outShortMsg(output, message);
}

bool MidiTakeInputEvent(MIDIInputEvent *event)
{
    MIDIInputRing *ring = sRing;
    if (!ring || ring->count <= 0)
        return false;
    *event = *ring->read;
    MIDIInputEvent *next = ring->read + 1;
    ring->read = next == ring->end ? ring->first : next;
    InterlockedDecrement(reinterpret_cast<volatile LONG *>(&ring->count));
    return true;
}

// ---- Entry points ----

ZEL_EXTERN_C int32_t ZEL_CALL SndDispVersion(int16_t)
{
    for (MIDIPortParams &port : sPorts)
        port.refCon = 0;
    sCurrentTime = 0;
    CloseOutput();
    CloseFirstInput();
    for (HMIDIIN &input : sInputs)
        input = nullptr;
    sOutputDevice = 0;
    sInputDevice = 0;
    return 0x02022000;
}

ZEL_EXTERN_C OSErr ZEL_CALL MIDISignIn(OSType, int32_t, Handle, ConstStr255Param)
{
    return noErr;
}

ZEL_EXTERN_C void ZEL_CALL MIDISignOut(OSType)
{
    StopTimer();
    CloseFirstInput();
    CloseOutput();
    FreeInputMemory();
}

ZEL_EXTERN_C Handle ZEL_CALL MIDIGetClients(void)
{
    return nullptr;
}

ZEL_EXTERN_C Handle ZEL_CALL MIDIGetPorts(OSType)
{
    return nullptr;
}

ZEL_STUB_VOID(MIDIGetClientName, (OSType, Str255))
ZEL_STUB(Handle, MIDIGetPortInfo, 0, (OSType, OSType))
ZEL_STUB(OSErr, MIDIConnectData, 0, (OSType, OSType, OSType, OSType))

ZEL_EXTERN_C OSErr ZEL_CALL MIDIAddPort(OSType, int16_t, int16_t *refNum, MIDIPortParamsPtr params)
{
    if (!params)
        return paramErr;
    int slot = 1;
    while (slot < kPortSlots && sPorts[slot].refCon != 0)
        ++slot;
    if (slot == kPortSlots)
        return midiTooManyPortsErr;
    if (refNum)
        *refNum = static_cast<int16_t>(slot);
    std::memcpy(&sPorts[slot], params, sizeof(MIDIPortParams));

    if (params->portType == midiPortTypeOutput) {
        if (!sOutput)
            OpenOutput();
    } else if (params->portType == midiPortTypeInput && !sInputs[0]) {
        OSErr err = EnsureInputMemory();
        if (err != noErr)
            return err;
        OpenFirstInput();
    }
    return noErr;
}

ZEL_EXTERN_C void ZEL_CALL MIDISetPorts(int16_t inputDevice, int16_t outputDevice)
{
    sInputDevice = inputDevice;
    sOutputDevice = outputDevice;
    if (sOutput) {
        CloseOutput();
        OpenOutput();
    }
    if (sInputs[0]) {
        CloseFirstInput();
        OpenFirstInput();
    }
}

ZEL_EXTERN_C void ZEL_CALL MIDIFlush(int16_t)
{
}

ZEL_EXTERN_C void ZEL_CALL MIDISetOffsetTime(int16_t, int32_t)
{
}

ZEL_EXTERN_C void ZEL_CALL MIDISetThru(int16_t on)
{
    if (sInstance)
        sInstance->thru = static_cast<uint16_t>(on);
}

ZEL_EXTERN_C void ZEL_CALL MIDIWakeUp(int16_t, int32_t, int32_t period, ProcPtr)
{
    if (sPeriodRefused)
        return;
    if (timeBeginPeriod(static_cast<UINT>(period)) != TIMERR_NOERROR) {
        sPeriodRefused = true;
        ReportUnimplemented(" timer period too short, try a lower resolution");
    }
}

ZEL_EXTERN_C uint32_t ZEL_CALL MIDIGetCurTime(int16_t)
{
    return sCurrentTime;
}

ZEL_EXTERN_C void ZEL_CALL MIDISetCurTime(int16_t, uint32_t time)
{
    sCurrentTime = time;
}

ZEL_EXTERN_C void ZEL_CALL MIDIResetInput(int16_t)
{
    for (HMIDIIN input : sInputs)
        if (input)
            sDevices->inReset(input);
    if (MIDIInputRing *ring = sRing) {
        ring->read = ring->first;
        ring->write = ring->first;
        InterlockedExchange(reinterpret_cast<volatile LONG *>(&ring->count), 0);
    }
    for (HMIDIIN input : sInputs)
        if (input)
            sDevices->inStart(input);
    sCurrentTime = 0;
}

// Only a time-base port in use starts the timer: its refCon is the host's time record, written every
// period from the timer's thread. A timer already running is stopped first so that none is left behind.
ZEL_EXTERN_C void ZEL_CALL MIDIStartTime(int16_t refNum)
{
    if (!ValidRefNum(refNum) || sPorts[refNum].refCon == 0 ||
        (sPorts[refNum].portType != midiPortTypeTime && sPorts[refNum].portType != midiPortTypeTimeInv)) {
        ReportUnimplemented(" bad refnum in MIDIStartTime");
        return;
    }
    StopTimer();
    sSavedThru = sInstance ? sInstance->thru : 0;
    if (sInstance)
        sInstance->thru = 0;
    sTimerRecord.timeRecord = reinterpret_cast<MIDITimeRecord *>(sPorts[refNum].refCon);
    sTimerRecord.currentTime = &sCurrentTime;
    sTimerRecord.period = kTimerPeriod;
    sTimerRecord.sequencer = sSequencer;
    sTimer = timeSetEvent(kTimerPeriod, 1, TimerTick, reinterpret_cast<DWORD_PTR>(&sTimerRecord),
                          TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (!sTimer) {
        if (sInstance)
            sInstance->thru = sSavedThru;
        ReportUnimplemented(" timeSetEvent failed");
    }
}

ZEL_EXTERN_C void ZEL_CALL MIDIStopTime(int16_t)
{
    StopTimer();
}

ZEL_EXTERN_C OSErr ZEL_CALL MIDIWritePacket(int16_t, MIDIPacketPtr packet)
{
    if (!packet || packet->len > 10)
        return noErr;
    const uint8_t *d = packet->data;
    MidiSendShort(static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                  static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24);
    return noErr;
}

ZEL_EXTERN_C Boolean ZEL_CALL MIDIGetEvent(MIDIInputEvent *event)
{
    MIDIInputEvent taken;
    if (!MidiTakeInputEvent(&taken))
        return false;
    if (event)
        *event = taken;
    return true;
}

// Single writer (the device callback) and single reader (MIDIGetEvent): each owns its own pointer, and
// the count both change moves by interlocked steps, published after the event is written.
ZEL_EXTERN_C void ZEL_CALL MIDIPutEvent(MIDIInputRing *ring, const MIDIInputEvent *event)
{
    if (!ring || !event)
        return;
    if (ring->count >= static_cast<int32_t>(ring->capacity)) {
        ring->overflow = 1;
        return;
    }
    *ring->write = *event;
    MIDIInputEvent *next = ring->write + 1;
    ring->write = next == ring->end ? ring->first : next;
    InterlockedIncrement(reinterpret_cast<volatile LONG *>(&ring->count));
}

ZEL_EXTERN_C void ZEL_CALL MIDIInputHandler(uint32_t, uint32_t message, uint32_t instanceValue,
                                            uint32_t param1, uint32_t param2)
{
    auto *instance = reinterpret_cast<MidiInputInstance *>(instanceValue);
    if ((message != MIM_DATA && message != MIM_ERROR) || !instance)
        return;
    MIDIInputEvent event = {instance->kind, param2, param1};
    HMIDIOUT output = instance->output;
    if (output && instance->thru)
        sDevices->outShortMsg(output, param1);
    MIDIPutEvent(instance->ring, &event);
}

ZEL_EXTERN_C void ZEL_CALL MIDISetIFStruct(void *interfaceRecord)
{
    sSequencer = static_cast<uint8_t *>(interfaceRecord);
    sTimerRecord.sequencer = sSequencer;
}

// ---- Test seams ----

// Replaces the multimedia MIDI calls with the recording double (or puts them back); answers the previous
// choice. Selecting either empties the log.
ZEL_EXTERN_C Boolean ZEL_CALL SelectMidiDeviceDouble(Boolean on)
{
    Boolean previous = sDevices == &kDouble;
    EnterCriticalSection(DoubleLogLock());
    sDoubleLogged = 0;
    LeaveCriticalSection(DoubleLogLock());
    sDevices = on ? &kDouble : &kWinmm;
    return previous;
}

// Moves up to `capacity` logged calls of the double, as {call, handle, value} triples, into `calls` and
// empties the log; answers how many were moved.
ZEL_EXTERN_C int32_t ZEL_CALL TakeMidiDeviceCalls(uint32_t *calls, int32_t capacity)
{
    EnterCriticalSection(DoubleLogLock());
    int32_t n = sDoubleLogged < capacity ? sDoubleLogged : capacity;
    if (calls && n > 0)
        std::memcpy(calls, sDoubleLog, static_cast<size_t>(n) * sizeof sDoubleLog[0]);
    sDoubleLogged = 0;
    LeaveCriticalSection(DoubleLogLock());
    return n;
}
