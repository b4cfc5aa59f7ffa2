#include "package/package_manifest.h"

#include <gtest/gtest.h>

#include <map>

namespace {

PackageVersion V(const wchar_t* text) { return ParsePackageVersion(text); }

TEST(PackageVersion, FourPartsMakeTwoWords) {
  const PackageVersion version = V(L"1.2.3.4");
  EXPECT_EQ(version.high, 0x00010002u);
  EXPECT_EQ(version.low, 0x00030004u);
  EXPECT_EQ(V(L"1,2,0,0"), V(L"1.2.0.0"));
  EXPECT_EQ(V(L"65535.65535.65535.65535").high, 0xFFFFFFFFu);
}

TEST(PackageVersion, ShortAndOddTextsFollowTheSeparatorRule) {
  EXPECT_EQ(V(L"").high, 0u);
  EXPECT_EQ(V(L"").low, 0u);
  EXPECT_EQ(V(L"2.5").high, 2u);
  EXPECT_EQ(V(L"2.5").low, 5u);
  EXPECT_EQ(V(L"1..3").high, 0x00010000u);
  EXPECT_EQ(V(L"1..3").low, 3u);
  EXPECT_EQ(V(L"65536.1.0.0").high, 1u);  // a part wraps at 65536
  EXPECT_EQ(V(L"v1 build 7").high, 1u);
}

TEST(PackageVersion, ComparesHighWordFirstThenLow) {
  EXPECT_TRUE(V(L"1.0.0.9") < V(L"1.1.0.0"));
  EXPECT_TRUE(V(L"1.0.0.1") < V(L"1.0.0.2"));
  EXPECT_FALSE(V(L"2.0.0.0") < V(L"1.9.9.9"));
  EXPECT_TRUE(V(L"1.0.65535.0") < V(L"1.1.0.0"));
  EXPECT_TRUE(V(L"0.0.0.0") >= V(L""));
}

// Installed files by path: version and existence, as the module list asks for them.
class FakeInstalledFiles : public IInstalledFiles {
 public:
  void Add(const std::wstring& path, const wchar_t* version) { m_files[path] = V(version); }
  PackageVersion FileVersion(const std::wstring& path) override {
    auto found = m_files.find(path);
    return found == m_files.end() ? PackageVersion{} : found->second;
  }
  bool FileExists(const std::wstring& path) override { return m_files.count(path) != 0; }

 private:
  std::map<std::wstring, PackageVersion> m_files;
};

const std::wstring kInstall = L"C:\\Local\\Quillmor\\TavoraStudent\\";
const std::wstring kBase = L"http://127.0.0.1:18080/release/";
const std::wstring kWork = L"C:\\Roaming\\TavoraInstaller123\\";

ManifestSource Source(const std::wstring& manifest) { return {manifest, kBase, kWork}; }

std::wstring Module(const std::wstring& name, const std::wstring& version, const std::wstring& bytes = L"100",
                    const std::wstring& more = L"") {
  return L"{\"name\":\"" + name + L"\",\"bytes\":" + bytes + L",\"version\":\"" + version +
         L"\",\"registerdll\":\"false\"" + more + L"}";
}

std::wstring Manifest(const std::wstring& modules, const std::wstring& mainVersion = L"2,0,0,1") {
  return L"{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"" + mainVersion + L"\",\"Modules\":[" + modules + L"]}";
}

class ModuleTaskList : public ::testing::Test {
 protected:
  bool Build(const std::wstring& manifest) {
    return ReadModuleTaskList(Source(manifest), kInstall, files, tasks, total);
  }
  FakeInstalledFiles files;
  DownloadTaskList tasks{DownloadTask{L"stale", L"stale", L"stale", 1}};
  int64_t total = 77;
};

TEST_F(ModuleTaskList, NewerModuleBecomesOneTaskUnderItsInstalledName) {
  files.Add(kInstall + L"libfoo.dll", L"1.0.0.1");
  ASSERT_TRUE(Build(Manifest(Module(L"libfoo-0123456789abcdef.dll", L"1.0.0.2", L"4096"))));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].url, kBase + L"libfoo-0123456789abcdef.dll.gz");
  EXPECT_EQ(tasks[0].archivePath, kWork + L"libfoo.dll.gz");
  EXPECT_EQ(tasks[0].checkValue, L"0123456789abcdef");
  EXPECT_EQ(tasks[0].registerFlag, 0);
  EXPECT_EQ(total, 4096);
}

