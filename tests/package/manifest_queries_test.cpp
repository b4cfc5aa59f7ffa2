#include "package/manifest_queries.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "net/update_helper.h"
#include "package/file_version.h"
#include "package/work_folders.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kBase = L"http://127.0.0.1:18080/releases/student/";

std::wstring VersionText(const PackageVersion& version, wchar_t separator) {
  return std::to_wstring(version.high >> 16) + separator + std::to_wstring(version.high & 0xFFFF) + separator +
         std::to_wstring(version.low >> 16) + separator + std::to_wstring(version.low & 0xFFFF);
}

// The update list entry a publisher would write for a release folder: every file published
// as stem-CHECK.ext with the version of its resource (0.0.0.0 without one).
struct ManifestOptions {
  bool upperCaseKeys = false;
  std::map<std::wstring, std::wstring> extraMembers;  // installed name -> ",\"key\":\"value\""
};

std::wstring ManifestOf(const fs::path& release, const ManifestOptions& options = {}) {
  auto key = [&](const std::wstring& name) {
    if (!options.upperCaseKeys) return L"\"" + name + L"\"";
    std::wstring upper = name;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    return L"\"" + upper + L"\"";
  };
  const PackageVersion main = GetFileVersion((release / L"TavoraStudent.exe").wstring());
  std::wstring modules;
  int index = 0;
  std::set<fs::path> files;
  for (const auto& entry : fs::directory_iterator(release)) files.insert(entry.path());
  for (const fs::path& file : files) {
    const std::wstring installed = file.filename().wstring();
    const std::wstring check = L"00000000000000" + std::to_wstring(10 + index++);
    const std::wstring name = file.stem().wstring() + L"-" + check + file.extension().wstring();
    if (!modules.empty()) modules += L",";
    modules += L"{" + key(L"name") + L":\"" + name + L"\"," + key(L"bytes") + L":" +
               std::to_wstring(fs::file_size(file)) + L"," + key(L"version") + L":\"" +
               VersionText(GetFileVersion(file.wstring()), L'.') + L"\"," + key(L"registerdll") + L":\"false\"";
    auto extra = options.extraMembers.find(installed);
    if (extra != options.extraMembers.end()) modules += extra->second;
    modules += L"}";
  }
  return L"{" + key(L"AppName") + L":\"TavoraStudent\"," + key(L"MainVersion") + L":\"" + VersionText(main, L',') +
         L"\"," + key(L"Modules") + L":[" + modules + L"]}";
}

std::set<std::wstring> InstalledNames(const DownloadTaskList& tasks, const std::wstring& workFolder) {
  std::set<std::wstring> names;
  for (const DownloadTask& task : tasks) {
    EXPECT_EQ(task.archivePath.compare(0, workFolder.size(), workFolder), 0) << "under the work folder";
    names.insert(task.archivePath.substr(workFolder.size(), task.archivePath.size() - workFolder.size() - 3));
  }
  return names;
}

class ModuleListOverSampleClient : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp / "install");
    install = (temp / "install").wstring() + L"\\";
    work = (temp / "work").wstring() + L"\\";
  }
  void InstallRelease(const fs::path& release) {
    for (const auto& entry : fs::directory_iterator(release)) {
      fs::copy_file(entry.path(), install + entry.path().filename().wstring(), fs::copy_options::overwrite_existing);
    }
  }
  std::set<std::wstring> Fetched(const std::wstring& manifest) {
    CInstalledFiles files;
    EXPECT_TRUE(ReadModuleTaskList({manifest, kBase, work}, install, files, tasks, total));
    return InstalledNames(tasks, work);
  }

  TempFolder temp;
  std::wstring install;
  std::wstring work;
  DownloadTaskList tasks;
  int64_t total = 0;
};

TEST_F(ModuleListOverSampleClient, OlderInstallationFetchesChangedModulesAndVersionlessFiles) {
  InstallRelease(TAVORA_SAMPLE_RELEASE_OLD);
  const std::set<std::wstring> expected{L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"config.ini",
                                        L"locales.zip"};
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW)), expected) << "TavoraMedia.dll is current";
  int64_t bytes = 0;
  for (const wchar_t* name : {L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"config.ini", L"locales.zip"}) {
    bytes += static_cast<int64_t>(fs::file_size(fs::path(TAVORA_SAMPLE_RELEASE_NEW) / name));
  }
  EXPECT_EQ(total, bytes);
  EXPECT_EQ(tasks[0].url.compare(0, kBase.size(), kBase), 0);
}

