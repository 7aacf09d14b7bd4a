#include "kz/foundation/exception.h"

#include <gtest/gtest.h>

#include <string>

#include "tqwutl/memory_p.h"
#include "tqwutl/tqwutl.h"

namespace {

TEST(KzException, ThrowErrorRecordsItsOwnPosition) {
  try {
    kzThrowError(kKzErrorFileVersion);
  } catch (const KzException& e) {
    EXPECT_STREQ(e.GetFile(), "kzexception");
    EXPECT_EQ(e.GetLine(), 203);
    EXPECT_EQ(static_cast<int>(e), kKzErrorFileVersion);
    EXPECT_EQ(e.GetAlert().GetAlertID(), static_cast<unsigned int>(kKzErrorFileVersion));
    EXPECT_EQ(e.GetAlert().IsSystemErrorMsg(), 1);
  }
  KzAlert alert;
  alert.SetAlertID(kKzAlertReadOnly, 0, "doc");
  try {
    kzThrowError(kKzErrorReadOnlyDocument, alert);
  } catch (const KzException& e) {
    EXPECT_EQ(e.GetLine(), 209);
    EXPECT_EQ(e.GetErrorCode(), kKzErrorReadOnlyDocument);
    EXPECT_EQ(e.GetAlert().GetAlertID(), kKzAlertReadOnly) << "copied, not recomputed";
  }
}

TEST(KzException, ConstructorsAndCopies) {
  KzAlert alert;
  alert.SetAlertID(kKzAlertSystemError, 39, "p");
  const std::string longName(300, 'f');
  struct Case {
    const char* label;
    KzException e;
    std::string file;
    int line, code;
    unsigned int alertId;
  } const cases[] = {
      {"default", KzException(), "", 0, 0, 0},
      {"position and id", KzException("a.cpp", 12, 8, kKzAlertSystemError), "a.cpp", 12, 8, 8},
      {"id only", KzException(5, kKzAlertReadOnly), "", 0, 5, kKzAlertReadOnly},
      {"position and alert", KzException("b.cpp", 3, 8, alert), "b.cpp", 3, 8, 39},
      {"alert only", KzException(5, alert), "", 0, 5, 39},
      {"long file name is cut", KzException(longName.c_str(), 1, 2, 0u), longName.substr(0, 259), 1,
       2, 0},
  };
  for (const Case& c : cases) {
    KzException copy(c.e);
    KzException assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetFile(), c.file) << "at " << c.label;
    EXPECT_EQ(assigned.GetLine(), c.line) << "at " << c.label;
    EXPECT_EQ(assigned.GetErrorCode(), c.code) << "at " << c.label;
    EXPECT_EQ(assigned.GetAlert().GetAlertID(), c.alertId) << "at " << c.label;
  }
  EXPECT_STREQ(KzException(1, alert).GetAlert().GetParameter(0), "p");
}

// Building the exception needs memory itself; without any the caller still gets "not enough
// memory", also after the first such exception was handed out, and nothing leaks.
TEST(KzException, ThrowingWithoutMemoryGivesNotEnoughMemory) {
  const auto thrownCode = [](int allocationsLeft) {
    int code = 0;
    tqTestFailAllocations(allocationsLeft);
    try {
      kzThrowError(kKzErrorParameter, kKzAlertReadOnly, "a", "b");
    } catch (const KzException& e) {
      code = e.GetErrorCode();
    }
    tqTestFailAllocations(-1);
    return code;
  };
  EXPECT_EQ(thrownCode(0), kKzErrorNotEnoughMemory);
  EXPECT_EQ(thrownCode(0), kKzErrorNotEnoughMemory) << "again, once the first was handed out";
  for (int left = 1; left < 12; ++left) {  // running out part-way through
    const int code = thrownCode(left);
    EXPECT_TRUE(code == kKzErrorNotEnoughMemory || code == kKzErrorParameter)
        << "at left=" << left << " code=" << code;
  }
  try {
    kzThrowError(kKzErrorParameter);
  } catch (const KzException& e) {
    EXPECT_EQ(e.GetErrorCode(), kKzErrorParameter) << "with memory back, the real exception";
  }
}

}  // namespace