TEST_F(ModuleTaskList, MirrorsOfferTheSameNameUnderTheirBase) {
  ManifestSource source = Source(Manifest(Module(L"libfoo-0123456789abcdef.dll", L"1.0.0.2")));
  source.mirrorBaseUrls = {L"http://m1/rel/", L"http://m2/"};
  ASSERT_TRUE(ReadModuleTaskList(source, kInstall, files, tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].mirrorUrls, (std::vector<std::wstring>{L"http://m1/rel/libfoo-0123456789abcdef.dll.gz",
                                                            L"http://m2/libfoo-0123456789abcdef.dll.gz"}));
}

TEST_F(ModuleTaskList, EmptyModulesGiveAnEmptyListAndTrue) {
  ASSERT_TRUE(Build(Manifest(L"")));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 0);
}

TEST_F(ModuleTaskList, CurrentAndNewerInstalledFilesAreSkipped) {
  files.Add(kInstall + L"a.dll", L"1.0.0.2");
  files.Add(kInstall + L"b.dll", L"1.5.0.0");
  ASSERT_TRUE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.2") + L"," +
                             Module(L"b-2222222222222222.dll", L"1.0.0.9"))));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 0);
}

TEST_F(ModuleTaskList, MissingFileIsFetchedWhateverTheVersions) {
  ASSERT_TRUE(Build(Manifest(Module(L"data-3333333333333333.dat", L"0.0.0.0"))));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"data.dat.gz");
}

TEST_F(ModuleTaskList, FileWithoutVersionResourceIsFetchedWhenTheManifestGivesOne) {
  files.Add(kInstall + L"data.pak", L"");
  ASSERT_TRUE(Build(Manifest(Module(L"data-3333333333333333.pak", L"0.0.0.1"))));
  EXPECT_EQ(tasks.size(), 1u);
}

TEST_F(ModuleTaskList, VersionlessFilesFollowTheClientProgramAndMainVersion) {
  files.Add(kInstall + L"TavoraStudent.exe", L"2.0.0.0");
  files.Add(kInstall + L"config.ini", L"");
  files.Add(kInstall + L"locales.zip", L"");
  ASSERT_TRUE(Build(Manifest(Module(L"config-4444444444444444.ini", L"9.9.9.9") + L"," +
                                 Module(L"locales-5555555555555555.zip", L"0.0.0.0"),
                             L"2,0,0,1")));
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"config.ini.gz");
  EXPECT_EQ(tasks[1].archivePath, kWork + L"locales.zip.gz");

  // Client as new as the main version: nothing, whatever the files' own versions say.
  files.Add(kInstall + L"TavoraStudent.exe", L"2.0.0.1");
  ASSERT_TRUE(Build(Manifest(Module(L"config-4444444444444444.ini", L"9.9.9.9"), L"2,0,0,1")));
  EXPECT_TRUE(tasks.empty());
}

