#include "base/zip_reader.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Repeated(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ZipReader, ListsAndUnpacksStoredAndDeflatedEntriesFromMemory) {
  const std::string text = Repeated("Qelvo student client, line of text. ", 200);
  const std::string archive = ZipBuilder()
                                  .Add("readme.txt", "stored bytes", false)
                                  .Add("locales/zh-CN/strings.txt", text, true)
                                  .Add("locales/", "", false)
                                  .Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ASSERT_EQ(reader.GetItemCount(), 3);

  ZipEntry entry;
  ASSERT_TRUE(reader.GetItem(0, entry));
  EXPECT_EQ(entry.name, "readme.txt");
  EXPECT_EQ(entry.uncompressedSize, 12u);
  EXPECT_FALSE(entry.isFolder);
  ASSERT_TRUE(reader.GetItem(1, entry));
  EXPECT_EQ(entry.name, "locales/zh-CN/strings.txt");
  EXPECT_EQ(entry.uncompressedSize, text.size());
  ASSERT_TRUE(reader.GetItem(2, entry));
  EXPECT_TRUE(entry.isFolder);
  EXPECT_EQ(entry.uncompressedSize, 0u);

  std::vector<uint8_t> contents;
  ASSERT_TRUE(reader.UnzipItem(0, contents));
  EXPECT_EQ(AsText(contents), "stored bytes");
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), text);
  ASSERT_TRUE(reader.UnzipItem(2, contents));
  EXPECT_TRUE(contents.empty());
}

TEST(ZipReader, IndexesOutsideTheArchiveAreRefused) {
  const std::string archive = ZipBuilder().Add("a.txt", "a").Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ZipEntry entry;
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.GetItem(1, entry));
  EXPECT_FALSE(reader.GetItem(-1, entry));
  EXPECT_FALSE(reader.UnzipItem(1, contents));
  EXPECT_FALSE(reader.UnzipItem(-1, contents));
}

TEST(ZipReader, ClosedReaderHasNoItems) {
  CZipReader reader;
  ZipEntry entry;
  std::vector<uint8_t> contents;
  EXPECT_EQ(reader.GetItemCount(), 0);
  EXPECT_FALSE(reader.GetItem(0, entry));
  EXPECT_FALSE(reader.UnzipItem(0, contents));

  const std::string archive = ZipBuilder().Add("a.txt", "a").Build();
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  reader.Close();
  EXPECT_EQ(reader.GetItemCount(), 0);
  EXPECT_FALSE(reader.GetItem(0, entry));
}

TEST(ZipReader, OpensAnArchiveWrittenByCMakeFromAFile) {
  CZipReader reader;
  ASSERT_TRUE(reader.OpenFile(std::filesystem::path(TAVORA_ZIP_FIXTURE)));
  std::string hello, inner;
  ZipEntry entry;
  for (int i = 0; i < reader.GetItemCount(); ++i) {
    ASSERT_TRUE(reader.GetItem(i, entry));
    std::vector<uint8_t> contents;
    if (entry.name == "hello.txt") {
      ASSERT_TRUE(reader.UnzipItem(i, contents));
      hello = AsText(contents);
    } else if (entry.name == "folder/inner/data.txt") {
      ASSERT_TRUE(reader.UnzipItem(i, contents));
      inner = AsText(contents);
      EXPECT_EQ(entry.uncompressedSize, contents.size());
    }
  }
  EXPECT_EQ(hello, "Hello, zip\n");
  EXPECT_EQ(inner.size(), 64u * 1024u);
  EXPECT_EQ(inner.substr(0, 16), "0123456789abcdef");
}

