// The pattern sequencer: one step per tick of the MIDI Manager's timer on the host's interface record.
#include "midi_private.h"

// PENDING: the pattern sequencer plays, records and echoes the host's tracks, one step per timer tick.
void RunSequencerStep(uint8_t *)
{
}
