#include "platform/AnsiText.h"
#include "platform/AnsiTextFile.h"
#include "platform/AnsiTextFileReplacement.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(AnsiText, KeepsAsciiAndReplacesWhatTheCodePageLacks) {
  struct Case {
    const char* utf8;
    std::string ansi;
  };
  for (const Case& c : {Case{"host = H", "host = H"}, Case{"caf\xC3\xA9", "caf\xE9"}, Case{"\xE2\x82\xAC 5", "\x80 5"},
                        Case{"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"}, Case{"\xCE\xA9", "?"},
                        Case{"a\xF0\x9F\x94\xAD"
                             "b",
                             "a?b"},
                        Case{"\xFF", "?"}})
    EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(AnsiText, DecodesEveryByteOfTheCodePage) {
  EXPECT_EQ(AnsiToUtf8("Gr\xFC\xDF"
                       "e \x80 \x93q\x94 \x81"),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC2\x81");
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(every)), every);
}

TEST(AnsiTextFile, WritesCrLfLinesReplacingAnExistingFile) {
  TempDir dir;
  WriteFile(dir / "cert.ini", "an older and much longer certificate\r\n");
  TAnsiTextFile file(dir / "cert.ini");
  file.Write("note =");
  file.WriteLine("caf\xC3\xA9");
  file.WriteLine("");
  file.Flush();
  file.Close();
  EXPECT_EQ(ReadFile(dir / "cert.ini"), "note =caf\xE9\r\n\r\n");
}

TEST(AnsiTextFile, ReportsFailuresOfCreatingAndWriting) {
  TempDir dir;
  EXPECT_THROW(TAnsiTextFile(dir / "missing-folder" / "cert.ini"), EInOutError);
  TAnsiTextFile full("/dev/full");  // every write fails with "no space left", also for root
  try {
    full.WriteLine("host = H");
    ADD_FAILURE() << "writing to a full device succeeded";
  } catch (const EInOutError& error) {
    EXPECT_NE(std::string(error.what()).find("/dev/full"), std::string::npos);
  }
}

TEST(AnsiTextFileReplacement, PutsTheNewTextInPlaceOnlyAtCommit) {
  TempDir dir;
  WriteFile(dir / "cert.ini", "the good certificate\r\n");
  {
    TAnsiTextFileReplacement cert(dir / "cert.ini");
    cert.WriteLine("host = H");
    EXPECT_EQ(ReadFile(dir / "cert.ini"), "the good certificate\r\n");
    cert.Commit();
  }
  EXPECT_EQ(ReadFile(dir / "cert.ini"), "host = H\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

// cert.ini holds the database password: a new one is private, a replaced one keeps its mode.
TEST(AnsiTextFileReplacement, ANewFileIsPrivateAndAReplacedOneKeepsItsMode) {
  TempDir dir;
  auto modeOf = [&](const char* name) {
    struct stat info {};
    ::stat((dir / name).c_str(), &info);
    return info.st_mode & 07777;
  };
  auto replace = [&](const char* name) {
    TAnsiTextFileReplacement cert(dir / name);
    cert.WriteLine("password = secret");
    cert.Commit();
  };
  replace("new.ini");
  EXPECT_EQ(modeOf("new.ini"), 0600u);
  for (unsigned mode : {0600u, 0640u, 0644u}) {
    WriteFile(dir / "cert.ini", "old\r\n");
    ::chmod((dir / "cert.ini").c_str(), mode);
    replace("cert.ini");
    EXPECT_EQ(modeOf("cert.ini"), mode);
    EXPECT_EQ(ReadFile(dir / "cert.ini"), "password = secret\r\n");
  }
}

TEST(AnsiTextFileReplacement, AFailureLeavesTheFileAndNoTemporaryFile) {
  TempDir dir;
  WriteFile(dir / "cert.ini", "the good certificate\r\n");
  {  // given up before Commit, as when a value cannot be had
    TAnsiTextFileReplacement cert(dir / "cert.ini");
    cert.WriteLine("host = H");
  }
  EXPECT_EQ(ReadFile(dir / "cert.ini"), "the good certificate\r\n");

  // A folder of the chosen name cannot be replaced by a file: Commit fails and tidies up.
  WriteFile(dir / "taken" / "inside", "kept");
  {
    TAnsiTextFileReplacement cert(dir / "taken");
    cert.WriteLine("host = H");
    EXPECT_THROW(cert.Commit(), EInOutError);
  }
  EXPECT_EQ(ReadFile(dir / "taken" / "inside"), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // cert.ini and taken
  EXPECT_THROW(TAnsiTextFileReplacement(dir / "missing-folder" / "cert.ini"), EInOutError);
}

TEST(AnsiText, ReadsTheCodePageBackAsUtf8) {
  EXPECT_EQ(AnsiToUtf8("f\xFCr \x80 \x93q\x94 \x81"), "f\xC3\xBCr \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC2\x81");
}
