#include <gtest/gtest.h>

#include <thread>

#include "tqwutl/tqwutl.h"
#include "win32/win32.h"

TEST(LastError, IsOneThreadLocalValueForBothNames) {
  tqSetLastError(0x6001138E);
  EXPECT_EQ(GetLastError(), 0x6001138Eu);
  SetLastError(39);
  int seenInThread = -1;
  std::thread([&seenInThread] {
    seenInThread = tqGetLastError();
    tqSetLastError(112);
  }).join();
  EXPECT_EQ(seenInThread, 0) << "a new thread starts without an error";
  EXPECT_EQ(tqGetLastError(), 39);
}
