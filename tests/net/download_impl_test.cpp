#include "net/download_impl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/check_value.h"
#include "net/download_messages.h"
#include "support/download_text.h"
#include "support/refusing_queue.h"
#include "support/scripted_http_server.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

using Reply = ScriptedHttpServer::Reply;

Reply Serving(const std::string& bytes) {
  return Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n")
      .Pause(20)
      .Send(bytes);
}

std::string Content(const std::string& seed, size_t size) {
  std::string bytes;
  while (bytes.size() < size) bytes += seed + std::to_string(bytes.size()) + "\n";
  bytes.resize(size);
  return bytes;
}

class DownloadWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.MakeCurrent();  // the log "./quill.log" lands here
    window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  DownloadTask Task(const ScriptedHttpServer& server, const std::string& name, const std::wstring& checkValue) {
    DownloadTask task;
    task.url = Wide(server.Url("/rel/" + name + ".gz"));
    task.archivePath = (temp.path() / Wide(name + ".gz")).wstring();
    task.checkValue = checkValue;
    return task;
  }

  struct Outcome {
    int done = 0;
    int failed = 0;
    int progress = 0;
    uint64_t progressBytes = 0;  // the wParams added up
    bool progressAfterFinal = false;
  };
  // Pumps this thread's messages until the worker has ended and a little longer, so that a
  // second final message would be seen too.
  Outcome Pump(CDownloadImpl& worker) {
    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto settle = std::chrono::steady_clock::time_point::max();
    while (std::chrono::steady_clock::now() < std::min(deadline, settle)) {
      MSG message;
      while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
        if (message.message == WM_DOWNLOAD_DONE) ++outcome.done;
        if (message.message == WM_DOWNLOAD_FAILED) ++outcome.failed;
        if (message.message == WM_DOWNLOAD_PROGRESS) {
          ++outcome.progress;
          outcome.progressBytes += message.wParam;
          if (outcome.done + outcome.failed > 0) outcome.progressAfterFinal = true;
        }
        if ((message.message == WM_DOWNLOAD_DONE || message.message == WM_DOWNLOAD_FAILED) &&
            settle == std::chrono::steady_clock::time_point::max()) {
          settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.StopAndJoin();
    return outcome;
  }

  // Runs tasks through a worker of the fixture's and pumps until it ended.
  Outcome Run(const DownloadTaskList& tasks) {
    worker = std::make_unique<CDownloadImpl>(&tasks, window);
    worker->Start();
    return Pump(*worker);
  }

  TempFolder temp;
  HWND window = nullptr;
  std::unique_ptr<CDownloadImpl> worker;
};

}  // namespace

TEST_F(DownloadWorker, SecondTaskFailingItsCheckEndsTheRun) {
  const std::string first = Content("first", 30000), second = Content("second", 20000), third = Content("third", 100);
  const std::string firstGz = GzipBytes(first), secondGz = GzipBytes(second), thirdGz = GzipBytes(third);
  ScriptedHttpServer server({Serving(firstGz), Serving(secondGz), Serving(thirdGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(firstGz))),
                            Task(server, "b.dll", Wide(CheckValueText(secondGz + "x"))),
                            Task(server, "c.dll", Wide(CheckValueText(thirdGz)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);

  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_GT(outcome.progress, 0);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), first);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll.gz"), firstGz) << "archives stay on disk";
  EXPECT_EQ(ReadFileBytes(temp / "b.dll.gz"), secondGz);
  EXPECT_FALSE(std::filesystem::exists(temp / "b.dll"));
  EXPECT_FALSE(std::filesystem::exists(temp / "c.dll.gz"));
  EXPECT_EQ(server.ConnectionCount(), 2) << "the third task is never requested";
  EXPECT_EQ(worker.m_downloader->m_errorText, L"CheckFileMd5(" + tasks[1].url + L") failed\r\n");

  const std::string log = ReadFileBytes(temp / "quill.log");
  EXPECT_NE(log.find("dbg fileUrl = " + server.Url("/rel/a.dll.gz") + ", filepath = " +
                     (temp / "a.dll.gz").string() + ", download = sucess\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("dbg fileUrl = " + server.Url("/rel/b.dll.gz")), std::string::npos) << log;
  EXPECT_EQ(log.find("c.dll.gz"), std::string::npos) << log;
}

TEST_F(DownloadWorker, EveryTaskDoneEndsWithDone) {
  const std::string a = Content("alpha", 70000), b = Content("beta", 5);
  const std::string aGz = GzipBytes(a), bGz = GzipBytes(b);
  ScriptedHttpServer server({Serving(aGz), Serving(bGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz))), Task(server, "b.ini", Wide(CheckValueText(bGz)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), a);
  EXPECT_EQ(ReadFileBytes(temp / "b.ini"), b);
  EXPECT_EQ(worker.m_downloader->m_errorText, L"");
  EXPECT_EQ(worker.m_downloader->m_bytesTotal, static_cast<int32_t>(aGz.size() + bGz.size()));
  EXPECT_EQ(outcome.progressBytes, aGz.size() + bGz.size());
}

TEST_F(DownloadWorker, ProgramWithoutAReleaseKeyLeavesTheSha256Unread) {
  const std::string a = Content("alpha", 3000);
  const std::string aGz = GzipBytes(a);
  ScriptedHttpServer server({Serving(aGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz)))};
  tasks[0].sha256 = std::wstring(64, L'0');
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), a);
  EXPECT_EQ(worker.m_downloader->m_errorText, L"");
}

