#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace tessimor::testing {

// The widgets' application, made once tests run: listing them needs no display.
class WidgetsApp : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[23] = "tessimor-station-tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const widgets_app =
    ::testing::AddGlobalTestEnvironment(new WidgetsApp);

}  // namespace tessimor::testing
