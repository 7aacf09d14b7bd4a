#include "kz/persistence/archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "kz/foundation/kzstring.h"
#include "kz/foundation/kztime.h"
#include "kz/foundation/wide_string.h"
#include "kz/persistence/archive_mem.h"
#include "kz/persistence/archive_testing.h"
#include "kz/persistence/time_archive.h"

namespace {

using namespace kz::testing;
using namespace std::string_view_literals;

constexpr unsigned int kBig = KzArchive::kModeBigEndian;
constexpr unsigned int kLittle = KzArchive::kModeLittleEndian;

// Every way an archive carries bytes: the memory backend, and a backend without and with
// caches of awkward sizes.
struct Backend {
  const char* label;
  bool memory;
  unsigned int cache;
};
constexpr Backend kBackends[] = {{"memory", true, 0},   {"uncached", false, 0},
                                 {"cache 1", false, 1}, {"cache 3", false, 3},
                                 {"cache 7", false, 7}, {"cache 64K", false, 65536}};

template <typename Write>
Bytes Store(const Backend& backend, unsigned int endian, Write&& write) {
  KzArchiveMem memory(KzArchive::kModeStore | endian, 0);
  VectorArchive vector(KzArchive::kModeStore | endian, backend.cache);
  KzArchive& a = backend.memory ? static_cast<KzArchive&>(memory) : vector;
  write(a);
  a.DoFlush();
  return backend.memory ? Contents(memory) : vector.bytes();
}

template <typename Read>
void Load(const Backend& backend, unsigned int endian, const Bytes& bytes, Read&& read) {
  KzArchiveMem memory;
  VectorArchive vector(KzArchive::kModeLoad | endian, backend.cache, bytes);
  if (backend.memory) AttachBytes(memory, bytes, static_cast<int>(KzArchive::kModeLoad | endian));
  read(backend.memory ? static_cast<KzArchive&>(memory) : vector);
}

// Each backend and byte order writes `golden` and reads it back (`read` checks the values).
template <typename Write, typename Read>
void ExpectGolden(const Bytes& big, const Bytes& little, Write&& write, Read&& read) {
  for (const Backend& backend : kBackends) {
    for (unsigned int endian : {kBig, kLittle}) {
      SCOPED_TRACE(std::string(backend.label) + (endian == kBig ? " big" : " little"));
      const Bytes& golden = endian == kBig ? big : little;
      EXPECT_EQ(Store(backend, endian, write), golden);
      Load(backend, endian, golden, read);
    }
  }
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// Bytes written as a string literal (with the sv suffix, so that zeros count).
Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Word(std::size_t value, unsigned int endian) {
  const Bytes big = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  return endian == kBig ? big : Bytes{big[1], big[0]};
}

struct Typed {
  unsigned char uc = 0xAB;
  short s = -2;
  unsigned short us = 0x1234;
  int i = 0x01020304;
  DWORD dw = 0xFFFFFFFE;
  std::int64_t i64 = 0x0102030405060708;
  std::uint64_t u64 = 0xF1F2F3F4F5F6F7F8;
  float f = 1.5f;
  double d = 1.0;
  tagTQRGBCOLOR16 rgb = {0x0A0B, 0x0102, 0x0304, 0x0506};
  tagTQHSVCOLOR16 hsv = {0x1A1B, 0x1112, 0x1314, 0x1516};
  KzTime time, none;  // `none` stays unset
  void Write(KzArchive& a) const {
    a << uc << s << us << i << dw << i64 << u64 << f << d << rgb << hsv << time << none;
  }
  void Read(KzArchive& a) {
    a >> uc >> s >> us >> i >> dw >> i64 >> u64 >> f >> d >> rgb >> hsv >> time >> none;
  }
};

TEST(ArchiveValues, TypedOperatorsWriteGoldenBytesAndReadThemBack) {
  Typed golden;
  golden.time = LONG{0x12345678};
  const Bytes big = Of(
      "\xAB\xFF\xFE\x12\x34\x01\x02\x03\x04\xFF\xFF\xFF\xFE\x01\x02\x03\x04\x05\x06\x07\x08\xF1\xF2"
      "\xF3\xF4\xF5\xF6\xF7\xF8\x3F\xC0\x00\x00\x3F\xF0\x00\x00\x00\x00\x00\x00\x01\x02\x03\x04\x05"
      "\x06\x0A\x0B\x11\x12\x13\x14\x15\x16\x1A\x1B\x12\x34\x56\x78\xFF\xFF\xFF\xFF"sv);
  const Bytes little = Of(
      "\xAB\xFE\xFF\x34\x12\x04\x03\x02\x01\xFE\xFF\xFF\xFF\x08\x07\x06\x05\x04\x03\x02\x01\xF8\xF7"
      "\xF6\xF5\xF4\xF3\xF2\xF1\x00\x00\xC0\x3F\x00\x00\x00\x00\x00\x00\xF0\x3F\x02\x01\x04\x03\x06"
      "\x05\x0B\x0A\x12\x11\x14\x13\x16\x15\x1B\x1A\x78\x56\x34\x12\xFF\xFF\xFF\xFF"sv);
  // Read into a blank record, then write it again: the golden bytes must come back.
  ExpectGolden(
      big, little, [&](KzArchive& a) { golden.Write(a); },
      [&](KzArchive& a) {
        Typed t{0, 0, 0, 0, 0, 0, 0, 0, 0, {}, {}, {}, {}};
        t.time = t.none = LONG{5};
        t.Read(a);
        EXPECT_EQ(Store(kBackends[0], a.GetEndianMode(), [&](KzArchive& o) { t.Write(o); }),
                  a.GetEndianMode() == kBig ? big : little);
        EXPECT_EQ(kzThrownCode([&] { a << 1; }), kKzErrorParameter) << "writing in load mode";
      });
}

// --- strings -----------------------------------------------------------------------------------

TEST(ArchiveStrings, NarrowTextStoresCrLfAsCrAndReadsCrAsCrLf) {
  const struct {
    const char* label;
    std::string text, stored, read;
  } rows[] = {
      {"CR LF", "a\r\nb", "a\rb", "a\r\nb"},
      {"CR last", "a\r", "a\r", "a\r\n"},
      {"CR CR LF", "\r\r\n", "\r\r", "\r\n\r\n"},
      {"0D trail byte", "a\x81\r\nb", "a\x81\r\nb", "a\x81\r\nb"},
      {"after a double-byte character", "\x82\xA0\r\n", "\x82\xA0\r", "\x82\xA0\r\n"},
      {"lead byte pair", "\x81\x81\r\n", "\x81\x81\r", "\x81\x81\r\n"},
      {"lead byte last", "a\r\x81", "a\r\x81", "a\r\n\x81"},
      {"empty", "", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    const Bytes stored(row.stored.begin(), row.stored.end());
    ExpectGolden(
        Cat({Word(stored.size(), kBig), stored}), Cat({Word(stored.size(), kLittle), stored}),
        [&](KzArchive& a) { a << row.text.c_str(); },
        [&](KzArchive& a) {
          KzString read("previous");
          a >> read;
          EXPECT_EQ(static_cast<const char*>(read), row.read);
        });
  }
  VectorArchive a(KzArchive::kModeStore, 0);
  a << static_cast<const char*>(nullptr) << KzString() << KzWideString();
  EXPECT_EQ(a.bytes(), Bytes(6, 0));
}

TEST(ArchiveStrings, WideTextConvertsLineEndsAndUnitOrder) {
  const struct {
    const char* label;
    std::u16string text, stored, read;
  } rows[] = {
      {"CR LF", u"A\r\n\u3042", u"A\r\u3042", u"A\r\n\u3042"},
      {"LF CR", u"\n\r", u"\n\r", u"\n\r\n"},
      {"empty", u"", u"", u""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    Bytes big = Word(2 * row.stored.size(), kBig), little = Word(2 * row.stored.size(), kLittle);
    for (char16_t unit : row.stored) {
      big = Cat({big, Word(unit, kBig)});
      little = Cat({little, Word(unit, kLittle)});
    }
    const KzWideString text(reinterpret_cast<const unsigned short*>(row.text.c_str()));
    ExpectGolden(
        big, little, [&](KzArchive& a) { a << text; },
        [&](KzArchive& a) {
          KzWideString read(static_cast<unsigned short>('x'));
          a >> read;
          std::u16string units;
          for (int i = 0; i < read.GetLength(); ++i) units += static_cast<char16_t>(read.GetAt(i));
          EXPECT_EQ(units, row.read);
        });
  }
}

TEST(ArchiveStrings, TextsBeyondTheSixteenBitCountThrowAndWriteNothing) {
  std::string pairs;
  for (int i = 0; i < 35000; ++i) pairs += "\r\n";  // 70000 bytes, stored as 35000
  const std::u16string wide(32768, u'A');           // 65536 bytes
  VectorArchive a(KzArchive::kModeStore, 16);
  EXPECT_EQ(kzThrownCode([&] { a << std::string(65536, 'a').c_str(); }), kKzErrorSizeNotSupported);
  EXPECT_EQ(kzThrownCode(
                [&] { a << KzWideString(reinterpret_cast<const unsigned short*>(wide.c_str())); }),
            kKzErrorSizeNotSupported);
  EXPECT_EQ(a.GetLength(), 0u);
  a << std::string(65535, 'a').c_str() << pairs.c_str();
  a.DoFlush();
  EXPECT_EQ(a.GetLength(), 2u + 65535 + 2 + 35000);
}

TEST(ArchiveStrings, MKStringForms) {
  const Bytes hello = {'h', 'e', 'l', 'l', 'o'};
  const struct {
    const char* label;
    unsigned int endian;
    Bytes stored;
    const char* text;
    unsigned int consumed;
  } rows[] = {
      {"zero byte", kBig, {0x00, 0x55}, "", 1},
      {"byte, no line ends", kBig, {0x03, 'a', 0x0D, 'b'}, "a\rb", 4},
      {"word", kBig, Cat({{0xFF, 0x00, 0x05}, hello}), "hello", 8},
      {"word little", kLittle, Cat({{0xFF, 0x05, 0x00}, hello}), "hello", 8},
      {"empty word", kBig, {0xFF, 0xFF, 0xFE, 0x55}, "", 3},
      {"empty word little", kLittle, {0xFF, 0xFE, 0xFF, 0x55}, "", 3},
      {"long", kBig, Cat({{0xFF, 0xFF, 0xFF, 0, 0, 0, 5}, hello}), "hello", 12},
      {"long little", kLittle, Cat({{0xFF, 0xFF, 0xFF, 5, 0, 0, 0}, hello}), "hello", 12},
  };
  for (const auto& row : rows) {
    for (const Backend& backend : kBackends) {
      Load(backend, row.endian, row.stored, [&](KzArchive& a) {
        KzString read("previous");
        a.ReadMKString(read);
        EXPECT_STREQ(static_cast<const char*>(read), row.text) << row.label;
        EXPECT_EQ(a.GetPosition(), row.consumed) << row.label << " / " << backend.label;
      });
    }
  }
}

// --- sections ----------------------------------------------------------------------------------

TEST(ArchiveSections, NestedSectionsCarryTheirLengthsAndReadersSkipTheRest) {
  auto write = [](KzArchive& a) {
    a.BeginSection();
    a << 1;
    a.BeginSection();
    a << static_cast<short>(2);
    a.EndSection();
    a.BeginSection();
    a.EndSection();
    a.EndSection();
    a << static_cast<unsigned char>(9);
  };
  auto read = [](KzArchive& a) {
    int one = 0;
    unsigned char nine = 0;
    a.BeginSection();
    a >> one;
    EXPECT_EQ(a.GetSectionSize(), 14u);
    EXPECT_EQ(a.GetRemainingSectionSize(), 10u);
    a.BeginSection();  // left unread
    a.EndSection();
    a.EndSection();
    a.EndSection();  // none open: nothing happens
    a >> nine;
    EXPECT_EQ(nine, 9);
    a.Seek(0, 0);
    a.SeekSection();
    a >> nine;
    EXPECT_EQ(nine, 9) << "after SeekSection";
  };
  ExpectGolden(Of("\0\0\0\x0E\0\0\0\x01\0\0\0\x02\0\x02\0\0\0\0\x09"sv),
               Of("\x0E\0\0\0\x01\0\0\0\x02\0\0\0\x02\0\0\0\0\0\x09"sv), write, read);
}

// --- bad input -----------------------------------------------------------------------------------

// Every backend writes the sample alike. Cut at every length, every reader throws 0x20010008
// and leaks nothing.
TEST(ArchiveBadInput, EveryTruncationThrows) {
  const Bytes full = Store(kBackends[0], kBig, WriteSample);
  for (const Backend& backend : kBackends) {
    EXPECT_EQ(Store(backend, kBig, WriteSample), full) << backend.label;
    Load(backend, kBig, full, ReadSample);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
      Load(backend, kBig, Bytes(full.begin(), full.begin() + cut), [&](KzArchive& a) {
        EXPECT_EQ(kzThrownCode([&] { ReadSample(a); }), kKzErrorParameter)
            << backend.label << " at cut=" << cut;
      });
    }
  }
}

TEST(ArchiveBadInput, LengthsPastTheDataThrowWithoutHugeBuffers) {
  const Bytes mk = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 'a', 'b', 'c'};
  const Bytes section = {0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  for (const Backend& backend : kBackends) {
    auto expectThrow = [&](const Bytes& bytes, auto&& read) {
      Load(backend, kBig, bytes, [&](KzArchive& a) {
        EXPECT_EQ(kzThrownCode([&] { read(a); }), kKzErrorParameter) << backend.label;
        if (!backend.memory) {
          EXPECT_LE(static_cast<VectorArchive&>(a).largestRead(), 65536u);
        }
      });
    };
    VectorArchive target(KzArchive::kModeStore | kLittle, 0);  // the length in its order
    Load(backend, kBig, {0, 0, 0, 3, 'a', 'b', 'c', 0x42},
         [&](KzArchive& a) { target.CopySection(a); });
    EXPECT_EQ(target.bytes(), (Bytes{3, 0, 0, 0, 'a', 'b', 'c'}));
    KzString s;
    KzHandle h;
    expectThrow(mk, [&](KzArchive& a) { a.ReadMKString(s); });
    expectThrow({0x00, 0x10, 'a', 'b'}, [&](KzArchive& a) { a >> s; });
    expectThrow(section, [&](KzArchive& a) { a.ReadSectionData(h); });
    expectThrow(section, [&](KzArchive& a) { target.CopySection(a); });
    EXPECT_FALSE(h.IsValid());
  }
  VectorArchive cached(KzArchive::kModeLoad, 16, section);  // the length is known: refused
  EXPECT_EQ(kzThrownCode([&] { cached.BeginSection(); }), kKzErrorParameter);
  EXPECT_EQ(cached.Seek(100, 0), 7u) << "limited to the length";
  EXPECT_EQ(kzThrownCode([&] { cached.Seek(-8, 1); }), kKzErrorParameter) << "before the start";
  unsigned char buffer[8] = {};
  cached.Seek(4, 0);
  EXPECT_EQ(kzThrownCode([&] { cached.Read(buffer, 8); }), kKzErrorParameter);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{1, 2, 3})) << "what there was is delivered";
}

// --- 32-bit positions ----------------------------------------------------------------------------

TEST(ArchiveLimits, NothingPassesFourGigabytes) {
  for (unsigned int cache : {0u, 16u, 512000u}) {
    SCOPED_TRACE(cache);
    VectorArchive a(KzArchive::kModeStore, cache, {}, true);
    a.Seek(static_cast<int>(0xFFFFFFF0u), 0);
    const unsigned char three[3] = {};
    a << 1 << 2 << 3;
    a.Write(three, 3);
    EXPECT_EQ(a.GetPosition(), 0xFFFFFFFFu);
    KzHandle data;
    data.Alloc(20);
    for (auto write : std::initializer_list<std::function<void()>>{
             [&] { a << static_cast<unsigned char>(1); }, [&] { a << ""; },
             [&] { a.WriteSectionData(data); }, [&] { a.BeginSection(); }, [&] { a.Seek(1, 1); }}) {
      EXPECT_EQ(kzThrownCode(write), kKzErrorSizeNotSupported);
    }
    a.DoFlush();
    EXPECT_EQ(a.written(), 15u);
    EXPECT_EQ(a.GetPosition(), 0xFFFFFFFFu);
    EXPECT_EQ(a.GetLength(), 0xFFFFFFFFu);
  }
}

}  // namespace
