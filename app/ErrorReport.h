#pragma once
// Message boxes and the standard error report, with a handler that lets tests answer them.
#include <QString>

#include <exception>
#include <functional>

enum class MessageKind { Information, Error };

// A message box with the text and an OK button, captioned with the application's title.
void ShowMessage(const QString& text, MessageKind kind = MessageKind::Information);

// Tests answer message boxes without a user: while set, the handler receives each message instead.
using MessageHandler = std::function<void(const QString& text, MessageKind kind)>;
void SetMessageHandler(MessageHandler handler);

// The application's standard error report: the error's own text in a message box.
void ShowException(const std::exception& error);

// Runs a window handler; an error escaping it is reported and the event loop goes on.
template <typename Handler>
void RunHandler(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowException(error);
  }
}
