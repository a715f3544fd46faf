#include "link/serial_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "support/pty_pair.h"

namespace kvl {
namespace {

double ElapsedMs(std::int64_t since) { return static_cast<double>(MonotonicNs() - since) / 1e6; }

TEST(SerialPortNames, MapToDevicePaths) {
  EXPECT_EQ(SerialDevicePath("1"), "/dev/ttyS0");
  EXPECT_EQ(SerialDevicePath("COM3"), "/dev/ttyS2");
  EXPECT_EQ(SerialDevicePath("com12"), "/dev/ttyS11");
  EXPECT_EQ(SerialDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath("ttyUSB1"), "/dev/ttyUSB1");
  EXPECT_EQ(SerialDevicePath("closeport"), "/dev/closeport");
  EXPECT_EQ(SerialDevicePath("COM0"), "/dev/COM0");
  // What an operator types into the port selector.
  EXPECT_EQ(PortItemFor(" 3 "), "3");
  EXPECT_EQ(PortItemFor("com7"), "7");
  EXPECT_EQ(PortItemFor("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(PortItemFor("ttyUSB2"), "/dev/ttyUSB2");
  EXPECT_EQ(PortItemFor("257"), "/dev/257");
  EXPECT_EQ(PortItemFor("  "), "");
  const auto ports = ListSerialPorts();
  ASSERT_GE(ports.size(), 256u);
  EXPECT_EQ(ports.back(), "256");
  EXPECT_EQ(ports[ports.size() - 256], "1");
}

TEST(SerialPortTiming, CharacterTimesUseIntegerArithmetic) {
  EXPECT_EQ(CSerialPort::CharsToMs(20, 9600), 20);
  EXPECT_EQ(CSerialPort::CharsToMs(20, 1200), 166);
  EXPECT_EQ(CSerialPort::CharsToMs(1, 19200), 1);  // computes 0, waits 1
  EXPECT_EQ(CSerialPort::CharsToMs(3, 0), 30);
}

TEST(SerialPort, OpenConfigureCloseResults) {
  test::PtyPair pty;
  CSerialPort port;
  EXPECT_EQ(port.Configure(9600, 200), 1) << "configure without a line";
  EXPECT_EQ(port.Close(), 2);
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  EXPECT_EQ(port.Configure(0, 200), 2);
  EXPECT_EQ(port.Configure(-9600, 200), 2);
  EXPECT_EQ(port.Configure(12345, 200), 2) << "a rate the system cannot set";
  EXPECT_EQ(port.Configure(9600, 200), 0);
  EXPECT_EQ(port.Baud(), 9600);
  // ptys have no RTS: the port notes it and carries on.
  port.SetRTS();
  port.ClearRTS();
  EXPECT_FALSE(port.HasRts());
  EXPECT_EQ(port.Close(), 0);
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, OpeningAnotherPortClosesTheFirstEvenWhenItFails) {
  test::PtyPair a, b;
  CSerialPort port;
  ASSERT_EQ(port.Open(a.SlavePath()), 0);
  ASSERT_EQ(port.Open(b.SlavePath()), 0);
  EXPECT_EQ(port.DevicePath(), b.SlavePath());
  EXPECT_EQ(port.Open("closeport"), 1);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Open("/etc/hostname"), 1) << "a file that is not a terminal";
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, ReadReturnsCountShortOrNothingWithinItsTimeouts) {
  test::PtyPair pty;
  CSerialPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  ASSERT_EQ(port.Configure(9600, 50), 0);
  std::uint8_t buf[16];

  pty.Write({1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(port.Read(8, buf), 8);
  EXPECT_EQ(buf[7], 8);

  pty.Write({1, 2, 3, 4, 5});
  std::int64_t t0 = MonotonicNs();
  EXPECT_EQ(port.Read(8, buf), -5);
  EXPECT_LT(ElapsedMs(t0), 400.0) << "a pause after the 5th byte ends the read, it does not hang";

  t0 = MonotonicNs();
  EXPECT_EQ(port.Read(8, buf), 0);
  // Total deadline: 1 ms a byte at 9600 baud, plus 50 ms.
  EXPECT_GE(ElapsedMs(t0), 57.0);
}

TEST(SerialPort, ReadFailureIsCountedAndStillWaitsOutItsTimeout) {
  auto pty = std::make_unique<test::PtyPair>();
  CSerialPort port;
  ASSERT_EQ(port.Open(pty->SlavePath()), 0);
  ASSERT_EQ(port.Configure(9600, 30), 0);
  pty.reset();  // the far end vanishes, as an unplugged adapter does
  std::uint8_t buf[8];
  const std::int64_t t0 = MonotonicNs();
  EXPECT_EQ(port.Read(8, buf), CSerialPort::kReadFailed);
  EXPECT_GE(ElapsedMs(t0), 30.0) << "a dead line must not make the caller spin";
  EXPECT_EQ(port.ReadErrors(), 1u);
}

TEST(SerialPort, AbortCutsShortReadsAndWaits) {
  test::PtyPair pty;
  CSerialPort port;
  ASSERT_EQ(port.Open(pty.SlavePath()), 0);
  ASSERT_EQ(port.Configure(9600, 5000), 0);
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    port.RequestAbort();
  });
  std::uint8_t buf[8];
  const std::int64_t t0 = MonotonicNs();
  EXPECT_EQ(port.Read(8, buf), 0);
  port.Sleep(3000);
  port.WaitPrecise(700);
  EXPECT_LT(ElapsedMs(t0), 1000.0);
  aborter.join();
  port.ResetAbort();
  const std::int64_t t1 = MonotonicNs();
  port.WaitPrecise(20);
  EXPECT_GE(ElapsedMs(t1), 20.0);
}

}  // namespace
}  // namespace kvl
