#include "net/archive_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "net/streamed_archive.h"
#include "support/download_text.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

std::string Content(size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  // Half noise, half repeats: the archive has both stored-like and well-compressed stretches.
  for (size_t i = 0; i < size; ++i) bytes[i] = (i / 4096) % 2 ? static_cast<char>(random()) : static_cast<char>('a' + i % 7);
  return bytes;
}

// Feeds bytes in pieces whose sizes run through 1 to 100,000.
template <typename Sink>
void FeedInPieces(Sink&& feed, const std::string& bytes) {
  std::mt19937 random(11);
  for (size_t at = 0; at < bytes.size();) {
    const size_t piece = std::min(bytes.size() - at, static_cast<size_t>(1 + random() % 100000));
    feed(bytes.data() + at, piece);
    at += piece;
  }
}

class ArchiveStream : public ::testing::Test {
 protected:
  NativePath Output() { return NativePath((temp / "out.dat").native()); }
  std::string Expanded() { return ReadFileBytes(temp / "out.dat"); }
  TempFolder temp;
};

}  // namespace

TEST_F(ArchiveStream, PiecesOfAnySizeGiveTheFilesCheckValueAndExpansion) {
  const std::string content = Content(3 * 1024 * 1024 + 17), gz = GzipBytes(content);
  CArchiveStream stream(Output());
  FeedInPieces([&](const char* bytes, size_t count) { stream.Append(bytes, count); }, gz);
  const CArchiveStream::Result result = stream.Finish();
  EXPECT_EQ(result.checkValue, CheckValueText(gz));
  EXPECT_TRUE(result.expanded);
  EXPECT_EQ(Expanded(), content);
}

TEST_F(ArchiveStream, RestartForgetsEverythingBefore) {
  const std::string content = Content(200000), gz = GzipBytes(content);
  CArchiveStream stream(Output());
  stream.Append(gz.data(), gz.size() / 2);
  stream.Restart();
  stream.Append(gz.data(), gz.size());
  const CArchiveStream::Result result = stream.Finish();
  EXPECT_EQ(result.checkValue, CheckValueText(gz));
  EXPECT_TRUE(result.expanded);
  EXPECT_EQ(Expanded(), content);
}

TEST_F(ArchiveStream, AnythingButOneWholeMemberLeavesTheFileToDecide) {
  const std::string gz = GzipBytes(Content(100000));
  std::string damaged = gz;
  damaged[damaged.size() / 2] ^= 0x55;
  std::string wrongLength = gz;
  wrongLength[wrongLength.size() - 1] ^= 0x01;  // the trailer's length
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {{"cut", gz.substr(0, gz.size() - 9)},  {"damaged", damaged},
               {"wrong length", wrongLength},       {"trailing bytes", gz + "junk"},
               {"two members", gz + GzipBytes("x")}, {"not gzip", "plain text, not an archive"},
               {"nothing", ""}};
  for (const auto& c : cases) {
    CArchiveStream stream(Output());
    stream.Append(c.bytes.data(), c.bytes.size());
    const CArchiveStream::Result result = stream.Finish();
    EXPECT_FALSE(result.expanded) << c.what;
    EXPECT_EQ(result.checkValue, CheckValueText(c.bytes)) << c.what;
  }
}

TEST_F(ArchiveStream, EmptyContentIsAWholeMember) {
  const std::string gz = GzipBytes("");
  CArchiveStream stream(Output());
  stream.Append(gz.data(), gz.size());
  EXPECT_TRUE(stream.Finish().expanded);
  EXPECT_EQ(Expanded(), "");
}

TEST_F(ArchiveStream, OnItsOwnThreadTheResultIsTheSameAndTheQueueStaysBounded) {
  // More than the queue holds, so the hand-over waits for the thread; a restart in between.
  const std::string content = Content(16 * 1024 * 1024), gz = GzipBytes(content);
  ASSERT_GT(gz.size(), 2 * kStreamQueueBytes);
  CStreamedArchive streamed(Output());
  streamed.BodyBytes(gz.data(), 1000);
  streamed.BodyRestarted();
  FeedInPieces([&](const char* bytes, size_t count) { streamed.BodyBytes(bytes, count); }, gz);
  const CArchiveStream::Result result = streamed.Finish();
  EXPECT_LT(streamed.PeakQueuedBytes(), kStreamQueueBytes + 100000);
  EXPECT_GT(streamed.PeakQueuedBytes(), 0u);
  EXPECT_EQ(result.checkValue, CheckValueText(gz));
  EXPECT_TRUE(result.expanded);
  EXPECT_EQ(Expanded(), content);
}
