// Calls through raw argument lists, for checking entry points' calling conventions and fixed results.
#include "stub_calls.h"

// Pushes `count` arguments (the last first), calls `proc` and returns how many bytes the callee removed
// from the stack on its return, measured from the stack pointer itself.
extern "C" int32_t __cdecl BytesRemovedByCallee(const void *proc, int32_t count, const uint32_t *args);
asm(R"(
    .text
    .globl _BytesRemovedByCallee
_BytesRemovedByCallee:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %ecx
    movl 16(%ebp), %esi
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl %esp, %eax
    subl %edi, %eax
    movl 12(%ebp), %ecx
    leal (%eax,%ecx,4), %eax
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

uint32_t CallForResult(const void *proc, int32_t count, const uint32_t *args)
{
    uint32_t result;
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "movl %[count], %%ecx\n\t"
        "1: testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "decl %%ecx\n\t"
        "pushl (%[args],%%ecx,4)\n\t"
        "jmp 1b\n\t"
        "2: call *%[proc]\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(result)
        : [proc] "r"(proc), [count] "r"(count), [args] "r"(args)
        : "ecx", "edx", "edi", "memory", "cc");
    return result;
}