TEST_F(DownloadWorker, ArchiveCutAt60PercentIsResumedOrStartedAgainAndPassesItsCheck) {
  const std::string content = Content("package", 200000);
  const std::string gz = GzipBytes(content);
  const size_t cut = gz.size() * 60 / 100;
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(gz.size()) + "\r\n\r\n";
  const std::string range = "bytes " + std::to_string(cut) + "-" + std::to_string(gz.size() - 1) + "/" + std::to_string(gz.size());
  for (const Reply& second : {Reply().Send("HTTP/1.1 206 Partial Content\r\nContent-Range: " + range + "\r\n\r\n").Pause(20).Send(gz.substr(cut)),
                              Serving(gz)}) {
    ScriptedHttpServer server({Reply().Send(head).Pause(20).Send(gz.substr(0, cut)), second});
    const Outcome outcome = Run({Task(server, "a.dll", Wide(CheckValueText(gz)))});
    EXPECT_EQ(outcome.done, 1);
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_EQ(ReadFileBytes(temp / "a.dll"), content);
    EXPECT_EQ(server.ConnectionCount(), 2) << "one extra request";
    EXPECT_EQ(outcome.progressBytes, gz.size()) << "the bar ends at the file's size";
  }
}

TEST_F(DownloadWorker, FailedMirrorsAreLeftForTheNextUntilOneServes) {
  // The chosen server refuses, the next mirror serves a damaged file, the last one serves it whole.
  const std::string content = Content("module", 40000);
  const std::string gz = GzipBytes(content);
  ScriptedHttpServer chosen({Reply().Send("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 4\r\n\r\nbusy")});
  ScriptedHttpServer damaged({Serving(gz.substr(0, gz.size() - 1) + "x")});
  ScriptedHttpServer whole({Serving(gz)});
  DownloadTask task = Task(chosen, "a.dll", Wide(CheckValueText(gz)));
  task.mirrorUrls = {Wide(damaged.Url("/rel/a.dll.gz")), Wide(whole.Url("/rel/a.dll.gz"))};
  const Outcome outcome = Run({task});
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), content);
  EXPECT_EQ(chosen.ConnectionCount() + damaged.ConnectionCount() + whole.ConnectionCount(), 3);
  const std::string log = ReadFileBytes(temp / "quill.log");
  EXPECT_NE(log.find("mirror failed: " + chosen.Url("/rel/a.dll.gz") + "; next: " + damaged.Url("/rel/a.dll.gz")),
            std::string::npos) << log;
  EXPECT_NE(log.find("mirror failed: " + damaged.Url("/rel/a.dll.gz") + "; next: " + whole.Url("/rel/a.dll.gz")),
            std::string::npos) << log;
}