TEST_F(ModuleTaskList, MustUpdateFalseInAnyCaseKeepsAnExistingVersionlessFile) {
  files.Add(kInstall + L"TavoraStudent.exe", L"2.0.0.0");
  files.Add(kInstall + L"config.ini", L"");
  const std::wstring keep = Module(L"config-4444444444444444.ini", L"0.0.0.0", L"10", L",\"MUSTUPDATE\":\"FALSE\"");
  ASSERT_TRUE(Build(Manifest(keep)));
  EXPECT_TRUE(tasks.empty());

  const std::wstring other = Module(L"config-4444444444444444.ini", L"0.0.0.0", L"10", L",\"mustupdate\":\"no\"");
  ASSERT_TRUE(Build(Manifest(other)));
  EXPECT_EQ(tasks.size(), 1u);

  FakeInstalledFiles withoutConfig;
  withoutConfig.Add(kInstall + L"TavoraStudent.exe", L"2.0.0.0");
  ASSERT_TRUE(ReadModuleTaskList(Source(Manifest(keep)), kInstall, withoutConfig, tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"config.ini.gz");
}

TEST_F(ModuleTaskList, VersionlessNamesMatchInAnyLetterCase) {
  files.Add(kInstall + L"TavoraStudent.exe", L"2.0.0.1");
  files.Add(kInstall + L"README.TXT", L"");
  files.Add(kInstall + L"ICUDTL.dat", L"");
  ASSERT_TRUE(Build(Manifest(Module(L"README-6666666666666666.TXT", L"3.0.0.0") + L"," +
                             Module(L"ICUDTL-7777777777777777.dat", L"3.0.0.0"))));
  EXPECT_TRUE(tasks.empty());
}

TEST_F(ModuleTaskList, KeysAreFoundInAnyLetterCase) {
  const std::wstring manifest =
      L"{\"MAINVERSION\":\"1,0,0,0\",\"modules\":[{\"Name\":\"x-8888888888888888.dll\",\"BYTES\":5,"
      L"\"Version\":\"1.0.0.0\",\"RegisterDll\":\"TRUE\"}]}";
  ASSERT_TRUE(Build(manifest));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].registerFlag, 1);
  EXPECT_EQ(total, 5);
}

TEST_F(ModuleTaskList, ModulesMayBeAnObjectWhoseMemberNamesAreIgnored) {
  const std::wstring manifest = L"{\"MainVersion\":\"1,0,0,0\",\"Modules\":{\"first\":" +
                                Module(L"one-1111111111111111.dll", L"1.0.0.0") + L",\"second\":" +
                                Module(L"two-2222222222222222.dll", L"1.0.0.0") + L"}}";
  ASSERT_TRUE(Build(manifest));
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"one.dll.gz");
  EXPECT_EQ(tasks[1].archivePath, kWork + L"two.dll.gz");
}

TEST_F(ModuleTaskList, LastDashSeparatesTheCheckValueAndOrderIsKept) {
  ASSERT_TRUE(Build(Manifest(Module(L"cef-sandbox-aaaaaaaaaaaaaaaa.dll", L"1.0.0.0") + L"," +
                             Module(L"b-bbbbbbbbbbbbbbbb.dll", L"1.0.0.0"))));
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"cef-sandbox.dll.gz");
  EXPECT_EQ(tasks[0].checkValue, L"aaaaaaaaaaaaaaaa");
  EXPECT_EQ(tasks[1].archivePath, kWork + L"b.dll.gz");
}

TEST_F(ModuleTaskList, NamesWithoutDashOrDotAreSkipped) {
  ASSERT_TRUE(Build(Manifest(Module(L"nodash.dll", L"1.0.0.0") + L"," + Module(L"nodot-abc", L"1.0.0.0") + L"," +
                             Module(L"ok-cccccccccccccccc.dll", L"1.0.0.0"))));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].archivePath, kWork + L"ok.dll.gz");
  EXPECT_EQ(total, 100);
}

