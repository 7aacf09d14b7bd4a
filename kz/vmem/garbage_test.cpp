#include "kz/vmem/garbage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

TEST(Garbage, FirstFitFollowsTheOrderRangesWereAddedAndReturnedRangesMerge) {
  KzGarbage garbage;
  // The first request passes over [1000, 1100); the second takes it whole though [200, 500)
  // is free too.
  garbage.Add(1000, 1100, 100);
  garbage.Add(0, 500, 500);
  garbage.Add(2000, 2300, 300);
  // Rows: a request and where it lands (-1: nothing holds it).
  const struct {
    std::uint64_t size;
    std::int64_t position;
  } rows[] = {{200, 0}, {100, 1000}, {300, 200}, {301, -1}, {300, 2000}, {1, -1}};
  for (const auto& row : rows) {
    std::uint64_t position = 0;
    const int found = garbage.Request(&position, row.size);
    EXPECT_EQ(found == 1   ? static_cast<std::int64_t>(position)
              : found == 0 ? -1
                           : -2,
              row.position)
        << "at size=" << row.size;
  }
  EXPECT_EQ(garbage.GetCount(), 0);

  // Three adjacent pieces added in every order make one range covering all three.
  const std::uint64_t pieces[3][2] = {{0, 100}, {100, 250}, {250, 300}};
  int order[3] = {0, 1, 2};
  do {
    KzGarbage merged;
    for (int i : order) merged.Add(pieces[i][0], pieces[i][1], pieces[i][1] - pieces[i][0]);
    const KzGarbageBlock& range = merged.GetAt(0);
    EXPECT_TRUE(merged.GetCount() == 1 && range.GetBeginPos() == 0 && range.GetEndPos() == 300 &&
                range.GetSize() == 300)
        << "order " << order[0] << order[1] << order[2];
  } while (std::next_permutation(order, order + 3));
}

}  // namespace
