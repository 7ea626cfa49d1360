// Walks the process instances of the Windows NT performance data: a pure reader of an untrusted buffer.
#pragma once

#include <cstdint>

// Called for each instance but the last (the "_Total" instance) of the object numbered `objectIndex`
// with the value of its counter numbered `idCounterIndex` and its name in the ANSI code page; a false
// answer ends the walk. Returns the instances visited. Every length and offset is checked against the
// buffer: a damaged block ends the walk.
typedef bool (*PerfInstanceVisitor)(uint32_t id, const char *name, void *context);
int WalkPerfInstances(const void *data, uint32_t size, uint32_t objectIndex, uint32_t idCounterIndex,
                      PerfInstanceVisitor visit, void *context);