TEST_F(ModuleTaskList, NamesThatWouldLeaveTheFolderMakeTheListUnusableAndAreEachNamed) {
  std::wstring refusals;
  EXPECT_FALSE(ReadModuleTaskList(Source(Manifest(Module(L"..\\\\..\\\\evil-dddddddddddddddd.dll", L"1.0.0.0") + L"," +
                                                  Module(L"sub/evil-dddddddddddddddd.dll", L"1.0.0.0") + L"," +
                                                  Module(L"C:evil-dddddddddddddddd.dll", L"1.0.0.0") + L"," +
                                                  Module(L"fine-eeeeeeeeeeeeeeee.dll", L"1.0.0.0"))),
                                  kInstall, files, tasks, total, &refusals));
  EXPECT_TRUE(tasks.empty()) << "installing only the fine module would leave the client partly updated";
  EXPECT_EQ(total, 0);
  EXPECT_EQ(refusals,
            L"module ..\\..\\evil-dddddddddddddddd.dll refused: its installed name is not a plain file name\r\n"
            L"module sub/evil-dddddddddddddddd.dll refused: its installed name is not a plain file name\r\n"
            L"module C:evil-dddddddddddddddd.dll refused: its installed name is not a plain file name\r\n");
  EXPECT_FALSE(Build(Manifest(Module(L"tab\\tname-dddddddddddddddd.dll", L"1.0.0.0"))));
}

TEST_F(ModuleTaskList, NegativeBytesLowerTheTotal) {
  ASSERT_TRUE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0", L"300") + L"," +
                             Module(L"b-2222222222222222.dll", L"1.0.0.0", L"-1"))));
  EXPECT_EQ(total, 299);
  ASSERT_TRUE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0", L"2147483647") + L"," +
                             Module(L"b-2222222222222222.dll", L"1.0.0.0", L"2147483647"))));
  EXPECT_EQ(total, 4294967294LL);
}

TEST_F(ModuleTaskList, BytesBeyondThirtyTwoBitsOrNotANumberFailTheQuery) {
  for (const wchar_t* bytes : {L"2147483648", L"-2147483649", L"1.5", L"\"12x\"", L"true", L"\"\"", L"1e3"}) {
    tasks = {DownloadTask{}};
    total = 9;
    EXPECT_FALSE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0", bytes)))) << bytes;
    EXPECT_TRUE(tasks.empty());
    EXPECT_EQ(total, 0);
  }
  EXPECT_TRUE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0", L"\"-2147483648\""))));
  EXPECT_EQ(total, -2147483648LL);
}

TEST_F(ModuleTaskList, BytesOfASkippedModuleAreNotRead) {
  files.Add(kInstall + L"a.dll", L"1.0.0.0");
  EXPECT_TRUE(Build(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0", L"\"many\""))));
  EXPECT_TRUE(tasks.empty());
}

TEST_F(ModuleTaskList, ManifestThatIsNotJsonOrLacksRequiredKeysFails) {
  const std::wstring noRegister = L"{\"MainVersion\":\"1\",\"Modules\":[{\"name\":\"a-1.dll\",\"bytes\":1,\"version\":\"1\"}]}";
  const std::wstring noVersion = L"{\"MainVersion\":\"1\",\"Modules\":[{\"name\":\"a-1.dll\",\"bytes\":1,\"registerdll\":\"false\"}]}";
  for (const std::wstring& manifest :
       {std::wstring(L"<html>503</html>"), std::wstring(L"{\"MainVersion\":\"1\",\"Modules\":["), std::wstring(L""),
        std::wstring(L"{\"Modules\":[]}"), std::wstring(L"{\"MainVersion\":\"1,0,0,0\"}"), noRegister, noVersion}) {
    tasks = {DownloadTask{}};
    total = 9;
    EXPECT_FALSE(Build(manifest)) << std::string(manifest.begin(), manifest.end());
    EXPECT_TRUE(tasks.empty());
    EXPECT_EQ(total, 0);
  }
}

const wchar_t kInstaller[] = L"TavoraStudentInstaller-0123456789abcdef.exe";

