// The tavora-service program on a free port of 127.0.0.1 for a test, with two releases, and
// clients that speak to it byte for byte.
#pragma once

#include <httplib.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "service_process.h"
#include "service_test_support.h"
#include "support/temp_folder.h"

// A connected socket to the service, with a bounded receive wait; -1 when it cannot connect.
int ConnectTo(int port);
// Everything the service sends until it closes (or 10 s of silence).
std::string ReadToEnd(int fd);
// A request written byte for byte like the installer's socket downloader; the raw response.
std::string RawGet(int port, const std::string& path, const std::string& range = "bytes=0-");
// The response head with its last line end; the body behind the head.
std::string HeadOf(const std::string& response);
std::string BodyOf(const std::string& response);
// Bytes that differ from offset to offset, so a body from the wrong offset shows.
std::string PatternBytes(size_t size);

class ServiceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteRelease(temp / "student", EntryJson("TavoraStudent", "1,0,0,0", "/releases/1.0.0.0/"));
    WriteRelease(temp / "teacher", EntryJson("TavoraTeacher", "2,0,0,0", "/teacher/2.0.0.0/"));
  }

  void StartService(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"--release", (temp / "student").string(), "--release",
                                       (temp / "teacher").string(), "--listen", "127.0.0.1:0",
                                       "--reports", (temp / "reports.txt").string()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ASSERT_TRUE(service.Start(arguments)) << service.Errors();
    client = std::make_unique<httplib::Client>("127.0.0.1", service.Port());
    client->set_url_encode(false);
    client->set_read_timeout(10, 0);
  }

  httplib::Result Get(const std::string& target) { return client->Get(target.c_str()); }

  TempFolder temp;
  ServiceProcess service;
  std::unique_ptr<httplib::Client> client;
};

