#include <gtest/gtest.h>

#include <csignal>

#include "tqwutl/tqwutl.h"

namespace {

extern "C" void RaiseAbortOnSignal(int) { tqSetAbortRequest(1); }

TEST(AbortPolling, RaisedFromASignalHandlerUntilCleared) {
  tqSetAbortRequest(0);
  EXPECT_EQ(tqAbort(), 0);
  auto previous = std::signal(SIGINT, RaiseAbortOnSignal);
  ASSERT_NE(previous, SIG_ERR);
  std::raise(SIGINT);
  std::signal(SIGINT, previous);
  EXPECT_NE(tqAbort(), 0);
  EXPECT_NE(tqAbortEx(), 0) << "asking does not clear the request";
  tqSetAbortRequest(0);
  EXPECT_EQ(tqAbort(), 0);
  EXPECT_EQ(tqAbortEx(), 0);
}

}  // namespace
