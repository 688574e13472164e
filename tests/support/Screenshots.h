#pragma once
// Screenshots of widgets saved by the GUI tests.
#include <QDir>
#include <QString>
#include <QWidget>

// Saves a picture of the widget as screenshots/<name>.png under the build folder (the tests'
// working folder); returns whether the file was written.
inline bool SaveScreenshot(QWidget* widget, const QString& name) {
  QDir().mkpath("screenshots");
  return widget->grab().save("screenshots/" + name + ".png");
}
