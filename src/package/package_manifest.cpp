#include "package/package_manifest.h"

#include <boost/optional.hpp>
#include <boost/property_tree/ptree.hpp>

#include <climits>

#include "net/json_tree.h"
#include "net/release_canonical.h"

#include "base/client_names.h"
#include "base/text_helpers.h"

namespace pt = boost::property_tree;

const wchar_t* const kVersionlessFiles[9] = {
    L"config.ini", L"loading.gif",         L"ReadMe.txt",          L"locales.zip", L"cef.pak",
    L"cef_100_percent.pak", L"cef_200_percent.pak", L"cef_extensions.pak", L"icudtl.dat",
};

namespace {

// Thrown where a "bytes" value is not a whole number within 32 bits; caught with the
// property tree's own errors.
struct BadBytes {};

int32_t ReadBytes(const JsonTree& node) {
  const std::wstring text = node.get<std::wstring>(L"bytes");
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'-' || text[pos] == L'+')) negative = text[pos++] == L'-';
  if (pos == text.size()) throw BadBytes();
  int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < L'0' || text[pos] > L'9') throw BadBytes();
    value = value * 10 + (text[pos] - L'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) throw BadBytes();
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) throw BadBytes();
  return static_cast<int32_t>(value);
}

JsonTree ParseManifest(const std::wstring& text) {
  JsonTree tree;
  if (!ReadJsonTree(text, tree)) throw pt::ptree_error("the manifest is not JSON");
  return tree;
}

DownloadTask MakeTask(const ManifestSource& source, const JsonTree& node, const std::wstring& name,
                      const std::wstring& installedName, const std::wstring& checkValue, int32_t registerFlag) {
  DownloadTask task;
  // Only a program with a release key acts on it, and only after the entry's signature held.
  task.sha256 = node.get<std::wstring>(kReleaseDigestMember, std::wstring());
  task.url = source.baseUrl + name + L".gz";
  for (const std::wstring& mirror : source.mirrorBaseUrls) task.mirrorUrls.push_back(mirror + name + L".gz");
  task.archivePath = source.workFolder + installedName + L".gz";
  task.checkValue = checkValue;
  task.registerFlag = registerFlag;
  return task;
}

// Runs one manifest query. A value the manifest lacks or cannot hold ends it with no task and a
// total of 0; a query may also answer false by itself, leaving what it found.
template <typename Query>
bool QueryOrNothing(DownloadTaskList& tasks, int64_t& totalBytes, Query query) {
  try {
    return query();
  } catch (const pt::ptree_error&) {
  } catch (const BadBytes&) {
  }
  tasks.clear();
  totalBytes = 0;
  return false;
}

}  // namespace

bool IsVersionlessFile(const std::wstring& installedName) {
  for (const wchar_t* name : kVersionlessFiles) {
    if (EqualsNoCase(installedName, name)) return true;
  }
  return false;
}

bool IsPlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (const wchar_t c : name) {
    if (c == L'\\' || c == L'/' || c == L':' || c < 0x20) return false;
  }
  return true;
}

bool ReadInstallerUpdate(const ManifestSource& source, PackageVersion ownVersion, DownloadTaskList& tasks,
                         int64_t& totalBytes) {
  tasks.clear();
  totalBytes = 0;
  return QueryOrNothing(tasks, totalBytes, [&] {
    const JsonTree tree = ParseManifest(source.manifest);
    std::wstring name;
    std::wstring versionText;
    const JsonTree* installer = nullptr;
    for (const auto& module : tree.get_child(L"Modules")) {
      const std::wstring moduleName = module.second.get<std::wstring>(L"name");
      if (!ContainsNoCase(moduleName, L"TavoraStudentInstaller-")) continue;
      totalBytes = ReadBytes(module.second);
      versionText = module.second.get<std::wstring>(L"version");
      name = moduleName;
      installer = &module.second;
      break;
    }
    if (name.empty()) return false;

    const size_t dash = name.find(L'-');
    std::wstring checkValue = name.substr(dash + 1);
    const size_t exe = checkValue.rfind(L".exe");
    if (exe != std::wstring::npos) checkValue.erase(exe, 4);
    std::wstring installedName = name;
    if (!checkValue.empty()) {
      const size_t check = installedName.rfind(checkValue);
      if (check != std::wstring::npos) installedName.erase(check, checkValue.size());
    }
    const size_t lastDash = installedName.rfind(L'-');
    if (lastDash != std::wstring::npos) installedName.erase(lastDash, 1);
    if (!IsPlainFileName(installedName)) return false;

    if (!(ownVersion < ParsePackageVersion(versionText))) return false;
    tasks.push_back(MakeTask(source, *installer, name, installedName, checkValue, 0));
    return true;
  });
}

