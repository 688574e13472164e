// The version-resource format and the two containers it is found in, including damaged files.
#include "platform/BinaryFileReader.h"
#include "platform/ElfSection.h"
#include "platform/PeVersionResource.h"
#include "platform/VersionResourceBuilder.h"
#include "platform/VersionResourceFile.h"
#include "platform/VersionResourceQuery.h"
#include "tests/platform/ElfFixture.h"

#include <gtest/gtest.h>

namespace {

// What TwoTranslations.rc says, for comparison with the resource compiler's layout.
VersionResourceContent TwoTranslationsContent() {
  VersionResourceContent content;
  content.fixed.dwFileVersionMS = 0x00010002;
  content.fixed.dwFileVersionLS = 0x00030004;
  content.fixed.dwProductVersionMS = 0x0001000A;
  content.fixed.dwFileFlagsMask = 0x3F;
  content.fixed.dwFileFlags = 0x2;
  content.fixed.dwFileOS = VOS_NT_WINDOWS32;
  content.fixed.dwFileType = VFT_DLL;
  content.stringTables.push_back({"040904E4",
                                  {{"Comments", "English comments"},
                                   {"CompanyName", "English Company"},
                                   {"FileDescription", "English description"},
                                   {"FileVersion", "1.2.3.4"},
                                   {"InternalName", "TwoTranslations"},
                                   {"LegalCopyright", "English copyright"},
                                   {"LegalTrademarks", "English trademarks"},
                                   {"OriginalFilename", "TwoTranslations.dll"},
                                   {"PrivateBuild", "English private build"},
                                   {"ProductName", "English Product"},
                                   {"ProductVersion", "1.10"},
                                   {"SpecialBuild", "English special build"},
                                   {"Build Host", "bench 7"}}});
  content.stringTables.push_back(
      {"040704B0", {{"CompanyName", "Deutsche Firma M\u00fcller"}, {"FileVersion", "1.2.3.4 de"}}});
  content.translations = {{0x0409, 1252}, {0x0407, 1200}};
  return content;
}

std::string Text(std::span<const std::uint8_t> resource, std::string_view path) {
  auto value = QueryVersionValue(resource, path);
  return value ? VersionValueText(*value) : "<none>";
}

const char* const QueryPaths[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904E4\\CompanyName",
    "\\StringFileInfo\\040704B0\\FileVersion",
    "\\StringFileInfo\\040904E4\\Build Host",
};

// Every query over a damaged resource must end, and stay inside the buffer it was given
// (the sanitizer build checks the latter; copies of exactly the damaged size make overreads visible).
void QueryEverything(const std::vector<std::uint8_t>& resource) {
  for (const char* path : QueryPaths) {
    if (auto value = QueryVersionValue(resource, path)) {
      ASSERT_GE(value->data(), resource.data());
      ASSERT_LE(value->data() + value->size(), resource.data() + resource.size());
      VersionValueText(*value);
      DecodeFixedFileInfo(*value);
    }
  }
}

TEST(VersionResourceFormat, BuilderLaysOutTheResourceAsTheResourceCompilerDoes) {
  BinaryFileReader dll(TWO_TRANSLATIONS_DLL);
  auto compiled = ReadPeVersionResource(dll, MaxVersionResourceSize);
  ASSERT_TRUE(compiled);
  std::vector<std::uint8_t> built = BuildVersionResource(TwoTranslationsContent());
  EXPECT_EQ(built, *compiled);
}

TEST(VersionResourceFormat, QueriesFindValuesByPath) {
  std::vector<std::uint8_t> resource = BuildVersionResource(TwoTranslationsContent());
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\040904E4\\CompanyName"), "English Company");
  EXPECT_EQ(Text(resource, "\\stringfileinfo\\040904e4\\COMPANYNAME"), "English Company");
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\040704B0\\CompanyName"), "Deutsche Firma M\u00fcller");
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\040704B0\\Comments"), "<none>");
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\040904E4\\CompanyName\\Deeper"), "<none>");
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\00000000\\CompanyName"), "<none>");
  EXPECT_EQ(Text(resource, "\\StringFileInfo\\040904E4\\Company"), "<none>");

  auto translations = QueryVersionValue(resource, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translations);
  EXPECT_EQ(std::vector<std::uint8_t>(translations->begin(), translations->end()),
            (std::vector<std::uint8_t>{0x09, 0x04, 0xE4, 0x04, 0x07, 0x04, 0xB0, 0x04}));

  auto root = QueryVersionValue(resource, "\\");
  ASSERT_TRUE(root);
  auto fixed = DecodeFixedFileInfo(*root);
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);
  EXPECT_EQ(fixed->dwStrucVersion, FixedFileInfoStructVersion);
}

TEST(VersionResourceFormat, TextsSurviveTheRoundTrip) {
  const std::string texts[] = {"", "a", "ab", "abc", "\u00e4\u00f6\u00fc \u20ac \U0001F52D", std::string(300, 'x')};
  VersionResourceContent content;
  content.translations = {{0x0409, 1200}};
  VersionResourceContent::StringTable table{"040904B0", {}};
  for (std::size_t i = 0; i < std::size(texts); ++i) table.strings.emplace_back("S" + std::to_string(i), texts[i]);
  content.stringTables.push_back(table);
  std::vector<std::uint8_t> resource = BuildVersionResource(content);
  for (std::size_t i = 0; i < std::size(texts); ++i)
    EXPECT_EQ(Text(resource, "\\StringFileInfo\\040904B0\\S" + std::to_string(i)), texts[i]) << i;
}

