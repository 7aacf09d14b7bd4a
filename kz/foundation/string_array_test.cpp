#include "kz/foundation/string_array.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kz/foundation/error.h"
#include "kz/foundation/kzstring_testing.h"

using kz_testing::FailAllocations;
using kz_testing::ThrownCode;
using Texts = std::vector<std::string>;

namespace {

Texts TextsOf(const KzStringArray& a) {
  Texts out;
  for (int i = 0; i < a.GetCount(); ++i) out.emplace_back(static_cast<const char*>(*a.GetAt(i)));
  return out;
}

KzStringArray Make(std::initializer_list<const char*> texts) {
  KzStringArray a;
  for (const char* t : texts) a.PushBack(new KzString(t));
  return a;
}

TEST(KzStringArray, InsertRemoveAndBounds) {
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
  EXPECT_EQ(ThrownCode([&] { a.GetAt(5); }), kKzErrorParameter);

  std::vector<std::unique_ptr<KzString>> released;
  for (int i = 0; i < a.GetCount(); ++i) released.emplace_back(a.GetAt(i));
  a.Clear();  // lets go without deleting
  EXPECT_EQ(a.GetCount(), 0);
}

TEST(KzStringArray, GrowsInStepsOf256) {
  KzStringArray a;
  a.PushBack(new KzString("0"));
  EXPECT_EQ(a.GetArrayPointer()->GetCapacity(), 256);
  for (int i = 1; i < 257; ++i) a.PushBack(new KzString(std::to_string(i).c_str()));
  EXPECT_EQ(a.GetArrayPointer()->GetCapacity(), 512);
  EXPECT_EQ(*a.GetAt(256), "256");
}

TEST(KzStringArray, CopiesAreDeep) {
  KzStringArray a = Make({"x", "y"});
  KzStringArray b(a);
  *b.GetAt(0) = "changed";
  EXPECT_EQ(TextsOf(a), (Texts{"x", "y"}));
  KzStringArray c = Make({"old"});
  c = b;
  KzStringArray& alias = c;
  c = alias;
  EXPECT_EQ(TextsOf(c), (Texts{"changed", "y"}));

  KzWideStringArray w;
  w.PushBack(new KzWideString("abc"));
  KzWideStringArray v(w);
  EXPECT_NE(v.GetAt(0), w.GetAt(0));
  EXPECT_EQ(*v.GetAt(0), *w.GetAt(0));
}

TEST(KzStringArray, FailedCopyLeavesTheTargetAndLeaksNothing) {
  const KzStringArray source = Make({"one", "two", "three"});
  for (int after = 0; after < 8; ++after) {
    KzStringArray target = Make({"keep"});
    int code = 0;
    {
      FailAllocations fail(after);
      code = ThrownCode([&] { target = source; });
    }
    if (code == 0) {
      EXPECT_EQ(TextsOf(target), TextsOf(source)) << "after " << after;
    } else {
      EXPECT_EQ(code, kKzErrorNotEnoughMemory) << "after " << after;
      EXPECT_EQ(TextsOf(target), (Texts{"keep"})) << "after " << after;
    }
  }
}

}  // namespace
