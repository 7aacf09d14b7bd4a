#include "kz/vmem/garbage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

TEST(Garbage, FirstFitFollowsTheOrderRangesWereAddedAndReturnedRangesMerge) {
  KzGarbage garbage;
  garbage.Add(1000, 1100, 100);  // too small for the first request
  garbage.Add(0, 500, 500);
  garbage.Add(2000, 2300, 300);
  const struct {
    std::uint64_t size;
    int found;
    std::uint64_t position;
  } rows[] = {
      {200, 1, 0},     // skips [1000, 1100), takes the front of [0, 500)
      {100, 1, 1000},  // the whole of [1000, 1100), although [200, 500) came later
      {300, 1, 200},   // the rest of [0, 500)
      {301, 0, 0},     // nothing holds it
      {300, 1, 2000}, {1, 0, 0},
  };
  for (const auto& row : rows) {
    std::uint64_t position = 0;
    EXPECT_EQ(garbage.Request(&position, row.size), row.found) << "at size=" << row.size;
    if (row.found) {
      EXPECT_EQ(position, row.position) << "at size=" << row.size;
    }
  }
  EXPECT_EQ(garbage.GetCount(), 0);

  // Three adjacent pieces added in every order make one range covering all three.
  const std::uint64_t pieces[3][2] = {{0, 100}, {100, 250}, {250, 300}};
  int order[3] = {0, 1, 2};
  do {
    KzGarbage merged;
    for (int i : order) merged.Add(pieces[i][0], pieces[i][1], pieces[i][1] - pieces[i][0]);
    ASSERT_EQ(merged.GetCount(), 1) << "order " << order[0] << order[1] << order[2];
    const KzGarbageBlock& range = merged.GetAt(0);
    EXPECT_EQ(range.GetBeginPos(), 0u);
    EXPECT_EQ(range.GetEndPos(), 300u);
    EXPECT_EQ(range.GetSize(), 300u);
  } while (std::next_permutation(order, order + 3));
}

}  // namespace
