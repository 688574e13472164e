#pragma once
// Base of the gradient controls' settings objects, which report their changes to their owner.
#include <functional>

// Base of the settings objects of the gradient controls: reports a change to whoever owns it.
class TAbPersistent {
 public:
  virtual ~TAbPersistent() = default;

  std::function<void(TAbPersistent& sender)> OnChange;

  virtual void Change() {
    if (OnChange) OnChange(*this);
  }

  // Passes on the change of a nested object as that object's own.
  void ChangeObject(TAbPersistent& sender) {
    if (OnChange) OnChange(sender);
  }
};
