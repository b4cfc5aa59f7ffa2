#include "release_publisher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <regex>

#include "base/utf8_text.h"
#include "net/release_signature.h"
#include "support/temp_folder.h"
#include "tool_runner.h"

namespace fs = std::filesystem;
namespace pt = boost::property_tree;

namespace {

const std::string kFixtures = PUBLISH_FIXTURES;
const std::string kTool = PUBLISH_TOOL;

std::string Md5CheckValue(const fs::path& path) {
  const CommandResult digest = RunCommand("md5sum " + Quoted(path.string()));
  EXPECT_EQ(digest.exitCode, 0);
  return digest.output.substr(8, 16);
}

std::string Gunzip(const fs::path& path) {
  const CommandResult expanded = RunCommand("gzip -dc " + Quoted(path.string()));
  EXPECT_EQ(expanded.exitCode, 0) << path;
  return expanded.output;
}

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class PublishTool : public ::testing::Test {
 protected:
  void SetUp() override {
    client = temp / "client";
    fs::create_directories(client / "locales");
    fs::copy_file(kFixtures + "/big-version.exe", client / "TavoraStudent.exe");
    fs::copy_file(kFixtures + "/versioned.dll", client / "libfoo.dll");
    fs::copy_file(kFixtures + "/plain.exe", client / "TavoraStudentInstaller.exe");
    WriteFileBytes(client / "config.ini", "[Server]\r\nHost=127.0.0.1\r\n");
    WriteFileBytes(client / "locales" / "zh-CN.pak", std::string(30000, 'z'));
    fs::create_directories(client / "empty-folder");
    out = temp / "release";
  }

  CommandResult Publish(const std::string& extra = "", const std::string& version = "1.2.0.0") {
    return RunCommand(Quoted(kTool) + " --client " + Quoted(client.string()) + " --version " + Quoted(version) +
                      " --base-url http://127.0.0.1:18080/release/v1 --out " + Quoted(out.string()) + " " + extra);
  }

  // Nothing at OUT and no staging folder beside it.
  void ExpectNothingWritten() {
    EXPECT_FALSE(fs::exists(fs::symlink_status(out)));
    for (const auto& entry : fs::directory_iterator(temp.path())) {
      EXPECT_EQ(entry.path().filename().string().find(".release."), std::string::npos) << entry.path();
    }
  }

  pt::ptree Entry() {
    pt::ptree entry;
    pt::read_json((out / "entry.json").string(), entry);
    return entry;
  }

  TempFolder temp;
  fs::path client;
  fs::path out;
};

}  // namespace

TEST_F(PublishTool, EveryFileIsGzippedUnderItsCheckValueName) {
  const CommandResult result = Publish("--registerdll libfoo.dll --mustupdate config.ini=false");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const std::regex published(R"((.+)-([0-9a-f]{16})(\.[A-Za-z]+)\.gz)");
  std::map<std::string, std::string> originals;  // client file -> published .gz
  for (const std::string& name : FolderNames(out)) {
    if (name == "entry.json") continue;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(name, m, published)) << name;
    EXPECT_EQ(m[2].str(), Md5CheckValue(out / name)) << "the check value is that of the .gz bytes";
    originals[m[1].str() + m[3].str()] = name;
  }
  EXPECT_EQ(originals.size(), 5u);
  for (const char* file : {"TavoraStudent.exe", "libfoo.dll", "TavoraStudentInstaller.exe", "config.ini"}) {
    ASSERT_TRUE(originals.count(file)) << file;
    EXPECT_EQ(Gunzip(out / originals[file]), ReadFileBytes(client / file)) << file;
  }
  ASSERT_TRUE(originals.count("TavoraStudent.zip"));
  EXPECT_EQ(originals.count("zh-CN.pak"), 0u) << "files in subfolders travel only in the package";
}

