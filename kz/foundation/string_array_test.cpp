#include "kz/foundation/string_array.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kz/foundation/exception_testing.h"
#include "tqwutl/memory_p.h"

using Texts = std::vector<std::string>;

namespace {

Texts TextsOf(const KzStringArray& a) {
  Texts out;
  for (int i = 0; i < a.GetCount(); ++i) out.emplace_back(static_cast<const char*>(*a.GetAt(i)));
  return out;
}

KzStringArray Make(const Texts& texts) {
  KzStringArray a;
  for (const std::string& t : texts) a.PushBack(new KzString(t.c_str()));
  return a;
}

TEST(KzStringArray, InsertAndRemoveHandOwnershipBack) {
  KzStringArray a = Make({"b", "d"});
  a.InsertAt(0, new KzString("a"));
  a.InsertAt(2, new KzString("c"));
  a.InsertAt(99, new KzString("e"));  // outside: appends
  a.InsertAt(-1, new KzString("f"));
  EXPECT_EQ(TextsOf(a), (Texts{"a", "b", "c", "d", "e", "f"}));
  std::unique_ptr<KzString> removed(a.GetAt(1));  // RemoveAt hands it back to us
  a.RemoveAt(1);
  a.RemoveAt(17);
  a.RemoveAt(-1);
  EXPECT_EQ(TextsOf(a), (Texts{"a", "c", "d", "e", "f"}));
  EXPECT_EQ(kzThrownCode([&] { a.GetAt(5); }), kKzErrorParameter);
}

TEST(KzStringArray, CopiesAreDeepAndAFailedCopyLeavesTheTarget) {
  const KzStringArray source = Make({"one", "two", "three"});
  KzStringArray copy(source);
  *copy.GetAt(0) = "changed";
  EXPECT_EQ(TextsOf(source), (Texts{"one", "two", "three"}));
  for (int after = 0; after < 8; ++after) {
    KzStringArray target = Make({"keep"});
    tqTestFailAllocations(after);
    const int code = kzThrownCode([&] { target = source; });
    tqTestFailAllocations(-1);
    EXPECT_TRUE(code == 0 || code == kKzErrorNotEnoughMemory) << "after " << after;
    EXPECT_EQ(TextsOf(target), code ? Texts{"keep"} : TextsOf(source)) << "after " << after;
  }
}

}  // namespace
