// The compressor: stream format, parameters and flush pattern.
#include "compiler/engine/packer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "common/errors.h"
#include "test_util.h"

namespace kestro::compiler {
namespace {

struct Compressed {
  CompressResult result;
  std::string bytes;
  size_t writes = 0;
};

Compressed Compress(const std::string& input) {
  Compressed c;
  size_t at = 0;
  c.result = CompressFile(
      [&](uint8_t* buf, size_t n) {
        size_t k = std::min(n, input.size() - at);
        memcpy(buf, input.data() + at, k);
        at += k;
        return k;
      },
      [&](const uint8_t* buf, size_t n) {
        EXPECT_LE(n, kCompressBlock);
        c.bytes.append(reinterpret_cast<const char*>(buf), n);
        ++c.writes;
      },
      kCompressLevel);
  return c;
}

// The same stream made in one piece with one large output buffer: level 7,
// window 15, memory level 8, default strategy; flush as given after every
// 16384 bytes of input.
std::string Reference(const std::string& input, int flush) {
  z_stream zs{};
  EXPECT_EQ(Z_OK, deflateInit2(&zs, 7, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY));
  std::string out(deflateBound(&zs, input.size()) + 64 * (input.size() / 16384 + 2), '\0');
  zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
  zs.avail_out = static_cast<uInt>(out.size());
  for (size_t at = 0; at < input.size(); at += 16384) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + at));
    zs.avail_in = static_cast<uInt>(std::min<size_t>(16384, input.size() - at));
    EXPECT_EQ(Z_OK, deflate(&zs, flush));
  }
  EXPECT_EQ(Z_STREAM_END, deflate(&zs, Z_FINISH));
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

TEST(CompressFile, StreamsMatchTheReferenceAndInflateBack) {
  struct Case {
    const char* name;
    std::string input;
  } cases[] = {
      {"empty", ""},
      {"one byte", "x"},
      {"one block less one", test::TextBytes(16383)},
      {"exactly one block", test::TextBytes(16384)},
      {"one block and one byte", test::TextBytes(16385)},
      {"noise over several blocks", test::NoiseBytes(100000, 7)},
      {"text over many blocks", test::TextBytes(300000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Compressed z = Compress(c.input);
    ASSERT_TRUE(z.result.ok);
    EXPECT_EQ(z.bytes.size(), z.result.packed_size);
    EXPECT_EQ(Reference(c.input, Z_PARTIAL_FLUSH), z.bytes);
    std::string back;
    ASSERT_TRUE(test::Inflate(z.bytes, &back));
    EXPECT_EQ(c.input, back);
    EXPECT_EQ(adler32(1, reinterpret_cast<const Bytef*>(c.input.data()), static_cast<uInt>(c.input.size())),
              z.result.adler32);
  }
}

TEST(CompressFile, FlushesAfterEveryInputBlock) {
  std::string input = test::TextBytes(5 * 16384);
  Compressed z = Compress(input);
  EXPECT_NE(Reference(input, Z_NO_FLUSH), z.bytes) << "the partial flush points change the stream";
  // Noise does not compress: output pieces of the full 16384 bytes occur and
  // must all be handed on.
  std::string noise = test::NoiseBytes(3 * 16384 + 5, 3);
  Compressed n = Compress(noise);
  EXPECT_GT(n.writes, 3u);
  EXPECT_EQ(Reference(noise, Z_PARTIAL_FLUSH), n.bytes);
  EXPECT_EQ(0x78, static_cast<uint8_t>(z.bytes[0]));
  EXPECT_EQ(0xDA, static_cast<uint8_t>(z.bytes[1])) << "zlib header of levels 7 to 9";
}

TEST(CompressFile, AWriteErrorPassesThrough) {
  std::string input = test::TextBytes(40000);
  size_t at = 0;
  EXPECT_THROW(CompressFile(
                   [&](uint8_t* buf, size_t n) {
                     size_t k = std::min(n, input.size() - at);
                     memcpy(buf, input.data() + at, k);
                     at += k;
                     return k;
                   },
                   [](const uint8_t*, size_t) { throw IoError(kDiskFull); }, kCompressLevel),
               IoError);
}

}  // namespace
}  // namespace kestro::compiler
