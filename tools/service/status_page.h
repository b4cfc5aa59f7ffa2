// The status page for release engineers: the releases served with their files and sizes, the
// downloads going on and finished since the start, and the failure reports received by type
// with the latest in full. Plain HTML, no script; each figure carries an id so a test (or a
// script) can read it back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "service/release_catalog.h"
#include "service/service_activity.h"

struct StatusClock {
  int64_t now = 0;        // seconds on the service clock
  int64_t startedAt = 0;
};

std::string StatusPage(const std::vector<Release>& releases, const CServiceActivity& activity,
                       const StatusClock& clock, size_t openConnections);

// "&", "<", ">", '"' and "'" as entities.
std::string HtmlEscaped(const std::string& text);
