#include "about/FileVersionInfo.h"

#include "platform/ExecutablePath.h"
#include "platform/LanguageNames.h"
#include "platform/VersionResourceFile.h"
#include "platform/VersionResourceQuery.h"

#include <cstdio>

TGetCPInfoExFn GetCPInfoExFn = QueryCodePageInfoEx;

namespace {

constexpr const char* StringNames[TFileVersionInfo::StringCount] = {
    "Comments",        "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFileName", "PrivateBuild",    "ProductName", "ProductVersion", "SpecialBuild",
};

// Texts of the program's string table, filled with a code page number.
constexpr const char* CodePageUtf16Le = "%u (Unicode UTF-16, little endian byte order)";
constexpr const char* CodePageUtf16Be = "%u (Unicode UTF-16, big endian byte order)";
constexpr const char* CodePageUtf32Le = "%u (Unicode UTF-32, little endian byte order)";
constexpr const char* CodePageUtf32Be = "%u (Unicode UTF-32, big endian byte order)";
constexpr const char* CodePageUnknown = "%u (Unknown Code Page)";
constexpr const char* CodePageNumbered = "Code Page %u";

std::string FormatCodePage(const char* picture, std::uint32_t codePage) {
  char text[96];
  std::snprintf(text, sizeof text, picture, static_cast<unsigned>(codePage));
  return text;
}

std::string HexKey(std::uint16_t language, std::uint16_t codePage) {
  char key[9];
  std::snprintf(key, sizeof key, "%04X%04X", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
  return key;
}

}  // namespace

bool GetCPInfoAlt(std::uint32_t codePage, std::uint32_t flags, CodePageInfoEx& info) {
  if (!QueryCodePageInfoEx(codePage, flags, info)) return false;
  // The fallback knows no replacement character and names the code page by its number only.
  info.UnicodeDefaultChar = 0;
  info.CodePageName = FormatCodePage(CodePageNumbered, codePage);
  return true;
}

TFileVersionInfo::TFileVersionInfo() {
  SetFileName({});
}

void TFileVersionInfo::SetFileName(const std::string& fileName) {
  fFileName = fileName.empty() ? ExecutablePath().string() : fileName;
  ClearProperties();
  ReadVersionInfo();
}

void TFileVersionInfo::ClearProperties() {
  fHaveInfo = false;
}

void TFileVersionInfo::ReadVersionInfo() {
  fHaveInfo = false;
  fFixedFileInfo = {};
  fNumTranslations = 0;

  auto resource = ReadFileVersionResource(fFileName);
  if (!resource) return;
  fPInfoBuffer = std::move(*resource);
  fHaveInfo = true;

  if (auto root = QueryVersionValue(fPInfoBuffer, "\\"))
    if (auto fixed = DecodeFixedFileInfo(*root)) fFixedFileInfo = *fixed;

  fPTransBuffer.clear();
  if (auto table = QueryVersionValue(fPInfoBuffer, "\\VarFileInfo\\Translation")) {
    for (std::size_t i = 0; i + 4 <= table->size(); i += 4)
      fPTransBuffer.push_back({static_cast<std::uint16_t>((*table)[i] | (*table)[i + 1] << 8),
                               static_cast<std::uint16_t>((*table)[i + 2] | (*table)[i + 3] << 8)});
    fNumTranslations = static_cast<int>(fPTransBuffer.size());
  }
  SetCurrentTranslation(0);
}

TFileVersionNumber TFileVersionInfo::FileVersionNumber() const {
  return TFileVersionNumber::FromDoubleWords(fFixedFileInfo.dwFileVersionMS, fFixedFileInfo.dwFileVersionLS);
}

TFileVersionNumber TFileVersionInfo::ProductVersionNumber() const {
  return TFileVersionNumber::FromDoubleWords(fFixedFileInfo.dwProductVersionMS, fFixedFileInfo.dwProductVersionLS);
}

std::uint32_t TFileVersionInfo::FixedFileInfoItem(int index) const {
  switch (index) {
    case fiFileOS:
      return fFixedFileInfo.dwFileOS;
    case fiFileType:
      return fFixedFileInfo.dwFileType;
    case fiFileSubType:
      return fFixedFileInfo.dwFileSubtype;
    case fiFileFlagsMask:
      return fFixedFileInfo.dwFileFlagsMask;
    case fiFileFlags:
      return fFixedFileInfo.dwFileFlags;
    default:
      return 0;
  }
}

std::string TFileVersionInfo::VersionString(int index) const {
  if (index < 0 || index >= StringCount) return {};
  return StringFileInfo(StringNames[index]);
}

std::string TFileVersionInfo::StringFileInfo(const std::string& name) const {
  const TTransRec* translation = CurrentTransRec();
  if (!translation) return {};
  std::string path = "\\StringFileInfo\\" + HexKey(translation->Lang, translation->CharSet) + "\\" + name;
  auto value = QueryVersionValue(fPInfoBuffer, path);
  return value ? VersionValueText(*value) : std::string();
}

void TFileVersionInfo::SetCurrentTranslation(int index) {
  fCurrentTranslation = index >= 0 && index < fNumTranslations ? index : -1;
}

const TTransRec* TFileVersionInfo::CurrentTransRec() const {
  if (!fHaveInfo || fCurrentTranslation < 0 || fCurrentTranslation >= fNumTranslations) return nullptr;
  return &fPTransBuffer[static_cast<std::size_t>(fCurrentTranslation)];
}

std::uint16_t TFileVersionInfo::LanguageCode() const {
  const TTransRec* translation = CurrentTransRec();
  return translation ? translation->Lang : 0;
}

std::uint16_t TFileVersionInfo::CharSetCode() const {
  const TTransRec* translation = CurrentTransRec();
  return translation ? translation->CharSet : 0;
}

std::string TFileVersionInfo::Language() const {
  return fHaveInfo ? LanguageDisplayName(LanguageCode()) : std::string();
}

std::string TFileVersionInfo::CharSet() const {
  if (!fHaveInfo) return {};
  std::uint16_t code = CharSetCode();
  switch (code) {
    case 1200:
      return FormatCodePage(CodePageUtf16Le, code);
    case 1201:
      return FormatCodePage(CodePageUtf16Be, code);
    case 12000:
      return FormatCodePage(CodePageUtf32Le, code);
    case 12001:
      return FormatCodePage(CodePageUtf32Be, code);
    default:
      break;
  }
  CodePageInfoEx info;
  if (GetCPInfoExFn(code, 0, info)) return info.CodePageName;
  return FormatCodePage(CodePageUnknown, code);
}
