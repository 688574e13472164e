#pragma once
// What both clients' benchmark loops share.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

constexpr int BenchRows = 1000000;
constexpr int BenchLogins = 1000;
constexpr const char* BenchDatabase = "morvane_bench";
constexpr const char* BenchSelect =
    "SELECT mac, PixelType, ShieldType, birthday, Org_ID, note FROM bench_client_pixels";

// How a fetch reaches the server: in plain text, compressed, or encrypted (TLS, the server's
// certificate not checked: both clients then run the same cipher of the same OpenSSL).
enum class TLink { Plain, Compress, Tls };

struct TServer {
  std::string Host, User, Password, Database;
  int Port = 0;
};

// Every value is looked at: its length and its first and last byte.
struct TSink {
  std::uint64_t Sum = 0;
  std::uint64_t Values = 0;
  void Touch(const char* p, std::size_t length) {
    ++Values;
    Sum += length;
    if (length > 0) Sum += static_cast<unsigned char>(p[0]) + static_cast<unsigned char>(p[length - 1]);
  }
};

[[noreturn]] inline void Die(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::exit(1);
}

// A login and logout by hand, with nothing but the socket calls the connection component makes.
TSink LoginBare(const TServer& s);

// The C client library's side (kept in its own file: its header defines the protocol's names as macros).
void SetupTable(const TServer& s);
TSink FetchLibmariadb(const TServer& s, TLink link);
TSink LoginLibmariadb(const TServer& s);
