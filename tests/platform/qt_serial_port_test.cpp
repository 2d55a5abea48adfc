#include "platform/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "tests/platform/core_app.h"

namespace tessimor {
namespace {

// Every test gets a pair of its own: the port takes a lock and exclusive use of the slave.
class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CoreApp();
    char name[PATH_MAX] = {};
    int slave = -1;
    ASSERT_EQ(::openpty(&master_, &slave, name, nullptr, nullptr), 0);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::close(slave);
    path_ = name;
    port_.SetPortNumber(1);
  }
  void TearDown() override {
    port_.Close();
    if (master_ >= 0) ::close(master_);
  }

  std::string ReadMaster(std::size_t count) {
    std::string bytes;
    char buffer[512];
    while (bytes.size() < count) {
      pollfd in{master_, POLLIN, 0};
      if (::poll(&in, 1, 5000) <= 0) break;
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  }

  void WriteMaster(const std::string& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Waits until `count` bytes are waiting at the port.
  bool AwaitWaiting(int count) {
    for (int i = 0; i < 100 && port_.WaitingCount() < count; ++i) {
      port_.Device().waitForReadyRead(50);
    }
    return port_.WaitingCount() == count;
  }

  int master_ = -1;
  std::string path_;
  QtSerialPort port_{[this](int number) { return number == 1 ? path_ : std::string(); }};
};

TEST_F(QtSerialPortTest, OpensTheResolvedDeviceAndCloses) {
  EXPECT_FALSE(port_.IsOpen());
  port_.Open();
  // DTR cannot be set on a pty; the port must be usable anyway.
  ASSERT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.PortNumber(), 1);
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(QtSerialPortTest, NumberWithoutDeviceLeavesItClosed) {
  for (const std::int16_t number : {0, 2, -1}) {
    port_.SetPortNumber(number);
    EXPECT_EQ(port_.PortNumber(), number);
    port_.Open();
    EXPECT_FALSE(port_.IsOpen()) << number;
  }
}

TEST_F(QtSerialPortTest, MissingDeviceLeavesItClosed) {
  QtSerialPort port([](int) { return std::string("/dev/tessimor-no-such-port"); });
  port.SetPortNumber(1);
  port.Open();
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(QtSerialPortTest, ClosedPortSendsAndTakesNothing) {
  port_.WriteText("R\r");
  EXPECT_EQ(port_.WaitingCount(), 0);
  EXPECT_EQ(port_.TakeInput(), "");
  pollfd in{master_, POLLIN, 0};
  ::poll(&in, 1, 50);
  EXPECT_EQ(in.revents & POLLIN, 0);
}

TEST_F(QtSerialPortTest, WrittenTextLeavesByteForByte) {
  port_.Open();
  ASSERT_TRUE(port_.IsOpen());
  const std::string text = std::string("!$0000\rR\r\n") + '\0' + "\xFF\x80W00\r";
  port_.WriteText(text);
  EXPECT_EQ(ReadMaster(text.size()), text);
}

TEST_F(QtSerialPortTest, TextBeyondWhatTheDriverTakesAtOnceStillLeavesInOrder) {
  port_.Open();
  ASSERT_TRUE(port_.IsOpen());
  std::string big;
  for (int i = 0; big.size() < 200000; ++i) big += "W" + std::to_string(i) + "\r";
  port_.WriteText(big);
  port_.WriteText("R\r");
  const std::string expected = big + "R\r";
  std::string got;
  char buffer[4096];
  for (int idle = 0; got.size() < expected.size() && idle < 100;) {
    port_.Device().waitForBytesWritten(10);
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
      idle = 0;
    } else {
      ++idle;
    }
  }
  EXPECT_TRUE(got == expected) << got.size() << " of " << expected.size() << " bytes";
}

TEST_F(QtSerialPortTest, ArrivalsAreTakenWholeAndInOrder) {
  port_.Open();
  ASSERT_TRUE(port_.IsOpen());
  std::string first;
  for (int i = 0; i < 256; ++i) first += static_cast<char>(i);
  WriteMaster(first);
  ASSERT_TRUE(AwaitWaiting(256));
  WriteMaster("R0010:AB\r\n");
  ASSERT_TRUE(AwaitWaiting(266));
  EXPECT_EQ(port_.TakeInput(), first + "R0010:AB\r\n");
  EXPECT_EQ(port_.WaitingCount(), 0);
  EXPECT_EQ(port_.TakeInput(), "");
}

TEST_F(QtSerialPortTest, ReopenAfterCloseWorks) {
  port_.Open();
  port_.Close();
  port_.Open();
  ASSERT_TRUE(port_.IsOpen());
  port_.WriteText("$\r");
  EXPECT_EQ(ReadMaster(2), "$\r");
}

}  // namespace
}  // namespace tessimor
