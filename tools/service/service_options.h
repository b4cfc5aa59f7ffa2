// The command line of tavora-service: release folders, listening address, reports file, and
// the key, salt and clock tolerance it shares with the installer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/request_codec.h"

struct ServiceOptions {
  std::vector<std::string> releaseDirs;
  std::string listenHost;
  int listenPort = -1;        // 0: any free port, printed at start
  std::string reportsFile;    // empty: reports are only printed
  std::string statusHost;     // the status page's listener
  int statusPort = -1;        // -1: no status page; 0: any free port, printed at start
  std::string salt;           // signature salt
  unsigned char key[kDesKeyBytes] = {};
  int64_t maxSkewSeconds = 300;  // a request time further from the clock is refused
  bool showHelp = false;
};

// Key and salt start as the build's settings. False with a message naming the fault.
bool ParseServiceOptions(const std::vector<std::string>& arguments, ServiceOptions& options,
                         std::string& error);

const char* ServiceUsage();
