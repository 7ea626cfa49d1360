// Thread Manager: cooperative threads on the host's user-interface thread. Each thread runs on a context
// of a ContextSwitcher: Win32 fibers when KERNEL32 has them, else stacks of the library's own switched by
// saving and restoring the processor registers and the thread information block's stack fields. Threads
// switch only inside these calls. A thread never deletes the context it runs on: a thread that ends or
// disposes itself switches away first, and the context is freed by whichever thread runs next.
#include "core.h"
#include "OSUtils.h"
#include "Threads.h"

#include <new>

namespace {

// ---- Context switchers ----

class ContextSwitcher {
public:
    virtual void *CreateContext(uint32_t stackSize, void (*start)(void *), void *argument) = 0;
    virtual void DeleteContext(void *context) = 0;
    virtual void *ContextOfCaller(void *argument) = 0;
    virtual void SwitchTo(void *context) = 0;
    virtual ~ContextSwitcher() = default;
};

// ---- Fibers ----

struct FiberStart {
    void (*start)(void *);
    void *argument;
};

void WINAPI FiberEntry(void *parameter)
{
    FiberStart *s = static_cast<FiberStart *>(parameter);
    s->start(s->argument); // never returns: the start routine switches away for good
}

class FiberSwitcher : public ContextSwitcher {
public:
    bool Load()
    {
        kernel_ = LoadLibraryA("KERNEL32.DLL");
        if (!kernel_)
            return false;
        create_ = reinterpret_cast<decltype(create_)>(GetProcAddress(kernel_, "CreateFiber"));
        convert_ = reinterpret_cast<decltype(convert_)>(GetProcAddress(kernel_, "ConvertThreadToFiber"));
        delete_ = reinterpret_cast<decltype(delete_)>(GetProcAddress(kernel_, "DeleteFiber"));
        switch_ = reinterpret_cast<decltype(switch_)>(GetProcAddress(kernel_, "SwitchToFiber"));
        return create_ && convert_ && delete_ && switch_;
    }
    ~FiberSwitcher() override
    {
        if (kernel_)
            FreeLibrary(kernel_);
    }
    // The fiber keeps its start record in the first bytes of a block freed with the fiber.
    void *CreateContext(uint32_t stackSize, void (*start)(void *), void *argument) override
    {
        FiberStart *s = new (std::nothrow) FiberStart{start, argument};
        if (!s)
            return nullptr;
        void *fiber = create_(stackSize, FiberEntry, s);
        if (!fiber) {
            delete s;
            return nullptr;
        }
        Remember(fiber, s);
        return fiber;
    }
    void DeleteContext(void *context) override
    {
        delete_(context);
        delete Forget(context);
    }
    // A host thread that is already a fiber keeps its fiber.
    void *ContextOfCaller(void *argument) override
    {
        void *fiber = convert_(argument);
        if (!fiber && GetLastError() == ERROR_ALREADY_FIBER)
            asm("movl %%fs:0x10, %0" : "=r"(fiber)); // the thread block's current fiber
        return fiber;
    }
    void SwitchTo(void *context) override { switch_(context); }

private:
    // The start records of the eight possible fibers.
    void Remember(void *fiber, FiberStart *s)
    {
        for (auto &e : starts_)
            if (!e.fiber) {
                e = {fiber, s};
                return;
            }
    }
    FiberStart *Forget(void *fiber)
    {
        for (auto &e : starts_)
            if (e.fiber == fiber) {
                FiberStart *s = e.start;
                e = {};
                return s;
            }
        return nullptr;
    }
    struct StartEntry {
        void *fiber;
        FiberStart *start;
    } starts_[16] = {};
    HMODULE kernel_ = nullptr;
    LPVOID(WINAPI *create_)(SIZE_T, LPFIBER_START_ROUTINE, LPVOID) = nullptr;
    LPVOID(WINAPI *convert_)(LPVOID) = nullptr;
    void(WINAPI *delete_)(LPVOID) = nullptr;
    void(WINAPI *switch_)(LPVOID) = nullptr;
};

// ---- Library stacks ----

// The saved processor context: the stack pointer (the callee-saved registers and the return address are
// on the stack it points at) and the thread information block's exception chain, stack base and limit.
struct StackContext {
    uint32_t esp;
    uint32_t stackBase;
    uint32_t stackLimit;
    uint32_t exceptionList;
    uint32_t reserved[12]; // the 64-byte jump buffer
    uint32_t stackSize;
    void (*start)(void *);
    void *argument;
    uint8_t *memory;
    uint8_t started;
};
static_assert(offsetof(StackContext, stackSize) == 64, "a 64-byte saved context");

constexpr uint32_t kMinimumStack = 32768;

extern "C" void __cdecl ZelSwapStacks(StackContext *from, StackContext *to);
asm(R"(
    .text
    .globl _ZelSwapStacks
_ZelSwapStacks:
    movl 4(%esp), %eax
    movl 8(%esp), %edx
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl %fs:0, %ecx
    movl %ecx, 12(%eax)
    movl %fs:4, %ecx
    movl %ecx, 4(%eax)
    movl %fs:8, %ecx
    movl %ecx, 8(%eax)
    movl %esp, 0(%eax)
    movl 12(%edx), %ecx
    movl %ecx, %fs:0
    movl 4(%edx), %ecx
    movl %ecx, %fs:4
    movl 8(%edx), %ecx
    movl %ecx, %fs:8
    movl 0(%edx), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

// The first code a new stack runs: its start procedure, which never returns.
extern "C" void __cdecl ZelStackEntry(StackContext *context)
{
    context->started = 1;
    context->start(context->argument);
    Debugger();
}

class StackSwitcher : public ContextSwitcher {
public:
    void *CreateContext(uint32_t stackSize, void (*start)(void *), void *argument) override
    {
        if (stackSize < kMinimumStack)
            stackSize = kMinimumStack;
        StackContext *c = new (std::nothrow) StackContext{};
        if (!c)
            return nullptr;
        c->memory = static_cast<uint8_t *>(VirtualAlloc(nullptr, stackSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!c->memory) {
            delete c;
            return nullptr;
        }
        c->stackSize = stackSize;
        c->start = start;
        c->argument = argument;
        // The stack as ZelSwapStacks leaves it: four saved registers, then the return into ZelStackEntry,
        // whose own return address (none) and argument follow.
        uint32_t *top = reinterpret_cast<uint32_t *>((reinterpret_cast<uintptr_t>(c->memory) + stackSize) & ~15u);
        uint32_t *sp = top - 8;
        sp[0] = sp[1] = sp[2] = sp[3] = 0;
        sp[4] = reinterpret_cast<uint32_t>(&ZelStackEntry);
        sp[5] = 0;
        sp[6] = reinterpret_cast<uint32_t>(c);
        c->esp = reinterpret_cast<uint32_t>(sp);
        c->stackBase = reinterpret_cast<uint32_t>(c->memory) + stackSize;
        c->stackLimit = reinterpret_cast<uint32_t>(c->memory);
        c->exceptionList = 0xFFFFFFFFu; // an empty chain of its own
        return c;
    }
    void DeleteContext(void *context) override
    {
        StackContext *c = static_cast<StackContext *>(context);
        if (c->memory)
            VirtualFree(c->memory, 0, MEM_RELEASE);
        delete c;
    }
    // The calling thread's own stack: its registers are saved at the first switch away.
    void *ContextOfCaller(void *) override
    {
        StackContext *c = new (std::nothrow) StackContext{};
        if (c)
            c->started = 1;
        current_ = c;
        return c;
    }
    void SwitchTo(void *context) override
    {
        StackContext *from = current_;
        current_ = static_cast<StackContext *>(context);
        ZelSwapStacks(from, current_);
    }

private:
    StackContext *current_ = nullptr;
};

// ---- Thread records and the manager's state ----

struct ThreadRecord {
    uint32_t style;
    ThreadEntryProcPtr entry;
    uint32_t parameter;
    uint32_t stackSize;
    uint32_t options;
    uint32_t *result;
    void *context;
    uint16_t pooled;
    uint16_t state;
};
static_assert(sizeof(ThreadRecord) == 32, "ThreadRecord is 32 bytes");

constexpr int kSlots = 8;
constexpr OSErr kMemFull = -108;

struct ThreadManagerState {
    bool initialised;
    OSErr startResult;
    ContextSwitcher *switcher;
    ThreadRecord *mainThread;
    int16_t current;
    int16_t count;
    ThreadRecord *slots[kSlots];
    int32_t critical;
    // A context whose thread ended on it, freed by the next thread that runs.
    void *retiredContext;
};

// Never destroyed: at process exit nothing is freed under the loader lock.
ThreadManagerState sState;
bool sUseStackSwitcher;

int SlotOf(ThreadID id)
{
    if (!id)
        return -1;
    for (int i = 0; i < kSlots; ++i)
        if (sState.slots[i] && reinterpret_cast<ThreadID>(sState.slots[i]) == id)
            return i;
    return -1;
}

// A thread that can be switched to: registered and not a pooled record waiting for reuse (it has no
// context to run on).
int LiveSlotOf(ThreadID id)
{
    int slot = SlotOf(id);
    return slot >= 0 && !sState.slots[slot]->pooled ? slot : -1;
}

ThreadRecord *Current() { return sState.current >= 0 ? sState.slots[sState.current] : nullptr; }

// The first empty slot for the record; -617 when all eight are taken.
OSErr TakeSlot(ThreadRecord *record)
{
    for (int i = 0; i < kSlots; ++i)
        if (!sState.slots[i]) {
            sState.slots[i] = record;
            ++sState.count;
            return noErr;
        }
    return threadTooManyReqsErr;
}

OSErr Register(ThreadRecord *record)
{
    if (sState.count >= kSlots)
        return threadTooManyReqsErr;
    if (!record || !record->context)
        return kMemFull;
    return TakeSlot(record);
}

void FreeSlot(int slot)
{
    sState.slots[slot] = nullptr;
    --sState.count;
}

void FreeRetiredContext()
{
    if (sState.retiredContext) {
        sState.switcher->DeleteContext(sState.retiredContext);
        sState.retiredContext = nullptr;
    }
}

// From the slot after the current one, the first thread that is not stopped; -1 when only the current
// one is left.
int NextRunnable()
{
    for (int step = 1; step < kSlots; ++step) {
        int i = (sState.current + step + kSlots) % kSlots;
        if (sState.slots[i] && sState.slots[i]->state != kStoppedThreadState)
            return i;
    }
    return -1;
}

// Makes `slot` current and running and switches to it; back here when someone switches back.
void Resume(int slot)
{
    sState.current = static_cast<int16_t>(slot);
    sState.slots[slot]->state = kRunningThreadState;
    sState.switcher->SwitchTo(sState.slots[slot]->context);
    FreeRetiredContext();
}

OSErr SwitchToSlot(int slot, ThreadState callerState)
{
    if (sState.critical)
        return threadProtocolErr;
    if (slot < 0)
        return threadNotFoundErr;
    if (slot == sState.current)
        return threadProtocolErr;
    int me = sState.current;
    sState.slots[me]->state = callerState;
    Resume(slot);
    sState.current = static_cast<int16_t>(me);
    sState.slots[me]->state = kRunningThreadState;
    return noErr;
}

// The running thread leaves for good: its slot is already free or pooled, its context is freed by the
// thread that runs next (the next runnable one, else the main thread), critical section or not.
[[noreturn]] void LeaveForGood(void *context)
{
    sState.critical = 0;
    sState.retiredContext = context;
    int next = NextRunnable();
    if (next < 0)
        next = 0;
    sState.current = static_cast<int16_t>(next);
    sState.slots[next]->state = kRunningThreadState;
    sState.switcher->SwitchTo(sState.slots[next]->context);
    for (;;)
        Debugger(); // a retired context is never resumed
}

void EndThread(ThreadRecord *record, uint32_t result, bool recycle);

void ThreadStart(void *argument)
{
    FreeRetiredContext();
    ThreadRecord *record = static_cast<ThreadRecord *>(argument);
    uint32_t result = record->entry(reinterpret_cast<void *>(record->parameter));
    EndThread(record, result, false);
}

// Ends a thread: its result stored, its slot freed (or kept, stopped, for the pool), its context deleted,
// or retired when it is the running one.
void EndThread(ThreadRecord *record, uint32_t result, bool recycle)
{
    if (record->result)
        *record->result = result;
    int slot = SlotOf(reinterpret_cast<ThreadID>(record));
    void *context = record->context;
    record->context = nullptr;
    bool running = slot == sState.current;
    if (recycle) {
        record->pooled = 1;
        record->state = kStoppedThreadState;
    } else {
        FreeSlot(slot);
        delete record;
    }
    if (running)
        LeaveForGood(context);
    if (context)
        sState.switcher->DeleteContext(context);
}

ContextSwitcher *MakeSwitcher()
{
    if (!sUseStackSwitcher) {
        FiberSwitcher *fibers = new (std::nothrow) FiberSwitcher;
        if (fibers && fibers->Load())
            return fibers;
        delete fibers;
    }
    return new (std::nothrow) StackSwitcher;
}

OSErr Initialise()
{
    if (sState.initialised)
        return sState.startResult;
    sState.initialised = true;
    sState.current = -1;
    sState.switcher = MakeSwitcher();
    ThreadRecord *main = new (std::nothrow) ThreadRecord{};
    if (main && sState.switcher)
        main->context = sState.switcher->ContextOfCaller(main);
    sState.startResult = Register(main);
    if (sState.startResult == noErr) {
        sState.mainThread = main;
        main->state = kRunningThreadState;
        sState.current = SlotOf(reinterpret_cast<ThreadID>(main));
    }
    return sState.startResult;
}

#define THREADS_READY()                    \
    do {                                   \
        OSErr startErr = Initialise();     \
        if (startErr != noErr)             \
            return startErr;               \
    } while (0)

// The pooled record with the smallest stack of at least `stackSize`.
ThreadRecord *PooledFit(uint32_t stackSize)
{
    ThreadRecord *best = nullptr;
    for (ThreadRecord *r : sState.slots)
        if (r && r->pooled && r->stackSize >= stackSize && (!best || r->stackSize < best->stackSize))
            best = r;
    return best;
}

} // namespace

// ---- Entry points ----

ZEL_EXTERN_C OSErr ZEL_CALL NewThread(ThreadStyle style, ThreadEntryProcPtr entry, void *param, Size stackSize,
                                      ThreadOptions options, uint32_t *threadResult, ThreadID *threadMade)
{
    if (threadMade)
        *threadMade = kNoThreadID;
    THREADS_READY();
    uint32_t size = stackSize > 0 ? static_cast<uint32_t>(stackSize) : 0x10000;
    ThreadRecord *record = nullptr;
    bool reused = false;
    if (options & kUsePremadeThread) {
        record = PooledFit(size);
        reused = record != nullptr;
        if (!record && !(options & kCreateIfNeeded))
            return threadTooManyReqsErr;
    }
    if (!record) {
        if (sState.count >= kSlots)
            return threadTooManyReqsErr;
        record = new (std::nothrow) ThreadRecord{};
        if (!record)
            return kMemFull;
    }
    uint32_t keptStack = reused ? record->stackSize : size;
    *record = ThreadRecord{style, entry, reinterpret_cast<uint32_t>(param), keptStack, options, threadResult,
                           nullptr, 0, kStoppedThreadState};
    record->context = sState.switcher->CreateContext(keptStack, ThreadStart, record);
    OSErr err = reused ? (record->context ? static_cast<OSErr>(noErr) : kMemFull) : Register(record);
    if (err != noErr) {
        if (record->context)
            sState.switcher->DeleteContext(record->context);
        record->context = nullptr;
        if (reused) {
            record->pooled = 1; // it keeps its slot in the pool
        } else {
            delete record;
        }
        return err;
    }
    if (threadMade)
        *threadMade = reinterpret_cast<ThreadID>(record);
    // A thread asked for suspended stays stopped, out of the scheduler's reach, until the program makes
    // it ready (SetThreadState) or switches to it; any other starts at once, the caller left ready.
    if (options & kNewSuspend) {
        record->state = kStoppedThreadState;
    } else {
        record->state = kReadyThreadState;
        SwitchToSlot(SlotOf(reinterpret_cast<ThreadID>(record)), kReadyThreadState);
    }
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL DisposeThread(ThreadID thread, uint32_t threadResult, Boolean recycleThread)
{
    THREADS_READY();
    int slot = SlotOf(thread);
    if (slot < 0)
        return threadNotFoundErr;
    ThreadRecord *record = sState.slots[slot];
    if (record == sState.mainThread)
        return threadProtocolErr;
    EndThread(record, threadResult, recycleThread != 0);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL CreateThreadPool(ThreadStyle style, int16_t numToCreate, Size stackSize)
{
    THREADS_READY();
    for (int16_t i = 0; i < numToCreate; ++i) {
        if (sState.count >= kSlots)
            return threadTooManyReqsErr;
        ThreadRecord *record = new (std::nothrow) ThreadRecord{};
        if (!record)
            return kMemFull;
        *record = ThreadRecord{style, nullptr, 0, static_cast<uint32_t>(stackSize > 0 ? stackSize : 0x10000), 0,
                               nullptr, nullptr, 1, kStoppedThreadState};
        TakeSlot(record);
    }
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetFreeThreadCount(ThreadStyle, int16_t *freeCount)
{
    THREADS_READY();
    int16_t n = 0;
    for (ThreadRecord *r : sState.slots)
        if (r && r->pooled)
            ++n;
    if (freeCount)
        *freeCount = n;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL GetThreadState(ThreadID thread, ThreadState *state)
{
    THREADS_READY();
    int slot = SlotOf(thread);
    if (slot < 0)
        return threadNotFoundErr;
    if (state)
        *state = sState.slots[slot]->state;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetThreadState(ThreadID thread, ThreadState newState, ThreadID suggestedThread)
{
    THREADS_READY();
    // Only the three thread states exist: anything else would leave the scheduler a thread it reads as
    // runnable.
    if (newState != kReadyThreadState && newState != kStoppedThreadState && newState != kRunningThreadState)
        return paramErr;
    int slot = LiveSlotOf(thread);
    if (slot < 0)
        return threadNotFoundErr;
    if (newState == kRunningThreadState)
        return threadProtocolErr;
    if (slot != sState.current) {
        sState.slots[slot]->state = newState;
        return noErr;
    }
    int target = suggestedThread ? LiveSlotOf(suggestedThread) : NextRunnable();
    if (target < 0)
        return threadNotFoundErr;
    return SwitchToSlot(target, newState);
}

ZEL_EXTERN_C OSErr ZEL_CALL ThreadBeginCritical(void)
{
    THREADS_READY();
    ++sState.critical;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL ThreadEndCritical(void)
{
    THREADS_READY();
    if (sState.critical > 0)
        --sState.critical;
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SetThreadStateEndCritical(ThreadID thread, ThreadState newState, ThreadID suggestedThread)
{
    ThreadEndCritical();
    return SetThreadState(thread, newState, suggestedThread);
}

ZEL_EXTERN_C OSErr ZEL_CALL YieldToThread(ThreadID suggestedThread)
{
    THREADS_READY();
    return SwitchToSlot(LiveSlotOf(suggestedThread), kReadyThreadState);
}

ZEL_EXTERN_C OSErr ZEL_CALL YieldToAnyThread(void)
{
    THREADS_READY();
    if (sState.critical)
        return threadProtocolErr;
    return SwitchToSlot(NextRunnable(), kReadyThreadState);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetCurrentThrea(ThreadID *currentThreadID)
{
    THREADS_READY();
    ThreadRecord *r = Current();
    if (currentThreadID)
        *currentThreadID = reinterpret_cast<ThreadID>(r);
    return r ? static_cast<OSErr>(noErr) : static_cast<OSErr>(threadNotFoundErr);
}

ZEL_EXTERN_C OSErr ZEL_CALL GetDefaultThreadStackSize(ThreadStyle, Size *stackSize)
{
    if (stackSize)
        *stackSize = 0x10000;
    return noErr;
}

// Test seam: before the Thread Manager starts, chooses the library's stacks over fibers.
ZEL_EXTERN_C OSErr ZEL_CALL SelectStackSwitcher(Boolean useStacks)
{
    if (sState.initialised)
        return threadProtocolErr;
    sUseStackSwitcher = useStacks != 0;
    return noErr;
}
