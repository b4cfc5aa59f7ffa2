// The "Range" field against a file of 1000 bytes, as a download client sends it.
#include <gtest/gtest.h>

#include "service/byte_range.h"

namespace {

void ExpectPart(const std::string& field, int64_t first, int64_t last) {
  const ByteRange range = ResolveByteRange(field, 1000);
  EXPECT_EQ(range.kind, RangeKind::kPart) << field;
  EXPECT_EQ(range.first, first) << field;
  EXPECT_EQ(range.last, last) << field;
}

}  // namespace

TEST(ByteRange, OpenRangeFromAnOffsetIsThePartToTheEnd) {
  ExpectPart("bytes=100-", 100, 999);
  ExpectPart("bytes=999-", 999, 999);
}

TEST(ByteRange, ClosedRangeIsCutAtTheEndOfTheFile) {
  ExpectPart("bytes=100-199", 100, 199);
  ExpectPart("bytes=0-0", 0, 0);
  ExpectPart("bytes=900-5000", 900, 999);
}

TEST(ByteRange, SuffixRangeIsTheLastBytes) { ExpectPart("bytes=-10", 990, 999); }

TEST(ByteRange, RangeCoveringTheWholeFileIsTheWholeFile) {
  for (const char* field : {"", "bytes=0-", "bytes=0-999", "bytes=0-123456", "bytes=-1000", "bytes=-5000"}) {
    EXPECT_EQ(ResolveByteRange(field, 1000).kind, RangeKind::kWhole) << field;
  }
  EXPECT_EQ(ResolveByteRange("bytes=0-", 0).kind, RangeKind::kWhole);
}

TEST(ByteRange, RangeStartingAtOrPastTheEndCannotBeSatisfied) {
  for (const char* field : {"bytes=1000-", "bytes=1000-2000", "bytes=-0"}) {
    EXPECT_EQ(ResolveByteRange(field, 1000).kind, RangeKind::kUnsatisfiable) << field;
  }
  EXPECT_EQ(ResolveByteRange("bytes=5-", 0).kind, RangeKind::kUnsatisfiable);
}

TEST(ByteRange, FieldsTheServiceDoesNotServeAreIgnored) {
  for (const char* field : {"bytes=5-2", "items=0-5", "bytes=0-1,5-9", "bytes=x-", "bytes=5", "bytes=-",
                            "Bytes=5-", "bytes=1234567890123456789-"}) {
    EXPECT_EQ(ResolveByteRange(field, 1000).kind, RangeKind::kWhole) << field;
  }
}
