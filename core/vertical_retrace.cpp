// Vertical Retrace tasks. Windows has no retrace interrupt: the event pump (while the mouse button is
// down) and ZEL_VBL_Interrupt run the queue, counting every armed task down and calling it at 0. The
// first task installed holds the mouse capture for the main window and the last one removed lets it go,
// through the Event Manager's capture count.
#include "core.h"
#include "Events.h"
#include "OSUtils.h"
#include "Retrace.h"
#include "../devices/devices_services.h"

#include <vector>

namespace {

QHdr sQueue;
int16_t sCount;
// The host's own procedure of every installed task: vblAddr holds its proc instance meanwhile.
struct InstalledTask {
    VBLTask *task;
    ProcPtr hostProc;
    ProcPtr instance;
};
std::vector<InstalledTask> sInstalled;

VBLTask *Head() { return reinterpret_cast<VBLTask *>(sQueue.qHead); }

bool Queued(const VBLTask *task)
{
    for (VBLTask *t = Head(); t; t = t->qLink)
        if (t == task)
            return true;
    return false;
}

// Calls a task procedure, with the task's address pushed when asked, and puts the stack pointer back
// afterwards: a procedure that takes the address (and pops it) and one that takes nothing both return
// to the same stack.
void CallTaskProcedure(ProcPtr proc, VBLTask *task, bool passTask)
{
    __asm__ volatile("movl %%esp, %%esi\n\t"
                     "testl %2, %2\n\t"
                     "jz 1f\n\t"
                     "pushl %1\n\t"
                     "1:\n\t"
                     "call *%0\n\t"
                     "movl %%esi, %%esp\n\t"
                     :
                     : "r"(proc), "r"(task), "r"(passTask ? 1 : 0)
                     : "eax", "ecx", "edx", "esi", "memory", "cc");
}

} // namespace

bool VerticalRetraceTasksQueued() { return sQueue.qHead != nullptr; }

// One pass over the queue as it stood when the pass began: a task the procedures install meanwhile
// waits for the next pass, and one they remove is not called.
void RunVerticalRetraceTasks(bool passTaskAddress)
{
    std::vector<VBLTask *> pass;
    for (VBLTask *t = Head(); t; t = t->qLink)
        pass.push_back(t);
    for (VBLTask *t : pass) {
        if (!Queued(t) || t->vblCount <= 0)
            continue;
        if (--t->vblCount == 0 && t->vblAddr)
            CallTaskProcedure(t->vblAddr, t, passTaskAddress);
    }
}

ZEL_EXTERN_C OSErr ZEL_CALL VInstall(VBLTaskPtr task)
{
    if (!task)
        return -2;
    // A task already queued stays as it is: linking it again would orphan the tasks behind it.
    if (Queued(task))
        return 0;
    if (sCount++ == 0)
        ZEL_SetCapture(1);
    task->qLink = nullptr;
    if (VBLTask *tail = reinterpret_cast<VBLTask *>(sQueue.qTail))
        tail->qLink = task;
    else
        sQueue.qHead = reinterpret_cast<QElemPtr>(task);
    sQueue.qTail = reinterpret_cast<QElemPtr>(task);
    ProcPtr hostProc = task->vblAddr;
    if (hostProc)
        task->vblAddr = reinterpret_cast<ProcPtr>(MakeHostProcInstance(reinterpret_cast<FARPROC>(hostProc)));
    sInstalled.push_back({task, hostProc, task->vblAddr});
    StartTabletSampling();
    return 0;
}

ZEL_EXTERN_C OSErr ZEL_CALL VRemove(VBLTaskPtr task)
{
    VBLTask *previous = nullptr;
    VBLTask *t = Head();
    while (t && t != task) {
        previous = t;
        t = t->qLink;
    }
    if (!t)
        return -1;
    if (previous)
        previous->qLink = t->qLink;
    else
        sQueue.qHead = reinterpret_cast<QElemPtr>(t->qLink);
    if (reinterpret_cast<VBLTask *>(sQueue.qTail) == t)
        sQueue.qTail = reinterpret_cast<QElemPtr>(previous);
    t->qLink = nullptr;
    // The record gets the host's own procedure back, so that installing it again wraps that one.
    for (size_t i = 0; i < sInstalled.size(); ++i) {
        if (sInstalled[i].task != t)
            continue;
        const InstalledTask &entry = sInstalled[i];
        if (entry.instance && entry.instance != entry.hostProc)
            FreeHostProcInstance(reinterpret_cast<FARPROC>(entry.instance));
        if (t->vblAddr == entry.instance)
            t->vblAddr = entry.hostProc;
        sInstalled.erase(sInstalled.begin() + static_cast<std::ptrdiff_t>(i));
        break;
    }
    if (--sCount == 0)
        ZEL_SetCapture(0);
    StopTabletSampling();
    return 0;
}

// Session exit: every task still installed is removed, its proc instance released.
void ExitVerticalRetrace()
{
    while (VBLTask *t = Head())
        VRemove(t);
}
