#include "pe_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/temp_folder.h"

namespace {

const std::string kFixtures = PUBLISH_FIXTURES;

std::string VersionOf(const std::string& bytes) {
  PeVersion version;
  if (!ReadPeVersion(bytes.data(), bytes.size(), version)) return "none";
  return std::to_string(version.parts[0]) + "." + std::to_string(version.parts[1]) + "." +
         std::to_string(version.parts[2]) + "." + std::to_string(version.parts[3]);
}

void Put16(std::string& image, size_t at, uint16_t value) {
  image[at] = static_cast<char>(value & 0xFF);
  image[at + 1] = static_cast<char>(value >> 8);
}
void Put32(std::string& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A minimal PE image with one ".rsrc" section holding a version resource, laid out by hand
// so that each field can be spoiled on purpose.
struct PeLayout {
  bool pe64 = false;
  uint32_t versionMost = (7u << 16) | 8u;
  uint32_t versionLeast = (9u << 16) | 10u;
  static constexpr size_t kPeAt = 0x40;
  static constexpr size_t kRawAt = 0x200;
  static constexpr uint32_t kRva = 0x1000;

  size_t OptionalAt() const { return kPeAt + 24; }
  size_t OptionalSize() const { return pe64 ? 240 : 224; }
  size_t SectionAt() const { return OptionalAt() + OptionalSize(); }
  size_t ResourceDirectoryAt() const { return OptionalAt() + (pe64 ? 112 : 96) + 16; }

  std::string Build() const {
    std::string image(kRawAt + 0x200, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPeAt);
    memcpy(&image[kPeAt], "PE\0\0", 4);
    Put16(image, kPeAt + 4, pe64 ? 0x8664 : 0x14C);
    Put16(image, kPeAt + 6, 1);
    Put16(image, kPeAt + 20, static_cast<uint16_t>(OptionalSize()));
    Put16(image, OptionalAt(), pe64 ? 0x20B : 0x10B);
    Put32(image, OptionalAt() + (pe64 ? 108 : 92), 16);
    Put32(image, ResourceDirectoryAt(), kRva);
    Put32(image, ResourceDirectoryAt() + 4, 0x100);
    memcpy(&image[SectionAt()], ".rsrc\0\0\0", 8);
    Put32(image, SectionAt() + 8, 0x100);    // virtual size
    Put32(image, SectionAt() + 12, kRva);    // virtual address
    Put32(image, SectionAt() + 16, 0x200);   // raw size
    Put32(image, SectionAt() + 20, kRawAt);  // raw offset

    const size_t r = kRawAt;
    Put16(image, r + 14, 1);                          // type directory: one id entry
    Put32(image, r + 16, 16);                         // RT_VERSION
    Put32(image, r + 20, 0x80000000u | 0x18);
    Put16(image, r + 0x18 + 14, 1);                   // name directory
    Put32(image, r + 0x18 + 16, 1);
    Put32(image, r + 0x18 + 20, 0x80000000u | 0x30);
    Put16(image, r + 0x30 + 14, 1);                   // language directory
    Put32(image, r + 0x30 + 16, 0x804);
    Put32(image, r + 0x30 + 20, 0x48);
    Put32(image, r + 0x48, kRva + 0x58);              // data entry: RVA and size
    Put32(image, r + 0x48 + 4, 92);
    const size_t v = r + 0x58;                        // VS_VERSIONINFO
    Put16(image, v, 92);
    Put16(image, v + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof key; ++i) Put16(image, v + 6 + 2 * i, static_cast<uint8_t>(key[i]));
    Put32(image, v + 40, 0xFEEF04BD);
    Put32(image, v + 44, 0x10000);
    Put32(image, v + 48, versionMost);
    Put32(image, v + 52, versionLeast);
    return image;
  }
};

}  // namespace

TEST(PeVersion, FileVersionOfARealLibraryIsRead) {
  const std::string bytes = ReadFileBytes(kFixtures + "/versioned.dll");
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(VersionOf(bytes), "1.2.3.4") << "the file version, not the product version 9.9.9.9";
  PeVersion version;
  ASSERT_TRUE(ReadFileVersion(kFixtures + "/versioned.dll", version));
  EXPECT_EQ(version.parts[3], 4);
}

TEST(PeVersion, SixteenBitPartsAreReadWhole) {
  EXPECT_EQ(VersionOf(ReadFileBytes(kFixtures + "/big-version.exe")), "65535.0.300.7");
}

TEST(PeVersion, ProgramWithoutVersionResourceHasNone) {
  EXPECT_EQ(VersionOf(ReadFileBytes(kFixtures + "/plain.exe")), "none");
}

TEST(PeVersion, ThirtyTwoAndSixtyFourBitImagesAreRead) {
  PeLayout layout;
  EXPECT_EQ(VersionOf(layout.Build()), "7.8.9.10");
  layout.pe64 = true;
  EXPECT_EQ(VersionOf(layout.Build()), "7.8.9.10");
}

TEST(PeVersion, OtherFilesHaveNone) {
  EXPECT_EQ(VersionOf(""), "none");
  EXPECT_EQ(VersionOf("MZ"), "none");
  EXPECT_EQ(VersionOf("[Settings]\r\nServer=1\r\n"), "none");
  EXPECT_EQ(VersionOf(std::string(4096, '\0')), "none");
  TempFolder temp;
  PeVersion version;
  EXPECT_FALSE(ReadFileVersion(temp / "missing.dll", version));
}

TEST(PeVersion, EveryCutOfARealFileIsReadSafely) {
  const std::string bytes = ReadFileBytes(kFixtures + "/versioned.dll");
  size_t readable = 0;
  for (size_t size = 0; size <= bytes.size(); ++size) {
    if (VersionOf(bytes.substr(0, size)) != "none") ++readable;
  }
  EXPECT_GT(readable, 0u);
  EXPECT_LT(readable, bytes.size());
}

TEST(PeVersion, SpoiledFieldsGiveNoneNeverAStrayRead) {
  const PeLayout layout;
  const std::string good = layout.Build();
  ASSERT_EQ(VersionOf(good), "7.8.9.10");
  auto spoiled = [&](size_t at, uint32_t value) {
    std::string image = good;
    Put32(image, at, value);
    return VersionOf(image);
  };
  EXPECT_EQ(spoiled(0x3C, 0xFFFFFFF0u), "none") << "PE header beyond the file";
  EXPECT_EQ(spoiled(PeLayout::kPeAt + 4, 0x0000FFFFu), "none") << "no sections";
  EXPECT_EQ(spoiled(layout.SectionAt() + 16, 0x50), "none") << "raw data shorter than the resource tree";
  EXPECT_EQ(spoiled(layout.SectionAt() + 20, 0x7FFFFFF0u), "none") << "raw data beyond the file";
  EXPECT_EQ(spoiled(layout.ResourceDirectoryAt(), 0x90000), "none") << "resource RVA in no section";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 12, 0xFFFFFFFFu), "none") << "65535 entries of each kind";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 20, 0x80000000u | 0x7FFFFFF0u), "none") << "directory far outside";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 0x48, 0xFFFFFFF0u), "none") << "version block RVA wraps";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 0x48 + 4, 20), "none") << "version block too small";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 0x58 + 40, 0x12345678), "none") << "wrong signature";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 0x58 + 6, 0x00580057), "none") << "wrong key";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 16, 3), "none") << "no version type";
  EXPECT_EQ(spoiled(PeLayout::kRawAt + 20, 0x18), "none") << "type entry that is no directory";
}

TEST(PeVersion, ResourceTreeLoopingOntoItselfEnds) {
  std::string image = PeLayout().Build();
  // The name directory's entry points back at the type directory.
  Put32(image, PeLayout::kRawAt + 0x18 + 20, 0x80000000u | 0x00);
  EXPECT_EQ(VersionOf(image), "none");
}
