/* The serial driver: the modem port (.AIn -6, .AOut -7) on COM1 and the printer port (.BIn -8,
   .BOut -9) on COM2. Reads and writes go through FSRead and FSWrite with these reference numbers. */
#ifndef TOLVADEX_SERIAL_H
#define TOLVADEX_SERIAL_H
#define __SERIAL__

#include "MacTypes.h"

enum {
    ainRefNum = -6,
    aoutRefNum = -7,
    binRefNum = -8,
    boutRefNum = -9
};

/* serConfig: baud code in the low 10 bits, data bits, parity and stop bits above. */
enum {
    baud300 = 380, baud600 = 189, baud1200 = 94, baud1800 = 62, baud2400 = 46, baud3600 = 30,
    baud4800 = 22, baud7200 = 14, baud9600 = 10, baud14400 = 6, baud19200 = 4, baud28800 = 2,
    baud38400 = 1, baud57600 = 0,
    data5 = 0, data6 = 0x0800, data7 = 0x0400, data8 = 0x0C00,
    noParity = 0x2000, oddParity = 0x1000, evenParity = 0x3000,
    stop10 = 0x4000, stop15 = (int16_t)0x8000, stop20 = (int16_t)0xC000
};

#pragma pack(push, 2)
/* Handshake options of SerHShake. */
typedef struct SerShk {
    Byte fXOn;  /* XON/XOFF output flow control */
    Byte fCTS;  /* CTS output flow control */
    Byte xOn;
    Byte xOff;
    Byte errs;  /* not used */
    Byte evts;  /* not used */
    Byte fInX;  /* XON/XOFF input flow control */
    Byte fDTR;  /* DTR input flow control */
} SerShk;

/* Port status of SerStatus. */
typedef struct SerStaRec {
    Byte cumErrs;
    Byte xOffSent;
    Byte rdPend;
    Byte wrPend;
    Byte ctsHold;
    Byte xOffHold;
} SerStaRec;
#pragma pack(pop)

ZEL_STATIC_ASSERT(sizeof(SerShk) == 8, "SerShk is 8 bytes");
ZEL_STATIC_ASSERT(offsetof(SerShk, fInX) == 6, "fInX at 6");
ZEL_STATIC_ASSERT(offsetof(SerShk, fDTR) == 7, "fDTR at 7");
ZEL_STATIC_ASSERT(sizeof(SerStaRec) == 6, "SerStaRec is 6 bytes");
ZEL_STATIC_ASSERT(offsetof(SerStaRec, ctsHold) == 4, "ctsHold at 4");
ZEL_STATIC_ASSERT(offsetof(SerStaRec, xOffHold) == 5, "xOffHold at 5");

ZEL_API OSErr ZEL_CALL SerReset(int16_t refNum, int16_t serConfig);
ZEL_API OSErr ZEL_CALL SerHShake(int16_t refNum, const SerShk *flags);
ZEL_API OSErr ZEL_CALL SerSetBuf(int16_t refNum, Ptr serBPtr, int16_t serBLen);
ZEL_API OSErr ZEL_CALL SerGetBuf(int16_t refNum, ZEL_Long *count);
ZEL_API OSErr ZEL_CALL SerStatus(int16_t refNum, SerStaRec *serSta);
ZEL_API OSErr ZEL_CALL SerSetBrk(int16_t refNum);
ZEL_API OSErr ZEL_CALL SerClrBrk(int16_t refNum);

#endif
