#include "kz/persistence/archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "kz/foundation/kzstring.h"
#include "kz/foundation/kztime.h"
#include "kz/foundation/wide_string.h"
#include "kz/persistence/archive_mem.h"
#include "kz/persistence/archive_testing.h"
#include "kz/persistence/time_archive.h"
#include "tqwutl/memory_p.h"

namespace {

using namespace kz::testing;

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
  if (backend.memory) {
    KzArchiveMem a(KzArchive::kModeStore | endian, 0);
    write(a);
    return Contents(a);
  }
  VectorArchive a(KzArchive::kModeStore | endian, backend.cache);
  write(a);
  a.DoFlush();
  return a.bytes();
}

template <typename Read>
void Load(const Backend& backend, unsigned int endian, const Bytes& bytes, Read&& read) {
  if (backend.memory) {
    KzArchiveMem a;
    AttachBytes(a, bytes, static_cast<int>(KzArchive::kModeLoad | endian));
    read(a);
  } else {
    VectorArchive a(KzArchive::kModeLoad | endian, backend.cache, bytes);
    read(a);
  }
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

Bytes Word(std::size_t value, unsigned int endian) {
  const Bytes big = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  return endian == kBig ? big : Bytes{big[1], big[0]};
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

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
  void Write(KzArchive& a) const {
    a << uc << s << us << i << dw << i64 << u64 << f << d << rgb << hsv;
  }
  void Read(KzArchive& a) { a >> uc >> s >> us >> i >> dw >> i64 >> u64 >> f >> d >> rgb >> hsv; }
};

TEST(ArchiveValues, TypedOperatorsWriteGoldenBytesAndReadThemBack) {
  const Bytes big = {0xAB, 0xFF, 0xFE, 0x12, 0x34, 1,    2,    3,    4,   0xFF, 0xFF, 0xFF,
                     0xFE, 1,    2,    3,    4,    5,    6,    7,    8,   0xF1, 0xF2, 0xF3,
                     0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0x3F, 0xC0, 0,    0,   0x3F, 0xF0, 0,
                     0,    0,    0,    0,    0,    1,    2,    3,    4,   5,    6,    0x0A,
                     0x0B, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x1A, 0x1B};
  const Bytes little = {0xAB, 0xFE, 0xFF, 0x34, 0x12, 4,    3,    2,    1,    0xFE, 0xFF, 0xFF,
                        0xFF, 8,    7,    6,    5,    4,    3,    2,    1,    0xF8, 0xF7, 0xF6,
                        0xF5, 0xF4, 0xF3, 0xF2, 0xF1, 0,    0,    0xC0, 0x3F, 0,    0,    0,
                        0,    0,    0,    0xF0, 0x3F, 2,    1,    4,    3,    6,    5,    0x0B,
                        0x0A, 0x12, 0x11, 0x14, 0x13, 0x16, 0x15, 0x1B, 0x1A};
  // Read into a zeroed record, then write it again: the golden bytes must come back.
  ExpectGolden(
      big, little, [](KzArchive& a) { Typed().Write(a); },
      [&](KzArchive& a) {
        Typed t{0, 0, 0, 0, 0, 0, 0, 0, 0, {}, {}};
        t.Read(a);
        EXPECT_EQ(Store(kBackends[0], a.GetEndianMode(), [&](KzArchive& o) { t.Write(o); }),
                  a.GetEndianMode() == kBig ? big : little);
      });
}

TEST(ArchiveValues, ModesAndTime) {
  VectorArchive a(KzArchive::kModeStore | kLittle, 0);
  EXPECT_EQ(a.SetEndianMode(8), 4u);
  EXPECT_EQ(a.SetEndianMode(8), 8u);
  KzTime time;
  time = LONG{0x12345678};
  a << time << KzTime();
  EXPECT_EQ(a.bytes(), (Bytes{0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0xFF, 0xFF}));
  VectorArchive in(KzArchive::kModeLoad, 8, a.bytes());
  KzTime second;
  second = LONG{5};
  in >> time >> second;
  EXPECT_EQ(time.GetTimeValue(), 0x12345678);
  EXPECT_EQ(second.GetTimeValue(), -1);
  EXPECT_EQ(ErrorCodeOf([&] { in << 1; }), kKzErrorParameter);  // writing in load mode
}

// --- strings -----------------------------------------------------------------------------------

TEST(ArchiveStrings, NarrowTextStoresCrLfAsCrAndReadsCrAsCrLf) {
  const struct {
    const char* label;
    Bytes text, stored, read;
  } rows[] = {
      {"CR LF", {'a', 0x0D, 0x0A, 'b'}, {'a', 0x0D, 'b'}, {'a', 0x0D, 0x0A, 'b'}},
      {"lone CR", {'a', 0x0D, 'b'}, {'a', 0x0D, 'b'}, {'a', 0x0D, 0x0A, 'b'}},
      {"CR last", {'a', 0x0D}, {'a', 0x0D}, {'a', 0x0D, 0x0A}},
      {"CR CR LF", {0x0D, 0x0D, 0x0A}, {0x0D, 0x0D}, {0x0D, 0x0A, 0x0D, 0x0A}},
      {"0D trail byte",
       {'a', 0x81, 0x0D, 0x0A, 'b'},
       {'a', 0x81, 0x0D, 0x0A, 'b'},
       {'a', 0x81, 0x0D, 0x0A, 'b'}},
      {"after a double-byte character",
       {0x82, 0xA0, 0x0D, 0x0A},
       {0x82, 0xA0, 0x0D},
       {0x82, 0xA0, 0x0D, 0x0A}},
      {"lead byte pair", {0x81, 0x81, 0x0D, 0x0A}, {0x81, 0x81, 0x0D}, {0x81, 0x81, 0x0D, 0x0A}},
      {"lead byte last", {'a', 0x0D, 0x81}, {'a', 0x0D, 0x81}, {'a', 0x0D, 0x0A, 0x81}},
      {"empty", {}, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    const std::string text = Text(row.text);
    ExpectGolden(
        Cat({Word(row.stored.size(), kBig), row.stored}),
        Cat({Word(row.stored.size(), kLittle), row.stored}),
        [&](KzArchive& a) { a << text.c_str(); },
        [&](KzArchive& a) {
          KzString read("previous");
          a >> read;
          EXPECT_EQ(std::string(static_cast<const char*>(read)), Text(row.read));
        });
  }
  VectorArchive a(KzArchive::kModeStore, 0);
  a << static_cast<const char*>(nullptr) << KzString() << KzWideString();
  EXPECT_EQ(a.bytes(), Bytes(6, 0));
}

TEST(ArchiveStrings, WideTextConvertsLineEndsAndUnitOrder) {
  const struct {
    const char* label;
    std::vector<unsigned short> text, stored, read;
  } rows[] = {
      {"CR LF", {0x41, 0x0D, 0x0A, 0x3042}, {0x41, 0x0D, 0x3042}, {0x41, 0x0D, 0x0A, 0x3042}},
      {"LF CR", {0x0A, 0x0D}, {0x0A, 0x0D}, {0x0A, 0x0D, 0x0A}},
      {"empty", {}, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    Bytes big = Word(2 * row.stored.size(), kBig), little = Word(2 * row.stored.size(), kLittle);
    for (unsigned short unit : row.stored) {
      big = Cat({big, Word(unit, kBig)});
      little = Cat({little, Word(unit, kLittle)});
    }
    std::vector<unsigned short> text = row.text;
    text.push_back(0);
    ExpectGolden(
        big, little, [&](KzArchive& a) { a << KzWideString(text.data()); },
        [&](KzArchive& a) {
          KzWideString read(static_cast<unsigned short>('x'));
          a >> read;
          ASSERT_EQ(read.GetLength(), static_cast<int>(row.read.size()));
          for (int i = 0; i < read.GetLength(); ++i) EXPECT_EQ(read.GetAt(i), row.read[i]);
        });
  }
}

TEST(ArchiveStrings, TextsBeyondTheSixteenBitCountThrowAndWriteNothing) {
  std::string pairs;
  for (int i = 0; i < 35000; ++i) pairs += "\r\n";  // 70000 bytes, stored as 35000
  std::vector<unsigned short> wide(32769, 0x41);
  wide.back() = 0;
  VectorArchive a(KzArchive::kModeStore, 16);
  EXPECT_EQ(ErrorCodeOf([&] { a << std::string(65536, 'a').c_str(); }), kKzErrorSizeNotSupported);
  EXPECT_EQ(ErrorCodeOf([&] { a << KzWideString(wide.data()); }), kKzErrorSizeNotSupported);
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
  auto expectNine = [](KzArchive& a) {
    unsigned char nine = 0;
    a >> nine;
    EXPECT_EQ(nine, 9);
  };
  ExpectGolden({0, 0, 0, 14, 0, 0, 0, 1, 0, 0, 0, 2, 0, 2, 0, 0, 0, 0, 9},
               {14, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 9}, write,
               [&](KzArchive& a) {
                 const unsigned int start = a.GetPosition();
                 a.BeginSection();
                 int one = 0;
                 a >> one;
                 EXPECT_EQ(a.GetSectionSize(), 14u);
                 EXPECT_EQ(a.GetRemainingSectionSize(), 10u);
                 a.BeginSection();  // left unread
                 a.EndSection();
                 a.EndSection();
                 expectNine(a);
                 a.Seek(static_cast<int>(start), 0);
                 a.BeginSection();
                 a.EndSection();  // nothing read at all
                 a.EndSection();  // none open: nothing happens
                 expectNine(a);
                 a.Seek(static_cast<int>(start), 0);
                 a.SeekSection();
                 expectNine(a);
               });
}

TEST(ArchiveSections, CopySectionRewritesTheLengthInTheTargetOrder) {
  VectorArchive source(KzArchive::kModeLoad, 8, {0, 0, 0, 3, 'a', 'b', 'c', 0x42});
  VectorArchive target(KzArchive::kModeStore | kLittle, 0);
  target.CopySection(source);
  EXPECT_EQ(target.bytes(), (Bytes{3, 0, 0, 0, 'a', 'b', 'c'}));
  KzHandle empty;
  target.WriteSectionData(empty);
  EXPECT_EQ(target.bytes().size(), 11u);
}

// --- the cache ---------------------------------------------------------------------------------

TEST(ArchiveCache, ReadsStopAtTheLengthAndSeeksReuseTheReadAhead) {
  Bytes bytes(16);
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i);
  VectorArchive a(KzArchive::kModeLoad, 8, bytes);
  unsigned char value = 0, buffer[20] = {};
  a >> value;
  a.Seek(5, 0);
  a >> value;
  EXPECT_EQ(value, 5);
  EXPECT_EQ(a.readCalls(), 1);
  EXPECT_EQ(a.Seek(100, 0), 16u);  // limited to the length
  EXPECT_EQ(a.Seek(4, 2), 0u);     // any other origin: the start
  EXPECT_EQ(ErrorCodeOf([&] { a.Seek(-1, 1); }), kKzErrorParameter);
  a.Seek(10, 0);
  EXPECT_EQ(ErrorCodeOf([&] { a.Read(buffer, 8); }), kKzErrorParameter);
  EXPECT_EQ(Bytes(buffer, buffer + 6), Bytes(bytes.begin() + 10, bytes.end()));  // delivered
  EXPECT_EQ(ErrorCodeOf([&] { a >> value; }), kKzErrorParameter);
}

TEST(ArchiveCache, StoreModeCountsCachedBytesAndOverwritesInPlace) {
  VectorArchive a(KzArchive::kModeStore, 64);
  a << 0x01020304 << 0x05060708;
  EXPECT_TRUE(a.bytes().empty());
  EXPECT_EQ(a.GetLength(), 8u);
  a.Seek(2, 0);
  a << static_cast<unsigned char>(0xEE);
  EXPECT_EQ(a.GetPosition(), 3u);
  EXPECT_EQ(a.GetLength(), 8u);
  a.DoFlush();
  EXPECT_EQ(a.bytes(), (Bytes{1, 2, 0xEE, 4, 5, 6, 7, 8}));
}

// Random writes and reads give the same bytes and values whatever the cache size.
TEST(ArchiveCache, EveryCacheSizeMatchesTheUncachedStream) {
  std::mt19937 random(20240611);
  std::vector<std::pair<int, std::uint64_t>> ops(3000);
  for (auto& [kind, value] : ops) {
    kind = static_cast<int>(random() % 5);
    value = (std::uint64_t{random()} << 32) | random();
  }
  auto write = [&](KzArchive& a) {
    for (auto [kind, value] : ops) {
      if (kind == 0) a << static_cast<unsigned char>(value);
      if (kind == 1) a << static_cast<unsigned short>(value);
      if (kind == 2) a << static_cast<unsigned int>(value);
      if (kind == 3) a << value;
      if (kind == 4) a.Write(&value, value % 9);
    }
  };
  auto read = [&](KzArchive& a) {
    for (std::size_t i = 0; i < ops.size(); ++i) {
      auto [kind, value] = ops[i];
      std::uint64_t got = 0;
      unsigned char c;
      unsigned short s;
      unsigned int n;
      if (kind == 0) a >> c, got = c, value &= 0xFF;
      if (kind == 1) a >> s, got = s, value &= 0xFFFF;
      if (kind == 2) a >> n, got = n, value &= 0xFFFFFFFF;
      if (kind == 3) a >> got;
      if (kind == 4) {
        a.Read(&got, value % 9);
        value &= (value % 9 == 8) ? ~0ull : (1ull << (8 * (value % 9))) - 1;
      }
      ASSERT_EQ(got, value) << "at op " << i;
    }
  };
  const Bytes reference = Store(kBackends[0], kBig, write);
  for (unsigned int cache : {1u, 2u, 3u, 5u, 8u, 13u, 64u, 4096u}) {
    EXPECT_EQ(Store({"", false, cache}, kBig, write), reference) << "cache " << cache;
    Load({"", false, cache}, kBig, reference, read);
  }
}

// --- bad input -----------------------------------------------------------------------------------

// Cut a valid stream at every length: every reader throws 0x20010008 and leaks nothing.
TEST(ArchiveBadInput, EveryTruncationThrows) {
  const Bytes full = Store(kBackends[0], kBig, WriteSample);
  for (const Backend& backend : kBackends) {
    Load(backend, kBig, full, ReadSample);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
      Load(backend, kBig, Bytes(full.begin(), full.begin() + cut), [&](KzArchive& a) {
        EXPECT_EQ(ErrorCodeOf([&] { ReadSample(a); }), kKzErrorParameter)
            << backend.label << " at cut=" << cut;
      });
    }
  }
}

TEST(ArchiveBadInput, AllocationFailuresThrowTheirCodeAndLeakNothing) {
  const Bytes full = Store(kBackends[0], kBig, WriteSample);
  int failures = 0;
  for (int after = 0; after < 40; ++after) {
    KzArchiveMem a;
    AttachBytes(a, full);
    tqTestFailAllocations(after);
    const int code = ErrorCodeOf([&] { ReadSample(a); });
    tqTestFailAllocations(-1);
    EXPECT_TRUE(code == 0 || code == kKzErrorNotEnoughMemory) << "after=" << after;
    failures += code != 0;
  }
  EXPECT_GT(failures, 0);
}

TEST(ArchiveBadInput, LengthsPastTheDataThrowWithoutHugeBuffers) {
  const Bytes mk = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 'a', 'b', 'c'};
  const Bytes section = {0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  for (const Backend& backend : kBackends) {
    auto expectThrow = [&](const Bytes& bytes, auto&& read) {
      Load(backend, kBig, bytes, [&](KzArchive& a) {
        EXPECT_EQ(ErrorCodeOf([&] { read(a); }), kKzErrorParameter) << backend.label;
        if (!backend.memory) {
          EXPECT_LE(static_cast<VectorArchive&>(a).largestRead(), 65536u);
        }
      });
    };
    KzString s;
    KzHandle h;
    VectorArchive target(KzArchive::kModeStore, 0);
    expectThrow(mk, [&](KzArchive& a) { a.ReadMKString(s); });
    expectThrow({0x00, 0x10, 'a', 'b'}, [&](KzArchive& a) { a >> s; });
    expectThrow(section, [&](KzArchive& a) { a.ReadSectionData(h); });
    expectThrow(section, [&](KzArchive& a) { target.CopySection(a); });
    EXPECT_FALSE(h.IsValid());
  }
  VectorArchive cached(KzArchive::kModeLoad, 16, section);  // the length is known: refused
  EXPECT_EQ(ErrorCodeOf([&] { cached.BeginSection(); }), kKzErrorParameter);
}

// --- 32-bit positions ----------------------------------------------------------------------------

// A store-mode backend that only counts, standing for a file near 4 GiB.
class CountingArchive : public KzArchive {
 public:
  explicit CountingArchive(unsigned int cacheSize) {
    if (cacheSize == 0) EnableCache(0);
    Init(9, cacheSize);
  }
  unsigned int WriteSelf(const void*, unsigned int count) override {
    written += count;
    return count;
  }
  unsigned int ReadSelf(void*, unsigned int) override { return 0; }
  unsigned int SeekSelf(int offset, unsigned int origin) override {
    return origin == 0 ? static_cast<unsigned int>(offset) : 0;
  }
  std::uint64_t written = 0;
};

TEST(ArchiveLimits, NothingPassesFourGigabytes) {
  for (unsigned int cache : {0u, 16u, 512000u}) {
    SCOPED_TRACE(cache);
    CountingArchive a(cache);
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
      EXPECT_EQ(ErrorCodeOf(write), kKzErrorSizeNotSupported);
    }
    a.EndSection();  // none was opened
    a.DoFlush();
    EXPECT_EQ(a.written, 15u);
    EXPECT_EQ(a.GetPosition(), 0xFFFFFFFFu);
    EXPECT_EQ(a.GetLength(), 0xFFFFFFFFu);
  }
}

}  // namespace