TEST(VersionResourceFormat, OversizedResourceIsRefused) {
  VersionResourceContent content;
  content.stringTables.push_back({"040904B0", {{"Huge", std::string(40000, 'x')}}});
  EXPECT_THROW(BuildVersionResource(content), std::length_error);
}

TEST(VersionResourceFormat, MalformedBlocksEndTheSearch) {
  std::vector<std::uint8_t> resource = BuildVersionResource(TwoTranslationsContent());
  // The first child (StringFileInfo) starts right after the 52-byte fixed information at offset 92.
  const std::size_t firstChild = 92;
  ASSERT_EQ(Text(resource, "\\StringFileInfo\\040904E4\\Comments"), "English comments");

  struct Damage {
    const char* what;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
  };
  const Damage damages[] = {
      {"child of length zero", firstChild, {0, 0}},
      {"child shorter than its header", firstChild, {5, 0}},
      {"child longer than its parent", firstChild, {0xFF, 0xFF}},
      {"root longer than the buffer", 0, {0xFF, 0xFF}},
      {"root shorter than its header", 0, {2, 0}},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    std::vector<std::uint8_t> broken = resource;
    std::copy(damage.bytes.begin(), damage.bytes.end(), broken.begin() + static_cast<std::ptrdiff_t>(damage.offset));
    EXPECT_EQ(Text(broken, "\\StringFileInfo\\040904E4\\Comments"), "<none>");
    QueryEverything(broken);
  }

  // A key with no terminator inside its block.
  std::vector<std::uint8_t> unterminated = {12, 0, 0, 0, 0, 0, 'V', 0, 'S', 0, '_', 0};
  EXPECT_FALSE(QueryVersionValue(unterminated, "\\"));
  EXPECT_FALSE(DecodeFixedFileInfo(std::vector<std::uint8_t>(51, 0)));
}

TEST(VersionResourceFormat, EveryTruncationAndCorruptionIsSurvived) {
  const std::vector<std::uint8_t> resource = BuildVersionResource(TwoTranslationsContent());
  for (std::size_t length = 0; length < resource.size(); ++length)
    QueryEverything(
        std::vector<std::uint8_t>(resource.begin(), resource.begin() + static_cast<std::ptrdiff_t>(length)));
  for (std::size_t at = 0; at < resource.size(); ++at) {
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x7F}}) {
      std::vector<std::uint8_t> broken = resource;
      broken[at] = value;
      QueryEverything(broken);
    }
  }
}

TEST(ElfSection, FoundInEveryClassAndByteOrder) {
  ScratchFolder folder;
  const std::vector<std::uint8_t> payload{1, 2, 3, 4, 5};
  for (bool wide : {false, true}) {
    for (bool bigEndian : {false, true}) {
      SCOPED_TRACE(std::string(wide ? "64" : "32") + (bigEndian ? " big" : " little"));
      std::filesystem::path path = folder / "file";
      WriteFile(path, MakeElfFile({{".text", {9, 9}}, {".wanted", payload}, {".other", {7}}}, {wide, bigEndian}));
      BinaryFileReader file(path);
      auto found = ReadElfSection(file, ".wanted", 100);
      ASSERT_TRUE(found);
      EXPECT_EQ(*found, payload);
      EXPECT_FALSE(ReadElfSection(file, ".want", 100));
      EXPECT_FALSE(ReadElfSection(file, ".wanted", 4)) << "larger than allowed";
    }
  }
}

TEST(ElfSection, DamagedFilesYieldNothingOrTheSection) {
  ScratchFolder folder;
  std::filesystem::path path = folder / "file";
  const std::vector<std::uint8_t> payload{1, 2, 3, 4, 5};
  for (bool wide : {false, true}) {
    const std::vector<std::uint8_t> good = MakeElfFile({{".wanted", payload}}, {wide, false});
    for (std::size_t length = 0; length < good.size(); ++length) {
      WriteFile(path, std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
      EXPECT_FALSE(ReadElfSection(BinaryFileReader(path), ".wanted", 1000)) << "truncated to " << length;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
      std::vector<std::uint8_t> broken = good;
      broken[at] ^= 0xFF;
      WriteFile(path, broken);
      if (auto found = ReadElfSection(BinaryFileReader(path), ".wanted", 1000)) {
        EXPECT_LE(found->size(), 1000u);
      }
    }
  }
}

TEST(PeVersionResource, DamagedFilesYieldNothingOrABoundedResource) {
  ScratchFolder folder;
  std::filesystem::path path = folder / "damaged.dll";
  const std::vector<std::uint8_t> good = ReadWholeFile(TWO_TRANSLATIONS_DLL);
  for (std::size_t length = 0; length < good.size(); length += 7) {
    WriteFile(path, std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
    if (auto found = ReadFileVersionResource(path.string())) QueryEverything(*found);
  }
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::vector<std::uint8_t> broken = good;
    broken[at] ^= 0xFF;
    WriteFile(path, broken);
    if (auto found = ReadPeVersionResource(BinaryFileReader(path), MaxVersionResourceSize)) {
      EXPECT_LE(found->size(), MaxVersionResourceSize);
      QueryEverything(*found);
    }
  }
}

TEST(PeVersionResource, LibraryWithoutVersionResourceHasNone) {
  EXPECT_FALSE(ReadPeVersionResource(BinaryFileReader(NO_VERSION_DLL), MaxVersionResourceSize));
  EXPECT_FALSE(ReadPeVersionResource(BinaryFileReader(PLAIN_ELF), MaxVersionResourceSize));
  EXPECT_TRUE(ReadPeVersionResource(BinaryFileReader(NO_TRADEMARKS_EXE), MaxVersionResourceSize));
}

}  // namespace
