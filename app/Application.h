#pragma once
// The application object, which turns an error escaping an event handler into the error report.
#include <QApplication>

// The application object: an error that escapes any event handler ends in the standard error
// report instead of ending the program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
