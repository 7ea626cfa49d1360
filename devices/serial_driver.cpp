// The serial driver: the modem port's pair (-6 in, -7 out) on COM1 and the printer port's pair (-8 in,
// -9 out) on COM2. Each port is one Windows handle shared by the pair's two reference numbers; opening the
// output driver opens it, closing either number closes it for both.
#include "devices_services.h"
#include "Serial.h"

namespace {

constexpr OSErr kBadUnit = -21;   // badUnitErr
constexpr OSErr kNoDriver = -26;  // dInstErr
constexpr DWORD kQueueBytes = 1024;

// Handles indexed by the negated reference number; only 6..9 are ever used.
HANDLE sPorts[10];

bool SerialRefNum(int16_t refNum) { return refNum >= -9 && refNum <= -6; }

// The open handle of a serial reference number, or nullptr (no port behind it, or not a serial number).
HANDLE PortHandle(int16_t refNum)
{
    if (!SerialRefNum(refNum))
        return nullptr;
    return sPorts[-refNum];
}

bool InputDriver(int16_t refNum) { return refNum == -6 || refNum == -8; }

// The pair's slots: the output number is odd (-7, -9), its input partner the number above it.
int OutputSlot(int16_t refNum) { return InputDriver(refNum) ? -refNum + 1 : -refNum; }

struct BaudCode {
    uint16_t code;
    DWORD rate;
};
constexpr BaudCode kBaudCodes[] = {
    {380, 300},   {189, 600},   {94, 1200},   {62, 1800},   {46, 2400},    {30, 3600},    {22, 4800},
    {14, 7200},   {10, 9600},   {6, 14400},   {4, 19200},   {2, 28800},    {1, 38400},    {0, 57600},
};

void ApplySerialConfig(uint16_t serConfig, DCB *dcb)
{
    uint16_t baud = serConfig & 0x03FF;
    for (const BaudCode &b : kBaudCodes)
        if (b.code == baud)
            dcb->BaudRate = b.rate;
    switch (serConfig & 0x0C00) {
    case 0x0000: dcb->ByteSize = 5; break;
    case 0x0800: dcb->ByteSize = 6; break;
    case 0x0400: dcb->ByteSize = 7; break;
    default: dcb->ByteSize = 8; break;
    }
    // 0x2000 is the published noParity; 0 means the same.
    switch (serConfig & 0x3000) {
    case 0x1000: dcb->Parity = ODDPARITY; break;
    case 0x3000: dcb->Parity = EVENPARITY; break;
    default: dcb->Parity = NOPARITY; break;
    }
    switch (serConfig & 0xC000) {
    case 0x4000: dcb->StopBits = ONESTOPBIT; break;
    case 0x8000: dcb->StopBits = ONE5STOPBITS; break;
    case 0xC000: dcb->StopBits = TWOSTOPBITS; break;
    default: break; // no stop-bit field: the port keeps its own
    }
}

void ApplySerialHandshake(int16_t refNum, const SerShk &shk, DCB *dcb)
{
    if (InputDriver(refNum)) {
        dcb->fInX = shk.fXOn && shk.fInX;
        if (shk.fDTR && shk.fInX)
            dcb->fDtrControl = DTR_CONTROL_HANDSHAKE;
    } else {
        dcb->fOutX = shk.fXOn & 1;
        dcb->fOutxCtsFlow = shk.fCTS & 1;
    }
    dcb->XonChar = static_cast<char>(shk.xOn);
    dcb->XoffChar = static_cast<char>(shk.xOff);
}

} // namespace

OSErr SerOpen(int16_t refNum)
{
    if (!SerialRefNum(refNum))
        return kNoDriver;
    if (InputDriver(refNum))
        return noErr;
    // One handle per port: a second open of the pair keeps the first (Windows would allow another).
    if (sPorts[-refNum])
        return noErr;
    char name[] = "COMx";
    name[3] = refNum == -7 ? '1' : '2';
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return kNoDriver;
    // A port name whose device is missing may still open; a port that cannot report its state is none.
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb) || !SetCommMask(h, 0) || !SetupComm(h, kQueueBytes, kQueueBytes)) {
        CloseHandle(h);
        return kNoDriver;
    }
    // Reads wait for all their bytes, as the synchronous driver read does, whatever an earlier user of
    // the port left in its timeouts.
    COMMTIMEOUTS timeouts = {};
    SetCommTimeouts(h, &timeouts);
    sPorts[-refNum] = h;
    sPorts[-refNum - 1] = h;
    return noErr;
}

