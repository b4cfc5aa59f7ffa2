// The resources the release installer carries, read back by Windows from the built file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "build_settings.h"

namespace {

class ReleaseExe : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryExW(TAVORA_INSTALLER_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  std::string Resource(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
  }
  HMODULE module = nullptr;
};

TEST_F(ReleaseExe, ManifestAsksForTheInvokersLevelOnWindows7To11) {
  const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                         "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(manifest.find(os), std::string::npos) << os;
  }
}

TEST_F(ReleaseExe, CarriesIcon107) {
  EXPECT_FALSE(Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(107)).empty());
}

TEST_F(ReleaseExe, FileVersionIsTheBuildSetting) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(TAVORA_INSTALLER_EXE, &handle);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(TAVORA_INSTALLER_EXE, 0, size, block.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length));
  char text[64];
  snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", info->dwFileVersionMS >> 16, info->dwFileVersionMS & 0xFFFF,
           info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF);
  EXPECT_STREQ(text, settings::kInstallerVersion);
}

TEST_F(ReleaseExe, SkinZip129IsAZipOfTheSixLayoutsAndFortyEightImages) {
  const std::string skin = Resource(L"SkinZip", MAKEINTRESOURCEW(129));
  ASSERT_GT(skin.size(), 22u);
  EXPECT_EQ(skin.compare(0, 4, "PK\x03\x04"), 0);
  // End of central directory record (no archive comment): total number of entries at +10.
  const std::string end = skin.substr(skin.size() - 22);
  ASSERT_EQ(end.compare(0, 4, "PK\x05\x06"), 0);
  uint16_t entries = 0;
  memcpy(&entries, end.data() + 10, 2);
  EXPECT_EQ(entries, 54);
  for (const char* name : {"InsAboutWindow.xml", "InsInstallWindow.xml", "InsCompleteWindow.xml",
                           "InsErrorWindow.xml", "UniUninstallWindow.xml", "WaitWindow.xml", "bg_install.png"}) {
    EXPECT_NE(skin.find(name), std::string::npos) << name;
  }
}

}  // namespace
