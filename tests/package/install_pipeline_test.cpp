#include "package/aftermath_helper.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "package/file_version.h"
#include "package/install_journal.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace fs = std::filesystem;

namespace {

std::wstring Slash(const fs::path& folder) { return folder.wstring() + L"\\"; }

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// Downloads as the download worker leaves them: "<work>\name" beside the task's "name.gz".
class InstallPipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp / "work");
    fs::create_directories(temp / "install");
    work = Slash(temp / "work");
    install = Slash(temp / "install");
  }
  DownloadTask Downloaded(const std::wstring& installedName, const std::string& bytes) {
    WriteFileBytes(work + installedName, bytes);
    return Task(installedName);
  }
  DownloadTask Task(const std::wstring& installedName) {
    DownloadTask task;
    task.url = L"http://127.0.0.1/" + installedName + L".gz";
    task.archivePath = work + installedName + L".gz";
    task.checkValue = L"0123456789abcdef";
    return task;
  }
  std::string Installed(const std::wstring& relative) { return ReadFileBytes(install + relative); }
  bool IsInstalled(const std::wstring& relative) { return fs::exists(install + relative); }
  size_t CountFiles(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
    return count;
  }

  // The failure lines so far, as the install-failure report carries them.
  std::string Failures() const {
    const std::wstring lines = journal.FailureLines();
    return std::string(lines.begin(), lines.end());
  }

  TempFolder temp;
  std::wstring work;
  std::wstring install;
  CInstallJournal journal;
};

TEST_F(InstallPipeline, ModulesReplaceTheirInstalledCounterpartsAndMissingOnesAreAdded) {
  WriteFileBytes(install + L"TavoraCore.dll", "old core");
  WriteFileBytes(install + L"keep.dll", "untouched");
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"), Downloaded(L"TavoraNet.dll", "new net")};
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "new core");
  EXPECT_EQ(Installed(L"TavoraNet.dll"), "new net");
  EXPECT_EQ(Installed(L"keep.dll"), "untouched");
  EXPECT_FALSE(journal.Failed()) << Failures();
  journal.Commit();
  EXPECT_EQ(CountFiles(install), 3u) << "no temporary files or kept copies are left beside the modules";
}

TEST_F(InstallPipeline, MissingInstallFolderIsCreated) {
  const std::wstring nested = Slash(temp / "a" / "b" / "install");
  g_aftermathHelper.CopyModulesToInstallFolder(nested, {Downloaded(L"config.ini", "[Client]")}, journal);
  EXPECT_EQ(ReadFileBytes(nested + L"config.ini"), "[Client]");
}

TEST_F(InstallPipeline, MissingDownloadKeepsTheInstalledFileAndIsAFailure) {
  WriteFileBytes(install + L"TavoraCore.dll", "old core");
  g_aftermathHelper.CopyModulesToInstallFolder(install, {Task(L"TavoraCore.dll")}, journal);
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "old core");
  EXPECT_EQ(Failures(), "TavoraCore.dll: could not be copied from the download (error 2)\r\n");
}

