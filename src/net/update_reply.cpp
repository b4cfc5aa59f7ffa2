#include "net/update_reply.h"

#include <algorithm>

#include <cwctype>
#include <exception>

#include "base/text_helpers.h"
#include "net/json_tree.h"

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

// A JSON string (or number) leaf: data and no children.
bool IsTextLeaf(const JsonTree& node) { return node.empty(); }

// A whole number within 32 bits, with white space around it allowed: "12", " -7 ", "+0".
// Not "1.0", "1e3", "0x10" or "12abc". The text ends early at a WEOF unit (JsonTextLength).
bool ParseInt32(const std::wstring& text, int32_t& value) {
  const size_t end = JsonTextLength(text);
  size_t pos = 0;
  while (pos < end && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < end && (text[pos] == L'-' || text[pos] == L'+')) negative = text[pos++] == L'-';
  if (pos == end || text[pos] < L'0' || text[pos] > L'9') return false;
  int64_t number = 0;
  for (; pos < end && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
    number = number * 10 + (text[pos] - L'0');
    if (number > static_cast<int64_t>(INT32_MAX) + 1) return false;
  }
  if (negative) number = -number;
  if (number < INT32_MIN || number > INT32_MAX) return false;
  while (pos < end && std::iswspace(static_cast<wint_t>(text[pos]))) ++pos;
  if (pos != end) return false;
  value = static_cast<int32_t>(number);
  return true;
}

}  // namespace

// Parser errors end here as false; nothing is thrown past this function.
bool ParseReplyJson(const std::wstring& text, JsonTree& tree) {
  if (!NestingWithinLimit(text)) return false;
  try {
    return ReadJsonTree(text, tree);
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadServerTimeStamp(const std::wstring& reply, int32_t& timeStamp) {
  if (reply.empty()) return false;
  JsonTree tree;
  if (!ParseReplyJson(reply, tree)) return false;
  const auto scx = tree.get_child_optional(L"SCX");
  if (!scx) return false;
  const auto stamp = scx->get_child_optional(L"TimeStamp");
  if (!stamp || !IsTextLeaf(*stamp)) return false;
  return ParseInt32(stamp->data(), timeStamp);
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
  JsonTree tree;
  if (!ParseReplyJson(reply, tree)) return false;
  const auto list = tree.get_child_optional(L"AppUpdateList");
  if (!list) return false;
  for (const auto& item : *list) {
    const JsonTree& candidate = item.second;
    const auto appName = candidate.get_child_optional(L"AppName");
    if (!appName || !IsTextLeaf(*appName)) return false;
    if (!EqualsNoCase(appName->data(), productName)) continue;

    const auto mainVersion = candidate.get_child_optional(L"MainVersion");
    if (!mainVersion || !IsTextLeaf(*mainVersion)) return false;
    const auto urls = candidate.get_child_optional(L"DownloadUrls");
    if (!urls || urls->empty()) return false;
    std::vector<std::wstring> baseUrls;
    for (const auto& url : *urls) {
      if (!IsTextLeaf(url.second) || url.second.data().empty()) return false;
      std::wstring baseUrl = url.second.data();
      if (baseUrl.back() != L'/') baseUrl += L'/';
      baseUrls.push_back(baseUrl);
    }
    // The last URL is the one downloads go to; the others stand by, last to first.
    const std::wstring chosen = baseUrls.back();
    std::vector<std::wstring> mirrors;
    for (auto url = baseUrls.rbegin(); url != baseUrls.rend(); ++url) {
      if (*url != chosen && std::find(mirrors.begin(), mirrors.end(), *url) == mirrors.end()) {
        mirrors.push_back(*url);
      }
    }

    std::wstring json;
    if (!WriteJsonTree(candidate, json)) return false;
    entry.mainVersion = mainVersion->data();
    entry.downloadBaseUrl = chosen;
    entry.mirrorBaseUrls = mirrors;
    entry.entryJson = json;
    return true;
  }
  return false;
}
