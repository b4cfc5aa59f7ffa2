#include "app/config_helper.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>

#include <boost/date_time/gregorian/gregorian.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include "app/code_page_path.h"
#include "base/log_helper.h"
#include "base/message_box.h"

namespace pt = boost::property_tree;
namespace fs = std::filesystem;

namespace {

const char kFreshConfig[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<config>\r\n</config>";
const char kDatePath[] = "config.updatetime.<xmlattr>.value";

bool EnsureConfigFolder(const fs::path& folder) {
  std::error_code error;
  if (fs::exists(folder, error)) return true;
  fs::create_directories(folder, error);
  return !error;
}

enum class Content { kMissingOrEmpty, kDocument, kUnreadable };

// Keeps a file that does not parse: the client reads this folder too, and a file we cannot
// understand is not ours to throw away.
Content ClassifyConfig(const fs::path& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return Content::kMissingOrEmpty;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Content::kUnreadable;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) return Content::kMissingOrEmpty;
  pt::ptree tree;
  try {
    std::istringstream text(bytes);
    pt::read_xml(text, tree);
  } catch (const pt::ptree_error&) {
    return Content::kUnreadable;
  }
  for (const auto& child : tree) {
    if (child.first != "<xmlcomment>") return Content::kDocument;
  }
  return Content::kMissingOrEmpty;
}

void LogConfigError(const std::string& file, const std::string& message, unsigned long line) {
  CLogHelper::GetInstance()->Log("file : %s, message : %s, line : %lu", file.c_str(),
                                 message.c_str(), line);
}

}  // namespace

CConfigHelper* CConfigHelper::GetInstance() {
  static std::unique_ptr<CConfigHelper> instance(new CConfigHelper());
  return instance.get();
}

std::string CConfigHelper::ConfigFilePath() const {
  return m_configDir + static_cast<char>(fs::path::preferred_separator) + "config.xml";
}

void CConfigHelper::SetConfigDir(const std::string& folder) {
  m_configDir = folder;
  const fs::path folderPath = PathFromCodePage(m_configDir);
  if (!EnsureConfigFolder(folderPath)) return;
  const fs::path path = folderPath / "config.xml";
  if (ClassifyConfig(path) == Content::kMissingOrEmpty) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(kFreshConfig, sizeof kFreshConfig - 1);
    if (!out) ShowErrorBox(L"系统拒绝用户创建配置文件", L"错误");
  }
  EnsureConfigFolder(folderPath / "Cache");
}

bool CConfigHelper::IsUpdateDue() { return IsUpdateDue(boost::gregorian::day_clock::local_day()); }

bool CConfigHelper::IsUpdateDue(const boost::gregorian::date& today) {
  // The name goes into the log as it was given; the file is opened by its converted path.
  const std::string path = ConfigFilePath();
  const fs::path file = PathFromCodePage(path);
  try {
    pt::ptree tree;
    {
      std::ifstream in(file, std::ios::binary);
      if (!in) throw pt::xml_parser_error("cannot open file", path, 0);
      pt::read_xml(in, tree, pt::xml_parser::trim_whitespace);
    }
    const pt::ptree& config = tree.get_child("config");
    if (const auto stored = config.get_optional<std::string>("updatetime.<xmlattr>.value")) {
      // A stored text that is not a date counts as no check recorded; it is replaced.
      boost::gregorian::date last;
      try {
        last = boost::gregorian::from_simple_string(*stored);
      } catch (const std::exception&) {
      }
      if (!last.is_special() && (today - last).days() < 1) return false;
    }
    tree.put(kDatePath, boost::gregorian::to_simple_string(today));
    std::ofstream out(file, std::ios::trunc);  // text mode: CR LF line ends, as before
    if (!out) throw pt::xml_parser_error("cannot open file", path, 0);
    pt::write_xml(out, tree, pt::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
    out.close();
    if (!out) throw pt::xml_parser_error("write error", path, 0);
    return true;
  } catch (const pt::xml_parser_error& error) {
    LogConfigError(path, error.message(), error.line());
  } catch (const std::exception& error) {
    // Another top element than "config", or a path that is not a readable file: the file
    // is left as it is.
    LogConfigError(path, error.what(), 0);
  }
  return true;
}
