#include "kz/foundation/exception.h"

#include <gtest/gtest.h>

#include <string>

#include "kz/foundation/exception_testing.h"
#include "tqwutl/memory_p.h"

namespace {

// The exception `action` throws.
template <typename Action>
KzException Caught(Action action) {
  try {
    action();
  } catch (const KzException& e) {
    return e;
  }
  ADD_FAILURE() << "nothing thrown";
  return KzException();
}

TEST(KzException, ThrowErrorRecordsItsOwnPosition) {
  const KzException byCode = Caught([] { kzThrowError(kKzErrorFileVersion); });
  EXPECT_STREQ(byCode.GetFile(), "kzexception");
  EXPECT_EQ(byCode.GetLine(), 203);
  EXPECT_EQ(byCode.GetErrorCode(), kKzErrorFileVersion);
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "doc");
  const KzException byAlert = Caught([&] { kzThrowError(kKzErrorReadOnlyDocument, alert); });
  EXPECT_EQ(byAlert.GetLine(), 209);
  EXPECT_EQ(byAlert.GetErrorCode(), kKzErrorReadOnlyDocument);
  EXPECT_EQ(byAlert.GetAlert().GetAlertID(), kKzAlertReadOnly) << "copied, not recomputed";
  const std::string longName(300, 'f');  // cut to 259 characters
  EXPECT_EQ(KzException(longName.c_str(), 1, 2, 0u).GetFile(), longName.substr(0, 259));
}

// Building the exception needs memory itself; without any the caller still gets "not enough
// memory", also after the first such exception was handed out, and nothing leaks.
TEST(KzException, ThrowingWithoutMemoryGivesNotEnoughMemory) {
  const auto thrownCode = [](int allocationsLeft) {
    tqTestFailAllocations(allocationsLeft);
    const int code = kzThrownCode([] { kzThrowError(kKzErrorParameter, kKzAlertReadOnly, "a"); });
    tqTestFailAllocations(-1);
    return code;
  };
  EXPECT_EQ(thrownCode(0), kKzErrorNotEnoughMemory);
  EXPECT_EQ(thrownCode(0), kKzErrorNotEnoughMemory) << "again, once the first was handed out";
  for (int left = 1; left < 12; ++left) {  // running out part-way through
    const int code = thrownCode(left);
    EXPECT_TRUE(code == kKzErrorNotEnoughMemory || code == kKzErrorParameter) << "at left=" << left;
  }
  EXPECT_EQ(kzThrownCode([] { kzThrowError(kKzErrorParameter); }), kKzErrorParameter);
}

}  // namespace