TEST(InstallerUpdate, NewerInstallerIsTheOneTask) {
  DownloadTaskList tasks;
  int64_t total = 0;
  const std::wstring manifest =
      Manifest(Module(L"libfoo-1111111111111111.dll", L"9.0.0.0") + L"," + Module(kInstaller, L"1.2.0.0", L"65536"));
  ASSERT_TRUE(ReadInstallerUpdate(Source(manifest), V(L"1.1.9.9"), tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].url, kBase + kInstaller + L".gz");
  EXPECT_EQ(tasks[0].archivePath, kWork + L"TavoraStudentInstaller.exe.gz");
  EXPECT_EQ(tasks[0].checkValue, L"0123456789abcdef");
  EXPECT_EQ(tasks[0].registerFlag, 0);
  EXPECT_EQ(total, 65536);
}

TEST(InstallerUpdate, SameOrOlderInstallerIsNotAnUpdateButItsBytesAreKept) {
  DownloadTaskList tasks;
  int64_t total = 0;
  const std::wstring manifest = Manifest(Module(kInstaller, L"1.2.0.0", L"500"));
  EXPECT_FALSE(ReadInstallerUpdate(Source(manifest), V(L"1.2.0.0"), tasks, total));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 500);
  EXPECT_FALSE(ReadInstallerUpdate(Source(manifest), V(L"1.3.0.0"), tasks, total));
  EXPECT_TRUE(tasks.empty());
}

TEST(InstallerUpdate, OnlyTheFirstInstallerEntryCounts) {
  DownloadTaskList tasks;
  int64_t total = 0;
  const std::wstring manifest = Manifest(Module(L"tavorastudentinstaller-aaaaaaaaaaaaaaaa.exe", L"1.0.0.0", L"1") +
                                         L"," + Module(kInstaller, L"5.0.0.0", L"2"));
  EXPECT_FALSE(ReadInstallerUpdate(Source(manifest), V(L"1.0.0.0"), tasks, total));
  EXPECT_EQ(total, 1);
  ASSERT_TRUE(ReadInstallerUpdate(Source(manifest), V(L"0.9.0.0"), tasks, total));
  EXPECT_EQ(tasks[0].checkValue, L"aaaaaaaaaaaaaaaa");
  EXPECT_EQ(tasks[0].archivePath, kWork + L"tavorastudentinstaller.exe.gz");
}

TEST(InstallerUpdate, NoInstallerOrNoVersionIsNeverNewer) {
  DownloadTaskList tasks;
  int64_t total = 0;
  EXPECT_FALSE(ReadInstallerUpdate(Source(Manifest(Module(L"a-1111111111111111.dll", L"1.0.0.0"))), V(L""), tasks,
                                   total));
  EXPECT_EQ(total, 0);
  EXPECT_FALSE(ReadInstallerUpdate(Source(Manifest(Module(kInstaller, L""))), V(L""), tasks, total));
  EXPECT_TRUE(tasks.empty());
}

TEST(InstallerUpdate, UnreadableManifestIsNotAnUpdate) {
  DownloadTaskList tasks{DownloadTask{}};
  int64_t total = 5;
  EXPECT_FALSE(ReadInstallerUpdate(Source(L"not json"), V(L""), tasks, total));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 0);
  EXPECT_FALSE(ReadInstallerUpdate(Source(L"{\"MainVersion\":\"1\"}"), V(L""), tasks, total));
  EXPECT_FALSE(ReadInstallerUpdate(Source(Manifest(Module(kInstaller, L"9.0.0.0", L"99999999999"))), V(L""), tasks,
                                   total));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 0);
}

std::wstring WithPackage(const std::wstring& package) {
  return L"{\"MainVersion\":\"1,0,0,0\",\"Modules\":[],\"installpackagenew\":" + package + L"}";
}

TEST(FullPackage, PackageIsSavedWithoutItsCheckValue) {
  DownloadTaskList tasks{DownloadTask{}, DownloadTask{}};
  int64_t total = 0;
  ASSERT_TRUE(ReadFullPackageTask(
      Source(WithPackage(L"{\"name\":\"TavoraStudent-fedcba9876543210.zip\",\"bytes\":\"123456789\"}")), tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].url, kBase + L"TavoraStudent-fedcba9876543210.zip.gz");
  EXPECT_EQ(tasks[0].archivePath, kWork + L"TavoraStudent.zip.gz");
  EXPECT_EQ(tasks[0].checkValue, L"fedcba9876543210");
  EXPECT_EQ(total, 123456789);
}

