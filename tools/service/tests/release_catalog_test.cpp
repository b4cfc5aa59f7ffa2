#include "service/release_catalog.h"

#include <gtest/gtest.h>

#include "service_test_support.h"
#include "support/temp_folder.h"

TEST(ReleaseCatalog, UrlPathIsThePathOfTheUrlEndingInASlash) {
  std::string path;
  ASSERT_TRUE(UrlPathOf("http://127.0.0.1:18080/releases/1.0.0.0/", path));
  EXPECT_EQ(path, "/releases/1.0.0.0/");
  ASSERT_TRUE(UrlPathOf("HTTP://h/rel", path));
  EXPECT_EQ(path, "/rel/");
  ASSERT_TRUE(UrlPathOf("http://h", path));
  EXPECT_EQ(path, "/");
  EXPECT_FALSE(UrlPathOf("ftp://h/rel/", path));
  EXPECT_FALSE(UrlPathOf("http:///rel/", path));
  EXPECT_FALSE(UrlPathOf("/rel/", path));
}

TEST(ReleaseCatalog, EntryIsReadWithTheLastUrlsPath) {
  TempFolder temp;
  WriteRelease(temp / "r1",
               "{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1,0,0,0\",\"DownloadUrls\":"
               "[\"http://mirror/a/\",\"http://127.0.0.1:18080/releases/1.0.0.0\"]}\n\n");
  Release release;
  std::string error;
  ASSERT_TRUE(LoadRelease((temp / "r1").string(), release, error)) << error;
  EXPECT_EQ(release.appName, "TavoraStudent");
  EXPECT_EQ(release.urlPath, "/releases/1.0.0.0/");
  EXPECT_EQ(release.entryJson.back(), '}');
}

TEST(ReleaseCatalog, UnusableEntriesAreRefusedWithAMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"not json", "is not JSON"},
      {"[1,2]", "one JSON object"},
      {"{\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/x/\"]}", "AppName"},
      {"{\"AppName\":\"A\",\"DownloadUrls\":[\"http://h/x/\"]}", "MainVersion"},
      {"{\"AppName\":\"A\",\"MainVersion\":\"1\",\"DownloadUrls\":[]}", "DownloadUrls"},
      {"{\"AppName\":\"A\",\"MainVersion\":\"1\",\"DownloadUrls\":[\"x/y\"]}", "not http://"},
  };
  TempFolder temp;
  for (const auto& item : cases) {
    WriteRelease(temp / "r", item.first);
    Release release;
    std::string error;
    EXPECT_FALSE(LoadRelease((temp / "r").string(), release, error)) << item.first;
    EXPECT_NE(error.find(item.second), std::string::npos) << error;
  }
  Release release;
  std::string error;
  EXPECT_FALSE(LoadRelease((temp / "missing").string(), release, error));
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  std::filesystem::create_directories(temp / "empty");
  EXPECT_FALSE(LoadRelease((temp / "empty").string(), release, error));
  EXPECT_NE(error.find("entry.json"), std::string::npos) << error;
}

TEST(ReleaseCatalog, TwoReleasesAtOnePathAreRefused) {
  TempFolder temp;
  WriteRelease(temp / "a", EntryJson("A", "1,0,0,0", "/rel/"));
  WriteRelease(temp / "b", EntryJson("B", "2,0,0,0", "/rel/"));
  std::vector<Release> releases;
  std::string error;
  EXPECT_FALSE(LoadReleases({(temp / "a").string(), (temp / "b").string()}, releases, error));
  EXPECT_NE(error.find("/rel/"), std::string::npos) << error;
}

TEST(ReleaseCatalog, OnlyPlainFilesDirectlyInTheFolderAreServed) {
  TempFolder temp;
  WriteRelease(temp / "a", EntryJson("A", "1,0,0,0", "/rel/a/"));
  WriteFileBytes(temp / "a" / "m-0011223344556677.dll.gz", "gz");
  WriteFileBytes(temp / "a" / ".hidden", "h");
  std::filesystem::create_directories(temp / "a" / "sub");
  WriteFileBytes(temp / "a" / "sub" / "f", "f");
  WriteFileBytes(temp / "secret", "s");
  std::vector<Release> releases;
  std::string error;
  ASSERT_TRUE(LoadReleases({(temp / "a").string()}, releases, error)) << error;
  std::string file;
  ASSERT_TRUE(ReleaseFileFor(releases, "/rel/a/m-0011223344556677.dll.gz", file));
  EXPECT_EQ(file, (temp / "a" / "m-0011223344556677.dll.gz").string());
  for (const char* path : {"/rel/a/", "/rel/a/.hidden", "/rel/a/sub", "/rel/a/sub/f", "/rel/a/../secret",
                           "/rel/a/..", "/rel/m-0011223344556677.dll.gz", "/rel/a/nothing"}) {
    EXPECT_FALSE(ReleaseFileFor(releases, path, file)) << path;
  }
}

TEST(ReleaseCatalog, UpdateListHoldsTheEntriesInOrder) {
  Release a, b;
  a.entryJson = "{\"AppName\":\"A\"}";
  b.entryJson = "{\"AppName\":\"B\"}";
  EXPECT_EQ(UpdateListReply({a, b}), "{\"AppUpdateList\":[{\"AppName\":\"A\"},{\"AppName\":\"B\"}]}");
  EXPECT_EQ(UpdateListReply({}), "{\"AppUpdateList\":[]}");
}
