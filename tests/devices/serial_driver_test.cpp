// The serial driver without a port behind it: the serConfig and handshake mappings onto a port state,
// and the answers of reference numbers that hold no port.
#include <gtest/gtest.h>
#include "test_support.h"
#include "test_seams.h"
#include "Files.h"
#include "Serial.h"

namespace {

DCB StartState()
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 4321;
    dcb.ByteSize = 8;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = ONE5STOPBITS;
    return dcb;
}

DCB Mapped(uint16_t serConfig)
{
    DCB dcb = StartState();
    MapSerialSettings(-7, serConfig, nullptr, &dcb);
    return dcb;
}

TEST(SerialMapping, EveryBaudCodeGivesItsRate)
{
    const struct { uint16_t code; DWORD rate; } cases[] = {
        {380, 300},  {189, 600},  {94, 1200},  {62, 1800},  {46, 2400},  {30, 3600},  {22, 4800},
        {14, 7200},  {10, 9600},  {6, 14400},  {4, 19200},  {2, 28800},  {1, 38400},  {0, 57600},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Mapped(static_cast<uint16_t>(0x4C00 | c.code)).BaudRate, c.rate) << c.code;
}

TEST(SerialMapping, DataBitsParityAndStopBits)
{
    const struct { uint16_t bits; BYTE byteSize; } data[] = {{0, 5}, {0x0800, 6}, {0x0400, 7}, {0x0C00, 8}};
    for (const auto &c : data)
        EXPECT_EQ(Mapped(static_cast<uint16_t>(c.bits | 10)).ByteSize, c.byteSize) << c.bits;

    // 0x2000 is the published noParity: it must clear an earlier parity as 0 does.
    const struct { uint16_t bits; BYTE parity; } parity[] = {
        {0, NOPARITY}, {0x1000, ODDPARITY}, {0x2000, NOPARITY}, {0x3000, EVENPARITY}};
    for (const auto &c : parity)
        EXPECT_EQ(Mapped(static_cast<uint16_t>(c.bits | 0x0C00 | 10)).Parity, c.parity) << c.bits;

    const struct { uint16_t bits; BYTE stop; } stop[] = {
        {0x4000, ONESTOPBIT}, {0x8000, ONE5STOPBITS}, {0xC000, TWOSTOPBITS}};
    for (const auto &c : stop) {
        DCB dcb = StartState();
        dcb.StopBits = 7; // a value no field maps to, so that a kept field shows
        MapSerialSettings(-7, static_cast<uint16_t>(c.bits | 0x0C00 | 10), nullptr, &dcb);
        EXPECT_EQ(dcb.StopBits, c.stop) << c.bits;
    }
    DCB kept = StartState();
    MapSerialSettings(-7, 0x0C00 | 10, nullptr, &kept);
    EXPECT_EQ(kept.StopBits, ONE5STOPBITS) << "no stop-bit field keeps the port's own";
}

TEST(SerialMapping, NineSixHundredEightNoneOne)
{
    DCB dcb = Mapped(0x4000 | 0x0C00 | 10);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
}

TEST(SerialMapping, UnknownBaudCodeKeepsTheRateAndAppliesTheRest)
{
    DCB dcb = Mapped(0xC000 | 0x0400 | 0x1000 | 95);
    EXPECT_EQ(dcb.BaudRate, 4321u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, ODDPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
}

TEST(SerialMapping, HandshakeSetsInputFieldsOnInputDriversAndOutputFieldsOnOutputDrivers)
{
    SerShk shk = {1, 1, 0x11, 0x13, 0, 0, 1, 1};
    DCB in = StartState();
    MapSerialSettings(-6, 0, &shk, &in);
    EXPECT_TRUE(in.fInX);
    EXPECT_EQ(in.fDtrControl, static_cast<DWORD>(DTR_CONTROL_HANDSHAKE));
    EXPECT_FALSE(in.fOutX);
    EXPECT_FALSE(in.fOutxCtsFlow);
    EXPECT_EQ(in.XonChar, 0x11);
    EXPECT_EQ(in.XoffChar, 0x13);

    DCB out = StartState();
    MapSerialSettings(-7, 0, &shk, &out);
    EXPECT_TRUE(out.fOutX);
    EXPECT_TRUE(out.fOutxCtsFlow);
    EXPECT_FALSE(out.fInX);
    EXPECT_EQ(out.fDtrControl, 0u);
    EXPECT_EQ(out.XonChar, 0x11);

    // Input XON/XOFF needs both fXOn and fInX, and is cleared otherwise.
    SerShk half = {0, 0, 0x11, 0x13, 0, 0, 1, 0};
    DCB cleared = StartState();
    cleared.fInX = 1;
    MapSerialSettings(-8, 0, &half, &cleared);
    EXPECT_FALSE(cleared.fInX);
    EXPECT_EQ(cleared.fDtrControl, 0u);
}

// Reference numbers outside -6..-9, and pairs that hold no port, are bad units and move nothing.
TEST(SerialDriver, NumbersWithoutAPortAnswerBadUnit)
{
    EXPECT_EQ(SerReset(-5, 0), -21);
    EXPECT_EQ(SerReset(-7, 0x4C0A), -21);
    SerShk shk = {};
    EXPECT_EQ(SerHShake(-10, &shk), -21);
    EXPECT_EQ(SerSetBuf(-9, nullptr, 100), -21);
    EXPECT_EQ(SerSetBrk(-6), -21);
    EXPECT_EQ(SerClrBrk(32767), -21);
    SerStaRec sta = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(SerStatus(-8, &sta), -21);

    int32_t n = 77;
    EXPECT_EQ(SerGetBuf(-10, &n), -21);
    EXPECT_EQ(n, 0);
    char buf[8] = "abcdefg";
    for (int16_t refNum : {-12, -7, -6, -1, -32768}) {
        n = 7;
        EXPECT_EQ(FSWrite(refNum, &n, buf), -21) << refNum;
        EXPECT_EQ(n, 0);
        n = 7;
        EXPECT_EQ(FSRead(refNum, &n, buf), -21) << refNum;
        EXPECT_EQ(n, 0);
    }
}

} // namespace
