// The reader against real files: Windows DLLs built by the MinGW resource compiler and linker,
// this test program's own ELF executable with its embedded resource, and files without a resource.
#include "about/FileVersionInfo.h"
#include "platform/ExecutablePath.h"
#include "platform/VersionResourceBuilder.h"
#include "tests/platform/ElfFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void ExpectNoInformation(const TFileVersionInfo& info) {
  EXPECT_FALSE(info.HaveInfo());
  EXPECT_EQ(info.FileVersionNumber(), TFileVersionNumber{});
  EXPECT_EQ(VerNumToStr(info.FileVersionNumber()), "0.0.0.0");
  EXPECT_EQ(VerNumToStr(info.ProductVersionNumber()), "0.0.0.0");
  EXPECT_EQ(info.FixedFileInfo(), VS_FIXEDFILEINFO{});
  for (int index = 0; index < TFileVersionInfo::StringCount; ++index)
    EXPECT_EQ(info.VersionString(index), "") << "string " << index;
  EXPECT_EQ(info.CurrentTranslation(), -1);
  EXPECT_EQ(info.NumTranslations(), 0);
  EXPECT_EQ(info.LanguageCode(), 0);
  EXPECT_EQ(info.CharSetCode(), 0);
  EXPECT_EQ(info.Language(), "");
  EXPECT_EQ(info.CharSet(), "");
}

TEST(FileVersionInfo, TwoTranslationsServeTheFirstUntilAnotherIsChosen) {
  TFileVersionInfo info;
  info.SetFileName(TWO_TRANSLATIONS_DLL);
  ASSERT_TRUE(info.HaveInfo());
  EXPECT_EQ(info.NumTranslations(), 2);
  EXPECT_EQ(info.CurrentTranslation(), 0);
  EXPECT_EQ(info.LanguageCode(), 0x0409);
  EXPECT_EQ(info.CharSetCode(), 1252);
  EXPECT_EQ(info.Language(), "English (United States)");
  EXPECT_EQ(info.CharSet(), "1252 (Windows, Western European)");
  EXPECT_EQ(info.CompanyName(), "English Company");
  EXPECT_EQ(info.FileVersion(), "1.2.3.4");

  info.SetCurrentTranslation(1);
  EXPECT_EQ(info.CurrentTranslation(), 1);
  EXPECT_EQ(info.LanguageCode(), 0x0407);
  EXPECT_EQ(info.Language(), "German (Germany)");
  EXPECT_EQ(info.CharSet(), "1200 (Unicode UTF-16, little endian byte order)");
  EXPECT_EQ(info.CompanyName(), "Deutsche Firma M\u00fcller");
  EXPECT_EQ(info.FileVersion(), "1.2.3.4 de");
  EXPECT_EQ(info.FileDescription(), "") << "the German table has no description";

  for (int outOfRange : {2, -1, -2, 1000}) {
    info.SetCurrentTranslation(outOfRange);
    EXPECT_EQ(info.CurrentTranslation(), -1) << outOfRange;
    EXPECT_EQ(info.CompanyName(), "") << outOfRange;
    EXPECT_EQ(info.StringFileInfo("Build Host"), "") << outOfRange;
    EXPECT_EQ(info.LanguageCode(), 0) << outOfRange;
  }

  info.SetCurrentTranslation(0);
  EXPECT_EQ(info.CompanyName(), "English Company");
}

TEST(FileVersionInfo, StandardStringsAreServedByIndexInTheirOrder) {
  TFileVersionInfo info;
  info.SetFileName(TWO_TRANSLATIONS_DLL);
  const std::pair<std::string (TFileVersionInfo::*)() const, const char*> expected[] = {
      {&TFileVersionInfo::Comments, "English comments"},
      {&TFileVersionInfo::CompanyName, "English Company"},
      {&TFileVersionInfo::FileDescription, "English description"},
      {&TFileVersionInfo::FileVersion, "1.2.3.4"},
      {&TFileVersionInfo::InternalName, "TwoTranslations"},
      {&TFileVersionInfo::LegalCopyright, "English copyright"},
      {&TFileVersionInfo::LegalTrademarks, "English trademarks"},
      {&TFileVersionInfo::OriginalFileName, "TwoTranslations.dll"},
      {&TFileVersionInfo::PrivateBuild, "English private build"},
      {&TFileVersionInfo::ProductName, "English Product"},
      {&TFileVersionInfo::ProductVersion, "1.10"},
      {&TFileVersionInfo::SpecialBuild, "English special build"},
  };
  for (int index = 0; index < TFileVersionInfo::StringCount; ++index) {
    EXPECT_EQ((info.*expected[index].first)(), expected[index].second) << index;
    EXPECT_EQ(info.VersionString(index), expected[index].second) << index;
  }
  EXPECT_EQ(info.VersionString(TFileVersionInfo::StringCount), "");
  EXPECT_EQ(info.VersionString(-1), "");
  // Names match without regard to case, as the resource compiler's "OriginalFilename" shows above.
  EXPECT_EQ(info.StringFileInfo("build host"), "bench 7");
  EXPECT_EQ(info.StringFileInfo("No Such String"), "");
}

