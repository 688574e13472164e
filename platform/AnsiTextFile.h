#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text file written in the single-byte code page with CR LF line ends. It is created anew,
// replacing any file of the name; every write is checked, and the first failure raises
// EInOutError, leaving what was written before it in the file.
class TAnsiTextFile {
public:
    explicit TAnsiTextFile(const std::filesystem::path& file);
    ~TAnsiTextFile();
    TAnsiTextFile(const TAnsiTextFile&) = delete;
    TAnsiTextFile& operator=(const TAnsiTextFile&) = delete;

    void Write(std::string_view utf8);
    void WriteLine(std::string_view utf8);
    // Forces what was written to the storage device, as a removable card needs.
    void Flush();
    void Close();

private:
    [[noreturn]] void Fail(int error) const;

    std::filesystem::path file_;
    int fd_ = -1;
};