TEST_F(DownloadWorker, EveryMirrorFailingEndsOnceWithEveryLine) {
  ScriptedHttpServer chosen({Reply().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!")});
  ScriptedHttpServer mirror({Reply().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!")});
  DownloadTask task = Task(chosen, "a.dll", L"0123456789abcdef");
  task.mirrorUrls = {Wide(mirror.Url("/rel/a.dll.gz"))};
  const Outcome outcome = Run({task});
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_EQ(worker->m_downloader->m_errorText,
            L"Download File Failed, errorcode (-99), file name (" + task.url + L")\r\n"
            L"Download File Failed, errorcode (-99), file name (" + task.mirrorUrls[0] + L")\r\n");
}

TEST_F(DownloadWorker, WindowThatStopsReadingItsQueueStillGetsEveryByteAndDone) {
  // 64 MiB that do not compress, in stored gzip blocks: the archive is as large as the file.
  std::string content(64 * 1024 * 1024, '\0');
  uint32_t state = 0x2545F491;
  for (char& c : content) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  const std::string archive = GzipBytes(content, 0);
  ScriptedHttpServer server({Serving(archive)});
  DownloadTaskList tasks = {Task(server, "big.dll", Wide(CheckValueText(archive)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();

  // The window thread reads nothing for at least 2 s, and until the whole archive is on disk.
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(60);
  std::error_code error;
  while (std::chrono::steady_clock::now() < deadline &&
         (std::chrono::steady_clock::now() - start < std::chrono::seconds(2) ||
          std::filesystem::file_size(temp / "big.dll.gz", error) != archive.size())) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(std::filesystem::file_size(temp / "big.dll.gz", error), archive.size());

  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_FALSE(outcome.progressAfterFinal) << "every report comes before the done message";
  EXPECT_EQ(outcome.progressBytes, static_cast<uint64_t>(worker.m_downloader->m_bytesTotal));
  // Bytes that came with the header are not counted; they fit one header receive.
  EXPECT_LE(worker.m_downloader->m_bytesTotal, static_cast<int32_t>(archive.size()));
  EXPECT_GT(worker.m_downloader->m_bytesTotal, static_cast<int32_t>(archive.size()) - 4096);
  // A report per 50 ms at most, however fast the body came.
  EXPECT_LT(outcome.progress, 2000) << "the queue was flooded";
  EXPECT_EQ(std::filesystem::file_size(temp / "big.dll", error), content.size());
  EXPECT_TRUE(ReadFileBytes(temp / "big.dll") == content);
}

TEST_F(DownloadWorker, EmptyListFailsOnce) {
  DownloadTaskList tasks;
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_EQ(worker.m_downloader->m_errorText, L"");
}

TEST_F(DownloadWorker, NullNotifyWindowDoesTheSameWorkSilently) {
  const std::string a = Content("alpha", 9000);
  const std::string aGz = GzipBytes(a);
  ScriptedHttpServer server({Serving(aGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz)))};
  {
    CDownloadImpl worker(&tasks, nullptr);
    worker.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(temp / "a.dll") && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.m_thread->join();
    EXPECT_EQ(worker.m_downloader->m_errorText, L"");
  }
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), a);
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_DOWNLOAD_PROGRESS, WM_DOWNLOAD_FAILED, PM_REMOVE));
}

TEST_F(DownloadWorker, EmptyGzipStreamExpandsToAnEmptyFile) {
  const std::string emptyGz = GzipBytes("");
  ScriptedHttpServer server({Serving(emptyGz)});
  WriteFileBytes(temp / "config.ini", "old");
  DownloadTaskList tasks = {Task(server, "config.ini", Wide(CheckValueText(emptyGz)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.failed, 0);
  ASSERT_TRUE(std::filesystem::exists(temp / "config.ini"));
  EXPECT_EQ(std::filesystem::file_size(temp / "config.ini"), 0u);
}

TEST_F(DownloadWorker, TruncatedGzipFailsWithoutALine) {
  const std::string whole = GzipBytes(Content("gamma", 50000));
  const std::string cut = whole.substr(0, whole.size() / 2);
  ScriptedHttpServer server({Serving(cut)});
  DownloadTaskList tasks = {Task(server, "c.dll", Wide(CheckValueText(cut)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_EQ(worker.m_downloader->m_errorText, L"");
}

TEST_F(DownloadWorker, DamagedGzipFails) {
  std::string damaged = GzipBytes(Content("delta", 50000));
  damaged[damaged.size() - 6] ^= 0x55;  // inside the stored CRC
  ScriptedHttpServer server({Serving(damaged)});
  DownloadTaskList tasks = {Task(server, "d.dll", Wide(CheckValueText(damaged)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_EQ(outcome.done, 0);
  EXPECT_FALSE(std::filesystem::exists(temp / "d.dll"));
  EXPECT_FALSE(std::filesystem::exists(temp / "d.dll.expanding"));
}

TEST_F(DownloadWorker, FailedCheckLeavesAnEarlierOutputAsItWas) {
  const std::string aGz = GzipBytes(Content("alpha", 300000));
  ScriptedHttpServer server({Serving(aGz)});
  WriteFileBytes(temp / "a.dll", "earlier");
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz + "x")))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  EXPECT_EQ(Pump(worker).failed, 1);
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), "earlier");
  for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
    EXPECT_NE(entry.path().extension(), ".expanding") << "nothing half expanded stays behind";
  }
}

TEST_F(DownloadWorker, UpperCaseCheckValueNeverMatches) {
  const std::string aGz = GzipBytes(Content("alpha", 100));
  std::wstring upper = Wide(CheckValueText(aGz));
  for (wchar_t& c : upper) c = towupper(c);
  ASSERT_NE(upper, Wide(CheckValueText(aGz))) << "the value must hold a letter";
  ScriptedHttpServer server({Serving(aGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", upper)};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  EXPECT_EQ(Pump(worker).failed, 1);
  EXPECT_EQ(worker.m_downloader->m_errorText, L"CheckFileMd5(" + tasks[0].url + L") failed\r\n");
}

TEST_F(DownloadWorker, FailedDownloadLeavesTheDownloadersLine) {
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!")});
  DownloadTaskList tasks = {Task(server, "a.dll", L"0123456789abcdef")};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  EXPECT_EQ(Pump(worker).failed, 1);
  EXPECT_EQ(worker.m_downloader->m_errorText,
            L"Download File Failed, errorcode (-99), file name (" + tasks[0].url + L")\r\n");
  EXPECT_NE(ReadFileBytes(temp / "quill.log").find(", download = failed\r\n"), std::string::npos);
}

TEST_F(DownloadWorker, StopDuringADownloadAddsTheUserLineAndFails) {
  const std::string big = Content("slow", 200000);
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n").Trickle(big, 500, 30)});
  DownloadTaskList tasks = {Task(server, "slow.dll", L"0123456789abcdef")};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  worker.StopAndJoin();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(worker.m_downloader->m_errorText,
            L"Download File Failed, errorcode (4), file name (" + tasks[0].url + L")\r\n" +
                L"User close download file(" + tasks[0].url + L") failed\r\n");
  MSG message;
  int failed = 0;
  while (PeekMessageW(&message, window, WM_DOWNLOAD_FAILED, WM_DOWNLOAD_FAILED, PM_REMOVE)) ++failed;
  EXPECT_EQ(failed, 1);
  EXPECT_EQ(ReadFileBytes(temp / "quill.log").find("slow.dll"), std::string::npos) << "no log line after a stop";
}

TEST_F(DownloadWorker, DestructorStopsAndJoinsARunningWorker) {
  const std::string big = Content("slow", 200000);
  ScriptedHttpServer server({Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n").Trickle(big, 500, 30)});
  DownloadTaskList tasks = {Task(server, "slow.dll", L"0123456789abcdef")};
  const auto start = std::chrono::steady_clock::now();
  {
    CDownloadImpl worker(&tasks, window);
    worker.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500)) << "not the 12 s the body would take";
}

TEST_F(DownloadWorker, StartAgainRunsTheListAgain) {
  const std::string aGz = GzipBytes(Content("alpha", 1000));
  ScriptedHttpServer server({Serving(aGz), Serving(aGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz)))};
  CDownloadImpl worker(&tasks, window);
  worker.Start();
  EXPECT_EQ(Pump(worker).done, 1);
  worker.Start();
  EXPECT_EQ(Pump(worker).done, 1);
  EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(DownloadWorker, FinalMessageRefusedByAFullQueueIsPostedAgain) {
  const std::string a = Content("alpha", 3000);
  const std::string aGz = GzipBytes(a);
  ScriptedHttpServer server({Serving(aGz)});
  DownloadTaskList tasks = {Task(server, "a.dll", Wide(CheckValueText(aGz)))};
  g_refusalsLeft = 5;
  g_postAttempts = 0;
  CDownloadImpl worker(&tasks, window);
  worker.m_finalPoster = RefusingPoster;
  worker.Start();
  const Outcome outcome = Pump(worker);
  EXPECT_EQ(outcome.done, 1);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_EQ(g_postAttempts, 6);
}

TEST_F(DownloadWorker, RefusedFinalMessageIsGivenUpWhenTheWindowStopsTheWorker) {
  DownloadTaskList tasks;
  g_refusalsLeft = 1 << 30;  // the queue never takes it
  g_postAttempts = 0;
  CDownloadImpl worker(&tasks, window);
  worker.m_finalPoster = RefusingPoster;
  worker.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (g_postAttempts < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GE(g_postAttempts, 3) << "the worker keeps trying while the window lives";
  const auto stopStart = std::chrono::steady_clock::now();
  worker.StopAndJoin();
  EXPECT_LT(std::chrono::steady_clock::now() - stopStart, std::chrono::seconds(2));
  g_refusalsLeft = 0;
}
