// The serial driver on a real line: tests/devices/serial_pty.py maps COM1 to a pseudo-terminal, runs this
// program and plays the far end. It answers "modem!" with "xyz12", "again" with "q", and "?" with the
// line's settings as "<baud>:<stop bits>:<ixoff>." (an absent line: SerialAbsent only).
#include <gtest/gtest.h>
#include <string>
#include "test_support.h"
#include "Devices.h"
#include "Files.h"
#include "Serial.h"

namespace {

// Waits for n bytes in the modem port's input queue; false after about ten seconds (a far end that
// never answered).
bool WaitForInput(int16_t refNum, int32_t n)
{
    for (int i = 0; i < 1000; ++i) {
        int32_t waiting = -1;
        if (SerGetBuf(refNum, &waiting) != noErr)
            return false;
        if (waiting >= n)
            return true;
        Sleep(10);
    }
    return false;
}

// Sends a request and reads the far end's reply up to and including its last character.
std::string Ask(const char *request, char last)
{
    int32_t n = static_cast<int32_t>(strlen(request));
    EXPECT_EQ(FSWrite(-7, &n, request), noErr);
    std::string reply;
    while (reply.empty() || reply.back() != last) {
        if (!WaitForInput(-6, 1))
            break;
        char c;
        int32_t one = 1;
        if (FSRead(-6, &one, &c) != noErr || one != 1)
            break;
        reply += c;
    }
    return reply;
}

class SerialPty : public testing::Test {
protected:
    void SetUp() override
    {
        int16_t refNum = 0;
        ASSERT_EQ(OpenDrive(testing_support::P(".Aout").c_str(), &refNum), noErr);
        ASSERT_EQ(refNum, -7);
    }
    void TearDown() override { CloseDrive(-7); }
};

TEST_F(SerialPty, DataReachesBothEnds)
{
    const char text[] = "modem!";
    int32_t n = 6;
    ASSERT_EQ(FSWrite(-7, &n, text), noErr);
    EXPECT_EQ(n, 6);
    ASSERT_TRUE(WaitForInput(-6, 5));
    int32_t waiting = 0;
    EXPECT_EQ(SerGetBuf(-6, &waiting), noErr);
    EXPECT_EQ(waiting, 5);
    char buf[8] = {};
    n = 5;
    EXPECT_EQ(FSRead(-6, &n, buf), noErr);
    EXPECT_EQ(n, 5);
    EXPECT_STREQ(buf, "xyz12");

    // The pair shares one port: the output number reads it too.
    n = 5;
    ASSERT_EQ(FSWrite(-7, &n, "again"), noErr);
    ASSERT_TRUE(WaitForInput(-7, 1));
    n = 1;
    EXPECT_EQ(FSRead(-7, &n, buf), noErr);
    EXPECT_EQ(buf[0], 'q');

    // A negative count moves nothing.
    n = -4;
    EXPECT_EQ(FSWrite(-7, &n, text), noErr);
    EXPECT_EQ(n, 0);
    n = -1;
    EXPECT_EQ(FSRead(-6, &n, buf), noErr);
    EXPECT_EQ(n, 0);
}

TEST_F(SerialPty, ResetAndHandshakeReachTheLine)
{
    EXPECT_EQ(SerReset(-7, static_cast<int16_t>(0x4000 | 0x0C00 | 0x2000 | 94)), noErr);
    EXPECT_EQ(Ask("?", '.'), "1200:1:0.");
    EXPECT_EQ(SerReset(-6, static_cast<int16_t>(0xC000 | 0x0C00 | 10)), noErr);
    EXPECT_EQ(Ask("?", '.'), "9600:2:0.");

    // Input XON/XOFF belongs to the input number: the output number leaves it alone.
    SerShk shk = {1, 0, 0x11, 0x13, 0, 0, 1, 0};
    EXPECT_EQ(SerHShake(-7, &shk), noErr);
    EXPECT_EQ(Ask("?", '.'), "9600:2:0.");
    EXPECT_EQ(SerHShake(-6, &shk), noErr);
    EXPECT_EQ(Ask("?", '.'), "9600:2:1.");
    SerShk none = {0, 0, 0x11, 0x13, 0, 0, 1, 0};
    EXPECT_EQ(SerHShake(-6, &none), noErr);
    EXPECT_EQ(Ask("?", '.'), "9600:2:0.");
}

TEST_F(SerialPty, StatusFillsSixBytes)
{
    unsigned char record[7];
    memset(record, 0xA5, sizeof record);
    EXPECT_EQ(SerStatus(-7, reinterpret_cast<SerStaRec *>(record)), noErr);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(record[i], 0) << i;
    EXPECT_EQ(record[6], 0xA5) << "the byte after the record";
    EXPECT_EQ(SerSetBuf(-6, nullptr, 2048), noErr);
}

TEST_F(SerialPty, NamesCompareWithoutCaseAndASecondOpenKeepsThePort)
{
    int16_t refNum = 0;
    EXPECT_EQ(OpenDrive(testing_support::P(".AOUT").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, -7);
    EXPECT_EQ(OpenDrive(testing_support::P(".ain").c_str(), &refNum), noErr);
    EXPECT_EQ(refNum, -6);
    // The printer port's pair is unopened: its input number has no port.
    int32_t n = 3;
    EXPECT_EQ(FSWrite(-8, &n, "abc"), -21);
    EXPECT_EQ(n, 0);
    n = 6;
    EXPECT_EQ(FSWrite(-7, &n, "modem!"), noErr);
    EXPECT_TRUE(WaitForInput(-6, 5));
    char buf[5];
    n = 5;
    EXPECT_EQ(FSRead(-6, &n, buf), noErr);
}

// Closing either number closes the port for both; the handle value Windows hands out next (here to a
// file) must never be written through the pair's other number.
TEST_F(SerialPty, CloseClearsThePair)
{
    ASSERT_EQ(CloseDrive(-7), noErr);
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    strcat(path, "serial_reuse.bin");
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    int32_t n = 5;
    EXPECT_EQ(FSWrite(-6, &n, "leak!"), -21);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);
    DeleteFileA(path);

    EXPECT_EQ(CloseDrive(-7), -21);
    EXPECT_EQ(CloseDrive(-6), -21);
    int32_t waiting = 9;
    EXPECT_EQ(SerGetBuf(-6, &waiting), -21);
    EXPECT_EQ(waiting, 0);

    // Closing through the input number works as well.
    int16_t refNum = 0;
    ASSERT_EQ(OpenDrive(testing_support::P(".Aout").c_str(), &refNum), noErr);
    EXPECT_EQ(CloseDrive(-6), noErr);
    EXPECT_EQ(SerReset(-7, 0x4C0A), -21);
}

// COM1 mapped to a device that does not exist: Windows still opens the name, the port is refused.
TEST(SerialAbsent, OpenAnswersNoDriver)
{
    int16_t refNum = 5;
    EXPECT_EQ(OpenDrive(testing_support::P(".Aout").c_str(), &refNum), -26);
    EXPECT_EQ(refNum, 0);
    int32_t n = 2;
    EXPECT_EQ(FSWrite(-7, &n, "no"), -21);
    EXPECT_EQ(n, 0);
}

} // namespace
