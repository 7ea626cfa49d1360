// Imaging's part of InitGraf and ExitGraf: the objects the imaging code keeps for the whole of a
// QuickDraw session.
#include "imaging.h"

namespace {

CTabHandle sOneBitTable;

} // namespace

CTabHandle DefaultOneBitCTable() { return sOneBitTable; }

void InitImaging()
{
    if (!sOneBitTable)
        sOneBitTable = GetCTable(1);
}

void ExitImaging()
{
    FreeStaticBitmapInfo();
    if (sOneBitTable)
        DisposeCTable(sOneBitTable);
    sOneBitTable = nullptr;
}
