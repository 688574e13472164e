#pragma once
// The types the numeric edit controls share: bases, options, states and colours.
#include <cstdint>
#include <initializer_list>

// Base in which a numeric edit shows its value and parses unprefixed text.
enum TEditBase { ebBin, ebHex, ebFloat, ebInt };

enum TNumEditOption { eoLimitMax, eoLimitMin, eoMultiply };

enum TNumEditState { esNormal, esEditing, esError };

// A set of TNumEditOption values.
class TNumEditOptions {
 public:
  constexpr TNumEditOptions() = default;
  constexpr TNumEditOptions(std::initializer_list<TNumEditOption> options) {
    for (TNumEditOption o : options) bits_ |= Bit(o);
  }
  constexpr bool Contains(TNumEditOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  friend constexpr bool operator==(TNumEditOptions, TNumEditOptions) = default;

 private:
  static constexpr unsigned Bit(TNumEditOption o) { return 1u << static_cast<unsigned>(o); }
  unsigned bits_ = 0;
};

// Colours are 32-bit values with red in the low byte ($00BBGGRR); a set high byte names a system colour.
using TColor = std::uint32_t;
constexpr TColor clSystemColorFlag = 0xFF000000u;
constexpr TColor clWindow = 0xFF000005u;
constexpr TColor clLime = 0x0000FF00u;
constexpr TColor clRed = 0x000000FFu;
