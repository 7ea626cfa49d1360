// The serial driver's write against WriteFile on the port's own handle. It needs a line on COM1 that
// someone drains: tests/devices/serial_pty.py provides one (and sets TOLVADEX_SERIAL_LINE); anywhere
// else COM1 may be the machine's real port, so the case is skipped.
#include "bench.h"

#include <cstdlib>
#include <cstring>

#include "Devices.h"
#include "Files.h"
#include "test_seams.h"
#include "test_support.h"

int RunBench()
{
    if (!std::getenv("TOLVADEX_SERIAL_LINE")) {
        std::printf("FSWrite (-7) 4 KB: skipped (no pseudo-terminal line on COM1)\n");
        return 0;
    }
    int16_t refNum = 0;
    if (OpenDrive(testing_support::P(".Aout").c_str(), &refNum) != noErr) {
        std::printf("FSWrite (-7) 4 KB: skipped (the modem port does not open)\n");
        return 0;
    }
    HANDLE port = SerialPortHandle(-7);
    static char block[4096];
    std::memset(block, 'x', sizeof block);
    int32_t libraryMoved = 0;
    DWORD rawMoved = 0;
    std::vector<PairCase> cases = {
        {"FSWrite (-7) 4 KB vs WriteFile", 200,
         [&](int) {
             libraryMoved = sizeof block;
             FSWrite(-7, &libraryMoved, block);
         },
         [&](int) { WriteFile(port, block, sizeof block, &rawMoved, nullptr); },
         [&] { return libraryMoved == static_cast<int32_t>(sizeof block) && rawMoved == sizeof block; }, {}, {}},
    };
    int result = RunPairCases(cases);
    CloseDrive(-7);
    return result;
}