bool ReadFullPackageTask(const ManifestSource& source, DownloadTaskList& tasks, int64_t& totalBytes) {
  return QueryOrNothing(tasks, totalBytes, [&] {
    const JsonTree tree = ParseManifest(source.manifest);
    const boost::optional<const JsonTree&> package = tree.get_child_optional(L"InstallPackageNew");
    if (!package) return false;
    tasks.clear();
    totalBytes = ReadBytes(*package);
    const std::wstring name = package->get<std::wstring>(L"name");

    const size_t dash = name.find(L'-');
    const size_t dot = name.rfind(L'.');
    if (dash == std::wstring::npos || dot == std::wstring::npos || dot < dash) return false;
    const std::wstring checkValue = name.substr(dash + 1, dot - dash - 1);
    std::wstring installedName = name;
    installedName.erase(installedName.rfind(L"-" + checkValue), checkValue.size() + 1);
    if (!IsPlainFileName(installedName)) return false;

    tasks.push_back(MakeTask(source, *package, name, installedName, checkValue, 0));
    return true;
  });
}

bool ReadModuleTaskList(const ManifestSource& source, const std::wstring& installFolder, IInstalledFiles& files,
                        DownloadTaskList& tasks, int64_t& totalBytes, std::wstring* refusals) {
  tasks.clear();
  totalBytes = 0;
  bool refused = false;
  try {
    const JsonTree tree = ParseManifest(source.manifest);
    const PackageVersion mainVersion = ParsePackageVersion(tree.get<std::wstring>(L"MainVersion"));
    const std::wstring clientPath = installFolder + kClientExeName;

    for (const auto& entry : tree.get_child(L"Modules")) {
      const JsonTree& module = entry.second;
      const int32_t registerFlag = EqualsNoCase(module.get<std::wstring>(L"registerdll"), L"true") ? 1 : 0;
      const std::wstring name = module.get<std::wstring>(L"name");
      const std::wstring versionText = module.get<std::wstring>(L"version");

      const size_t dash = name.rfind(L'-');
      const size_t dot = name.rfind(L'.');
      if (dash == std::wstring::npos || dot == std::wstring::npos || dot < dash) continue;
      const std::wstring checkValue = name.substr(dash + 1, dot - dash - 1);
      const std::wstring installedName = name.substr(0, dash) + name.substr(dot);
      // A name that would reach outside the installation or work folder is not installed.
      if (!IsPlainFileName(installedName)) {
        refused = true;
        if (refusals) {
          *refusals += L"module " + name + L" refused: its installed name is not a plain file name\r\n";
        }
        continue;
      }
      const std::wstring target = installFolder + installedName;

      PackageVersion wanted;
      PackageVersion have;
      if (IsVersionlessFile(installedName)) {
        wanted = mainVersion;
        const boost::optional<std::wstring> mustUpdate = module.get_optional<std::wstring>(L"mustupdate");
        have = (mustUpdate && EqualsNoCase(*mustUpdate, L"false")) ? wanted : files.FileVersion(clientPath);
      } else {
        wanted = ParsePackageVersion(versionText);
        have = files.FileVersion(target);
      }
      if (have >= wanted && files.FileExists(target)) continue;

      tasks.push_back(MakeTask(source, module, name, installedName, checkValue, registerFlag));
      totalBytes += ReadBytes(module);
    }
    if (!refused) return true;
  } catch (const pt::ptree_error&) {
  } catch (const BadBytes&) {
  }
  tasks.clear();
  totalBytes = 0;
  return false;
}
