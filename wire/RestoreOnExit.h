#pragma once
// Restoring a variable's value when a scope ends.
#include <utility>

// Gives a variable the stated value when the scope ends, whether it ends normally or by an
// exception: for flags and handlers that are changed only while one call runs.
template <typename T>
class TRestoreOnExit {
 public:
  TRestoreOnExit(T& variable, T value) : FVariable(variable), FValue(std::move(value)) {}
  ~TRestoreOnExit() { FVariable = std::move(FValue); }
  TRestoreOnExit(const TRestoreOnExit&) = delete;
  TRestoreOnExit& operator=(const TRestoreOnExit&) = delete;

 private:
  T& FVariable;
  T FValue;
};
