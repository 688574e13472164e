#pragma once
// Reading a module's version resource for the About box: fixed information, translations, strings.
#include "about/FileVersionNumber.h"
#include "platform/CodePageInfo.h"
#include "platform/VersionResourceFormat.h"

#include <cstdint>
#include <string>
#include <vector>

// One entry of a version resource's translation table: a language and the code page of its strings.
struct TTransRec {
  std::uint16_t Lang = 0;
  std::uint16_t CharSet = 0;
};
using TTransRecs = std::vector<TTransRec>;

// The routine that describes code pages; the system's own, or GetCPInfoAlt where the system lacks it.
using TGetCPInfoExFn = bool (*)(std::uint32_t codePage, std::uint32_t flags, CodePageInfoEx& info);
extern TGetCPInfoExFn GetCPInfoExFn;

// Describes a code page from the system's basic code-page information, naming it "Code Page <n>".
bool GetCPInfoAlt(std::uint32_t codePage, std::uint32_t flags, CodePageInfoEx& info);

// Reads the version resource of one executable or library (by default the running program) and
// offers its fixed information, translation table and, for the current translation, its strings.
// Nothing here fails: what is missing reads as empty text, zero or -1.
class TFileVersionInfo {
 public:
  // Indexes of the standard strings.
  enum StringIndex {
    siComments,
    siCompanyName,
    siFileDescription,
    siFileVersion,
    siInternalName,
    siLegalCopyright,
    siLegalTrademarks,
    siOriginalFileName,
    siPrivateBuild,
    siProductName,
    siProductVersion,
    siSpecialBuild,
    StringCount
  };
  // Indexes of the fixed information items.
  enum FixedIndex { fiFileOS, fiFileType, fiFileSubType, fiFileFlagsMask, fiFileFlags };

  // Reads the running program's own version resource.
  TFileVersionInfo();
  virtual ~TFileVersionInfo() = default;

  const std::string& FileName() const { return fFileName; }
  // Reads the named file anew; an empty name stands for the running program's full path.
  void SetFileName(const std::string& fileName);

  bool HaveInfo() const { return fHaveInfo; }
  const VS_FIXEDFILEINFO& FixedFileInfo() const { return fFixedFileInfo; }
  TFileVersionNumber FileVersionNumber() const;
  TFileVersionNumber ProductVersionNumber() const;
  std::uint32_t FixedFileInfoItem(int index) const;
  std::uint32_t FileOS() const { return FixedFileInfoItem(fiFileOS); }
  std::uint32_t FileType() const { return FixedFileInfoItem(fiFileType); }
  std::uint32_t FileSubType() const { return FixedFileInfoItem(fiFileSubType); }
  std::uint32_t FileFlagsMask() const { return FixedFileInfoItem(fiFileFlagsMask); }
  std::uint32_t FileFlags() const { return FixedFileInfoItem(fiFileFlags); }

  // The standard string of that index (see StringIndex); empty for an index outside 0..11.
  std::string VersionString(int index) const;
  std::string Comments() const { return VersionString(siComments); }
  std::string CompanyName() const { return VersionString(siCompanyName); }
  std::string FileDescription() const { return VersionString(siFileDescription); }
  std::string FileVersion() const { return VersionString(siFileVersion); }
  std::string InternalName() const { return VersionString(siInternalName); }
  std::string LegalCopyright() const { return VersionString(siLegalCopyright); }
  std::string LegalTrademarks() const { return VersionString(siLegalTrademarks); }
  std::string OriginalFileName() const { return VersionString(siOriginalFileName); }
  std::string PrivateBuild() const { return VersionString(siPrivateBuild); }
  std::string ProductName() const { return VersionString(siProductName); }
  std::string ProductVersion() const { return VersionString(siProductVersion); }
  std::string SpecialBuild() const { return VersionString(siSpecialBuild); }

  // Any string of the current translation, by name.
  std::string StringFileInfo(const std::string& name) const;

  int NumTranslations() const { return fNumTranslations; }
  int CurrentTranslation() const { return fHaveInfo ? fCurrentTranslation : -1; }
  // Selects translation 0..NumTranslations-1; any other index selects none.
  void SetCurrentTranslation(int index);
  std::uint16_t LanguageCode() const;
  std::uint16_t CharSetCode() const;
  std::string Language() const;
  std::string CharSet() const;

 protected:
  virtual void ClearProperties();
  virtual void ReadVersionInfo();

 private:
  const TTransRec* CurrentTransRec() const;

  std::string fFileName;
  bool fHaveInfo = false;
  int fNumTranslations = 0;
  int fCurrentTranslation = -1;
  VS_FIXEDFILEINFO fFixedFileInfo;
  std::vector<std::uint8_t> fPInfoBuffer;
  TTransRecs fPTransBuffer;
};