TEST(ZipReader, OpensAFileAndReadsItAgainAfterReopening) {
  TempFolder temp;
  const std::string text = Repeated("abc", 50000);
  WriteFileBytes(temp / "a.zip", ZipBuilder().Add("big.txt", text).Add("small.txt", "small", false).Build());
  WriteFileBytes(temp / "b.zip", ZipBuilder().Add("other.txt", "other").Build());
  CZipReader reader;
  ASSERT_TRUE(reader.OpenFile(temp / "a.zip"));
  std::vector<uint8_t> contents;
  ASSERT_TRUE(reader.UnzipItem(0, contents));
  EXPECT_EQ(AsText(contents), text);
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), "small");

  ASSERT_TRUE(reader.OpenFile(temp / "b.zip"));
  ASSERT_EQ(reader.GetItemCount(), 1);
  ASSERT_TRUE(reader.UnzipItem(0, contents));
  EXPECT_EQ(AsText(contents), "other");
}

TEST(ZipReader, MissingFileAndNonArchivesDoNotOpen) {
  TempFolder temp;
  CZipReader reader;
  EXPECT_FALSE(reader.OpenFile(temp / "missing.zip"));
  WriteFileBytes(temp / "text.zip", "this is not an archive at all, just text");
  EXPECT_FALSE(reader.OpenFile(temp / "text.zip"));
  WriteFileBytes(temp / "empty.zip", "");
  EXPECT_FALSE(reader.OpenFile(temp / "empty.zip"));
  EXPECT_FALSE(reader.OpenMemory(nullptr, 10));
  EXPECT_EQ(reader.GetItemCount(), 0);
}

TEST(ZipReader, ArchiveWithoutEntriesOpensEmpty) {
  const std::string archive = ZipBuilder().Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  EXPECT_EQ(reader.GetItemCount(), 0);
}

TEST(ZipReader, ArchiveCommentIsSkipped) {
  const std::string archive = ZipBuilder().Add("a.txt", "alpha").Build("a comment that mentions PK\x05\x06 inside");
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ASSERT_EQ(reader.GetItemCount(), 1);
  std::vector<uint8_t> contents;
  ASSERT_TRUE(reader.UnzipItem(0, contents));
  EXPECT_EQ(AsText(contents), "alpha");
}

TEST(ZipReader, TruncatedArchiveDoesNotOpen) {
  const std::string archive = ZipBuilder().Add("a.txt", Repeated("x", 1000)).Build();
  CZipReader reader;
  for (size_t cut : {size_t{1}, size_t{10}, size_t{30}, archive.size() - 1}) {
    const std::string shorter = archive.substr(0, archive.size() - cut);
    EXPECT_FALSE(reader.OpenMemory(shorter.data(), shorter.size())) << "cut " << cut;
  }
}

TEST(ZipReader, WrongCheckSumFailsThatEntryOnly) {
  ZipBuilderEntry damaged;
  damaged.name = "damaged.txt";
  damaged.contents = "these bytes do not match the stored check sum";
  damaged.overrideCrc = true;
  damaged.declaredCrc = 0x12345678;
  const std::string archive = ZipBuilder().Add(damaged).Add("good.txt", "good").Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
  EXPECT_TRUE(contents.empty());
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), "good");
}

TEST(ZipReader, DeclaredSizeBeyondWhatDeflateCanProduceIsRefusedWithoutAllocating) {
  ZipBuilderEntry bomb;
  bomb.name = "bomb.bin";
  bomb.contents = Repeated("z", 1000);
  bomb.overrideSize = true;
  bomb.declaredSize = 0xFFFFFFF0u;  // 4 GiB claimed by a few bytes of deflate data
  const std::string archive = ZipBuilder().Add(bomb).Add("after.txt", "still readable").Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ZipEntry entry;
  ASSERT_TRUE(reader.GetItem(0, entry));
  EXPECT_EQ(entry.uncompressedSize, 0xFFFFFFF0u);
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
  EXPECT_EQ(contents.capacity(), 0u);
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), "still readable");
}

