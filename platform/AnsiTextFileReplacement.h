#pragma once
// Replacing a text file only once its new contents are on the device.
#include "platform/AnsiTextFile.h"

#include <filesystem>
#include <string_view>

// A text file written as TAnsiTextFile writes it, into a temporary file in the same folder that
// takes the file's name only at Commit, once its bytes are on the device. Until then an existing
// file of the name stays as it was; a replacement that is destroyed uncommitted, or whose Commit
// fails, removes its temporary file. The text may hold a password: a new file is private to the
// user (0600), and a replaced file keeps its mode and, where the system lets us, its owner.
class TAnsiTextFileReplacement {
 public:
  explicit TAnsiTextFileReplacement(const std::filesystem::path& file);
  ~TAnsiTextFileReplacement();
  TAnsiTextFileReplacement(const TAnsiTextFileReplacement&) = delete;
  TAnsiTextFileReplacement& operator=(const TAnsiTextFileReplacement&) = delete;

  void WriteLine(std::string_view utf8) { temporary_.WriteLine(utf8); }
  // Raises EInOutError when the text cannot be put in place.
  void Commit();

 private:
  std::filesystem::path file_, temporaryPath_;
  TAnsiTextFile temporary_;
  bool committed_ = false;
};
