// Reading the update service's replies: the server time stamp, the braced part of a reply and
// the update-list entry of one product.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/json_tree.h"

// True when the reply is JSON with an integer "SCX"."TimeStamp" (keys in any letter case);
// the value, which may be 0, goes to timeStamp. Anything else leaves timeStamp alone.
bool ReadServerTimeStamp(const std::wstring& reply, int32_t& timeStamp);

// Cuts the reply down to the text from its first "{" to its last "}". False, with the reply
// unchanged, when there is no such pair.
bool KeepBracedPart(std::wstring& reply);

struct UpdateEntry {
  std::wstring mainVersion;      // "MainVersion"
  std::wstring downloadBaseUrl;  // the last of "DownloadUrls", ending in "/"
  // The other "DownloadUrls", each ending in "/", from the second last to the first, without
  // repeats: where a download goes when the chosen base cannot give it.
  std::vector<std::wstring> mirrorBaseUrls;
  std::wstring entryJson;        // the whole entry written back out as JSON
};

// Finds the first entry of "AppUpdateList" whose "AppName" equals productName without regard
// to letter case. False when the reply is not JSON, has no list, no entry matches, an entry
// met on the way has no text "AppName", or the chosen one lacks a text "MainVersion" or a
// non-empty "DownloadUrls" array of non-empty texts.
bool ChooseUpdateEntry(const std::wstring& reply, const std::wstring& productName,
                       UpdateEntry& entry);

// Replies nested deeper than this are refused before parsing (the parser recurses).
constexpr int kMaxJsonNesting = 64;

// Reads text from outside as JSON: false when it is not JSON or is nested deeper than
// kMaxJsonNesting. Nothing is thrown.
bool ParseReplyJson(const std::wstring& text, JsonTree& tree);