namespace {

// An entry of size zeros, deflated at level 1 (zeros shrink about a thousand times).
ZipBuilderEntry DeflatedZeros(const std::string& name, uint64_t size) {
  z_stream stream{};
  deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  const std::string zeros(1 << 20, '\0');
  std::string deflated;
  uLong crc = crc32(0, nullptr, 0);
  std::vector<char> out(1 << 16);
  for (uint64_t done = 0; done < size; done += zeros.size()) {
    const bool last = done + zeros.size() >= size;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    do {
      stream.next_out = reinterpret_cast<Bytef*>(out.data());
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
      deflated.append(out.data(), out.size() - stream.avail_out);
    } while (stream.avail_out == 0);
  }
  deflateEnd(&stream);
  ZipBuilderEntry entry;
  entry.name = name;
  entry.deflatedData = deflated;
  entry.overrideSize = true;
  entry.declaredSize = static_cast<uint32_t>(size);
  entry.overrideCrc = true;
  entry.declaredCrc = static_cast<uint32_t>(crc);
  return entry;
}

}  // namespace

TEST(ZipReader, HonestEntryLargerThanOneBufferMayHoldIsRefusedInMemoryButStreamsWhole) {
  // 1.5 GiB of zeros deflate to about 1.5 MB: an honest ratio, but far too much for one
  // buffer in a 32-bit process. Streamed, it goes out a block at a time.
  const uint64_t size = 1536ull << 20;
  const ZipBuilderEntry huge = DeflatedZeros("zeros.bin", size);
  const std::string archive = ZipBuilder().Add(huge).Add("next.txt", "next").Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
  EXPECT_EQ(contents.capacity(), 0u);
  uint64_t total = 0;
  size_t largestBlock = 0;
  bool allZero = true;
  EXPECT_TRUE(reader.UnzipItemTo(0, [&](const uint8_t* bytes, size_t count) {
    total += count;
    largestBlock = std::max(largestBlock, count);
    allZero = allZero && bytes[0] == 0 && bytes[count - 1] == 0;
    return true;
  }));
  EXPECT_EQ(total, size);
  EXPECT_LE(largestBlock, 256u * 1024);
  EXPECT_TRUE(allZero);
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), "next");
}

