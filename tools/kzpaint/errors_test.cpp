#include "tools/kzpaint/errors.h"

#include <gtest/gtest.h>

#include <string>

#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"

namespace kzpaint {
namespace {

TEST(KzPaintErrors, Cp932TextBecomesUtf8) {
  struct {
    const char* label;
    const char* cp932;
    const char* utf8;
  } const cases[] = {
      {"null", nullptr, ""},
      {"empty", "", ""},
      {"ascii", "no such file", "no such file"},
      {"kanji", "\x93\xfa\x96\x7b", "\xe6\x97\xa5\xe6\x9c\xac"},
      {"trail byte 0x5C", "\x83\x5c", "\xe3\x82\xbd"},
      {"half-width katakana", "\xb1", "\xef\xbd\xb1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8) << c.label;
}

KzException Thrown(int code) {
  try {
    kzThrowError(code);
  } catch (const KzException& e) {
    return e;
  }
  return KzException();
}

TEST(KzPaintErrors, DescriptionCarriesTheAlertTextAndTheCode) {
  const std::string format = DescribeError(Thrown(kKzErrorFileFormat));
  const std::string suffix = " (error 0x2001000B)";
  ASSERT_GT(format.size(), suffix.size()) << format;
  EXPECT_EQ(format.substr(format.size() - suffix.size()), suffix);
  EXPECT_EQ(format.find('\n'), std::string::npos) << format;
  // The abort code has no text to show.
  EXPECT_EQ(DescribeError(Thrown(kKzErrorAbort)), "error 0x20010004");
}

}  // namespace
}  // namespace kzpaint
