#include "tests/support/MemoryVio.h"
#include "tests/support/TempDir.h"
#include "wire/CRVioTcp.h"
#include "wire/CRVioUnixSocket.h"
#include "wire/WaitBreaker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A listening loopback socket; Accept hands out the next client.
class TListener {
 public:
  explicit TListener(int backlog = 4) {
    FFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(FFd, backlog);
    getsockname(FFd, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
  }
  ~TListener() {
    for (int fd : FFillers) close(fd);
    close(FFd);
  }
  int Port() const { return FPort; }
  int Accept() { return accept(FFd, nullptr, nullptr); }
  // Fills the queue of a listener that never accepts, so that further connects hang.
  void FillQueue() {
    for (int i = 0; i < 4; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<std::uint16_t>(FPort));
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      FFillers.push_back(fd);
    }
  }

 private:
  int FFd;
  int FPort;
  std::vector<int> FFillers;
};

int UnusedPort() {
  TListener listener;
  return listener.Port();
}

int IntOption(int fd, int level, int name) {
  int value = 0;
  socklen_t length = sizeof value;
  getsockopt(fd, level, name, &value, &length);
  return value;
}

long TimeoutOption(int fd, int name) {
  timeval value{};
  socklen_t length = sizeof value;
  getsockopt(fd, SOL_SOCKET, name, &value, &length);
  return value.tv_sec;
}

// A local socket listening at a path.
int ListenAt(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(fd, 4);
  return fd;
}

std::string ConnectError(TCRVio& vio) {
  try {
    vio.Connect();
  } catch (const SocketException& e) {
    return e.what();
  }
  return "connected";
}

}  // namespace

TEST(TCRVio, SmallReadsGoThroughTheReadAheadBufferLargeOnesDirectly) {
  TMemoryVio vio(TBytes(10000, 7));
  std::vector<std::uint8_t> dest(4096);
  // 2047 bytes: one receive fills the read-ahead buffer with all that is there.
  EXPECT_EQ(vio.Read(dest.data(), 2047), 2047u);
  ASSERT_EQ(vio.ReadRequests().size(), 1u);
  EXPECT_EQ(vio.ReadRequests()[0], TCRVio::ReadAheadSize);
  // The rest of the buffer serves further requests without receiving.
  EXPECT_EQ(vio.Read(dest.data(), 4096), 4096u);
  EXPECT_EQ(vio.Read(dest.data(), 3857), 3857u);
  EXPECT_EQ(vio.ReadRequests().size(), 1u);

  TMemoryVio direct(TBytes(10000, 7));
  EXPECT_EQ(direct.Read(dest.data(), 2048), 2048u);
  ASSERT_EQ(direct.ReadRequests().size(), 1u);
  EXPECT_EQ(direct.ReadRequests()[0], 2048u);
}

TEST(TCRVio, PeerClosingMidReadGivesFewerBytesAndNoError) {
  TMemoryVio vio(TBytes(10, 1));
  std::vector<std::uint8_t> dest(100);
  EXPECT_EQ(vio.Read(dest.data(), 100), 10u);
  EXPECT_EQ(vio.LastError(), "");
  TMemoryVio large(TBytes(3000, 1));
  std::vector<std::uint8_t> big(5000);
  EXPECT_EQ(large.Read(big.data(), 5000), 3000u);
}

TEST(TCRVio, WriteGivesUpAfterThreeZeroResults) {
  class TStuckVio : public TMemoryVio {
   public:
    std::size_t WriteNoWait(const void*, std::size_t) override {
      ++Calls;
      return 0;
    }
    int Calls = 0;
  } vio;
  std::uint8_t byte = 1;
  EXPECT_EQ(vio.Write(&byte, 1), 0u);
  EXPECT_EQ(vio.Calls, 3);
}

TEST(TCRVioTcp, RefusedPortFailsWithTheSystemTextAndCode) {
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, UnusedPort());
  EXPECT_EQ(ConnectError(vio),
            "Cannot connect to server on host '127.0.0.1':\r\nConnection refused.\r\nSocket Error Code: 111($6F)");
  EXPECT_FALSE(vio.IsActive());
  EXPECT_EQ(vio.LastErrorCode(), 111);
}

TEST(TCRVioTcp, UnknownHostFailsWithoutSocket) {
  TCRVioTcp vio("no-such-host.invalid", TIPVersion::ivIPv4, 3306);
  const std::string error = ConnectError(vio);
  EXPECT_EQ(error.rfind("Unknown host 'no-such-host.invalid'.\r\nSocket Error Code: ", 0), 0u) << error;
  EXPECT_FALSE(vio.IsActive());
}

