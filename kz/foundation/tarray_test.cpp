#include "kz/foundation/tarray.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "tqwutl/memory_p.h"

namespace {

template <typename T, int kGrowth>
std::vector<T> Elements(const KzTArray<T, kGrowth>& array) {
  return std::vector<T>(array.begin(), array.end());
}

TEST(KzTArray, CapacityGrowsToTheNextMultipleOfTheStep) {
  const std::pair<int, int> growth[] = {{0, 0}, {1, 256}, {256, 256}, {257, 512}, {1000, 1024}};
  for (const auto& [count, capacity] : growth) {
    KzTArray<int> array;
    array.SetSize(count);
    EXPECT_EQ(array.GetCapacity(), capacity) << "at count=" << count;
  }

  KzTArray<int> array;
  for (int i = 0; i < 300; ++i) array.Add(i * 3);  // across a reallocation
  for (int i = 0; i < 300; ++i) ASSERT_EQ(array[i], i * 3) << "at i=" << i;
  array.SetSize(2);
  array.SetSize(3);
  EXPECT_EQ(Elements(array), (std::vector<int>{0, 3, 0})) << "new elements are zero";
  EXPECT_EQ(array.GetCapacity(), 512) << "shrinking keeps the block";
}

TEST(KzTArray, InsertAndRemoveMoveTheFollowingElements) {
  KzTArray<char> array;
  for (char c : {'a', 'b', 'c'}) array.PushBack(c);
  array.InsertAt(0, 'x');
  array.InsertAt(2, 'y');
  array.InsertAt(array.GetCount(), 'z');
  EXPECT_EQ(Elements(array), (std::vector<char>{'x', 'a', 'y', 'b', 'c', 'z'}));
  array.RemoveAt(0);
  array.RemoveAt(2);
  array.RemoveAt(array.GetCount() - 1);
  EXPECT_EQ(Elements(array), (std::vector<char>{'a', 'y', 'c'}));
  KzTArray<char> copy(array);
  copy[0] = 'q';
  EXPECT_EQ(array[0], 'a');

  KzTArray<long long> full;
  full.SetSize(256);
  full[255] = 0x1234567890LL;
  full.InsertAt(0, full[255]);  // the block moves under the reference
  EXPECT_EQ(full[0], 0x1234567890LL);
}

TEST(KzTArray, BadIndicesAndFailedGrowthThrow) {
  KzTArray<int> array;
  array.SetSize(256);
  array[7] = 7;
  EXPECT_EQ(kzThrownCode([&] { array.GetAt(-1); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { array.GetAt(256); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { array.InsertAt(257, 1); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { array.RemoveAt(256); }), kKzErrorParameter);
  EXPECT_EQ(kzThrownCode([&] { array.SetSize(-1); }), kKzErrorParameter);
  tqTestFailAllocations(0);
  const int code = kzThrownCode([&] { array.Add(1); });
  tqTestFailAllocations(-1);
  EXPECT_EQ(code, kKzErrorNotEnoughMemory);
  EXPECT_EQ(array.GetCount(), 256);
  EXPECT_EQ(array[7], 7);
  KzTArray<int> huge;
  EXPECT_EQ(kzThrownCode([&] { huge.SetSize(0x7FFFFFFF); }), kKzErrorNotEnoughMemory);
}

}  // namespace
