// Entry point of test programs that need a QApplication (run with QT_QPA_PLATFORM=offscreen).
#include <QApplication>
#include <QFile>
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
  // Offscreen, a workbench screen as the first and a 1,600-pixel-wide screen at a scale of 2 beside
  // it (800 x 450 in the window's pixels) for the window that must fit the screen it opens on.
  QTemporaryDir screensDir;
  QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() || platform == "offscreen") {
    QFile screens(screensDir.filePath("screens.json"));
    if (screens.open(QIODevice::WriteOnly)) {
      screens.write(R"({"screens": [
        {"name": "workbench", "x": 0, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1},
        {"name": "scaled", "x": 1920, "y": 0, "width": 800, "height": 450, "logicalDpi": 96, "dpr": 2}]})");
      screens.close();
      platform = "offscreen:configfile=" + screens.fileName().toUtf8();
    } else {
      platform = "offscreen";
    }
  }
  qputenv("QT_QPA_PLATFORM", platform);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
