#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "link/discovery.h"
#include "platform/bound_inventory.h"
#include "platform/port_listing.h"
#include "platform/qt_device_inventory.h"
#include "platform/qt_serial_port.h"
#include "tests/platform/core_app.h"
#include "tests/support/port_activity.h"

namespace tessimor {
namespace {

// A fresh pty pair; the master is the adapter's end, the slave its device file.
struct Pty {
  Pty() {
    char name[PATH_MAX] = {};
    termios raw{};
    cfmakeraw(&raw);
    int slave = -1;
    if (::openpty(&master, &slave, name, &raw, nullptr) == 0) ::close(slave);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    path = name;
  }
  ~Pty() { Unplug(); }
  void Unplug() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  int master = -1;
  std::string path;
};

// On a real pty pair, as on the adapter's device.
TEST(QtSerialPort, OpensOnlyAResolvedDeviceAndMovesBytesExactlyBothWays) {
  Pty pty;
  const int master = pty.master;
  const std::string& path = pty.path;
  QtSerialPort port([&](int number) {
    return number == 1 ? path : number == 2 ? "/dev/tessimor-no-such-port" : "";
  });
  // Lets the port write out what Qt holds back, taking what reaches the master, until `count`
  // bytes have come or nothing has for a second.
  const auto read_master = [&](std::size_t count) {
    std::string bytes;
    char buffer[4096];
    for (int idle = 0; bytes.size() < count && idle < 100;) {
      port.Device().waitForBytesWritten(10);
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      idle = n > 0 ? 0 : idle + 1;
      bytes.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    return bytes;
  };
  const auto await_waiting = [&](int count) {
    for (int i = 0; i < 100 && port.WaitingCount() < count; ++i) {
      port.Device().waitForReadyRead(50);
    }
    return port.WaitingCount() == count;
  };
  for (const std::int16_t number : {0, 2, -1}) {
    port.SetPortNumber(number);
    port.Open();
    EXPECT_FALSE(port.IsOpen()) << number;
  }
  // Closing is harmless while closed; a closed port takes nothing and sends nothing, not even
  // once opened later.
  port.Close();
  port.WriteText("R\r");
  EXPECT_EQ(port.WaitingCount(), 0);
  EXPECT_EQ(port.TakeInput(), "");
  port.SetPortNumber(1);
  port.Open();
  // DTR cannot be set on a pty; the port must be usable anyway.
  ASSERT_TRUE(port.IsOpen());
  std::string text = std::string("!$0000\rR\r\n") + '\0' + "\xFF\x80W00\r";
  port.WriteText(text);
  EXPECT_EQ(read_master(text.size()), text);
  // Beyond what the driver takes at once, still in order.
  for (int i = 0; text.size() < 200000; ++i) text += "W" + std::to_string(i) + "\r";
  port.WriteText(text);
  port.WriteText("R\r");
  EXPECT_TRUE(read_master(text.size() + 2) == text + "R\r");
  // Arrivals are taken whole and in order.
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  ASSERT_EQ(::write(master, bytes.data(), 256), 256);
  ASSERT_TRUE(await_waiting(256));
  ASSERT_EQ(::write(master, "R0010:AB\r\n", 10), 10);
  ASSERT_TRUE(await_waiting(266));
  EXPECT_EQ(port.TakeInput(), bytes + "R0010:AB\r\n");
  EXPECT_EQ(port.WaitingCount(), 0);
  EXPECT_EQ(port.TakeInput(), "");
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  port.Open();
  port.WriteText("$\r");
  EXPECT_EQ(read_master(2), "$\r");
  port.Close();
}

// Pulling the adapter out hangs its tty up; closing a pty's master does the same.
TEST(QtSerialPort, ClosesItselfOnceItsDeviceIsGoneWhetherIdleOrWriting) {
  for (const bool writing : {false, true}) {
    SCOPED_TRACE(writing ? "writing" : "idle");
    Pty pty;
    QtSerialPort port([&](int) { return pty.path; });
    int gone = 0;
    QObject::connect(&port, &QtSerialPort::DeviceGone, [&] { ++gone; });
    port.SetPortNumber(1);
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    pty.Unplug();
    if (writing) {
      // Found out by the write itself, before any event is handled.
      port.WriteText("R\r");
      EXPECT_FALSE(port.IsOpen());
    }
    EXPECT_LT(testing::CountDescriptorNotifications(200), 5);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(gone, 1);
    port.WriteText("R\r");
    EXPECT_EQ(port.WaitingCount(), 0);
    EXPECT_EQ(gone, 1);
  }
}

TEST(QtSerialPort, SaysWhyAPortWouldNotOpen) {
  Pty pty;
  QtSerialPort holder([&](int) { return pty.path; });
  holder.SetPortNumber(1);
  holder.Open();
  ASSERT_TRUE(holder.IsOpen());
  EXPECT_EQ(holder.OpenProblem(), PortProblem::kNone);
  const std::pair<std::string, PortProblem> cases[] = {
      {pty.path, PortProblem::kBusy},
      {"/dev/tessimor-no-such-port", PortProblem::kNoDevice},
      {"/etc/passwd", PortProblem::kNotSerial},
      {"/dev/null", PortProblem::kNotSerial},
      {"/", PortProblem::kNotSerial},
  };
  for (const auto& [path, problem] : cases) {
    QtSerialPort port([&](int) { return path; });
    port.SetPortNumber(1);
    port.Open();
    EXPECT_FALSE(port.IsOpen()) << path;
    EXPECT_EQ(port.OpenProblem(), problem) << path;
    EXPECT_EQ(port.Location(), path);
  }
}

// Each record as "name=value;" for every property, in order.
std::vector<std::string> Flat(const std::vector<DeviceRecord>& records) {
  std::vector<std::string> flat;
  for (const auto& record : records) {
    flat.emplace_back();
    for (const auto& p : record.properties) flat.back() += p.name + "=" + p.value.value() + ";";
  }
  return flat;
}

TEST(BuildPortListing, SortsByLocationNumbersFromOneAndNamesUsbPorts) {
  std::vector<std::string> locations = {"stale"};
  const auto records =
      BuildPortListing({{"/dev/ttyS0", "ttyS0", "ttyS0", false, 0, 0, ""},
                        {"/dev/ttyUSB0", "ttyUSB0", "CH340", true, 0x1A86, 0x7523, ""},
                        {"/dev/ttyACM0", "ttyACM0", "Tessimor", true, 0x04D8, 0xA, "T1"}},
                       &locations);
  EXPECT_EQ(locations, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
  const std::vector<std::string> expected = {
      "PNPDeviceID=USB\\VID_04D8&PID_000A\\T1;DeviceID=COM1;Name=Tessimor;",
      "PNPDeviceID=TTY\\ttyS0;DeviceID=COM2;Name=ttyS0;",
      "PNPDeviceID=USB\\VID_1A86&PID_7523\\ttyUSB0;DeviceID=COM3;Name=CH340;",
  };
  EXPECT_EQ(Flat(records), expected);
  // The adapter is found where the listing puts it.
  EXPECT_EQ(FindAdapterRecord(records)->number, 1);
  EXPECT_TRUE(BuildPortListing({}, nullptr).empty());
}

TEST(Inventories, NumbersOutsideTheListingResolveToNothing) {
  QtDeviceInventory system;
  EXPECT_EQ(system.ResolvePort(1), "") << "nothing before a listing";
  const auto ports = system.ListSerialPorts();
  ASSERT_TRUE(ports.has_value());
  const int count = static_cast<int>(ports->size());
  for (int number = -1; number <= count + 1; ++number) {
    EXPECT_EQ(system.ResolvePort(number).empty(), number < 1 || number > count) << number;
  }
  BoundInventory bound("/dev/pts/7");
  // Listed as the adapter on COM1.
  EXPECT_EQ(FindAdapterPort(bound), 1);
  for (const int number : {0, 1, 2}) {
    EXPECT_EQ(bound.ResolvePort(number), number == 1 ? "/dev/pts/7" : "") << number;
  }
}

}  // namespace
}  // namespace tessimor
