#include "app/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

}  // namespace

void SetMessageHandler(MessageHandler handler) {
  Handler() = std::move(handler);
}

void ShowMessage(const QString& text, MessageKind kind) {
  if (Handler()) {
    Handler()(text, kind);
    return;
  }
  QMessageBox box(kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                  QApplication::applicationName(), text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void ShowException(const std::exception& error) {
  ShowMessage(QString::fromStdString(error.what()), MessageKind::Error);
}