TEST(FullPackage, AbsentPackageLeavesListAndTotalUntouched) {
  DownloadTaskList tasks{DownloadTask{L"keep", L"keep", L"keep", 0}};
  int64_t total = 42;
  EXPECT_FALSE(ReadFullPackageTask(Source(Manifest(L"")), tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].url, L"keep");
  EXPECT_EQ(total, 42);
}

TEST(FullPackage, NameWithoutDashOrDotIsNotUsable) {
  DownloadTaskList tasks;
  int64_t total = 0;
  EXPECT_FALSE(ReadFullPackageTask(Source(WithPackage(L"{\"name\":\"TavoraStudent.zip\",\"bytes\":1}")), tasks, total));
  EXPECT_FALSE(ReadFullPackageTask(Source(WithPackage(L"{\"name\":\"TavoraStudent-abc\",\"bytes\":1}")), tasks, total));
  EXPECT_TRUE(tasks.empty());
  EXPECT_FALSE(ReadFullPackageTask(Source(WithPackage(L"{\"name\":\"..\\\\x-abc.zip\",\"bytes\":1}")), tasks, total));
}

TEST(FullPackage, BadBytesOrMissingNameFailTheQuery) {
  DownloadTaskList tasks;
  int64_t total = 0;
  EXPECT_FALSE(ReadFullPackageTask(Source(WithPackage(L"{\"name\":\"T-a.zip\",\"bytes\":4294967296}")), tasks, total));
  EXPECT_FALSE(ReadFullPackageTask(Source(WithPackage(L"{\"bytes\":1}")), tasks, total));
  EXPECT_FALSE(ReadFullPackageTask(Source(L"{"), tasks, total));
  EXPECT_TRUE(tasks.empty());
  EXPECT_EQ(total, 0);
}

}  // namespace

TEST(SignedManifest, EveryKindOfTaskCarriesTheSha256OfItsEntry) {
  const std::wstring digest(64, L'a'), packageDigest(64, L'b'), installerDigest(64, L'c');
  const std::wstring manifest =
      L"{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"2,0,0,1\",\"Modules\":[" +
      Module(L"libfoo-0123456789abcdef.dll", L"1.0.0.2", L"10", L",\"Sha256\":\"" + digest + L"\"") + L"," +
      Module(L"TavoraStudentInstaller-0123456789abcdef.exe", L"9.0.0.0", L"20",
             L",\"SHA256\":\"" + installerDigest + L"\"") + L"," +
      Module(L"libbar-0123456789abcdef.dll", L"1.0.0.2") +
      L"],\"InstallPackageNew\":{\"name\":\"TavoraStudent-0123456789abcdef.zip\",\"bytes\":30,\"Sha256\":\"" +
      packageDigest + L"\"}}";
  FakeInstalledFiles files;
  DownloadTaskList tasks;
  int64_t total = 0;
  ASSERT_TRUE(ReadModuleTaskList(Source(manifest), kInstall, files, tasks, total));
  ASSERT_EQ(tasks.size(), 3u);
  EXPECT_EQ(tasks[0].sha256, digest);
  EXPECT_EQ(tasks[2].sha256, L"") << "a module without one gives none";
  ASSERT_TRUE(ReadFullPackageTask(Source(manifest), tasks, total));
  EXPECT_EQ(tasks.at(0).sha256, packageDigest);
  ASSERT_TRUE(ReadInstallerUpdate(Source(manifest), V(L"1.0.0.0"), tasks, total));
  EXPECT_EQ(tasks.at(0).sha256, installerDigest);
}