TEST_F(PublishTool, EntryNamesModulesWithSizesVersionsAndMarks) {
  const CommandResult result = Publish("--registerdll libfoo.dll --mustupdate config.ini=false");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const pt::ptree entry = Entry();
  EXPECT_EQ(entry.get<std::string>("AppName"), "TavoraStudent");
  EXPECT_EQ(entry.get<std::string>("MainVersion"), "1,2,0,0");
  std::vector<std::string> urls;
  for (const auto& url : entry.get_child("DownloadUrls")) urls.push_back(url.second.data());
  EXPECT_EQ(urls, std::vector<std::string>{"http://127.0.0.1:18080/release/v1/"});

  struct Expected {
    const char* stem;
    const char* ext;
    const char* version;
    const char* registerdll;
    const char* mustupdate;  // null: absent
  };
  const Expected expected[] = {
      {"TavoraStudent", ".exe", "65535.0.300.7", "false", nullptr},
      {"TavoraStudentInstaller", ".exe", "0.0.0.0", "false", nullptr},
      {"config", ".ini", "0.0.0.0", "false", "false"},
      {"libfoo", ".dll", "1.2.3.4", "true", nullptr},
  };
  const pt::ptree& modules = entry.get_child("Modules");
  ASSERT_EQ(modules.size(), 4u);
  size_t i = 0;
  for (const auto& child : modules) {
    const pt::ptree& module = child.second;
    const Expected& want = expected[i++];
    const std::string name = module.get<std::string>("name");
    EXPECT_TRUE(std::regex_match(name, std::regex(std::string(want.stem) + "-[0-9a-f]{16}\\" + want.ext))) << name;
    ASSERT_TRUE(fs::exists(out / (name + ".gz"))) << "name carries no .gz; the installer appends it";
    EXPECT_EQ(module.get<uint64_t>("bytes"), fs::file_size(out / (name + ".gz")));
    EXPECT_EQ(module.get<std::string>("version"), want.version) << name;
    EXPECT_EQ(module.get<std::string>("registerdll"), want.registerdll) << name;
    if (want.mustupdate) {
      EXPECT_EQ(module.get<std::string>("mustupdate"), want.mustupdate) << name;
    } else {
      EXPECT_FALSE(module.get_optional<std::string>("mustupdate")) << name;
    }
  }
  const std::string package = entry.get<std::string>("InstallPackageNew.name");
  EXPECT_TRUE(std::regex_match(package, std::regex("TavoraStudent-[0-9a-f]{16}\\.zip"))) << package;
  EXPECT_EQ(entry.get<uint64_t>("InstallPackageNew.bytes"), fs::file_size(out / (package + ".gz")));
  EXPECT_EQ(package.substr(14, 16), Md5CheckValue(out / (package + ".gz")));
  // As the service sends it: one JSON object, keys in the order the installer's readers expect.
  const std::string text = ReadFileBytes(out / "entry.json");
  EXPECT_LT(text.find("\"AppName\""), text.find("\"MainVersion\""));
  EXPECT_LT(text.find("\"DownloadUrls\""), text.find("\"Modules\""));
  EXPECT_LT(text.find("\"Modules\""), text.find("\"InstallPackageNew\""));
}

TEST_F(PublishTool, UnsignedReleaseHasNoSignedMembers) {
  const CommandResult result = Publish();
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const std::string text = ReadFileBytes(out / "entry.json");
  EXPECT_EQ(text.find("Sha256"), std::string::npos) << text;
  EXPECT_EQ(text.find("Signature"), std::string::npos) << text;
  EXPECT_EQ(result.output.find("signed"), std::string::npos) << result.output;
}

TEST_F(PublishTool, SignedReleaseCarriesEveryDigestAndASignatureOfItsKey) {
  const fs::path key = temp / "release-key.pem";
  ASSERT_EQ(RunCommand("openssl ecparam -name prime256v1 -genkey -noout -out " + Quoted(key.string())).exitCode, 0);
  const CommandResult publicKey = RunCommand("openssl pkey -in " + Quoted(key.string()) +
                                             " -pubout -outform DER | tail -c 65 | od -An -v -tx1 | tr -d ' \\n'");
  ASSERT_EQ(publicKey.exitCode, 0) << publicKey.output;
  const CommandResult result = Publish("--mustupdate config.ini=false --sign-key " + Quoted(key.string()));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("signed with the release key " + publicKey.output + "\n"), std::string::npos)
      << result.output;

  const pt::ptree entry = Entry();
  auto sha256 = [](const fs::path& file) { return RunCommand("sha256sum " + Quoted(file.string())).output.substr(0, 64); };
  ASSERT_EQ(entry.get_child("Modules").size(), 4u);
  for (const auto& child : entry.get_child("Modules")) {
    const std::string name = child.second.get<std::string>("name");
    EXPECT_EQ(child.second.get<std::string>("Sha256"), sha256(out / (name + ".gz"))) << name;
  }
  const std::string package = entry.get<std::string>("InstallPackageNew.name");
  EXPECT_EQ(entry.get<std::string>("InstallPackageNew.Sha256"), sha256(out / (package + ".gz")));
  EXPECT_EQ(entry.get<std::string>("Signature").size(), 128u);

  ReleaseKey releaseKey;
  ASSERT_TRUE(ParseReleaseKey(publicKey.output, releaseKey));
  const std::wstring json = Utf8ToWide(ReadFileBytes(out / "entry.json"));
  std::string detail;
  EXPECT_EQ(CheckReleaseEntry(json, releaseKey, detail), EntryCheck::kSigned) << detail;
  // The installer reads the entry back from the service's list: JSON of the same members.
  std::wstring moved = json;
  moved.replace(moved.find(L"http://127.0.0.1:18080/release/v1/"), 34, L"http://mirror.example/v1/");
  EXPECT_EQ(CheckReleaseEntry(moved, releaseKey, detail), EntryCheck::kSigned) << "mirrors are not signed";
  std::wstring other = json;
  other.replace(other.find(L"\"1,2,0,0\""), 9, L"\"1,2,0,1\"");
  EXPECT_EQ(CheckReleaseEntry(other, releaseKey, detail), EntryCheck::kMismatch);
}