TEST_F(InstallPipeline, InstalledFileKeepsItsContentWhenTheCopyCannotReadTheDownload) {
  WriteFileBytes(install + L"TavoraCore.dll", "old core");
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"), Downloaded(L"TavoraNet.dll", "new net")};
  // Nobody else may read the download while this handle is open: the copy fails mid-task.
  HANDLE busy = CreateFileW((work + L"TavoraCore.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  CloseHandle(busy);
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "old core");
  EXPECT_EQ(Installed(L"TavoraNet.dll"), "new net") << "the next task still runs";
  EXPECT_EQ(CountFiles(install), 2u);
  EXPECT_EQ(Failures().rfind("TavoraCore.dll: could not be copied from the download (error ", 0), 0u) << Failures();
}

TEST_F(InstallPipeline, LockedInstalledFileKeepsItsOldContent) {
  WriteFileBytes(install + L"TavoraStudent.exe", "running client");
  const DownloadTaskList tasks{Downloaded(L"TavoraStudent.exe", "new client"), Downloaded(L"TavoraNet.dll", "new net")};
  HANDLE running = CreateFileW((install + L"TavoraStudent.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  CloseHandle(running);
  EXPECT_EQ(Installed(L"TavoraStudent.exe"), "running client");
  EXPECT_EQ(Installed(L"TavoraNet.dll"), "new net");
  EXPECT_EQ(CountFiles(install), 2u) << "no temporary file or kept copy of the locked file";
  EXPECT_EQ(Failures().rfind("TavoraStudent.exe: could not be replaced, it may be in use (error ", 0), 0u) << Failures();
}

TEST_F(InstallPipeline, TaskWithoutFolderOrExtensionIsAFailureAndTheRestIsCopied) {
  DownloadTask odd;
  odd.archivePath = L"nofolder";
  DownloadTask noDot;
  noDot.archivePath = work + L"noextension";
  WriteFileBytes(work + L"noextensi", "x");
  g_aftermathHelper.CopyModulesToInstallFolder(install, {odd, noDot, Downloaded(L"ok.dll", "ok")}, journal);
  EXPECT_EQ(Installed(L"ok.dll"), "ok");
  EXPECT_EQ(CountFiles(install), 1u);
  EXPECT_EQ(Failures(), "nofolder: names no installed file\r\n" + Narrow(noDot.archivePath) + ": names no installed file\r\n");
}

TEST_F(InstallPipeline, LocalesArchiveIsCopiedAndUnpackedWithItsSubFolders) {
  const std::string archive = ZipBuilder()
                                  .Add("locales/", "", false)
                                  .Add("locales/zh-CN/strings.ini", "[Strings]\r\nTitle=Qelvo\r\n")
                                  .Add("locales/zh-CN/help/index.txt", "help", false)
                                  .Add("locales/en-US/strings.ini", "[Strings]")
                                  .Add("locales/empty.txt", "")
                                  .Build();
  fs::create_directories(install + L"locales\\zh-CN");
  WriteFileBytes(install + L"locales\\zh-CN\\strings.ini", "stale");
  const DownloadTaskList tasks{Downloaded(L"locales.zip", archive)};
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  EXPECT_EQ(Installed(L"locales.zip"), archive);
  EXPECT_EQ(Installed(L"locales\\zh-CN\\strings.ini"), "[Strings]\r\nTitle=Qelvo\r\n");
  EXPECT_EQ(Installed(L"locales\\zh-CN\\help\\index.txt"), "help");
  EXPECT_EQ(Installed(L"locales\\en-US\\strings.ini"), "[Strings]");
  EXPECT_FALSE(IsInstalled(L"locales\\empty.txt")) << "empty items produce nothing";
  EXPECT_FALSE(journal.Failed()) << Failures();
  journal.Commit();
  EXPECT_EQ(CountFiles(install), 4u);
}

TEST_F(InstallPipeline, OnlyZipDownloadsAreUnpacked) {
  const std::string archive = ZipBuilder().Add("inner.txt", "inner").Build();
  const DownloadTaskList tasks{Downloaded(L"skin.dat", archive), Downloaded(L"PACK.ZIP", archive)};
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  EXPECT_EQ(Installed(L"inner.txt"), "inner") << "\".ZIP.GZ\" counts in any letter case";
  EXPECT_EQ(CountFiles(install), 1u);
}

TEST_F(InstallPipeline, DamagedOrMissingArchiveIsAFailureAndTheNextOneIsUnpacked) {
  const DownloadTaskList tasks{Downloaded(L"broken.zip", "PK\x03\x04 not really"), Task(L"missing.zip"),
                               Downloaded(L"good.zip", ZipBuilder().Add("good.txt", "good").Build())};
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  EXPECT_EQ(Installed(L"good.txt"), "good");
  EXPECT_EQ(CountFiles(install), 1u);
  EXPECT_EQ(Failures(), "broken.zip: the archive could not be opened\r\nmissing.zip: the archive could not be opened\r\n");
}

TEST_F(InstallPipeline, ItemsNamedOutsideTheTargetFolderAreRefusedEachWithAReportLine) {
  fs::create_directories(temp / "deep" / "target");
  const std::wstring target = Slash(temp / "deep" / "target");
  const std::string archive = ZipBuilder()
                                  .Add("../escaped.txt", "x")
                                  .Add("sub/../../escaped2.txt", "x")
                                  .Add("/absolute.txt", "x")
                                  .Add("\\rooted.txt", "x")
                                  .Add("C:/drive.txt", "x")
                                  .Add("C:drive2.txt", "x")
                                  .Add("..\\..\\escaped3.txt", "x")
                                  .Add("\\\\server\\share\\unc.txt", "x")
                                  .Add("sub/CON.txt", "x")
                                  .Add("sub/file.txt:stream", "x")
                                  .Add("ok/fine.txt", "fine")
                                  .Add("ok/..dots.txt", "dots are fine inside a name")
                                  .Build();
  g_aftermathHelper.ExpandZipModules(target, {Downloaded(L"evil.zip", archive)}, nullptr, journal);
  EXPECT_EQ(ReadFileBytes(target + L"ok\\fine.txt"), "fine");
  EXPECT_EQ(ReadFileBytes(target + L"ok\\..dots.txt"), "dots are fine inside a name");
  EXPECT_EQ(CountFiles(temp / "deep"), 2u);
  EXPECT_FALSE(fs::exists(temp / "escaped.txt"));
  EXPECT_FALSE(fs::exists(temp / "deep" / "escaped.txt"));
  EXPECT_FALSE(fs::exists(temp / "deep" / "escaped2.txt"));
  EXPECT_FALSE(fs::exists(L"C:\\drive.txt"));
  EXPECT_FALSE(fs::exists(L"C:\\absolute.txt"));
  EXPECT_FALSE(fs::exists(L"C:\\rooted.txt"));
  const std::string failures = Failures();
  EXPECT_EQ(failures.rfind("evil.zip item 0 \"../escaped.txt\": refused, its name leaves the target folder\r\n", 0), 0u)
      << failures;
  EXPECT_NE(failures.find("evil.zip item 9 \"sub/file.txt:stream\": refused"), std::string::npos) << failures;
  EXPECT_EQ(std::count(failures.begin(), failures.end(), '\n'), 10) << failures;
}

TEST_F(InstallPipeline, ItemWithAnAbsurdDeclaredSizeIsAFailureAndTheRestUnpacked) {
  ZipBuilderEntry bomb;
  bomb.name = "bomb.bin";
  bomb.contents = std::string(4096, 'b');
  bomb.overrideSize = true;
  bomb.declaredSize = 0xFFFFFF00u;
  const std::string archive = ZipBuilder().Add("before.txt", "before").Add(bomb).Add("after.txt", "after").Build();
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"bomb.zip", archive)}, nullptr, journal);
  EXPECT_EQ(Installed(L"before.txt"), "before");
  EXPECT_EQ(Installed(L"after.txt"), "after");
  EXPECT_FALSE(IsInstalled(L"bomb.bin"));
  EXPECT_EQ(Failures(), "bomb.zip item 1 \"bomb.bin\": could not be unpacked (damaged, or larger than an item may be)\r\n");
}

