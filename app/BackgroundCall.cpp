#include "app/BackgroundCall.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <thread>

std::exception_ptr TBackgroundCall::Run(const std::function<void()>& work) {
  QEventLoop loop;
  std::exception_ptr failure;
  running_ = true;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    // By name: the call is then Qt's alone, with nothing of this program shared between threads.
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  running_ = false;
  return failure;
}

void TBackgroundCall::Notify(std::function<void()> notify) {
  if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
    notify();
    return;
  }
  std::lock_guard guard(lock_);
  kept_.push_back(std::move(notify));
}

void TBackgroundCall::DeliverNotifications() {
  std::vector<std::function<void()>> kept;
  {
    std::lock_guard guard(lock_);
    kept.swap(kept_);
  }
  for (const auto& notify : kept) notify();
}
