// The command line of tavora-publish.
#pragma once

#include <string>
#include <vector>

#include "release_publisher.h"

enum class ParseOutcome { kPublish, kHelp, kError };

ParseOutcome ParsePublishArguments(const std::vector<std::string>& arguments, PublishOptions& options,
                                   std::string& error);

extern const char kPublishUsage[];