TEST_F(InstallPipeline, ItemsWhoseCheckSumFailsAreFailuresAndKeepTheOldFile) {
  ZipBuilderEntry damaged;
  damaged.name = "damaged.txt";
  damaged.contents = "damaged";
  damaged.overrideCrc = true;
  damaged.declaredCrc = 1;
  WriteFileBytes(install + L"damaged.txt", "previous");
  const std::string archive = ZipBuilder().Add(damaged).Add("fine.txt", "fine").Build();
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"damaged.zip", archive)}, nullptr, journal);
  EXPECT_EQ(Installed(L"damaged.txt"), "previous");
  EXPECT_EQ(Installed(L"fine.txt"), "fine");
  EXPECT_EQ(Failures().rfind("damaged.zip item 0 \"damaged.txt\": could not be unpacked", 0), 0u) << Failures();
}

TEST_F(InstallPipeline, OnlyTheFirstThousandItemsOfAnArchiveAreUnpackedAndTheRestIsAFailure) {
  ZipBuilder builder;
  for (int i = 0; i < 1200; ++i) builder.Add("items/" + std::to_string(i) + ".txt", "item " + std::to_string(i));
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"many.zip", builder.Build())}, nullptr, journal);
  EXPECT_EQ(CountFiles(install + L"items"), 1000u);
  EXPECT_EQ(Installed(L"items\\0.txt"), "item 0");
  EXPECT_EQ(Installed(L"items\\999.txt"), "item 999");
  EXPECT_FALSE(IsInstalled(L"items\\1000.txt"));
  EXPECT_EQ(Failures(), "many.zip: holds more than 1000 items; the rest were not installed\r\n");
}