TEST(ZipReader, StreamedEntryStopsWhereTheSinkRefusesOrTheCheckFails) {
  ZipBuilderEntry damaged;
  damaged.name = "damaged.txt";
  damaged.contents = Repeated("0123456789", 50000);
  damaged.overrideCrc = true;
  damaged.declaredCrc = 12345;
  const std::string archive = ZipBuilder().Add(damaged).Add("whole.txt", Repeated("ab", 300000)).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  uint64_t total = 0;
  EXPECT_FALSE(reader.UnzipItemTo(0, [&](const uint8_t*, size_t count) { total += count; return true; }))
      << "the CRC is known at the end: every byte went out, and the answer says not to use them";
  EXPECT_EQ(total, 500000u);
  int calls = 0;
  EXPECT_FALSE(reader.UnzipItemTo(1, [&](const uint8_t*, size_t) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);
  std::string whole;
  EXPECT_TRUE(reader.UnzipItemTo(1, [&](const uint8_t* bytes, size_t count) {
    whole.append(reinterpret_cast<const char*>(bytes), count);
    return true;
  }));
  EXPECT_EQ(whole, Repeated("ab", 300000));
}

TEST(ZipReader, EntryThatInflatesToMoreOrLessThanDeclaredFails) {
  ZipBuilderEntry longer;
  longer.name = "longer.txt";
  longer.contents = Repeated("0123456789", 100);
  longer.overrideSize = true;
  longer.declaredSize = 999;
  ZipBuilderEntry shorter = longer;
  shorter.name = "shorter.txt";
  shorter.declaredSize = 1001;
  const std::string archive = ZipBuilder().Add(longer).Add(shorter).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
  EXPECT_FALSE(reader.UnzipItem(1, contents));
}

TEST(ZipReader, StoredEntryWhoseSizesDisagreeFails) {
  ZipBuilderEntry entry;
  entry.name = "stored.bin";
  entry.contents = "1234";
  entry.deflate = false;
  entry.overrideSize = true;
  entry.declaredSize = 4000;
  const std::string archive = ZipBuilder().Add(entry).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
}

TEST(ZipReader, EncryptedAndUnknownMethodEntriesFail) {
  ZipBuilderEntry encrypted;
  encrypted.name = "secret.txt";
  encrypted.contents = "secret";
  encrypted.flags = 0x0001;
  ZipBuilderEntry bzip2;
  bzip2.name = "bzip2.txt";
  bzip2.contents = "bzip2";
  bzip2.deflate = false;
  bzip2.method = 12;
  const std::string archive = ZipBuilder().Add(encrypted).Add(bzip2).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
  EXPECT_FALSE(reader.UnzipItem(1, contents));
}

TEST(ZipReader, Zip64SizesInTheExtraBlockAreRead) {
  ZipBuilderEntry entry;
  entry.name = "zip64.txt";
  entry.contents = Repeated("sixty-four ", 300);
  entry.zip64Extra = true;
  const std::string archive = ZipBuilder().Add("first.txt", "first").Add(entry).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ZipEntry listed;
  ASSERT_TRUE(reader.GetItem(1, listed));
  EXPECT_EQ(listed.uncompressedSize, entry.contents.size());
  std::vector<uint8_t> contents;
  ASSERT_TRUE(reader.UnzipItem(1, contents));
  EXPECT_EQ(AsText(contents), entry.contents);
}

TEST(ZipReader, Utf8FlagIsReportedAndNameBytesAreKept) {
  ZipBuilderEntry utf8;
  utf8.name = "\xE8\xAF\xAD\xE8\xA8\x80/\xE4\xB8\xAD\xE6\x96\x87.txt";  // 语言/中文.txt
  utf8.contents = "utf8";
  utf8.flags = 0x0800;
  ZipBuilderEntry gbk;
  gbk.name = "\xD6\xD0\xCE\xC4.txt";  // 中文.txt in code page 936
  gbk.contents = "gbk";
  const std::string archive = ZipBuilder().Add(utf8).Add(gbk).Build();
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  ZipEntry entry;
  ASSERT_TRUE(reader.GetItem(0, entry));
  EXPECT_EQ(entry.name, utf8.name);
  EXPECT_TRUE(entry.nameIsUtf8);
  ASSERT_TRUE(reader.GetItem(1, entry));
  EXPECT_EQ(entry.name, gbk.name);
  EXPECT_FALSE(entry.nameIsUtf8);
}

TEST(ZipReader, EntryCountLargerThanTheDirectoryDoesNotOpen) {
  std::string archive = ZipBuilder().Add("a.txt", "a").Build();
  // The end record (no comment here) holds the entry counts at offsets 8 and 10.
  const size_t end = archive.size() - 22;
  archive[end + 8] = archive[end + 10] = '\xFF';
  archive[end + 9] = archive[end + 11] = '\x7F';
  CZipReader reader;
  EXPECT_FALSE(reader.OpenMemory(archive.data(), archive.size()));
}

TEST(ZipReader, LocalHeaderOffsetOutsideTheDataFailsThatEntry) {
  std::string archive = ZipBuilder().Add("a.txt", "alpha").Build();
  const size_t end = archive.size() - 22;
  const size_t directory = static_cast<uint8_t>(archive[end + 16]) | (static_cast<uint8_t>(archive[end + 17]) << 8);
  archive[directory + 42] = '\x00';
  archive[directory + 43] = '\x70';  // local header far beyond the archive
  CZipReader reader;
  ASSERT_TRUE(reader.OpenMemory(archive.data(), archive.size()));
  std::vector<uint8_t> contents;
  EXPECT_FALSE(reader.UnzipItem(0, contents));
}

}  // namespace
