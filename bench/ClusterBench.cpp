// Registrations per second through the query dataset with several concurrent clients, and the
// time the main window needs to go on registering after the node it uses dies.
//   morvane-cluster-bench register <clients> <seconds> <host[,host...]>
//       each client registers pixels for that long on its own connection; client i uses host
//       i mod n, so that clients spread over a cluster's nodes. Prints one line:
//       "register clients=C hosts=N rows=R seconds=S per_second=X"
//   morvane-cluster-bench failover <host list> <cluster script>
//       the window connects with the host list (node I is its I-th host) and registers a pixel;
//       the node it is connected to is killed, and the window's creation of the next pixel is
//       repeated until that row is on the next node of the list, which is asked directly. The
//       killed node rejoins after. Prints "failover seconds=S attempts=A killed=H1 host=H2", S
//       from the kill to the row being stored; with a message and exit code 1 when no row, or
//       more than one, was stored within 60 s.
// Login from MORVANE_BENCH_USER, MORVANE_BENCH_PASSWORD, MORVANE_BENCH_DATABASE.
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "app/StatusBar.h"
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "controls/AbNumSpin.h"
#include "driver/MySQLConnection.h"
#include "platform/ExecutablePath.h"
#include "wire/HostList.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

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

// Runs the window as the technician does: a MAC and the types entered, then "Create Birth Certificate".
class Technician {
 public:
  explicit Technician(TfrmBirthday& form) : form_(form) {}

  // The first type of each list read from the INI file beside the program; false when a list is empty.
  bool ChooseTypes() {
    if (form_.cbPixelType->count() == 0 || form_.cbShieldType->count() == 0) return false;
    form_.cbPixelType->setCurrentIndex(0);
    form_.cbShieldType->setCurrentIndex(0);
    return true;
  }

  // Creates the pixel 54-2F-89-F0-00-<last>; false, with the window's status text, when the button
  // refused the click.
  bool Create(int last) {
    form_.seMAC3->SetValue(0xF0);
    form_.seMAC2->SetValue(0);
    form_.seMAC1->SetValue(last);
    // A changed byte enables the button again, as typing into the field does.
    form_.seMAC1Change();
    if (!form_.btnCreateBirthCert->isEnabled()) return false;
    form_.btnCreateBirthCert->click();
    return true;
  }

  std::string Status() const { return form_.sbStatus->PanelText(1).toStdString(); }

 private:
  TfrmBirthday& form_;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "failover: %s\n", message.c_str());
  return 1;
}

// How many rows of the MAC the node holds; a node that does not answer yet counts as none.
int Count(TMyConnection& node, const std::string& mac) {
  try {
    return std::stoi(node.MySQLConnection()->QueryFirstValue("SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'"));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "failover: looking the row up: %s\n", e.what());
    return 0;
  }
}

int Failover(int argc, char** argv) {
  const std::string hostList = argv[2], script = argv[3];
  const THostList hosts = ParseHostList(hostList, 3306);
  if (hosts.size() < 2) return Fail("a fail-over needs at least two hosts");
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
  form.btnConnect->click();
  if (!form.conDB.Connected()) return Fail("the window did not connect to " + hostList);
  Technician technician(form);
  if (!technician.ChooseTypes()) return Fail("no pixel or shield types in " + ExecutableSibling(".ini").string());

  // The node the window is on dies; the row is looked for on the next node of the list.
  const std::string victim = form.conDB.ConnectedHost();
  std::size_t index = 0;
  while (index < hosts.size() && hosts[index].Text() != victim) ++index;
  if (index == hosts.size()) return Fail("the window is on " + victim + ", which is not in " + hostList);
  const std::string survivorHost = hosts[(index + 1) % hosts.size()].Text();
  TMyConnection survivor;
  Configure(survivor, survivorHost);
  survivor.Connect();
  if (!technician.Create(1) || Count(survivor, Mac(0xF0, 1)) != 1)
    return Fail("the pixel before the kill was not stored: " + technician.Status());

  const std::string node = std::to_string(index + 1);
  if (std::system((script + " kill " + node).c_str()) != 0) return Fail("node " + node + " could not be killed");
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(60);
  int attempts = 0, rows = 0;
  std::string status;
  while (rows == 0 && Clock::now() < deadline) {
    ++attempts;
    if (!technician.Create(2)) break;
    rows = Count(survivor, Mac(0xF0, 2));
    if (rows == 0 && technician.Status() != status) {
      status = technician.Status();
      std::fprintf(stderr, "failover: attempt %d: %s\n", attempts, status.c_str());
    }
    if (rows == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const std::string host = form.conDB.ConnectedHost();
  form.conDB.Disconnect();
  const bool rejoined = std::system((script + " rejoin " + node).c_str()) == 0;
  if (rows != 1)
    return Fail(rows == 0 ? "no row stored on " + survivorHost + " after " + std::to_string(attempts) +
                                " attempts; the window last said: " + technician.Status()
                          : "the row is stored " + std::to_string(rows) + " times");
  std::printf("failover seconds=%.2f attempts=%d killed=%s host=%s\n", elapsed, attempts, victim.c_str(), host.c_str());
  return rejoined ? 0 : Fail("node " + node + " did not rejoin");
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
