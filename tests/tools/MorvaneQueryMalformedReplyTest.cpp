// morvane-query against scripted servers: a reply with a malformed length, a greeting that would
// draw the pre-4.1 scramble, a login that never ends, a server without TLS and a garbage CA file.
#include "tests/support/FakeServer.h"
#include "tests/support/TempDir.h"
#include "wire/MySqlConsts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <sys/wait.h>

namespace {

constexpr std::uint16_t Caps41 = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB | CLIENT_PROTOCOL_41 |
                                 CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION;

struct TRun {
  int ExitCode = -1;
  std::string Output;
};

TRun RunQuery(int port, const std::string& options = "--timeout 5", const std::string& sql = "SELECT 1") {
  const std::string command = std::string(MORVANE_QUERY) + " --host 127.0.0.1 --port " + std::to_string(port) +
                              " --user tech --password=secret " + options + " -e \"" + sql + "\" 2>&1";
  TRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) run.Output += chunk;
  const int status = pclose(pipe);
  // A signal (abort, segmentation fault) leaves ExitCode at -1.
  if (WIFEXITED(status)) run.ExitCode = WEXITSTATUS(status);
  return run;
}

}  // namespace

TEST(MorvaneQuery, MalformedLengthInAReplyIsError2027) {
  // The reply to the first statement (SET NAMES) is an OK packet whose affected-row count has the prefix 255.
  TFakeServer server([](TFakePeer& peer) {
    peer.SendPacket(0, Greeting41(Caps41));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, OkPacket());
    peer.ReadPacket();
    peer.SendPacket(1, TBytes{0, 255, 0, 2, 0, 0, 0});
  });
  const TRun run = RunQuery(server.Port());
  server.Finish();
  EXPECT_EQ(run.ExitCode, 1) << run.Output;
  EXPECT_NE(run.Output.find("ERROR 2027 (HY000) at line 1: Malformed packet"), std::string::npos) << run.Output;
}

// The pre-4.1 scramble is cracked offline in seconds: a server that claims the 4.1 protocol without
// offering its scramble gets nothing, in either mode.
TEST(MorvaneQuery, AFourOneGreetingWithoutItsScrambleIsRefusedWith2012) {
  for (const std::string mode : {"", "--dataset"}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, Greeting41(Caps41 & ~CLIENT_SECURE_CONNECTION));
      sent = peer.ReadToEnd();
    });
    const TRun run = RunQuery(server.Port(), "--timeout 5 " + mode);
    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(run.ExitCode, 1) << mode << ": " << run.Output;
    EXPECT_NE(run.Output.find("ERROR 2012 (HY000)"), std::string::npos) << mode << ": " << run.Output;
    EXPECT_TRUE(sent.empty()) << mode << ": " << sent.size() << " bytes reached the server";
  }
}

// --skip-secure-auth allows the weak scramble, as the old-password setting of the window does.
TEST(MorvaneQuery, SkipSecureAuthSendsTheOldScrambleToSuchAServer) {
  for (const std::string mode : {"", "--dataset"}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, Greeting41(Caps41 & ~CLIENT_SECURE_CONNECTION));
      sent = peer.ReadHandshakeResponse().Payload;
    });
    const TRun run = RunQuery(server.Port(), "--timeout 5 --skip-secure-auth " + mode);
    server.Finish();
    EXPECT_FALSE(sent.empty()) << mode << ": " << run.Output;
    EXPECT_EQ(run.Output.find("ERROR 2012"), std::string::npos) << mode << ": " << run.Output;
  }
}

// A server that sends a harmless login message every 1.8 s holds the login no longer than the
// connect time-out.
TEST(MorvaneQuery, ATrickledLoginEndsWithinTheConnectTimeout) {
  using namespace std::chrono_literals;
  TFakeServer server([](TFakePeer& peer) { peer.TrickleLogin(Caps41, 1800ms); });
  const auto started = std::chrono::steady_clock::now();
  const TRun run = RunQuery(server.Port(), "--connect-timeout=2");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms) << run.Output;
  server.Finish();
  EXPECT_EQ(run.ExitCode, 1) << run.Output;
  EXPECT_NE(run.Output.find("ERROR 2013 (HY000)"), std::string::npos) << run.Output;
}

// A CA file that holds no certificate is refused before anything is sent, in preferred mode against
// a server that offers no TLS too, and the message names the file.
TEST(MorvaneQuery, AGarbageCaFileIsRefusedBeforeTheLoginInPreferredMode) {
  TempDir dir;
  const std::string garbage = (dir / "garbage-ca.pem").string();
  WriteFile(garbage, "not a certificate\n");
  for (const std::string mode : {"", "--dataset"}) {
    bool reached = false;
    TRun run;
    {
      TFakeServer server([&](TFakePeer& peer) {
        reached = true;
        peer.SendPacket(0, Greeting41(Caps41));
        peer.ReadToEnd();
      });
      run = RunQuery(server.Port(), "--timeout 5 --ssl-mode=preferred --ssl-ca=" + garbage + " " + mode);
    }
    EXPECT_FALSE(reached) << mode;
    EXPECT_EQ(run.ExitCode, 1) << mode << ": " << run.Output;
    EXPECT_NE(run.Output.find("ERROR 2026 (HY000)"), std::string::npos) << mode << ": " << run.Output;
    EXPECT_NE(run.Output.find("cannot read the CA file '" + garbage + "'"), std::string::npos)
        << mode << ": " << run.Output;
  }
}

// With --local-infile a server may have the file the LOAD DATA statement names, and no other: a
// request for another file gets an empty one and the statement fails.
TEST(MorvaneQuery, ALoadDataSendsOnlyTheFileItsStatementNames) {
  TempDir dir;
  const std::string named = (dir / "named.txt").string(), other = (dir / "other.txt").string();
  WriteFile(named, "1\n");
  WriteFile(other, "not for the server\n");
  for (const std::string& asked : {named, other}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, Greeting41(Caps41));
      peer.ReadHandshakeResponse();
      peer.SendPacket(2, OkPacket());
      peer.ReadPacket();  // the statement
      TBytes request = BytesOf(asked);
      request.insert(request.begin(), 0xFB);
      peer.SendPacket(1, request);
      TFakePacket piece;
      while (!(piece = peer.ReadPacket()).Payload.empty())
        sent.insert(sent.end(), piece.Payload.begin(), piece.Payload.end());
      peer.SendPacket(static_cast<std::uint8_t>(piece.Sequence + 1), OkPacket());
    });
    const TRun run =
        RunQuery(server.Port(), "--timeout 5 --local-infile", "LOAD DATA LOCAL INFILE '" + named + "' INTO TABLE t");
    server.Finish();
    if (asked == named) {
      EXPECT_EQ(sent, BytesOf("1\n")) << run.Output;
      EXPECT_EQ(run.ExitCode, 0) << run.Output;
    } else {
      EXPECT_TRUE(sent.empty()) << run.Output;
      EXPECT_NE(run.Output.find("which the statement does not name"), std::string::npos) << run.Output;
    }
  }
}
