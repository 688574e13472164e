#include "wire/HostLookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

// A lookup that answers only when the test lets it, as a name server that never replies.
std::promise<void> Answer;

int SilentResolver(const char*, const char*, const addrinfo*, addrinfo** found) {
  Answer.get_future().wait_for(std::chrono::seconds(10));
  *found = nullptr;
  return EAI_AGAIN;
}

addrinfo StreamHints() {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  return hints;
}

}  // namespace

TEST(HostLookup, ALookupThatDoesNotAnswerEndsAtTheLimit) {
  const THostLookup lookup =
      LookupHost("stuck.example", StreamHints(), std::chrono::milliseconds(100), &SilentResolver);
  Answer.set_value();  // the abandoned lookup ends on its own
  EXPECT_TRUE(lookup.TimedOut);
  EXPECT_EQ(lookup.Found, nullptr);
}

TEST(HostLookup, AnswersWithinTheLimitOrWithoutOne) {
  for (auto limit : {std::chrono::seconds(10), std::chrono::seconds(0)}) {
    const THostLookup lookup = LookupHost("127.0.0.1", StreamHints(), limit);
    EXPECT_FALSE(lookup.TimedOut);
    ASSERT_EQ(lookup.Error, 0);
    ASSERT_NE(lookup.Found, nullptr);
    EXPECT_EQ(lookup.Found->ai_family, AF_INET);
    freeaddrinfo(lookup.Found);
  }
}
