// The pen-tablet driver as the event pump sees it. No tablet is attached: no input mode, no samples.
#include "devices_services.h"

// PENDING: the pen-tablet driver keeps its input mode (2 and 6 sample with the mouse messages).
int16_t TabletInputMode() { return 0; }
// PENDING: the pen-tablet driver takes one pointer sample by input mode; 0xFFFF when there is none.
uint16_t SampleTabletInput(const MSG *) { return 0xFFFF; }
// PENDING: the pen-tablet driver raises this flag when the tip is lifted during a task pass.
bool TabletReleased() { return false; }
// PENDING: the pen-tablet driver turns sampling on while Vertical Retrace tasks are installed.
bool TabletSamplingOn() { return false; }
// PENDING: the pen-tablet driver starts sampling when a Vertical Retrace task is installed.
void StartTabletSampling() {}
// PENDING: the pen-tablet driver stops sampling when a Vertical Retrace task is removed.
void StopTabletSampling() {}
// PENDING: the pen-tablet driver reports its pen state as the tablet bit (0x0040) of mouse events.
uint16_t QueryTabletModifierBit() { return 0; }
// PENDING: the pen-tablet driver disables its context when the application is deactivated.
void SuspendTabletContext() {}
// PENDING: the pen-tablet driver re-enables its context and brings it to the top on activation.
void ResumeTabletContext() {}
