#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

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

// A port opened on `path`, whatever its number.
std::unique_ptr<QtSerialPort> OpenPort(const std::string& path) {
  auto port = std::make_unique<QtSerialPort>([path](int) { return path; });
  port->Open();
  return port;
}

TEST(QtSerialPort, OpensOnlyAResolvedSerialDeviceAndMovesBytesExactlyBothWays) {
  Pty pty;
  QtSerialPort port([&](int n) { return n == 1 ? pty.path : n == 2 ? "/dev/tessimor-none" : ""; });
  // A closed port takes nothing and sends nothing, not even once opened later.
  for (const std::int16_t number : {1, 0, 2, -1, 1}) {
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    port.WriteText("R\r");
    EXPECT_EQ(port.TakeInput(), "");
    port.SetPortNumber(number);
    port.Open();
    EXPECT_EQ(port.IsOpen(), number == 1) << number;
  }
  // DTR cannot be set on a pty; the port must be usable anyway. The master sees the slave's modes.
  ASSERT_TRUE(port.IsOpen());
  termios modes{};
  ASSERT_EQ(::tcgetattr(pty.master, &modes), 0);
  EXPECT_EQ(::cfgetospeed(&modes), speed_t{B19200});
  EXPECT_EQ(modes.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
  EXPECT_EQ(port.OpenProblem(), PortProblem::kNone);
  const std::pair<std::string, PortProblem> problems[] = {
      {pty.path, PortProblem::kBusy},           {"/dev/tessimor-none", PortProblem::kNoDevice},
      {"/etc/passwd", PortProblem::kNotSerial}, {"/dev/null", PortProblem::kNotSerial},
      {"/", PortProblem::kNotSerial},
  };
  for (const auto& [path, problem] : problems) {
    const auto other = OpenPort(path);
    EXPECT_FALSE(other->IsOpen()) << path;
    EXPECT_EQ(other->OpenProblem(), problem) << path;
    EXPECT_EQ(other->Location(), path);
  }
  // Beyond what the driver takes at once, still in order.
  std::string text = std::string("!$0000\rR\r\n") + '\0' + "\xFF\x80W00\r";
  for (int i = 0; text.size() < 200000; ++i) text += "W" + std::to_string(i) + "\r";
  port.WriteText(text);
  port.WriteText("R\r");
  std::string received;
  for (int idle = 0; received.size() < text.size() + 2 && idle < 100; ++idle) {
    port.Device().waitForBytesWritten(10);  // lets the port write out what Qt holds back
    for (char c; ::read(pty.master, &c, 1) == 1; idle = 0) received += c;
  }
  EXPECT_TRUE(received == text + "R\r");
  // Arrivals are kept whole and in order until taken.
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  for (const std::string& part : {bytes, std::string("R0010:AB\r\n")}) {
    const int waiting = port.WaitingCount() + static_cast<int>(part.size());
    ASSERT_EQ(::write(pty.master, part.data(), part.size()), static_cast<ssize_t>(part.size()));
    while (port.WaitingCount() < waiting && port.Device().waitForReadyRead(1000)) continue;
    ASSERT_EQ(port.WaitingCount(), waiting);
  }
  EXPECT_EQ(port.TakeInput(), bytes + "R0010:AB\r\n");
  EXPECT_EQ(port.WaitingCount(), 0);
}

TEST(QtSerialPort, ClosesItselfOnceItsDeviceIsGoneWhetherIdleOrWriting) {
  for (const bool writing : {false, true}) {
    SCOPED_TRACE(writing ? "writing" : "idle");
    Pty pty;
    const auto port = OpenPort(pty.path);
    int gone = 0;
    QObject::connect(port.get(), &QtSerialPort::DeviceGone, [&] { ++gone; });
    ASSERT_TRUE(port->IsOpen());
    pty.Unplug();
    if (writing) port->WriteText("R\r");  // found out by the write itself, before any event
    EXPECT_TRUE(!writing || !port->IsOpen());
    EXPECT_LT(testing::CountDescriptorNotifications(200), 5);
    EXPECT_FALSE(port->IsOpen());
    port->WriteText("R\r");
    EXPECT_EQ(port->WaitingCount(), 0);
    EXPECT_EQ(gone, 1);
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
  EXPECT_EQ(FindAdapterRecord(records)->number, 1);
  EXPECT_TRUE(BuildPortListing({}, nullptr).empty());
  QtDeviceInventory system;
  EXPECT_EQ(system.ResolvePort(1), "") << "nothing before a listing";
  const int count = static_cast<int>(system.ListSerialPorts().value().size());
  for (int number = -1; number <= count + 1; ++number) {
    EXPECT_EQ(system.ResolvePort(number).empty(), number < 1 || number > count) << number;
  }
  BoundInventory bound("/dev/pts/7");
  EXPECT_EQ(FindAdapterPort(bound), 1);  // listed as the adapter on COM1
  EXPECT_EQ((Strings{bound.ResolvePort(0), bound.ResolvePort(1), bound.ResolvePort(2)}),
            (Strings{"", "/dev/pts/7", ""}));
}

}  // namespace
}  // namespace tessimor
