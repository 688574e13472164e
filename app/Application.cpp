#include "app/Application.h"

#include "app/ErrorReport.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Morvane");
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  RunHandler([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
