// Registrations per second through the query dataset with several concurrent clients, and the
// time the main window needs to go on registering after the node it uses dies.
//   morvane-cluster-bench register <clients> <seconds> <host[,host...]>
//       each client registers pixels for that long on its own connection; client i uses host
//       i mod n, so that clients spread over a cluster's nodes. Prints one line:
//       "register clients=C hosts=N rows=R seconds=S per_second=X"
//   morvane-cluster-bench failover <host list> <cluster script>
//       the window connects with the host list, registers a pixel, node 1 is killed, and the
//       window's creation is repeated until the next pixel is stored; node 1 rejoins after.
//       Prints "failover seconds=S attempts=A host=H"
// Login from MORVANE_BENCH_USER, MORVANE_BENCH_PASSWORD, MORVANE_BENCH_DATABASE.
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "controls/AbNumSpin.h"
#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"
#include "wire/HostList.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) {
    std::fprintf(stderr, "%s is not set\n", name);
    std::exit(2);
  }
  return value;
}

void Configure(TMyConnection& connection, const std::string& server) {
  connection.SetServer(server);
  connection.SetUsername(Env("MORVANE_BENCH_USER"));
  connection.SetPassword(Env("MORVANE_BENCH_PASSWORD"));
  connection.SetDatabase(Env("MORVANE_BENCH_DATABASE"));
  connection.LoginPrompt = false;
  connection.Options.SetUseUnicode(true);
}

std::string Mac(int client, int number) {
  char text[18];
  std::snprintf(text, sizeof text, "54-2F-89-%02X-%02X-%02X", client, (number >> 8) & 0xFF, number & 0xFF);
  return text;
}

int Register(int clients, int seconds, const std::string& hostList) {
  const THostList hosts = ParseHostList(hostList, 3306);
  {
    TMyConnection admin;
    Configure(admin, hosts[0].Text());
    admin.Connect();
    admin.MySQLConnection()->ExecStatement("DELETE FROM pixels");
  }
  std::atomic<long> rows = 0;
  std::atomic<int> failures = 0;
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<std::thread> threads;
  const auto start = Clock::now();
  for (int client = 0; client < clients; ++client)
    threads.emplace_back([&, client] {
      try {
        TMyConnection connection;
        Configure(connection, hosts[static_cast<std::size_t>(client) % hosts.size()].Text());
        connection.Connect();
        TMyQuery query;
        query.SetConnection(&connection);
        query.SQL().SetText("SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels WHERE 1 = 0");
        query.Open();
        for (int number = 0; number < 65536 && Clock::now() < end; ++number) {
          query.Insert();
          query.FieldByName("mac").SetAsString(Mac(client, number));
          query.FieldByName("pixelType").SetAsString("Bench");
          query.FieldByName("shieldType").SetAsString("Lead");
          query.FieldByName("note").SetAsString("registered by the cluster benchmark");
          query.Post();
          ++rows;
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "client %d: %s\n", client, e.what());
        ++failures;
      }
    });
  for (std::thread& thread : threads) thread.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("register clients=%d hosts=%zu rows=%ld seconds=%.2f per_second=%.1f\n", clients, hosts.size(),
              rows.load(), elapsed, static_cast<double>(rows.load()) / elapsed);
  return failures ? 1 : 0;
}

bool Stored(const std::string& server, const std::string& mac) {
  TMyConnection connection;
  Configure(connection, server);
  connection.Connect();
  return connection.MySQLConnection()->QueryFirstValue("SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'") == "1";
}

int Failover(int argc, char** argv) {
  const std::string hostList = argv[2], script = argv[3];
  const THostList hosts = ParseHostList(hostList, 3306);
  QApplication application(argc, argv);
  SetMessageHandler([](const QString& text, MessageKind) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
  {
    TMyConnection admin;
    Configure(admin, hosts[0].Text());
    admin.Connect();
    admin.MySQLConnection()->ExecStatement("DELETE FROM pixels");
  }
  TfrmBirthday form;
  form.CreationPause = std::chrono::milliseconds(0);
  form.edHost->setText(QString::fromStdString(hostList));
  form.edUser->setText(QString::fromStdString(Env("MORVANE_BENCH_USER")));
  form.edPassword->setText(QString::fromStdString(Env("MORVANE_BENCH_PASSWORD")));
  form.edDatabase->setText(QString::fromStdString(Env("MORVANE_BENCH_DATABASE")));
  form.btnConnectClick();
  auto create = [&](int last) {
    form.seMAC3->SetValue(0xF0);
    form.seMAC2->SetValue(0);
    form.seMAC1->SetValue(last);
    form.btnCreateBirthCertClick();
  };
  create(1);
  if (std::system((script + " kill 1").c_str()) != 0) return 1;
  const auto start = Clock::now();
  int attempts = 0;
  while (!Stored(hosts[1].Text(), Mac(0xF0, 2)) && attempts < 10) {
    ++attempts;
    create(2);
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("failover seconds=%.2f attempts=%d host=%s\n", elapsed, attempts, form.conDB.ConnectedHost().c_str());
  form.conDB.Disconnect();
  return std::system((script + " rejoin 1").c_str()) == 0 && attempts < 10 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "register" && argc == 5) {
    const int clients = std::atoi(argv[2]), seconds = std::atoi(argv[3]);
    if (clients >= 1 && clients <= 255 && seconds >= 1) return Register(clients, seconds, argv[4]);
  }
  if (mode == "failover" && argc == 4) return Failover(argc, argv);
  std::fprintf(stderr,
               "usage: morvane-cluster-bench register <clients> <seconds> <host[,host...]>\n"
               "       morvane-cluster-bench failover <host list> <cluster script>\n");
  return 2;
}