TEST_F(PublishTool, UnusableSigningKeyWritesNothing) {
  WriteFileBytes(temp / "not-a-key.pem", "hello\n");
  const CommandResult result = Publish("--sign-key " + Quoted((temp / "not-a-key.pem").string()));
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("holds no PEM"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

TEST_F(PublishTool, PackageIsAZipWhoseTopFolderIsTavoraStudent) {
  ASSERT_EQ(Publish().exitCode, 0);
  const std::string package = Entry().get<std::string>("InstallPackageNew.name");
  WriteFileBytes(temp / "package.zip", Gunzip(out / (package + ".gz")));
  const std::string zipPath = (temp / "package.zip").string();
  EXPECT_EQ(RunCommand("unzip -tq " + Quoted(zipPath)).exitCode, 0);
  EXPECT_EQ(RunCommand("unzip -Z1 " + Quoted(zipPath)).output,
            "TavoraStudent/TavoraStudent.exe\n"
            "TavoraStudent/TavoraStudentInstaller.exe\n"
            "TavoraStudent/config.ini\n"
            "TavoraStudent/libfoo.dll\n"
            "TavoraStudent/locales/zh-CN.pak\n");
  ASSERT_EQ(RunCommand("unzip -q " + Quoted(zipPath) + " -d " + Quoted((temp / "unpacked").string())).exitCode, 0);
  for (const char* file : {"TavoraStudent.exe", "libfoo.dll", "config.ini", "locales/zh-CN.pak"}) {
    EXPECT_EQ(ReadFileBytes(temp / "unpacked" / "TavoraStudent" / file), ReadFileBytes(client / file)) << file;
  }
}

TEST_F(PublishTool, StoreOptionStoresThePackagesEntries) {
  ASSERT_EQ(Publish("--store").exitCode, 0);
  const std::string package = Entry().get<std::string>("InstallPackageNew.name");
  WriteFileBytes(temp / "package.zip", Gunzip(out / (package + ".gz")));
  const CommandResult listing = RunCommand("unzip -v " + Quoted((temp / "package.zip").string()));
  EXPECT_EQ(listing.output.find("Defl:N"), std::string::npos) << listing.output;
  EXPECT_NE(listing.output.find("Stored"), std::string::npos) << listing.output;
}

TEST_F(PublishTool, SameFolderPublishesToTheSameNames) {
  ASSERT_EQ(Publish().exitCode, 0);
  const std::vector<std::string> first = FolderNames(out);
  const CommandResult again = Publish();
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.output.find("already exists"), std::string::npos) << again.output;
  ASSERT_EQ(Publish("--force").exitCode, 0);
  EXPECT_EQ(FolderNames(out), first);
}

TEST_F(PublishTool, ForceReplacesAnOlderRelease) {
  ASSERT_EQ(Publish().exitCode, 0);
  WriteFileBytes(client / "config.ini", "[Server]\r\nHost=10.0.0.1\r\n");
  ASSERT_EQ(Publish("--force", "1.3.0.0").exitCode, 0);
  EXPECT_EQ(Entry().get<std::string>("MainVersion"), "1,3,0,0");
  size_t configs = 0;
  for (const std::string& name : FolderNames(out)) {
    if (name.rfind("config-", 0) == 0) {
      ++configs;
      EXPECT_EQ(Gunzip(out / name), "[Server]\r\nHost=10.0.0.1\r\n");
    }
  }
  EXPECT_EQ(configs, 1u);
  for (const auto& entry : fs::directory_iterator(temp.path())) {
    EXPECT_EQ(entry.path().filename().string().find(".replaced"), std::string::npos) << entry.path();
  }
}

TEST_F(PublishTool, MissingClientFolderFailsClearly) {
  client = temp / "no-such-folder";
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("does not exist"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

TEST_F(PublishTool, ClientFolderWithoutTheProgramFailsClearly) {
  fs::remove(client / "TavoraStudent.exe");
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("TavoraStudent.exe"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

// The installer unpacks at most 1,000 items of the package; folders take none of them.
TEST_F(PublishTool, PackageOfMoreFilesThanTheInstallerUnpacksIsRefused) {
  fs::create_directories(client / "res" / "a");
  for (int index = 0; index < 995; ++index) {  // with the fixture's five files: 1,000
    WriteFileBytes(client / "res" / "a" / ("f" + std::to_string(index)), "x");
  }
  ASSERT_EQ(Publish().exitCode, 0);
  WriteFileBytes(client / "res" / "one-too-many", "x");
  const CommandResult result = Publish("--force");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("1001 files; the installer unpacks at most 1000"), std::string::npos) << result.output;
}

TEST_F(PublishTool, BadVersionTextFailsClearly) {
  for (const char* version : {"1.2.3", "1.2.3.4.5", "1.2.3.x", "1.2.3.70000", "1,2,3,4"}) {
    const CommandResult result = Publish("", version);
    EXPECT_EQ(result.exitCode, 1) << version;
    EXPECT_NE(result.output.find("version"), std::string::npos) << result.output;
    ExpectNothingWritten();
  }
}

TEST_F(PublishTool, BadBaseUrlFailsClearly) {
  for (const char* url : {"ftp://127.0.0.1/r/", "http://", "http://127.0.0.1:99999/r/", "127.0.0.1/r/", "http://h/a b/"}) {
    const CommandResult result = RunCommand(Quoted(kTool) + " --client " + Quoted(client.string()) +
                                            " --version 1.0.0.0 --base-url " + Quoted(url) + " --out " + Quoted(out.string()));
    EXPECT_EQ(result.exitCode, 1) << url;
    EXPECT_NE(result.output.find("base URL"), std::string::npos) << result.output;
    ExpectNothingWritten();
  }
}

TEST_F(PublishTool, BrokenLinkInTheClientFolderFailsClearly) {
  fs::create_symlink(temp / "nowhere.dll", client / "gone.dll");
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("gone.dll"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

TEST_F(PublishTool, FileThatFailsWhileReadLeavesNothingBehind) {
  // Opens as a regular file, then fails on the first read: the publishing is already under way.
  fs::create_symlink("/proc/self/mem", client / "zz-unreadable.dat");
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("cannot read"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

TEST_F(PublishTool, FailureKeepsAnExistingReleaseUntouched) {
  ASSERT_EQ(Publish().exitCode, 0);
  const std::vector<std::string> before = FolderNames(out);
  const std::string entryBefore = ReadFileBytes(out / "entry.json");
  fs::create_symlink("/proc/self/mem", client / "zz-unreadable.dat");
  EXPECT_EQ(Publish("--force").exitCode, 1);
  EXPECT_EQ(FolderNames(out), before);
  EXPECT_EQ(ReadFileBytes(out / "entry.json"), entryBefore);
}

TEST_F(PublishTool, SpecialFileFailsClearly) {
  ASSERT_EQ(mkfifo((client / "pipe.dat").c_str(), 0600), 0);
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("neither a file nor a folder"), std::string::npos) << result.output;
  ExpectNothingWritten();
}

TEST_F(PublishTool, ModuleNamesTheInstallerCannotUseFailClearly) {
  for (const char* name : {"LICENSE", ".hidden", "read me.txt", "\xe8\xaf\xb4\xe6\x98\x8e.txt"}) {
    WriteFileBytes(client / name, "x");
    const CommandResult result = Publish();
    EXPECT_EQ(result.exitCode, 1) << name;
    EXPECT_NE(result.output.find(name), std::string::npos) << result.output;
    ExpectNothingWritten();
    fs::remove(client / name);
  }
}

TEST_F(PublishTool, MarksForMissingFilesFailClearly) {
  CommandResult result = Publish("--registerdll nothere.dll");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("nothere.dll"), std::string::npos) << result.output;
  result = Publish("--mustupdate locales/zh-CN.pak=false");
  EXPECT_EQ(result.exitCode, 1);
  ExpectNothingWritten();
}

TEST_F(PublishTool, UsageErrorsExitWithTwo) {
  const CommandResult result = RunCommand(Quoted(kTool) + " --client " + Quoted(client.string()));
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.output.find("usage: tavora-publish"), std::string::npos) << result.output;
  EXPECT_EQ(RunCommand(Quoted(kTool) + " --help").exitCode, 0);
  ExpectNothingWritten();
}

TEST_F(PublishTool, OutputInsideTheClientFolderIsRefused) {
  out = client / "release";
  const CommandResult result = Publish();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("inside the client folder"), std::string::npos) << result.output;
  EXPECT_FALSE(fs::exists(out));
}
