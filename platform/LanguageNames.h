#pragma once
// The English names of Windows language identifiers.
#include <cstdint>
#include <string>

// English display name of a Windows language identifier (primary language and sublanguage),
// e.g. 0x0409 "English (United States)"; empty for an identifier the table does not know.
std::string LanguageDisplayName(std::uint16_t languageId);
