// Text typed into a numeric edit and committed, in the base the first byte chooses. A commit may
// refuse the text with a conversion error (the field reports it); what a commit shows must itself
// commit without one, so that the field can never get stuck in its error state.
#include "controls/NumEditModel.h"
#include "controls/NumberConversion.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TNumEditModel model;
  model.SetEditBase(static_cast<TEditBase>(data[0] % 4));
  model.TextChanged(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  try {
    if (!model.Commit() || model.State() != esNormal) return 0;
  } catch (const EConvertError&) {
    return 0;
  }
  const std::string shown = model.Text();
  model.TextChanged(shown);
  if (!model.Commit() || model.State() != esNormal) std::abort();
  return 0;
}