TEST_F(ModuleListOverSampleClient, CurrentInstallationFetchesNothing) {
  InstallRelease(TAVORA_SAMPLE_RELEASE_NEW);
  EXPECT_TRUE(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW)).empty());
  EXPECT_EQ(total, 0);
}

TEST_F(ModuleListOverSampleClient, MissingFilesOfACurrentInstallationAreFetched) {
  InstallRelease(TAVORA_SAMPLE_RELEASE_NEW);
  fs::remove(install + L"TavoraNet.dll");
  fs::remove(install + L"config.ini");
  const std::set<std::wstring> expected{L"TavoraNet.dll", L"config.ini"};
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW)), expected);
}

TEST_F(ModuleListOverSampleClient, NothingInstalledFetchesEverything) {
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW)).size(), 6u);
}

TEST_F(ModuleListOverSampleClient, ConfigMarkedMustUpdateFalseSurvivesAnUpdateUnlessMissing) {
  InstallRelease(TAVORA_SAMPLE_RELEASE_OLD);
  ManifestOptions options;
  options.extraMembers[L"config.ini"] = L",\"mustupdate\":\"False\"";
  options.extraMembers[L"locales.zip"] = L",\"mustupdate\":\"true\"";
  const std::set<std::wstring> expected{L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"locales.zip"};
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW, options)), expected);

  fs::remove(install + L"config.ini");
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW, options)).count(L"config.ini"), 1u);
}

TEST_F(ModuleListOverSampleClient, KeysInCapitalsReadTheSame) {
  InstallRelease(TAVORA_SAMPLE_RELEASE_OLD);
  ManifestOptions options;
  options.upperCaseKeys = true;
  options.extraMembers[L"config.ini"] = L",\"MUSTUPDATE\":\"FALSE\"";
  const std::set<std::wstring> expected{L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"locales.zip"};
  EXPECT_EQ(Fetched(ManifestOf(TAVORA_SAMPLE_RELEASE_NEW, options)), expected);
}

TEST(FileVersion, ReadsVersionResourcesAndGivesZeroOtherwise) {
  const fs::path release(TAVORA_SAMPLE_RELEASE_NEW);
  EXPECT_EQ(GetFileVersion((release / L"TavoraCore.dll").wstring()), ParsePackageVersion(TAVORA_SAMPLE_NEW_VERSION));
  EXPECT_EQ(GetFileVersion((release / L"TavoraMedia.dll").wstring()), ParsePackageVersion(TAVORA_SAMPLE_OLD_VERSION));
  EXPECT_EQ(GetFileVersion((release / L"TavoraStudent.exe").wstring()), ParsePackageVersion(TAVORA_SAMPLE_NEW_VERSION));
  EXPECT_EQ(GetFileVersion((release / L"config.ini").wstring()), PackageVersion{});
  EXPECT_EQ(GetFileVersion((release / L"missing.dll").wstring()), PackageVersion{});
}

// Uses this user's real installation folder: runs alone among the tests that touch it.
TEST(ManifestQueriesInRealInstallFolder, BuildModuleTaskListReadsTheUpdateHelpersManifest) {
  const fs::path installFolder(InstallFolder());
  ASSERT_FALSE(fs::exists(installFolder / L"TavoraStudent.exe")) << "a client is already installed in the prefix";
  fs::create_directories(installFolder);
  for (const auto& entry : fs::directory_iterator(TAVORA_SAMPLE_RELEASE_OLD)) {
    fs::copy_file(entry.path(), installFolder / entry.path().filename(), fs::copy_options::overwrite_existing);
  }
  TempFolder temp;
  g_updateHelper.m_response = ManifestOf(TAVORA_SAMPLE_RELEASE_NEW);
  g_updateHelper.m_downloadBaseUrl = kBase;
  g_updateHelper.m_workFolder = temp.path().wstring() + L"\\";
  DownloadTaskList tasks;
  int64_t total = 0;
  const bool read = BuildModuleTaskList(tasks, total);
  std::error_code error;
  fs::remove_all(installFolder, error);

  ASSERT_TRUE(read);
  const std::set<std::wstring> expected{L"TavoraStudent.exe", L"TavoraCore.dll", L"TavoraNet.dll", L"config.ini",
                                        L"locales.zip"};
  EXPECT_EQ(InstalledNames(tasks, g_updateHelper.m_workFolder), expected);
  EXPECT_GT(total, 0);

  g_updateHelper.m_response = L"<html>Bad gateway</html>";
  EXPECT_FALSE(BuildModuleTaskList(tasks, total));
  EXPECT_TRUE(tasks.empty());
}