TEST(FileVersionInfo, FixedInformationOfAPeLibrary) {
  TFileVersionInfo info;
  info.SetFileName(TWO_TRANSLATIONS_DLL);
  EXPECT_EQ(VerNumToStr(info.FileVersionNumber()), "1.2.3.4");
  EXPECT_EQ(VerNumToStr(info.ProductVersionNumber()), "1.10.0.0");
  EXPECT_EQ(info.FileOS(), VOS_NT_WINDOWS32);
  EXPECT_EQ(info.FileType(), VFT_DLL);
  EXPECT_EQ(info.FileSubType(), 0u);
  EXPECT_EQ(info.FileFlagsMask(), 0x3Fu);
  EXPECT_EQ(info.FileFlags(), 0x2u);
  EXPECT_EQ(info.FixedFileInfoItem(5), 0u);
  EXPECT_EQ(info.FixedFileInfo().dwSignature, FixedFileInfoSignature);
}

TEST(FileVersionInfo, FilesWithoutAResourceReadAsEmpty) {
  ScratchFolder folder;
  WriteFile(folder / "empty", {});
  WriteFile(folder / "text", {'M', 'Z', 'h', 'e', 'l', 'l', 'o'});
  WriteFile(folder / "elf-without-section", MakeElfFile({{".data", {1, 2, 3}}}));
  const std::string files[] = {
      NO_VERSION_DLL,
      PLAIN_ELF,
      (folder / "empty").string(),
      (folder / "text").string(),
      (folder / "elf-without-section").string(),
      (folder / "missing").string(),
      folder.Path().string(),
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    TFileVersionInfo info;
    info.SetFileName(file);
    EXPECT_EQ(info.FileName(), file);
    ExpectNoInformation(info);
  }
}

TEST(FileVersionInfo, ReadingAFileWithoutResourceForgetsTheLastOne) {
  TFileVersionInfo info;
  info.SetFileName(TWO_TRANSLATIONS_DLL);
  info.SetCurrentTranslation(1);
  info.SetFileName(NO_VERSION_DLL);
  ExpectNoInformation(info);
  info.SetFileName(TWO_TRANSLATIONS_DLL);
  EXPECT_EQ(info.CurrentTranslation(), 0);
  EXPECT_EQ(info.CompanyName(), "English Company");
}

TEST(FileVersionInfo, EmptyNameReadsTheRunningProgram) {
  TFileVersionInfo info;
  EXPECT_EQ(info.FileName(), ExecutablePath().string());
  EXPECT_TRUE(std::filesystem::path(info.FileName()).is_absolute());
  ASSERT_TRUE(info.HaveInfo());
  EXPECT_EQ(info.CompanyName(), "KOVA");
  EXPECT_EQ(info.ProductName(), "Morvane");
  EXPECT_EQ(info.FileDescription(), "Version reader tests");
  EXPECT_EQ(info.FileVersion(), "3.1.4.15");
  EXPECT_EQ(info.ProductVersion(), "3.1.0.0");
  EXPECT_EQ(info.InternalName(), "VersionInfoTest");
  EXPECT_EQ(info.OriginalFileName(), "VersionInfoTest");
  EXPECT_EQ(info.LegalTrademarks(), "") << "left out of the resource";
  EXPECT_EQ(VerNumToStr(info.FileVersionNumber()), "3.1.4.15");
  EXPECT_EQ(VerNumToStr(info.ProductVersionNumber()), "3.1.0.0");
  EXPECT_EQ(info.FileType(), VFT_APP);
  EXPECT_EQ(info.LanguageCode(), 0x0409);
  EXPECT_EQ(info.CharSet(), "1200 (Unicode UTF-16, little endian byte order)");

  info.SetFileName(TWO_TRANSLATIONS_DLL);
  info.SetFileName("");
  EXPECT_EQ(info.FileName(), ExecutablePath().string());
  EXPECT_EQ(info.CompanyName(), "KOVA");
}

