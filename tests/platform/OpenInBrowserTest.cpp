#include "platform/OpenInBrowser.h"
#include "tests/support/TempDir.h"

#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

TEST(OpenInBrowser, HandsTheAddressOverExactlyAsTyped) {
  // A stand-in opener on the search path writes down what it was given.
  TempDir dir;
  WriteFile(dir / "xdg-open",
            "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$(dirname \"$0\")/opened\"\n");
  std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
  std::string path = std::getenv("PATH");
  ::setenv("PATH", (dir.Path().string() + ":" + path).c_str(), 1);

  const std::string address = "http://post.example/%41 b/script/back-end/getStatus.php";
  EXPECT_TRUE(OpenInBrowser(QString::fromStdString(address)));
  ::setenv("PATH", path.c_str(), 1);
  for (int wait = 0; wait < 100 && !std::filesystem::exists(dir / "opened"); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadFile(dir / "opened"), address);
}

TEST(OpenInBrowser, SaysWhenNoOpenerCanBeStarted) {
  TempDir emptyFolder;
  std::string path = std::getenv("PATH");
  ::setenv("PATH", emptyFolder.Path().c_str(), 1);
  EXPECT_FALSE(OpenInBrowser("http://post.example/script/back-end/getStatus.php"));
  ::setenv("PATH", path.c_str(), 1);
}
