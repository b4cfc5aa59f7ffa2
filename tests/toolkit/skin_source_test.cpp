#include "toolkit/skin_resources.h"
#include "toolkit/skin_source.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

TEST(SkinSource, MemorySourceFindsNamesInAnyLetterCase) {
  CMemorySkinSource source;
  source.Add("bg_install.png", std::string("png bytes"));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(source.Read("bg_install.png", bytes));
  EXPECT_EQ(AsString(bytes), "png bytes");
  ASSERT_TRUE(source.Read("BG_Install.PNG", bytes));
  EXPECT_FALSE(source.Read("bg_install", bytes));
}

TEST(SkinSource, FolderSourceReadsOnlyFilesAtItsRoot) {
  TempFolder temp;
  std::filesystem::create_directories(temp / "skin");
  WriteFileBytes(temp / "skin" / "a.xml", "<Window/>");
  WriteFileBytes(temp / "secret.txt", "not part of the skin");
  CFolderSkinSource source(temp / "skin");
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(source.Read("a.xml", bytes));
  EXPECT_EQ(AsString(bytes), "<Window/>");
  EXPECT_FALSE(source.Read("../secret.txt", bytes));
  EXPECT_FALSE(source.Read("..\\secret.txt", bytes));
  EXPECT_FALSE(source.Read("missing.xml", bytes));
}

TEST(SkinResources, ArchiveInMemoryIsReadByName) {
  const std::string zip = ZipBuilder().Add("InsAboutWindow.xml", "<Window/>").Add("chk_check.png", "png", false).Build();
  CSkinResources& skin = CSkinResources::Get();
  skin.SetZip(zip.data(), zip.size());
  ASSERT_EQ(skin.Status(), SkinStatus::kReady);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(skin.Read("InsAboutWindow.xml", bytes));
  EXPECT_EQ(AsString(bytes), "<Window/>");
  ASSERT_TRUE(skin.Read("chk_check.png", bytes));
  EXPECT_EQ(AsString(bytes), "png");
  EXPECT_FALSE(skin.Read("WaitWindow.xml", bytes));
  skin.Reset();
}

TEST(SkinResources, NoArchiveIsMissingAndGarbageIsUnreadable) {
  CSkinResources& skin = CSkinResources::Get();
  skin.SetZip(nullptr, 0);
  EXPECT_EQ(skin.Status(), SkinStatus::kMissing);
  const std::string garbage = "this is not a zip archive, only text";
  skin.SetZip(garbage.data(), garbage.size());
  EXPECT_EQ(skin.Status(), SkinStatus::kUnreadable);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(skin.Read("InsAboutWindow.xml", bytes));
  skin.Reset();
}
