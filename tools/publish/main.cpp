// tavora-publish: writes a release folder for the update service from a client release.
#include <cstdio>
#include <string>
#include <vector>

#include "publish_options.h"
#include "release_publisher.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  PublishOptions options;
  std::string error;
  switch (ParsePublishArguments(arguments, options, error)) {
    case ParseOutcome::kHelp:
      fputs(kPublishUsage, stdout);
      return 0;
    case ParseOutcome::kError:
      fprintf(stderr, "tavora-publish: %s\n\n%s", error.c_str(), kPublishUsage);
      return 2;
    case ParseOutcome::kPublish:
      break;
  }
  PublishReport report;
  if (!PublishRelease(options, report, error)) {
    fprintf(stderr, "tavora-publish: %s\n", error.c_str());
    return 1;
  }
  for (const PublishedFile& module : report.modules) {
    printf("module  %-48s %12llu bytes  version %s\n", module.name.c_str(),
           static_cast<unsigned long long>(module.bytes), module.version.c_str());
  }
  printf("package %-48s %12llu bytes\n", report.package.name.c_str(),
         static_cast<unsigned long long>(report.package.bytes));
  if (!report.releaseKey.empty()) printf("signed with the release key %s\n", report.releaseKey.c_str());
  printf("release written to %s (entry.json and %zu files)\n", options.outFolder.c_str(), report.modules.size() + 1);
  return 0;
}