TEST_F(InstallPipeline, ItemNamesInTheChineseCodePageOrMarkedUtf8BecomeChineseFileNames) {
  ZipBuilderEntry gbk;
  gbk.name = "\xD6\xD0\xCE\xC4.txt";  // 中文.txt in code page 936
  gbk.contents = "gbk";
  ZipBuilderEntry utf8;
  utf8.name = "\xE8\xAF\xAD\xE8\xA8\x80/\xE5\xAD\xA6\xE7\x94\x9F.txt";  // 语言/学生.txt
  utf8.contents = "utf8";
  utf8.flags = 0x0800;
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"names.zip", ZipBuilder().Add(gbk).Add(utf8).Build())},
                                     nullptr, journal);
  EXPECT_EQ(Installed(L"\u4E2D\u6587.txt"), "gbk");
  EXPECT_EQ(Installed(L"\u8BED\u8A00\\\u5B66\u751F.txt"), "utf8");
}

TEST_F(InstallPipeline, SetCancelFlagSkipsEveryArchive) {
  std::atomic<uint8_t> cancel{1};
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"a.zip", ZipBuilder().Add("a.txt", "a").Build())},
                                     &cancel, journal);
  EXPECT_EQ(CountFiles(install), 0u);
}

TEST_F(InstallPipeline, CancelBetweenItemsStopsTheArchiveAndSkipsTheNextOnes) {
  ZipBuilder builder;
  const std::string body(64 * 1024, 'c');
  for (int i = 0; i < 1000; ++i) builder.Add("big/" + std::to_string(i) + ".bin", body + std::to_string(i));
  const DownloadTaskList tasks{Downloaded(L"big.zip", builder.Build()),
                               Downloaded(L"next.zip", ZipBuilder().Add("next.txt", "next").Build())};
  std::atomic<uint8_t> cancel{0};
  // The window thread sets the flag as soon as the first item has been written.
  std::thread window([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(install + L"big\\0.bin") && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    cancel = 1;
  });
  g_aftermathHelper.ExpandZipModules(install, tasks, &cancel, journal);
  window.join();
  const size_t written = CountFiles(install + L"big");
  EXPECT_GE(written, 1u);
  EXPECT_LT(written, 1000u);
  EXPECT_FALSE(IsInstalled(L"next.txt"));
}

