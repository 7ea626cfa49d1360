// Calls an entry point through a raw list of 32-bit arguments, as a caller of another language would:
// to check the bytes a callee removes and the result it leaves in EAX.
#pragma once

#include <stdint.h>

// Pushes `count` arguments (the last first), calls `proc` and returns how many bytes the callee removed
// from the stack on its return, measured from the stack pointer itself.
extern "C" int32_t __cdecl BytesRemovedByCallee(const void *proc, int32_t count, const uint32_t *args);

// Pushes `count` arguments the same way, calls `proc` and returns EAX as the callee left it (the stack is
// restored whatever the callee removed).
uint32_t CallForResult(const void *proc, int32_t count, const uint32_t *args);
