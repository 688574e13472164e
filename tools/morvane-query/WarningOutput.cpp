#include "tools/morvane-query/WarningOutput.h"

void TWarningOutput::EndRow() {
  if (FValues.size() == 3)
    std::fprintf(FOut, "%s (Code %s): %s\n", FValues[0].c_str(), FValues[1].c_str(), FValues[2].c_str());
  FValues.clear();
}