TEST(TCRVioTcp, ConnectTimeoutEndsAHangingConnect) {
  // A listener that never accepts, with its queue filled, leaves further connects hanging.
  TListener listener(0);
  listener.FillQueue();
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.SetConnectionTimeout(1);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ConnectError(vio), "Cannot connect to server on host '127.0.0.1': Connection timed out");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_FALSE(vio.IsActive());
}

// Another thread breaks the wait a moment after it began, as the window's Cancel does.
class TBreakSoon {
 public:
  explicit TBreakSoon(TWaitBreaker& breaker)
      : FThread([&breaker] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          breaker.Break();
        }) {}
  ~TBreakSoon() { FThread.join(); }

 private:
  std::thread FThread;
};

TEST(TCRVioTcp, ABreakEndsAReadAsATimeOutAndIsTakenOnce) {
  TListener listener;
  auto breaker = std::make_shared<TWaitBreaker>();
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.SetWaitBreaker(breaker);
  vio.SetTimeout(30);
  vio.Connect();
  const int peer = listener.Accept();
  std::uint8_t byte;
  {
    TBreakSoon breakSoon(*breaker);
    EXPECT_EQ(vio.Read(&byte, 1), 0u);
  }
  EXPECT_TRUE(vio.TimedOut());
  EXPECT_EQ(vio.LastError(), "The wait for the server was cancelled");
  close(peer);

  // Taken by that read: the next connection of the same breaker is not ended by it.
  TCRVioTcp next("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  next.SetWaitBreaker(breaker);
  next.Connect();
  const int nextPeer = listener.Accept();
  send(nextPeer, "x", 1, 0);
  EXPECT_EQ(next.Read(&byte, 1), 1u);
  close(nextPeer);
}

TEST(TCRVioTcp, ABreakEndsAConnectAsATimeOutAndABreakAskedBeforeStopsTheNext) {
  // As above: a listener whose queue is full leaves the connect hanging.
  TListener listener(0);
  listener.FillQueue();
  auto breaker = std::make_shared<TWaitBreaker>();
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.SetWaitBreaker(breaker);
  vio.SetConnectionTimeout(30);
  {
    TBreakSoon breakSoon(*breaker);
    EXPECT_EQ(ConnectError(vio), "The wait for the server was cancelled");
  }
  EXPECT_TRUE(vio.TimedOut());
  EXPECT_FALSE(vio.IsActive());

  breaker->Break();
  EXPECT_EQ(ConnectError(vio), "The wait for the server was cancelled");
}

TEST(TCRVioTcp, EmptyHostConnectsToLocalhostWithItsSocketOptions) {
  TListener listener;
  TCRVioTcp vio("", TIPVersion::ivIPv4, listener.Port());
  vio.Connect();
  const int peer = listener.Accept();
  EXPECT_EQ(vio.GetHost(), "localhost");
  ASSERT_TRUE(vio.IsActive());
  const int fd = vio.GetSocket();
  EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_NODELAY), 1);
  EXPECT_EQ(IntOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
  EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 15);
  EXPECT_EQ(IntOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 1);
  EXPECT_EQ(TimeoutOption(fd, SO_RCVTIMEO), 30);
  EXPECT_EQ(TimeoutOption(fd, SO_SNDTIMEO), 0);

  vio.SetTimeout(0);
  EXPECT_EQ(TimeoutOption(fd, SO_RCVTIMEO), 0);
  EXPECT_EQ(vio.GetConnectionTimeout(), 0);
  vio.SetSendTimeout(0);
  EXPECT_EQ(TimeoutOption(fd, SO_SNDTIMEO), 0);
  vio.SetSendTimeout(5);
  EXPECT_EQ(TimeoutOption(fd, SO_SNDTIMEO), 5);
  close(peer);
}

TEST(TCRVioTcp, HostPortAndVersionCannotChangeWhileConnected) {
  TListener listener;
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.Connect();
  struct TCase {
    std::function<void()> Change;
    const char* Message;
  };
  const TCase cases[] = {
      {[&] { vio.SetHost("elsewhere"); }, "Cannot change host for the active connection"},
      {[&] { vio.SetPort(1); }, "Cannot change port for the active connection"},
      {[&] { vio.SetIPVersion(TIPVersion::ivIPv6); }, "Cannot change TCP/IP version for the active connection"},
  };
  for (const TCase& c : cases) {
    try {
      c.Change();
      ADD_FAILURE() << "no exception for " << c.Message;
    } catch (const SocketException& e) {
      EXPECT_STREQ(e.what(), c.Message);
      EXPECT_EQ(vio.LastError(), c.Message);
    }
  }
  EXPECT_EQ(vio.GetHost(), "127.0.0.1");
  EXPECT_EQ(vio.GetPort(), listener.Port());
  vio.Close();
  vio.Close();
  vio.SetHost("elsewhere");
  EXPECT_EQ(vio.GetHost(), "elsewhere");
  std::uint8_t byte = 0;
  EXPECT_EQ(vio.Write(&byte, 1), 0u);
  EXPECT_EQ(vio.LastError(), "Error on data writing to the connection: Invalid socket");
}