TEST(ManifestQueries, GetFullPackageTaskReadsTheUpdateHelpersManifest) {
  g_updateHelper.m_response =
      L"{\"MainVersion\":\"1,1,0,0\",\"Modules\":[],\"InstallPackageNew\":{\"name\":\"TavoraStudent-"
      L"0123456789abcdef.zip\",\"bytes\":2048}}";
  g_updateHelper.m_downloadBaseUrl = kBase;
  g_updateHelper.m_workFolder = L"C:\\users\\root\\AppData\\Roaming\\TavoraInstaller42\\";
  DownloadTaskList tasks;
  int64_t total = 0;
  ASSERT_TRUE(GetFullPackageTask(tasks, total));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].url, kBase + L"TavoraStudent-0123456789abcdef.zip.gz");
  EXPECT_EQ(tasks[0].archivePath, g_updateHelper.m_workFolder + L"TavoraStudent.zip.gz");
  EXPECT_EQ(total, 2048);
}

// CheckInstallerUpdate compares with the running program's own version resource, so it runs
// in a probe program whose version is TAVORA_PROBE_VERSION.
class InstallerUpdateProbe : public ::testing::Test {
 protected:
  std::map<std::string, std::string> Run(const std::wstring& installerVersion) {
    const std::wstring manifest =
        L"{\"MainVersion\":\"1,1,0,0\",\"Modules\":[{\"name\":\"TavoraCore-1111111111111111.dll\",\"bytes\":1,"
        L"\"version\":\"9.9.9.9\",\"registerdll\":\"false\"},{\"name\":\"TavoraStudentInstaller-"
        L"0123456789abcdef.exe\",\"bytes\":777,\"version\":\"" +
        installerVersion + L"\",\"registerdll\":\"false\"}]}";
    const std::string utf8(manifest.begin(), manifest.end());
    WriteFileBytes(temp / "manifest.json", utf8);
    const std::wstring work = temp.path().wstring() + L"\\work\\";
    // A backslash before a closing quote escapes it: the folder's last one is doubled.
    std::wstring command = L"\"" TAVORA_INSTALLER_PROBE L"\" \"" + (temp / "manifest.json").wstring() + L"\" \"" +
                           kBase + L"\" \"" + work + L"\\\" \"" + (temp / "result.txt").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);

    std::map<std::string, std::string> facts;
    std::ifstream result(temp / "result.txt");
    std::string line;
    while (std::getline(result, line)) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos) facts[line.substr(0, equals)] = line.substr(equals + 1);
    }
    facts["work"] = std::string(work.begin(), work.end());
    return facts;
  }
  TempFolder temp;
};

TEST_F(InstallerUpdateProbe, NewerInstallerThanTheRunningProgramIsOffered) {
  auto facts = Run(L"1.5.0.1");
  EXPECT_EQ(facts["newer"], "1");
  EXPECT_EQ(facts["tasks"], "1");
  EXPECT_EQ(facts["total"], "777");
  EXPECT_EQ(facts["url"], "http://127.0.0.1:18080/releases/student/TavoraStudentInstaller-0123456789abcdef.exe.gz");
  EXPECT_EQ(facts["archive"], facts["work"] + "TavoraStudentInstaller.exe.gz");
  EXPECT_EQ(facts["check"], "0123456789abcdef");
}

TEST_F(InstallerUpdateProbe, InstallerAsOldAsTheRunningProgramIsNotOffered) {
  auto facts = Run(L"1.5.0.0");
  EXPECT_EQ(facts["newer"], "0");
  EXPECT_EQ(facts["tasks"], "0");
  EXPECT_EQ(facts["total"], "777");
  facts = Run(L"1.4.9.9");
  EXPECT_EQ(facts["newer"], "0");
  EXPECT_EQ(facts["tasks"], "0");
}

}  // namespace
