// Whether this program demands signed releases, and the two places where it holds them to it:
// the update-list entry before anything of it is used, and every downloaded archive before
// it is checked, expanded or started. The release key travels in the program's own
// resources (RCDATA 130, its 130 hexadecimal digits), written there by the build when
// TAVORA_RELEASE_PUBLIC_KEY is set; a program without that resource works unsigned, as
// before, and every check here lets everything pass.
#pragma once

#include <string>

#include "net/download_task.h"
#include "net/release_signature.h"

constexpr int kReleaseKeyResourceId = 130;

struct ReleaseTrust {
  bool required = false;  // the program carries a release key (or a resource it cannot read)
  bool usable = false;    // ... and it is a P-256 key; an unusable one fails every check
  ReleaseKey key;
};

// Read from the program's resources once, at first use.
const ReleaseTrust& ProgramReleaseTrust();

// True when no key is required or the entry is signed with it; otherwise false with the
// failure report's line in refusal.
bool AcceptReleaseEntry(const std::wstring& productName, const std::wstring& entryJson, std::wstring& refusal);

// True when no key is required or the archive just downloaded for task from url has the
// signed SHA-256 of the task; otherwise false with a line appended to failureLines. A task
// without a signed SHA-256 never passes when a key is required.
bool AcceptDownloadedArchive(const DownloadTask& task, const std::wstring& url, std::wstring& failureLines);
