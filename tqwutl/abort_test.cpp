#include <gtest/gtest.h>

#include <csignal>

#include "tqwutl/tqwutl.h"

TEST(AbortPolling, RaisedFromASignalHandlerUntilCleared) {
  tqSetAbortRequest(0);
  EXPECT_EQ(tqAbort(), 0);
  auto previous = std::signal(SIGINT, [](int) { tqSetAbortRequest(1); });
  std::raise(SIGINT);
  std::signal(SIGINT, previous);
  EXPECT_NE(tqAbort(), 0);
  EXPECT_NE(tqAbortEx(), 0) << "asking does not clear the request";
  tqSetAbortRequest(0);
  EXPECT_EQ(tqAbortEx(), 0);
}
