#include "platform/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace skarvo {
namespace {

TEST(ByteReaderTest, ReadsLittleEndianNumbers) {
  const std::string bytes("\x01\x02\x03\x04\x05\x06\x07\x08\xFF\xFF", 10);
  ByteReader r(bytes);
  uint8_t a;
  uint16_t b;
  uint32_t c;
  int16_t d;
  ASSERT_TRUE(r.ReadU8(a) && r.ReadU16(b) && r.ReadU32(c));
  EXPECT_EQ(a, 0x01);
  EXPECT_EQ(b, 0x0302);
  EXPECT_EQ(c, 0x07060504u);
  EXPECT_TRUE(r.Skip(1));
  ASSERT_TRUE(r.ReadI16(d));
  EXPECT_EQ(d, -1);
  EXPECT_TRUE(r.AtEnd());
  uint64_t e;
  ASSERT_TRUE(r.Seek(2) && r.ReadU64(e));
  EXPECT_EQ(e, 0xFFFF080706050403ull);
  double f;
  const std::string one("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
  ByteReader g(one);
  ASSERT_TRUE(g.ReadDouble(f));
  EXPECT_EQ(f, 1.0);
}

// A read that does not fit fails without moving the cursor or writing its output.
TEST(ByteReaderTest, ShortReadsFailAndLeaveEverythingAsItWas) {
  const std::string bytes("\x01\x02\x03", 3);
  struct Row {
    const char* what;
    bool (*read)(ByteReader&);
  } rows[] = {
      {"u32",
       [](ByteReader& r) {
         uint32_t v = 7;
         return r.ReadU32(v) || v != 7;
       }},
      {"u64",
       [](ByteReader& r) {
         uint64_t v = 7;
         return r.ReadU64(v) || v != 7;
       }},
      {"bytes",
       [](ByteReader& r) {
         std::string_view v;
         return r.ReadBytes(2, v);
       }},
      {"skip", [](ByteReader& r) { return r.Skip(2); }},
      {"huge skip", [](ByteReader& r) { return r.Skip(std::numeric_limits<uint64_t>::max()); }},
      {"huge bytes",
       [](ByteReader& r) {
         std::string_view v;
         return r.ReadBytes(std::numeric_limits<uint64_t>::max(), v);
       }},
      {"seek past end", [](ByteReader& r) { return r.Seek(4); }},
      {"huge seek", [](ByteReader& r) { return r.Seek(std::numeric_limits<uint64_t>::max()); }},
      {"sub-reader",
       [](ByteReader& r) {
         ByteReader s;
         return r.SubReader(2, s);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ByteReader r(bytes);
    ASSERT_TRUE(r.Skip(2));
    EXPECT_FALSE(row.read(r));
    EXPECT_EQ(r.Position(), 2u);
    uint8_t last = 0;
    EXPECT_TRUE(r.ReadU8(last));
    EXPECT_EQ(last, 0x03);
  }
}

TEST(ByteReaderTest, ReadUpToStopsAtTheEnd) {
  ByteReader r("abcdef");
  EXPECT_TRUE(r.Seek(4));
  EXPECT_EQ(r.ReadUpTo(100), "ef");
  EXPECT_EQ(r.ReadUpTo(std::numeric_limits<uint64_t>::max()), "");
  EXPECT_TRUE(r.Seek(6));  // the end itself is a position
}

TEST(ByteReaderTest, SubReaderSeesOnlyItsPart) {
  ByteReader r("abcdefgh");
  ByteReader sub;
  ASSERT_TRUE(r.Skip(2) && r.SubReader(3, sub));
  EXPECT_EQ(r.Position(), 5u);
  EXPECT_EQ(sub.Size(), 3u);
  EXPECT_EQ(sub.ReadUpTo(10), "cde");
}

TEST(ByteReaderTest, CheckedArithmeticRefusesOverflow) {
  uint64_t out = 0;
  EXPECT_TRUE(CheckedAdd(1, 2, out));
  EXPECT_EQ(out, 3u);
  EXPECT_FALSE(CheckedAdd(std::numeric_limits<uint64_t>::max(), 1, out));
  EXPECT_TRUE(CheckedMul(1u << 20, 1u << 20, out));
  EXPECT_EQ(out, 1ull << 40);
  EXPECT_FALSE(CheckedMul(1ull << 33, 1ull << 31, out));
}

}  // namespace
}  // namespace skarvo
