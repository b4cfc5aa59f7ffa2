// tavora-service: the reference update service (time, update list, reports, release files).
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "service/release_catalog.h"
#include "service/service_options.h"
#include "service/update_service.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  ServiceOptions options;
  std::string error;
  if (!ParseServiceOptions(arguments, options, error)) {
    std::fprintf(stderr, "tavora-service: %s\n%s", error.c_str(), ServiceUsage());
    return 2;
  }
  if (options.showHelp) {
    std::fputs(ServiceUsage(), stdout);
    return 0;
  }
  std::string probe;
  if (!TripleDesOfb("probe", options.key, probe)) {
    std::fprintf(stderr, "tavora-service: the crypto library does not start (libgcrypt too old?)\n");
    return 2;
  }
  std::vector<Release> releases;
  if (!LoadReleases(options.releaseDirs, releases, error)) {
    std::fprintf(stderr, "tavora-service: %s\n", error.c_str());
    return 2;
  }

  // SIGINT and SIGTERM are taken by one waiting thread, never by a handler interrupting the
  // server; they are blocked before any other thread exists so every thread inherits that.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  // Every connection is a descriptor and every download one more: a room of a few hundred
  // installers passes the usual soft limit of 1024.
  rlimit files = {};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }

  CUpdateService service(options, releases);
  if (!service.Bind(error)) {
    std::fprintf(stderr, "tavora-service: %s\n", error.c_str());
    return 1;
  }
  std::printf("tavora-service: listening on http://%s:%d/\n", options.listenHost.c_str(),
              service.Port());
  for (const Release& release : releases) {
    std::printf("tavora-service: %s from %s at %s\n", release.appName.c_str(), release.dir.c_str(),
                release.urlPath.c_str());
  }
  if (service.StatusPort() > 0) {
    std::printf("tavora-service: status page on http://%s:%d/\n", options.statusHost.c_str(), service.StatusPort());
  }
  std::printf("tavora-service: reports go to %s\n",
              options.reportsFile.empty() ? "this output" : options.reportsFile.c_str());
  std::fflush(stdout);

  std::thread signalWaiter([&service, &stopSignals] {
    int received = 0;
    sigwait(&stopSignals, &received);
    service.Stop();
  });
  const bool served = service.Run();
  // When the listener ended by itself, the waiting thread still needs its signal.
  if (!served) kill(getpid(), SIGTERM);
  signalWaiter.join();
  std::printf("tavora-service: stopped\n");
  std::fflush(stdout);
  return served ? 0 : 1;
}