TEST_F(InstallPipeline, FullPackageKeepsInstalledFilesAndAddsTheClientFoldersOtherContent) {
  const std::string package = ZipBuilder()
                                  .Add("TavoraStudent/", "", false)
                                  .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
                                  .Add("TavoraStudent/config.ini", "packaged config")
                                  .Add("TavoraStudent/locales/zh-CN/strings.ini", "packaged strings")
                                  .Add("readme.txt", "beside the client folder")
                                  .Build();
  WriteFileBytes(install + L"config.ini", "user's config");
  EXPECT_TRUE(g_aftermathHelper.ExpandFullPackage(install, {Downloaded(L"TavoraStudent.zip", package)}, nullptr, journal));
  EXPECT_EQ(Installed(L"TavoraStudent.exe"), "packaged client");
  EXPECT_EQ(Installed(L"config.ini"), "user's config");
  EXPECT_EQ(Installed(L"locales\\zh-CN\\strings.ini"), "packaged strings");
  EXPECT_EQ(CountFiles(install), 3u) << "nothing outside the client folder is installed";
  EXPECT_FALSE(journal.Failed()) << Failures();

  journal.RollBack();
  EXPECT_EQ(Installed(L"config.ini"), "user's config") << "a kept file is not the run's to remove";
  EXPECT_EQ(CountFiles(install), 1u);
}

TEST_F(InstallPipeline, FullPackageFindsTheClientFolderInAnyLetterCase) {
  const std::string package = ZipBuilder().Add("tavorastudent/TavoraStudent.exe", "packaged client").Build();
  EXPECT_TRUE(g_aftermathHelper.ExpandFullPackage(install, {Downloaded(L"TavoraStudent.zip", package)}, nullptr, journal));
  EXPECT_EQ(Installed(L"TavoraStudent.exe"), "packaged client");
}

TEST_F(InstallPipeline, FullPackageWithoutAClientFolderWritesNothing) {
  const std::string package = ZipBuilder()
                                  .Add("TavoraStudent/", "", false)
                                  .Add("TavoraStudent/empty.txt", "")
                                  .Add("Other/TavoraStudent.exe", "misplaced")
                                  .Add("TavoraStudentX/a.txt", "a prefix is not the folder")
                                  .Build();
  EXPECT_FALSE(g_aftermathHelper.ExpandFullPackage(install, {Downloaded(L"TavoraStudent.zip", package)}, nullptr, journal));
  EXPECT_EQ(CountFiles(install), 0u);
  EXPECT_FALSE(journal.Failed()) << Failures();
}

TEST_F(InstallPipeline, FullPackageRefusesUnsafeNamesAnywhereInTheArchive) {
  const std::string package = ZipBuilder()
                                  .Add("TavoraStudent/TavoraStudent.exe", "packaged client")
                                  .Add("../outside.txt", "outside")
                                  .Build();
  EXPECT_TRUE(g_aftermathHelper.ExpandFullPackage(install, {Downloaded(L"TavoraStudent.zip", package)}, nullptr, journal));
  EXPECT_EQ(Failures(), "TavoraStudent.zip item 1 \"../outside.txt\": refused, its name leaves the target folder\r\n");
}

TEST_F(InstallPipeline, SampleClientModulesReplaceAnOlderInstallation) {
  for (const auto& entry : fs::directory_iterator(TAVORA_SAMPLE_RELEASE_OLD)) {
    fs::copy_file(entry.path(), install + entry.path().filename().wstring());
  }
  DownloadTaskList tasks;
  for (const wchar_t* name : {L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"locales.zip"}) {
    fs::copy_file(fs::path(TAVORA_SAMPLE_RELEASE_NEW) / name, work + name);
    tasks.push_back(Task(name));
  }
  ASSERT_EQ(GetFileVersion(install + L"TavoraCore.dll"), ParsePackageVersion(TAVORA_SAMPLE_OLD_VERSION));
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  const PackageVersion newer = ParsePackageVersion(TAVORA_SAMPLE_NEW_VERSION);
  EXPECT_EQ(GetFileVersion(install + L"TavoraStudent.exe"), newer);
  EXPECT_EQ(GetFileVersion(install + L"TavoraCore.dll"), newer);
  EXPECT_EQ(GetFileVersion(install + L"TavoraNet.dll"), newer);
  EXPECT_EQ(GetFileVersion(install + L"TavoraMedia.dll"), ParsePackageVersion(TAVORA_SAMPLE_OLD_VERSION));
  EXPECT_EQ(Installed(L"locales.zip"), ReadFileBytes(fs::path(TAVORA_SAMPLE_RELEASE_NEW) / L"locales.zip"));
  EXPECT_FALSE(journal.Failed()) << Failures();
  EXPECT_NE(Installed(L"locales\\zh-TW\\strings.ini").find("Build=" + Narrow(TAVORA_SAMPLE_NEW_VERSION)),
            std::string::npos);
  EXPECT_NE(Installed(L"locales\\zh-CN\\help\\index.txt").find(Narrow(TAVORA_SAMPLE_NEW_VERSION)),
            std::string::npos);
}

