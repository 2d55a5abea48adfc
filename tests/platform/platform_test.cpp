#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "link/discovery.h"
#include "platform/bound_inventory.h"
#include "platform/port_listing.h"
#include "platform/qt/device_inventory.h"
#include "platform/qt/serial_port.h"
#include "tests/kit/pty/core_app.h"
#include "tests/kit/pty/port_activity.h"

namespace tessimor {
namespace {

using Strings = std::vector<std::string>;

// A fresh pty pair: the master is the adapter's end, `path` its device file.
struct Pty {
  Pty() { ::unlockpt(master); }  // devpts needs no grantpt
  ~Pty() { Unplug(); }
  void Unplug() { ::close(std::exchange(master, -1)); }  // hangs the slave up, as unplugging does
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  std::string path = master < 0 ? "" : ::ptsname(master);
};

TEST(QtSerialPort, OpensOnlyAResolvedSerialDeviceAndMovesBytesExactlyBothWays) {
  Pty pty;
  const std::string paths[] = {"", pty.path, "/dev/tessimor-none", "/dev/null", "/"};
  QtSerialPort port([&](int n) { return paths[n]; });
  // Opened on each in turn; a closed port sends nothing, not even once opened later.
  using enum PortProblem;
  const std::pair<std::int16_t, PortProblem> opens[] = {
      {1, kNone}, {2, kNoDevice}, {0, kNone}, {3, kNotSerial}, {4, kNotSerial}, {1, kNone}};
  for (const auto& [number, problem] : opens) {
    port.Close();
    port.WriteText("R\r");
    port.SetPortNumber(number);
    port.Open();
    EXPECT_EQ(std::tuple(port.IsOpen(), port.Location(), port.OpenProblem()),
              std::tuple(number == 1, paths[number], problem));
  }
  QtSerialPort other([&](int) { return pty.path; });
  other.Open();
  EXPECT_EQ(other.OpenProblem(), kBusy);  // `port` holds it
  // DTR cannot be set on a pty; the port must be usable anyway. The master sees the slave's modes.
  termios modes{};
  ASSERT_EQ(::tcgetattr(pty.master, &modes), 0);
  EXPECT_EQ(::cfgetospeed(&modes), speed_t{B19200});
  EXPECT_EQ(modes.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
  // Every byte value, each with its count so nothing swaps unseen, far past the driver's buffer.
  std::string text;
  for (int i = 0; text.size() < 200000; ++i) text += static_cast<char>(i) + std::to_string(i);
  port.WriteText(text);
  std::string received;  // a little, so the driver has room while Qt still holds the rest
  for (char c; received.size() < 1000 && ::read(pty.master, &c, 1) == 1;) received += c;
  port.WriteText("R\r");
  for (int idle = 0; received.size() < text.size() + 2 && idle < 100; ++idle) {
    port.Device().waitForBytesWritten(10);  // lets the port write out what Qt holds back
    for (char c; ::read(pty.master, &c, 1) == 1; idle = 0) received += c;
  }
  EXPECT_TRUE(received == text + "R\r");
  // Arrivals are kept whole and in order until taken: every byte value, within the read buffer.
  ASSERT_EQ(::write(pty.master, text.data(), 1000), ssize_t{1000});
  while (port.WaitingCount() < 1000 && port.Device().waitForReadyRead(1000)) continue;
  EXPECT_EQ(port.TakeInput(), text.substr(0, 1000));
  EXPECT_EQ(port.WaitingCount(), 0);
}

TEST(QtSerialPort, ClosesItselfOnceItsDeviceIsGoneWhetherIdleWritingOrPolled) {
  enum Way { kIdle, kWriting, kPolled, kPolledThenIdle };
  for (const Way way : {kIdle, kWriting, kPolled, kPolledThenIdle}) {
    SCOPED_TRACE(way);
    Pty pty;
    QtSerialPort port([&](int) { return pty.path; });
    port.Open();
    int gone = 0;
    QObject::connect(&port, &QtSerialPort::DeviceGone, [&] { ++gone; });
    if (way >= kPolled) {  // polled, arrivals are read in order without events
      ASSERT_EQ(::write(pty.master, "A\r", 2), ssize_t{2});
      ASSERT_TRUE(port.Device().waitForReadyRead(1000));  // Qt holds it when the polling begins
      port.SetPolled(true);
      ASSERT_EQ(::write(pty.master, "B\r", 2), ssize_t{2});
      EXPECT_EQ(testing::CountDescriptorNotifications(50), 0);
      EXPECT_EQ(port.WaitingCount(), 4);
      EXPECT_EQ(port.TakeInput(), "A\rB\r");
      if (way == kPolledThenIdle) port.SetPolled(false);
    }
    pty.Unplug();
    // Before any event, a write finds it out itself, and so does a polled tick's question; idle,
    // the port's own watch does.
    if (way == kWriting) port.WriteText("R\r");
    if (way == kPolled) {
      EXPECT_EQ(port.WaitingCount(), 0);
    }
    EXPECT_TRUE((way != kWriting && way != kPolled) || !port.IsOpen());
    EXPECT_LT(testing::CountDescriptorNotifications(200), 5);
    EXPECT_EQ(std::pair(port.IsOpen(), gone), std::pair(false, 1));
  }
}

TEST(PortListing, SortsNumbersFromOneNamesUsbPortsAndResolvesOnlyListedNumbers) {
  Strings locations = {"stale"};
  const auto records =
      BuildPortListing({{"/dev/ttyS0", "ttyS0", "ttyS0", false, 0, 0, ""},
                        {"/dev/ttyUSB0", "ttyUSB0", "CH340", true, 0x1A86, 0x7523, ""},
                        {"/dev/ttyACM0", "ttyACM0", "Tessimor", true, 0x04D8, 0xA, "T1"}},
                       &locations);
  EXPECT_EQ(locations, (Strings{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
  Strings flat;  // each record as "name=value;" for every property, in order
  for (const auto& record : records) {
    flat.emplace_back();
    for (const auto& p : record.properties) flat.back() += p.name + "=" + p.value.value() + ";";
  }
  EXPECT_EQ(flat,
            (Strings{"PNPDeviceID=USB\\VID_04D8&PID_000A\\T1;DeviceID=COM1;Name=Tessimor;",
                     "PNPDeviceID=TTY\\ttyS0;DeviceID=COM2;Name=ttyS0;",
                     "PNPDeviceID=USB\\VID_1A86&PID_7523\\ttyUSB0;DeviceID=COM3;Name=CH340;"}));
  QtDeviceInventory system;
  const int count = static_cast<int>(system.ListSerialPorts().value().size());
  for (int number = -1; number <= count + 1; ++number)
    EXPECT_EQ(system.ResolvePort(number).empty(), number < 1 || number > count) << number;
  BoundInventory bound("/dev/pts/7");
  EXPECT_EQ(FindAdapterPort(bound), 1);  // listed as the adapter on COM1
  EXPECT_EQ((Strings{bound.ResolvePort(0), bound.ResolvePort(1), bound.ResolvePort(2)}),
            (Strings{"", "/dev/pts/7", ""}));
}

}  // namespace
}  // namespace tessimor