TEST(TCRVioTcp, ResetByThePeerNamesTheCodeInDecimalAndHexadecimal) {
  TListener listener;
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.Connect();
  const int peer = listener.Accept();
  const linger abort{1, 0};  // closing sends a reset
  setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(peer);
  EXPECT_TRUE(vio.WaitForData(5));
  std::uint8_t byte = 0;
  EXPECT_EQ(vio.Read(&byte, 1), 0u);
  EXPECT_EQ(vio.LastError(),
            "Error on data reading from the connection:\r\nConnection reset by peer.\r\nSocket Error Code: 104($68)");
}

TEST(TCRVioTcp, ReadsWhatThePeerSentBeforeClosingAndWaitsForData) {
  TListener listener;
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.Connect();
  const int peer = listener.Accept();
  EXPECT_FALSE(vio.WaitForData(0));
  const char text[] = "0123456789";
  send(peer, text, 10, 0);
  EXPECT_TRUE(vio.WaitForData(5));
  close(peer);
  std::vector<std::uint8_t> dest(100);
  EXPECT_EQ(vio.Read(dest.data(), 100), 10u);
  EXPECT_EQ(vio.LastError(), "");
  EXPECT_EQ(std::string(dest.begin(), dest.begin() + 10), "0123456789");
}

TEST(TCRVioTcp, AReadThatOutlastsTheTimeoutSaysSo) {
  TListener listener;
  TCRVioTcp vio("127.0.0.1", TIPVersion::ivIPv4, listener.Port());
  vio.SetTimeout(1);
  vio.Connect();
  const int peer = listener.Accept();
  std::uint8_t byte;
  EXPECT_EQ(vio.Read(&byte, 1), 0u);
  EXPECT_EQ(vio.LastError(), "Error on data reading from the connection:\r\nThe time-out of 1 seconds passed.");
  close(peer);
}

TEST(TCRVioUnixSocket, ConnectsReadsAndKeepsItsTimeouts) {
  TempDir dir;
  const std::string path = (dir / "server.sock").string();
  const int listener = ListenAt(path);
  TCRVioUnixSocket vio(path);
  vio.SetTimeout(7);
  vio.Connect();
  const int peer = accept(listener, nullptr, nullptr);
  ASSERT_TRUE(vio.IsActive());
  EXPECT_EQ(TimeoutOption(vio.GetSocket(), SO_RCVTIMEO), 7);
  send(peer, "greeting", 8, 0);
  std::vector<std::uint8_t> dest(8);
  EXPECT_EQ(vio.Read(dest.data(), 8), 8u);
  EXPECT_EQ(std::string(dest.begin(), dest.end()), "greeting");
  EXPECT_EQ(vio.Write("reply", 5), 5u);
  char answer[5] = {};
  EXPECT_EQ(recv(peer, answer, 5, MSG_WAITALL), 5);
  EXPECT_EQ(std::string(answer, 5), "reply");
  close(peer);
  close(listener);
}

// Worded as the database's own clients word it, with the system's code.
TEST(TCRVioUnixSocket, FailuresNameThePathAndTheSystemCode) {
  TempDir dir;
  WriteFile(dir / "plain-file", "");
  const std::string longPath = "/tmp/" + std::string(120, 'x');
  const struct {
    std::string Path;
    int Code;
  } cases[] = {
      {(dir / "missing.sock").string(), ENOENT},
      {(dir / "plain-file").string(), ECONNREFUSED},
      {dir.Path().string(), ECONNREFUSED},
      {longPath, ENAMETOOLONG},
  };
  for (const auto& c : cases) {
    TCRVioUnixSocket vio(c.Path);
    EXPECT_EQ(ConnectError(vio),
              "Can't connect to local server through socket '" + c.Path + "' (" + std::to_string(c.Code) + ")");
    EXPECT_EQ(vio.LastErrorCode(), c.Code);
    EXPECT_FALSE(vio.IsActive());
  }
}
