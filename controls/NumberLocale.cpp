#include "controls/NumberLocale.h"

namespace {
TNumberLocale g_locale;
bool g_localeSet = false;
}  // namespace

const TNumberLocale& ProgramNumberLocale() {
  return g_locale;
}

void SetProgramNumberLocale(const TNumberLocale& locale) {
  g_locale = locale;
  g_localeSet = true;
}

bool ProgramNumberLocaleSet() {
  return g_localeSet;
}
