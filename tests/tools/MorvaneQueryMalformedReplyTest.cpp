// morvane-query against a server whose reply carries a malformed length: a client error, no abort.
#include "tests/support/FakeServer.h"
#include "wire/MySqlConsts.h"

#include <gtest/gtest.h>

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

TRun RunQuery(int port) {
  const std::string command = std::string(MORVANE_QUERY) + " --host 127.0.0.1 --port " + std::to_string(port) +
                              " --user tech --password=secret --timeout 5 'SELECT 1' 2>&1";
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
