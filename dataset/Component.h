#pragma once
// Base of the non-visual components.
#include <string>

// Base of the non-visual components: a name and nothing else that this system needs.
class TComponent {
 public:
  virtual ~TComponent() = default;
  std::string Name;
};