TEST_F(InstallPipeline, RollBackPutsEveryReplacedFileBackAndRemovesAddedOnes) {
  WriteFileBytes(install + L"TavoraCore.dll", "old core");
  fs::create_directories(install + L"locales");
  WriteFileBytes(install + L"locales\\strings.ini", "old strings");
  const std::string archive = ZipBuilder().Add("locales/strings.ini", "new strings").Add("locales/added.ini", "added").Build();
  const DownloadTaskList tasks{Downloaded(L"TavoraCore.dll", "new core"), Downloaded(L"TavoraNet.dll", "new net"),
                               Downloaded(L"locales.zip", archive)};
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  ASSERT_EQ(Installed(L"locales\\strings.ini"), "new strings");

  journal.RollBack();
  EXPECT_EQ(Installed(L"TavoraCore.dll"), "old core");
  EXPECT_EQ(Installed(L"locales\\strings.ini"), "old strings");
  EXPECT_FALSE(IsInstalled(L"TavoraNet.dll"));
  EXPECT_FALSE(IsInstalled(L"locales.zip"));
  EXPECT_FALSE(IsInstalled(L"locales\\added.ini"));
  EXPECT_EQ(CountFiles(install), 2u) << "no kept copies are left";
  EXPECT_FALSE(journal.Failed()) << Failures();
}

TEST_F(InstallPipeline, FileReplacedTwiceInOneRunRollsBackToItsContentBeforeTheRun) {
  WriteFileBytes(install + L"readme.txt", "before the run");
  const DownloadTaskList tasks{Downloaded(L"readme.txt", "the module"),
                               Downloaded(L"docs.zip", ZipBuilder().Add("readme.txt", "from the archive").Build())};
  g_aftermathHelper.CopyModulesToInstallFolder(install, tasks, journal);
  g_aftermathHelper.ExpandZipModules(install, tasks, nullptr, journal);
  ASSERT_EQ(Installed(L"readme.txt"), "from the archive");
  journal.RollBack();
  EXPECT_EQ(Installed(L"readme.txt"), "before the run");
  EXPECT_EQ(CountFiles(install), 1u);
}

TEST_F(InstallPipeline, ReportNamesTheFirstTwentyFailuresAndCountsTheRest) {
  ZipBuilder builder;
  for (int i = 0; i < 30; ++i) builder.Add("../escape" + std::to_string(i) + ".txt", "x");
  g_aftermathHelper.ExpandZipModules(install, {Downloaded(L"many.zip", builder.Build())}, nullptr, journal);
  const std::string failures = Failures();
  EXPECT_EQ(std::count(failures.begin(), failures.end(), '\n'), 21) << failures;
  EXPECT_NE(failures.find("many.zip item 19 \"../escape19.txt\": refused"), std::string::npos) << failures;
  EXPECT_EQ(failures.find("item 20 "), std::string::npos) << failures;
  EXPECT_NE(failures.find("\r\nand 10 more failures\r\n"), std::string::npos) << failures;
}

}  // namespace
