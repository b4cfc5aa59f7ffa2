#include "net/release_canonical.h"

#include <cstdint>

const wchar_t kReleaseSignatureMember[] = L"Signature";
const wchar_t kReleaseDigestMember[] = L"Sha256";

namespace {

constexpr char kFirstLine[] = "tavora-release-signature-1";

void AppendUtf8(uint32_t point, std::string& out) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

// The value as UTF-8. wchar_t is UTF-16 on Windows and a code point elsewhere; a surrogate
// pair gives the same bytes either way. False for a control character or a lone surrogate.
bool AppendValue(const std::wstring& value, std::string& out) {
  for (size_t i = 0; i < value.size(); ++i) {
    uint32_t point = static_cast<uint32_t>(value[i]);
    if (point < 0x20 || point > 0x10FFFF || (point >= 0xDC00 && point <= 0xDFFF)) return false;
    if (point >= 0xD800 && point <= 0xDBFF) {
      const uint32_t low = i + 1 < value.size() ? static_cast<uint32_t>(value[i + 1]) : 0;
      if (low < 0xDC00 || low > 0xDFFF) return false;
      point = 0x10000 + ((point - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    AppendUtf8(point, out);
  }
  return true;
}

class SignedLines {
 public:
  void Line(const char* line) {
    m_text += line;
    m_text += '\n';
  }

  // "label=value" for the one text member key of node; "label" alone when it is absent and
  // optional. where names the object in the reason.
  bool Member(const JsonTree& node, const wchar_t* key, const char* label, bool optional, const std::string& where) {
    const size_t count = node.count(key);
    if (count == 0) {
      if (!optional) return Refuse(label, " is missing", where);
      Line(label);
      return true;
    }
    if (count > 1) return Refuse(label, " appears more than once", where);
    const JsonTree& value = node.find(key)->second;
    if (!value.empty()) return Refuse(label, " is not a text", where);
    m_text += label;
    m_text += '=';
    if (!AppendValue(value.data(), m_text)) return Refuse(label, " holds a control character or a lone surrogate", where);
    m_text += '\n';
    return true;
  }

  bool Refuse(const char* subject, const char* problem, const std::string& where) {
    m_reason = subject;
    m_reason += problem;
    m_reason += where;
    return false;
  }

  const std::string& Text() const { return m_text; }
  const std::string& Reason() const { return m_reason; }

 private:
  std::string m_text;
  std::string m_reason;
};

}  // namespace

bool CanonicalReleaseText(const JsonTree& entry, std::string& text, std::string& reason) {
  SignedLines lines;
  lines.Line(kFirstLine);
  const std::string inEntry;
  bool ok = lines.Member(entry, L"AppName", "AppName", false, inEntry) &&
            lines.Member(entry, L"MainVersion", "MainVersion", false, inEntry);

  if (ok) {
    const size_t moduleLists = entry.count(L"Modules");
    if (moduleLists != 1) {
      ok = lines.Refuse("Modules", moduleLists == 0 ? " is missing" : " appears more than once", inEntry);
    }
  }
  if (ok) {
    const JsonTree& modules = entry.find(L"Modules")->second;
    // [] and "" read the same (no children, no text): no modules.
    if (modules.empty() && !modules.data().empty()) ok = lines.Refuse("Modules", " is a text", inEntry);
    if (ok) lines.Line(("Modules=" + std::to_string(modules.size())).c_str());
    size_t index = 0;
    for (auto module = modules.begin(); ok && module != modules.end(); ++module) {
      const std::string number = std::to_string(++index);
      const std::string where = " in module " + number;
      const JsonTree& node = module->second;
      if (node.empty() && !node.data().empty()) {
        ok = lines.Refuse("module ", number.c_str(), " is a text");
        break;
      }
      ok = lines.Member(node, L"name", "Module.name", false, where) &&
           lines.Member(node, L"bytes", "Module.bytes", false, where) &&
           lines.Member(node, L"version", "Module.version", false, where) &&
           lines.Member(node, L"registerdll", "Module.registerdll", false, where) &&
           lines.Member(node, L"mustupdate", "Module.mustupdate", true, where) &&
           lines.Member(node, kReleaseDigestMember, "Module.Sha256", false, where);
    }
  }

  if (ok) {
    const size_t packages = entry.count(L"InstallPackageNew");
    if (packages == 0) {
      lines.Line("InstallPackageNew");
    } else if (packages > 1) {
      ok = lines.Refuse("InstallPackageNew", " appears more than once", inEntry);
    } else {
      const JsonTree& package = entry.find(L"InstallPackageNew")->second;
      const std::string where = " in InstallPackageNew";
      ok = lines.Member(package, L"name", "InstallPackageNew.name", false, where) &&
           lines.Member(package, L"bytes", "InstallPackageNew.bytes", false, where) &&
           lines.Member(package, kReleaseDigestMember, "InstallPackageNew.Sha256", false, where);
    }
  }

  if (!ok) {
    reason = lines.Reason();
    return false;
  }
  text = lines.Text();
  return true;
}
