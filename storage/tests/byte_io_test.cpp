#include "storage/byte_io.h"

#include <gtest/gtest.h>

namespace mq {
namespace {

TEST(ByteIo, ReadsLittleEndianAndFailsPastTheEnd) {
  const unsigned char bytes[] = {0x6B, 0x00, 0x00, 0x00, 0x65, 0xA4, 0xFE, 0xFF, 0xFF};
  ByteReader r(bytes, sizeof bytes);
  int32_t version = 0;
  uint16_t date = 0;
  ASSERT_TRUE(r.I32(version));
  ASSERT_TRUE(r.U16(date));
  EXPECT_EQ(version, 107);
  EXPECT_EQ(date, 0xA465);
  int32_t tail = 12345;
  EXPECT_FALSE(r.I32(tail));  // three bytes left, four wanted
  EXPECT_EQ(tail, 12345) << "nothing is transferred by a failed read";
  EXPECT_TRUE(r.Failed());
  uint8_t one = 0;
  EXPECT_FALSE(r.U8(one)) << "a failed stream stays failed";
  EXPECT_EQ(r.Position(), 6u);
  EXPECT_FALSE(r.Skip(static_cast<size_t>(-1)));
}

TEST(ByteIo, WritesLittleEndianAndStopsAtCapacity) {
  unsigned char out[7] = {};
  ByteWriter w(out, sizeof out);
  ASSERT_TRUE(w.I32(-2));
  ASSERT_TRUE(w.U16(0xA465));
  EXPECT_FALSE(w.U16(1));
  EXPECT_TRUE(w.Failed());
  const unsigned char expected[7] = {0xFE, 0xFF, 0xFF, 0xFF, 0x65, 0xA4, 0x00};
  EXPECT_EQ(std::memcmp(out, expected, sizeof out), 0);
}

}  // namespace
}  // namespace mq
