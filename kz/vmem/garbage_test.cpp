#include "kz/vmem/garbage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct Span {
  std::uint64_t begin, end;
};

std::vector<Span> Ranges(const KzGarbage& garbage) {
  std::vector<Span> spans;
  for (int i = 0; i < garbage.GetCount(); ++i) {
    spans.push_back({garbage.GetAt(i).GetBeginPos(), garbage.GetAt(i).GetEndPos()});
  }
  return spans;
}

void AddRange(KzGarbage& garbage, std::uint64_t begin, std::uint64_t end) {
  garbage.Add(begin, end, end - begin);
}

TEST(Garbage, FirstFitFollowsTheOrderRangesWereAdded) {
  KzGarbage garbage;
  AddRange(garbage, 1000, 1100);  // too small for the first request
  AddRange(garbage, 0, 500);
  AddRange(garbage, 2000, 2300);
  struct Row {
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
  for (const Row& row : rows) {
    std::uint64_t position = 0;
    EXPECT_EQ(garbage.Request(&position, row.size), row.found) << "at size=" << row.size;
    if (row.found) {
      EXPECT_EQ(position, row.position) << "at size=" << row.size;
    }
  }
  EXPECT_EQ(garbage.GetCount(), 0);
}

TEST(Garbage, ReturnedRangesMergeWhateverTheOrder) {
  // Three adjacent pieces given back in every order leave one range covering all three.
  const std::uint64_t pieces[3][2] = {{0, 100}, {100, 250}, {250, 300}};
  int order[3] = {0, 1, 2};
  do {
    KzGarbage garbage;
    garbage.Create(300);
    std::uint64_t position = 0;
    for (const auto& piece : pieces) {
      ASSERT_EQ(garbage.Request(&position, piece[1] - piece[0]), 1);
      ASSERT_EQ(position, piece[0]);
    }
    ASSERT_EQ(garbage.GetCount(), 0);
    for (int i : order) AddRange(garbage, pieces[i][0], pieces[i][1]);
    const auto ranges = Ranges(garbage);
    ASSERT_EQ(ranges.size(), 1u) << "order " << order[0] << order[1] << order[2];
    EXPECT_EQ(ranges[0].begin, 0u);
    EXPECT_EQ(ranges[0].end, 300u);
    EXPECT_EQ(garbage.GetAt(0).GetSize(), 300u);
  } while (std::next_permutation(order, order + 3));
}

TEST(Garbage, CopiesAreIndependent) {
  KzGarbage original;
  original.Create(1000);
  KzGarbage copy(original);
  KzGarbage assigned;
  AddRange(assigned, 5000, 6000);
  assigned = original;
  std::uint64_t position = 0;
  ASSERT_EQ(original.Request(&position, 1000), 1);
  EXPECT_EQ(original.GetCount(), 0);
  for (const KzGarbage* other : {&copy, &assigned}) {
    const auto ranges = Ranges(*other);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].begin, 0u);
    EXPECT_EQ(ranges[0].end, 1000u);
  }
}

}  // namespace
