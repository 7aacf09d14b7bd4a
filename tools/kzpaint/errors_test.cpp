#include "tools/kzpaint/errors.h"

#include <gtest/gtest.h>

#include <string>

#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"

namespace kzpaint {
namespace {

TEST(KzPaintErrors, Cp932TextBecomesUtf8) {
  const char* const cases[][2] = {
      {nullptr, ""},
      {"no such file", "no such file"},
      {"\x93\xfa\x96\x7b", "\xe6\x97\xa5\xe6\x9c\xac"},  // kanji
      {"\x83\x5c", "\xe3\x82\xbd"},                      // trail byte 0x5C
      {"\xb1", "\xef\xbd\xb1"},                          // half-width katakana
      {"a\x81", "a\xe3\x83\xbb"},                        // a lead byte without its trail byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp932ToUtf8(c[0]), c[1]) << "at " << (c[0] != nullptr ? c[0] : "null");
  }
}

TEST(KzPaintErrors, DescriptionCarriesTheAlertTextAndTheCode) {
  auto describe = [](int code) {
    try {
      kzThrowError(code);
    } catch (const KzException& e) {
      return DescribeError(e);
    }
    return std::string("nothing thrown");
  };
  const std::string format = describe(kKzErrorFileFormat), suffix = " (error 0x2001000B)";
  ASSERT_GT(format.size(), suffix.size()) << format;
  EXPECT_EQ(format.substr(format.size() - suffix.size()), suffix);
  EXPECT_EQ(format.find('\n'), std::string::npos) << format;
  EXPECT_EQ(describe(kKzErrorAbort), "error 0x20010004") << "the abort code has no text to show";
}

}  // namespace
}  // namespace kzpaint
