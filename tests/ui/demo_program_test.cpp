#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>

#include "tests/support/temp_dir.h"
#include "tests/ui/window_harness.h"

namespace tessimor {
namespace {

using testing::TempDir;

TEST(DemoProgram, ScreenshotShowsTheLoadedWindowAtItsStartHeight) {
  testing::EnsureApplication();
  TempDir home;
  QProcess demo;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString(home.path()));
  environment.insert("XDG_DATA_HOME", QString::fromStdString(home.File("data")));
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  demo.setProcessEnvironment(environment);
  const QString png = QString::fromStdString(home.File("window.png"));
  demo.start(TESSIMOR_DEMO_PROGRAM, {"--screenshot", png});
  ASSERT_TRUE(demo.waitForFinished(60000));
  EXPECT_EQ(demo.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(demo.exitCode(), 0) << demo.readAllStandardError().toStdString();

  const QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size() / image.devicePixelRatio(), QSize(395, 126));
  // Nothing changed the simulated memory, so nothing was written under the data directory.
  EXPECT_FALSE(QFile::exists(QString::fromStdString(home.File("data"))));
}

TEST(DemoProgram, RejectsStrayArguments) {
  testing::EnsureApplication();
  QProcess demo;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  demo.setProcessEnvironment(environment);
  demo.start(TESSIMOR_DEMO_PROGRAM, {"stray"});
  ASSERT_TRUE(demo.waitForFinished(60000));
  EXPECT_EQ(demo.exitCode(), 2);
}

}  // namespace
}  // namespace tessimor