TEST(FileVersionInfo, BareNameIsLookedForBesideTheProgramBeforeTheCurrentFolder) {
  ScratchFolder folder;
  std::string programName = ExecutablePath().filename().string();
  std::filesystem::copy_file(TWO_TRANSLATIONS_DLL, folder / programName);
  std::filesystem::copy_file(TWO_TRANSLATIONS_DLL, folder / "only-here.dll");
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());

  TFileVersionInfo info;
  info.SetFileName(programName);
  std::string besideProgram = info.CompanyName();
  info.SetFileName("only-here.dll");
  std::string inCurrentFolder = info.CompanyName();
  std::filesystem::current_path(previous);

  EXPECT_EQ(besideProgram, "KOVA");
  EXPECT_EQ(inCurrentFolder, "English Company");
}

TEST(FileVersionInfo, CodePageNames) {
  ScratchFolder folder;
  const std::pair<std::uint16_t, std::string> cases[] = {
      {1200, "1200 (Unicode UTF-16, little endian byte order)"},
      {1201, "1201 (Unicode UTF-16, big endian byte order)"},
      {12000, "12000 (Unicode UTF-32, little endian byte order)"},
      {12001, "12001 (Unicode UTF-32, big endian byte order)"},
      {1252, "1252 (Windows, Western European)"},
      {65001, "65001 (UTF-8)"},
      {932, "932 (Japanese, Shift-JIS)"},
      {4242, "4242 (Unknown Code Page)"},
      {0, "0 (Unknown Code Page)"},
  };
  VersionResourceContent content;
  for (const auto& [code, text] : cases) content.translations.push_back({0x0409, code});
  WriteFile(folder / "code-pages", MakeElfFile({{VersionResourceSectionName, BuildVersionResource(content)}}));

  TFileVersionInfo info;
  info.SetFileName((folder / "code-pages").string());
  ASSERT_EQ(info.NumTranslations(), static_cast<int>(std::size(cases)));
  for (int i = 0; i < info.NumTranslations(); ++i) {
    info.SetCurrentTranslation(i);
    EXPECT_EQ(info.CharSetCode(), cases[i].first);
    EXPECT_EQ(info.CharSet(), cases[i].second);
  }
}

TEST(FileVersionInfo, WithoutTheExtendedRoutineCodePagesAreNamedByNumber) {
  ScratchFolder folder;
  VersionResourceContent content;
  content.translations = {{0x0409, 1252}, {0x0409, 4242}, {0x0409, 1201}};
  WriteFile(folder / "code-pages", MakeElfFile({{VersionResourceSectionName, BuildVersionResource(content)}}));
  TFileVersionInfo info;
  info.SetFileName((folder / "code-pages").string());

  TGetCPInfoExFn saved = GetCPInfoExFn;
  GetCPInfoExFn = GetCPInfoAlt;
  std::string names[3];
  for (int i = 0; i < 3; ++i) {
    info.SetCurrentTranslation(i);
    names[i] = info.CharSet();
  }
  GetCPInfoExFn = saved;

  EXPECT_EQ(names[0], "Code Page 1252");
  EXPECT_EQ(names[1], "4242 (Unknown Code Page)");
  EXPECT_EQ(names[2], "1201 (Unicode UTF-16, big endian byte order)");
}

TEST(FileVersionInfo, LanguageNames) {
  ScratchFolder folder;
  VersionResourceContent content;
  content.translations = {{0x0409, 1200}, {0x0000, 1200}, {0x0C0C, 1200}, {0x7777, 1200}};
  WriteFile(folder / "languages", MakeElfFile({{VersionResourceSectionName, BuildVersionResource(content)}}));
  TFileVersionInfo info;
  info.SetFileName((folder / "languages").string());
  const char* expected[] = {"English (United States)", "Language Neutral", "French (Canada)", ""};
  for (int i = 0; i < 4; ++i) {
    info.SetCurrentTranslation(i);
    EXPECT_EQ(info.Language(), expected[i]) << i;
  }
}

TEST(FileVersionInfo, ResourceWithoutTranslationTableHasNoStrings) {
  ScratchFolder folder;
  VersionResourceContent content;
  content.fixed.dwFileVersionMS = 0x00020003;
  content.stringTables.push_back({"040904B0", {{"CompanyName", "Nobody finds this"}}});
  WriteFile(folder / "untranslated", MakeElfFile({{VersionResourceSectionName, BuildVersionResource(content)}}));
  TFileVersionInfo info;
  info.SetFileName((folder / "untranslated").string());
  EXPECT_TRUE(info.HaveInfo());
  EXPECT_EQ(VerNumToStr(info.FileVersionNumber()), "2.3.0.0");
  EXPECT_EQ(info.NumTranslations(), 0);
  EXPECT_EQ(info.CurrentTranslation(), -1);
  EXPECT_EQ(info.CompanyName(), "");
}

}  // namespace
