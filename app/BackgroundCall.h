#pragma once
// Running one blocking call off the GUI thread while the window goes on.
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

// Runs a blocking call on a worker thread while the GUI thread goes on handling its events, so
// that the window repaints and answers meanwhile. The call owns what it uses until it has ended;
// the notifications it raises for the window are kept and delivered on the GUI thread afterwards.
class TBackgroundCall {
 public:
  // Runs work on a worker thread and returns on the GUI thread once it has ended, with its
  // exception or none. One call at a time.
  std::exception_ptr Run(const std::function<void()>& work);
  // On the GUI thread notify runs at once; from the worker it is kept for DeliverNotifications.
  void Notify(std::function<void()> notify);
  // Runs the notifications kept during the last call, in the order they were raised.
  void DeliverNotifications();
  bool Running() const { return running_; }

 private:
  std::mutex lock_;
  std::vector<std::function<void()>> kept_;
  bool running_ = false;
};
