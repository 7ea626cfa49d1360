// What the MIDI Manager and the pattern sequencer share inside devices/.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "MIDI.h"

// The multimedia MIDI calls the MIDI Manager makes, in one table so that a recording double can stand in
// for the devices.
struct MidiDeviceCalls {
    MMRESULT(WINAPI *outOpen)(LPHMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT(WINAPI *outShortMsg)(HMIDIOUT, DWORD);
    MMRESULT(WINAPI *outClose)(HMIDIOUT);
    MMRESULT(WINAPI *outReset)(HMIDIOUT);
    MMRESULT(WINAPI *inOpen)(LPHMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD);
    MMRESULT(WINAPI *inStart)(HMIDIIN);
    MMRESULT(WINAPI *inReset)(HMIDIIN);
    MMRESULT(WINAPI *inClose)(HMIDIIN);
};
const MidiDeviceCalls &MidiDevices();

// Sends one short message to the output device when one is open (silent mode otherwise).
void MidiSendShort(uint32_t message);
// Takes the oldest event of the input ring, as MIDIGetEvent does.
bool MidiTakeInputEvent(MIDIInputEvent *event);

// One step of the pattern sequencer on the host's interface record, run by the timer every period.
void RunSequencerStep(uint8_t *interfaceRecord);
