// Entry point of test programs that need a QApplication (run with QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

int main(int argc, char** argv) {
  // Without a session (build machines, CI) Qt warns at every start that it has no runtime folder;
  // the build runs each test program to list its tests, so give them a private one.
  std::optional<QTemporaryDir> runtimeDir;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    runtimeDir.emplace();
    qputenv("XDG_RUNTIME_DIR", runtimeDir->path().toUtf8());
  }
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
