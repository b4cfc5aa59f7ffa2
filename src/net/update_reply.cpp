#include "net/update_reply.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <cwctype>
#include <sstream>

namespace pt = boost::property_tree;

namespace {

// Boost's JSON reader recurses once per level: a reply of a million "[" would overflow the
// stack, so such replies are refused before they reach it.
bool NestingWithinLimit(const std::wstring& text) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (inString) {
      if (c == L'\\') {
        ++i;
      } else if (c == L'"') {
        inString = false;
      }
    } else if (c == L'"') {
      inString = true;
    } else if (c == L'{' || c == L'[') {
      if (++depth > kMaxJsonNesting) return false;
    } else if (c == L'}' || c == L']') {
      --depth;
    }
  }
  return true;
}

// Parser errors end here as false; nothing is thrown past this function.
bool ParseJson(const std::wstring& text, pt::wiptree& tree) {
  if (!NestingWithinLimit(text)) return false;
  try {
    std::wistringstream stream(text);
    pt::read_json(stream, tree);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// A JSON string (or number) leaf: data and no children.
bool IsTextLeaf(const pt::wiptree& node) { return node.empty(); }

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadServerTimeStamp(const std::wstring& reply, int32_t& timeStamp) {
  if (reply.empty()) return false;
  pt::wiptree tree;
  if (!ParseJson(reply, tree)) return false;
  const auto scx = tree.get_child_optional(L"SCX");
  if (!scx) return false;
  const auto stamp = scx->get_child_optional(L"TimeStamp");
  if (!stamp || !IsTextLeaf(*stamp)) return false;
  const auto value = stamp->get_value_optional<int32_t>();
  if (!value) return false;
  timeStamp = *value;
  return true;
}

bool KeepBracedPart(std::wstring& reply) {
  const size_t first = reply.find(L'{');
  const size_t last = reply.rfind(L'}');
  if (first == std::wstring::npos || last == std::wstring::npos || last < first) return false;
  reply = reply.substr(first, last - first + 1);
  return true;
}

bool ChooseUpdateEntry(const std::wstring& reply, const std::wstring& productName,
                       UpdateEntry& entry) {
  pt::wiptree tree;
  if (!ParseJson(reply, tree)) return false;
  const auto list = tree.get_child_optional(L"AppUpdateList");
  if (!list) return false;
  for (const auto& item : *list) {
    const pt::wiptree& candidate = item.second;
    const auto appName = candidate.get_child_optional(L"AppName");
    if (!appName || !IsTextLeaf(*appName)) return false;
    if (!SameTextIgnoringCase(appName->data(), productName)) continue;

    const auto mainVersion = candidate.get_child_optional(L"MainVersion");
    if (!mainVersion || !IsTextLeaf(*mainVersion)) return false;
    const auto urls = candidate.get_child_optional(L"DownloadUrls");
    if (!urls || urls->empty()) return false;
    std::wstring baseUrl;
    // Every URL is taken in turn: the last one is the one that stays.
    for (const auto& url : *urls) {
      if (!IsTextLeaf(url.second) || url.second.data().empty()) return false;
      baseUrl = url.second.data();
      if (baseUrl.back() != L'/') baseUrl += L'/';
    }

    std::wostringstream json;
    try {
      pt::write_json(json, candidate, false);
    } catch (const std::exception&) {
      return false;
    }
    entry.mainVersion = mainVersion->data();
    entry.downloadBaseUrl = baseUrl;
    entry.entryJson = json.str();
    while (!entry.entryJson.empty() && std::iswspace(static_cast<wint_t>(entry.entryJson.back()))) {
      entry.entryJson.pop_back();
    }
    return true;
  }
  return false;
}
