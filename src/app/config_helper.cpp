#include "app/config_helper.h"

#include <cstdio>
#include <memory>
#include <vector>

#include <boost/property_tree/ptree.hpp>

#include "app/code_page_path.h"
#include "base/file_owner.h"
#include "base/file_system.h"
#include "base/log_helper.h"
#include "base/message_box.h"
#include "toolkit/xml_tree.h"

namespace pt = boost::property_tree;
using boost::gregorian::date;

namespace {

const char kFreshConfig[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<config>\r\n</config>";
const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

// Thrown inside IsUpdateDue for a file it cannot read, parse or write; logged there.
struct ConfigFileError {
  std::string message;
  unsigned long line;
};

#ifdef _WIN32
const NativePath::value_type kSeparator = L'\\';
#else
const NativePath::value_type kSeparator = '/';
#endif

// folder + separator + name; no separator after an empty folder or one that already ends in one.
NativePath InFolder(NativePath folder, const char* name) {
  if (!folder.empty() && folder.back() != kSeparator && folder.back() != '/') folder += kSeparator;
  for (; *name; ++name) folder += static_cast<NativePath::value_type>(*name);
  return folder;
}

bool EnsureConfigFolder(const NativePath& folder) { return PathExists(folder) || CreateFolders(folder); }

enum class Content { kMissingOrEmpty, kDocument, kUnreadable };

// Keeps a file that does not parse: the client reads this folder too, and a file we cannot
// understand is not ours to throw away.
Content ClassifyConfig(const NativePath& path) {
  if (!IsRegularFile(path)) return Content::kMissingOrEmpty;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return Content::kUnreadable;
  if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) return Content::kMissingOrEmpty;
  pt::ptree tree;
  XmlTextError error;
  if (!ReadXmlTree(bytes, 0, tree, error)) return Content::kUnreadable;
  for (const auto& child : tree) {
    if (child.first != "<xmlcomment>") return Content::kDocument;
  }
  return Content::kMissingOrEmpty;
}

// "2026-Dec-08": the year, the month's English abbreviation, the day in two digits.
std::string DayText(const date& day) {
  const date::ymd_type ymd = day.year_month_day();
  char text[16];
  snprintf(text, sizeof text, "%u-%.3s-%02u", static_cast<unsigned>(ymd.year), kMonthNames[ymd.month - 1],
           static_cast<unsigned>(ymd.day));
  return text;
}

// A number of 16 bits: digits after an optional sign, where "-" counts down from 65536.
bool ParseUnsignedShort(const std::string& text, unsigned& value) {
  size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++pos;
  if (pos == text.size()) return false;
  unsigned number = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return false;
    number = number * 10 + static_cast<unsigned>(text[pos] - '0');
    if (number > 0xFFFF) return false;
  }
  value = negative ? (0x10000 - number) & 0xFFFF : number;
  return true;
}

// A month as a number, or as an English name or its three-letter abbreviation in any case.
bool ParseMonth(const std::string& text, unsigned& month) {
  if (text[0] >= '0' && text[0] <= '9') return ParseUnsignedShort(text, month);
  auto lower = [](std::string word) {
    for (char& c : word) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return word;
  };
  const std::string name = lower(text);
  for (unsigned i = 0; i < 12; ++i) {
    const std::string fullName = lower(kMonthNames[i]);
    if (name == fullName || name == fullName.substr(0, 3)) {
      month = i + 1;
      return true;
    }
  }
  return false;
}

// A stored day: year, month and day in that order, separated by any run of ",", "-", ".",
// " " and "/"; words after the third are not read. The year lies in 1400..9999.
bool ParseDayText(const std::string& text, date& day) {
  std::vector<std::string> words;
  size_t start = 0;
  while (words.size() < 3) {
    start = text.find_first_not_of(",-. /", start);
    if (start == std::string::npos) break;
    const size_t end = text.find_first_of(",-. /", start);
    words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end;
  }
  unsigned year = 0, month = 0, dayOfMonth = 0;
  if (words.size() < 3 || !ParseUnsignedShort(words[0], year) || !ParseMonth(words[1], month) ||
      !ParseUnsignedShort(words[2], dayOfMonth)) {
    return false;
  }
  if (year < 1400 || year > 9999 || month < 1 || month > 12 || dayOfMonth < 1) return false;
  if (dayOfMonth > boost::gregorian::gregorian_calendar::end_of_month_day(year, month)) return false;
  day = date(static_cast<unsigned short>(year), static_cast<unsigned short>(month),
             static_cast<unsigned short>(dayOfMonth));
  return true;
}

// Text mode: line ends become CR LF on Windows.
void WriteConfigText(const NativePath& path, const std::string& text) {
  FileOwner file(OpenFile(path, "w"));
  if (!file) throw ConfigFileError{"cannot open file", 0};
  const bool written = fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  if (fclose(file.release()) != 0 || !written) throw ConfigFileError{"write error", 0};
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
  return m_configDir + static_cast<char>(kSeparator) + "config.xml";
}

void CConfigHelper::SetConfigDir(const std::string& folder) {
  m_configDir = folder;
  const NativePath folderPath = PathFromCodePage(m_configDir);
  if (!EnsureConfigFolder(folderPath)) return;
  const NativePath path = InFolder(folderPath, "config.xml");
  if (ClassifyConfig(path) == Content::kMissingOrEmpty) {
    FileOwner out(OpenFile(path, "wb"));
    if (!out || fwrite(kFreshConfig, 1, sizeof kFreshConfig - 1, out.get()) != sizeof kFreshConfig - 1) {
      ShowErrorBox(L"系统拒绝用户创建配置文件", L"错误");
    }
  }
  EnsureConfigFolder(InFolder(folderPath, "Cache"));
}

bool CConfigHelper::IsUpdateDue() { return IsUpdateDue(boost::gregorian::day_clock::local_day()); }

bool CConfigHelper::IsUpdateDue(const date& today) {
  // The name goes into the log as it was given; the file is opened by its converted path.
  const std::string path = ConfigFilePath();
  const NativePath file = PathFromCodePage(path);
  try {
    pt::ptree tree;
    {
      std::string bytes;
      if (!ReadWholeFile(file, bytes)) throw ConfigFileError{"cannot open file", 0};
      XmlTextError error;
      if (!ReadXmlTree(bytes, pt::xml_parser::trim_whitespace, tree, error)) {
        throw ConfigFileError{error.message, error.line};
      }
    }
    const pt::ptree& config = tree.get_child("config");
    if (const auto stored = config.get_optional<std::string>("updatetime.<xmlattr>.value")) {
      // A stored text that is not a date counts as no check recorded; it is replaced.
      date last;
      if (ParseDayText(*stored, last) && (today - last).days() < 1) return false;
    }
    tree.put("config.updatetime.<xmlattr>.value", DayText(today));
    const auto oneTabPerLevel = pt::xml_parser::xml_writer_make_settings<std::string>('\t', 1, "utf-8");
    WriteConfigText(file, XmlTreeText(tree, oneTabPerLevel));
    return true;
  } catch (const ConfigFileError& error) {
    LogConfigError(path, error.message, error.line);
  } catch (const std::exception& error) {
    // Another top element than "config": the file is left as it is.
    LogConfigError(path, error.what(), 0);
  }
  return true;
}