OSErr SerClose(int16_t refNum)
{
    HANDLE h = PortHandle(refNum);
    if (!h)
        return kBadUnit;
    int out = OutputSlot(refNum);
    sPorts[out] = nullptr;
    sPorts[out - 1] = nullptr;
    return CloseHandle(h) ? OSErr(noErr) : kBadUnit;
}

namespace {

// One read or write of *count bytes on the number's port: 0 or the Win32 error, *count the bytes moved.
uint16_t Transfer(int16_t refNum, int32_t *count, bool reading, void *buffer)
{
    int32_t wanted = count ? *count : 0;
    if (count)
        *count = 0;
    HANDLE h = PortHandle(refNum);
    if (!h)
        return static_cast<uint16_t>(kBadUnit);
    if (wanted <= 0)
        return noErr;
    DWORD moved = 0;
    BOOL ok = reading ? ReadFile(h, buffer, static_cast<DWORD>(wanted), &moved, nullptr)
                      : WriteFile(h, buffer, static_cast<DWORD>(wanted), &moved, nullptr);
    *count = static_cast<int32_t>(moved);
    return ok ? 0 : static_cast<uint16_t>(GetLastError());
}

} // namespace

uint16_t SerRead(int16_t refNum, int32_t *count, void *buffer) { return Transfer(refNum, count, true, buffer); }

uint16_t SerWrite(int16_t refNum, int32_t *count, const void *buffer)
{
    return Transfer(refNum, count, false, const_cast<void *>(buffer));
}

ZEL_EXTERN_C OSErr ZEL_CALL SerReset(int16_t refNum, int16_t serConfig)
{
    HANDLE h = PortHandle(refNum);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!h || !GetCommState(h, &dcb))
        return kBadUnit;
    ApplySerialConfig(static_cast<uint16_t>(serConfig), &dcb);
    return SetCommState(h, &dcb) ? OSErr(noErr) : kBadUnit;
}

ZEL_EXTERN_C OSErr ZEL_CALL SerHShake(int16_t refNum, const SerShk *flags)
{
    HANDLE h = PortHandle(refNum);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!h || !flags || !GetCommState(h, &dcb))
        return kBadUnit;
    ApplySerialHandshake(refNum, *flags, &dcb);
    return SetCommState(h, &dcb) ? OSErr(noErr) : kBadUnit;
}

// The driver's own buffer is not used: the size goes to the port's queues.
ZEL_EXTERN_C OSErr ZEL_CALL SerSetBuf(int16_t refNum, Ptr, int16_t size)
{
    HANDLE h = PortHandle(refNum);
    if (!h)
        return kBadUnit;
    DWORD bytes = static_cast<DWORD>(static_cast<uint16_t>(size));
    SetupComm(h, bytes, bytes);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SerGetBuf(int16_t refNum, int32_t *count)
{
    if (count)
        *count = 0;
    HANDLE h = PortHandle(refNum);
    DWORD errors = 0;
    COMSTAT status = {};
    if (!h || !ClearCommError(h, &errors, &status))
        return kBadUnit;
    if (count)
        *count = static_cast<int32_t>(status.cbInQue);
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SerStatus(int16_t refNum, SerStaRec *serSta)
{
    HANDLE h = PortHandle(refNum);
    DWORD errors = 0;
    COMSTAT status = {};
    if (!h || !ClearCommError(h, &errors, &status))
        return kBadUnit;
    if (serSta) {
        serSta->cumErrs = 0;
        serSta->xOffSent = status.fXoffSent;
        serSta->rdPend = 0;
        serSta->wrPend = 0;
        serSta->ctsHold = status.fCtsHold;
        serSta->xOffHold = status.fXoffHold;
    }
    return noErr;
}

ZEL_EXTERN_C OSErr ZEL_CALL SerSetBrk(int16_t refNum)
{
    HANDLE h = PortHandle(refNum);
    return h && SetCommBreak(h) ? OSErr(noErr) : kBadUnit;
}

ZEL_EXTERN_C OSErr ZEL_CALL SerClrBrk(int16_t refNum)
{
    HANDLE h = PortHandle(refNum);
    return h && ClearCommBreak(h) ? OSErr(noErr) : kBadUnit;
}

// Test seam: the serConfig mapping (shk nil) or the handshake mapping applied to a given port state.
ZEL_EXTERN_C void ZEL_CALL MapSerialSettings(int16_t refNum, uint16_t serConfig, const SerShk *shk, DCB *dcb)
{
    if (shk)
        ApplySerialHandshake(refNum, *shk, dcb);
    else
        ApplySerialConfig(serConfig, dcb);
}

// Test seam: the Windows handle behind a serial reference number (nullptr when it has none).
ZEL_EXTERN_C HANDLE ZEL_CALL SerialPortHandle(int16_t refNum) { return PortHandle(refNum); }
