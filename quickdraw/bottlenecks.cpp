// Bottleneck procedures: the standard procedure table, filling a port's QDProcs or CQDProcs with it,
// and wrapping a port's custom procedures for the host.
#include "quickdraw.h"
#include "../imaging/imaging_services.h"
#include "../text/text_services.h"

#include <cstring>

const CQDProcs DefaultStdProcs = {
    StdText, StdLine, StdRect, StdRRect, StdOval, StdArc, StdPoly, StdRgn, StdBits, StdComment, StdTxMeas,
    StdGetPic, StdPutPic, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

namespace {

constexpr int kBlackAndWhiteEntries = sizeof(QDProcs) / sizeof(void *);
constexpr int kColorEntries = sizeof(CQDProcs) / sizeof(void *);

// A procedure table as its entries, in order.
using ProcEntry = void *;
const ProcEntry *StandardEntries() { return reinterpret_cast<const ProcEntry *>(&DefaultStdProcs); }

} // namespace

ZEL_EXTERN_C void ZEL_CALL SetStdProcs(QDProcs *procs)
{
    if (procs)
        std::memcpy(procs, &DefaultStdProcs, sizeof(QDProcs));
}

ZEL_EXTERN_C void ZEL_CALL SetStdCProcs(CQDProcs *procs)
{
    if (!procs)
        return;
    SetStdProcs(reinterpret_cast<QDProcs *>(procs));
    procs->opcodeProc = nullptr;
    procs->newProc1 = procs->newProc2 = procs->newProc3 = nullptr;
    procs->newProc4 = procs->newProc5 = procs->newProc6 = nullptr;
}

ZEL_EXTERN_C void ZEL_CALL ZEL_StdProcFix(BOOL make)
{
    GrafPtr port = CurrentPort();
    if (!port || !port->grafProcs)
        return;
    int count = IsColorPort(port) ? kColorEntries : kBlackAndWhiteEntries;
    ProcEntry *entries = reinterpret_cast<ProcEntry *>(port->grafProcs);
    const ProcEntry *standard = StandardEntries();
    for (int i = 0; i < count; ++i) {
        if (entries[i] == standard[i])
            continue;
        if (make) {
            if (entries[i])
                entries[i] = reinterpret_cast<ProcEntry>(MakeHostProcInstance(reinterpret_cast<FARPROC>(entries[i])));
        } else {
            if (entries[i])
                FreeHostProcInstance(reinterpret_cast<FARPROC>(entries[i]));
            entries[i] = standard[i];
        }
    }
}
