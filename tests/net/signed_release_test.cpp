// The installer's code as a program built with a release key runs it: this test program
// carries the public half of tests/support/keys/release-test-key.pem as its release key
// resource, as TavoraStudentInstaller.exe does when TAVORA_RELEASE_PUBLIC_KEY is set.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "base/utf8_text.h"
#include "net/download_impl.h"
#include "net/download_messages.h"
#include "net/release_trust.h"
#include "net/update_helper.h"
#include "net/update_reply.h"
#include "support/download_text.h"
#include "support/entry_mutations.h"
#include "support/scripted_http_server.h"
#include "support/temp_folder.h"
#include "support/zip_builder.h"

namespace {

using Reply = ScriptedHttpServer::Reply;

Reply Serving(const std::string& bytes) {
  return Reply().Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n").Send(bytes);
}

std::string Sha256Text(const std::string& bytes) {
  TempFolder temp;
  WriteFileBytes(temp / "f", bytes);
  std::string hex;
  EXPECT_TRUE(FileSha256Hex((temp / "f").wstring(), hex));
  return hex;
}

// The entry of release_signature_test.cpp, signed with the test key by openssl.
const char kSignedEntry[] =
    R"({"AppName":"TavoraStudent","MainVersion":"1,1,0,0",)"
    R"("DownloadUrls":["http://127.0.0.1:18080/releases/1.1.0.0/"],)"
    R"("Modules":[)"
    R"({"name":"TavoraCore-0123456789abcdef.dll","bytes":1234,"version":"1.1.0.0","registerdll":"false",)"
    R"("Sha256":"0d45f5fd462b8c70bffb10021ac1bcff3f58f29b1faf7568595095427d42812c"},)"
    R"({"name":"config-fedcba9876543210.ini","bytes":"56","version":"0.0.0.0","registerdll":"false",)"
    R"("mustupdate":"false","Sha256":"b79606fb3afea5bd1609ed40b622142f1c98125abcfe89a76a661b0e8e343910"}],)"
    R"("InstallPackageNew":{"name":"TavoraStudent-00112233445566ff.zip","bytes":9999,)"
    R"("Sha256":"bc4a71180870f7945155fbb02f4b0a2e3faa2a62d6d31b7039013055ed19869a"},)"
    R"("Signature":"8553a453b81ab45da2793d2cd9b2fecffe6c6c7792593897e9cf7f1114218da1)"
    R"(80455dfe5e593899714b43910be338bc10e1ddaaf3aa9e8e45539491beadbcc0"})";

std::string ListOf(const std::string& entry) { return "{\"AppUpdateList\":[" + entry + "]}"; }

class SignedDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.MakeCurrent();
    window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }

  DownloadTask Task(const ScriptedHttpServer& server, const std::string& served, const std::string& sha256) {
    DownloadTask task;
    task.url = Wide(server.Url("/rel/a.dll.gz"));
    task.archivePath = (temp.path() / L"a.dll.gz").wstring();
    // The check value of what is served: only the SHA-256 can tell other bytes apart.
    task.checkValue = Wide(CheckValueText(served));
    task.sha256 = Wide(sha256);
    return task;
  }

  // Runs the worker over tasks until its final message; true for done, false for failed.
  bool Run(DownloadTaskList& tasks, std::wstring& failureLines) {
    CDownloadImpl worker(&tasks, window);
    worker.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int final = 0;
    while (!final && std::chrono::steady_clock::now() < deadline) {
      MSG message;
      while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
        if (message.message == WM_DOWNLOAD_DONE || message.message == WM_DOWNLOAD_FAILED) final = message.message;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(final, 0) << "no final message within 20 s";
    failureLines = worker.JoinAndTakeFailureLines();
    return final == WM_DOWNLOAD_DONE;
  }

  TempFolder temp;
  HWND window = nullptr;
};

}  // namespace

TEST(SignedProgram, CarriesTheTestReleaseKey) {
  const ReleaseTrust& trust = ProgramReleaseTrust();
  EXPECT_TRUE(trust.required);
  ASSERT_TRUE(trust.usable);
  ReleaseKey key;
  ASSERT_TRUE(ParseReleaseKey(TAVORA_TEST_RELEASE_KEY, key));
  EXPECT_EQ(memcmp(trust.key.point, key.point, sizeof key.point), 0);
}

TEST_F(SignedDownload, ArchiveWithItsSignedSha256IsExpanded) {
  const std::string gz = GzipBytes("the module's bytes");
  ScriptedHttpServer server({Serving(gz)});
  DownloadTaskList tasks = {Task(server, gz, Sha256Text(gz))};
  std::wstring lines;
  EXPECT_TRUE(Run(tasks, lines));
  EXPECT_EQ(lines, L"");
  EXPECT_EQ(ReadFileBytes(temp / "a.dll"), "the module's bytes");
}

TEST_F(SignedDownload, OtherBytesWithTheirOwnCheckValueAreNeitherCheckedFurtherNorExpanded) {
  const std::string published = GzipBytes("the module's bytes"), other = GzipBytes("someone else's program");
  ScriptedHttpServer server({Serving(other)});
  DownloadTaskList tasks = {Task(server, other, Sha256Text(published))};
  std::wstring lines;
  EXPECT_FALSE(Run(tasks, lines));
  EXPECT_EQ(lines, L"CheckFileSha256(" + tasks[0].url + L") failed\r\n");
  EXPECT_FALSE(std::filesystem::exists(temp / "a.dll"));
  EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST_F(SignedDownload, TaskWithoutASignedSha256NeverPasses) {
  const std::string gz = GzipBytes("the module's bytes");
  ScriptedHttpServer server({Serving(gz)});
  DownloadTaskList tasks = {Task(server, gz, "")};
  std::wstring lines;
  EXPECT_FALSE(Run(tasks, lines));
  EXPECT_EQ(lines, L"CheckFileSha256(" + tasks[0].url + L") failed: the release gives no SHA-256 for it\r\n");
  EXPECT_FALSE(std::filesystem::exists(temp / "a.dll"));
}

TEST(SignedUpdateList, EntrySignedWithTheKeyIsTakenOver) {
  ScriptedHttpServer server({Reply::Json(200, ListOf(kSignedEntry))});
  CUpdateHelperEx helper;
  helper.SetServiceHosts(server.Host(), server.Host());
  ASSERT_TRUE(helper.FetchUpdateList(L"TavoraStudent"));
  EXPECT_EQ(helper.m_releaseRefusal, L"");
  EXPECT_EQ(helper.m_mainVersion, L"1,1,0,0");
  EXPECT_NE(helper.m_response.find(L"TavoraCore-0123456789abcdef.dll"), std::wstring::npos);
}

TEST(SignedUpdateList, UnsignedOrChangedEntryIsRefusedAndNothingOfItTakenOver) {
  std::string unsignedEntry = kSignedEntry;
  unsignedEntry.erase(unsignedEntry.find(",\"Signature\""));
  unsignedEntry += "}";
  std::string changed = kSignedEntry;
  changed.replace(changed.find("\"1,1,0,0\""), 9, "\"9,9,9,9\"");
  const struct {
    std::string entry;
    std::wstring refusal;
  } cases[] = {
      {unsignedEntry, L"CheckReleaseSignature(TavoraStudent) failed: the entry has no signature\r\n"},
      {changed, L"CheckReleaseSignature(TavoraStudent) failed: the signature does not match the entry and the release key\r\n"},
  };
  for (const auto& test : cases) {
    ScriptedHttpServer server({Reply::Json(200, ListOf(test.entry))});
    CUpdateHelperEx helper;
    helper.SetServiceHosts(server.Host(), server.Host());
    EXPECT_FALSE(helper.FetchUpdateList(L"TavoraStudent"));
    EXPECT_EQ(helper.m_releaseRefusal, test.refusal);
    EXPECT_EQ(helper.m_response, L"");
    EXPECT_EQ(helper.m_mainVersion, L"");
    EXPECT_EQ(helper.m_downloadBaseUrl, L"");
  }
}

// tavora-publish of the host tree signed a release with the test key (fixture signed_release):
// its entry, read back as the installer reads it out of the service's list, verifies under
// Wine with the system's provider, and every single change of a signed member breaks it.
TEST(PublishedSignedRelease, SignatureHoldsAndEverySignedChangeBreaksIt) {
  const std::string published = ReadFileBytes(std::filesystem::path(TAVORA_SIGNED_RELEASE) / "entry.json");
  ASSERT_FALSE(published.empty());
  UpdateEntry entry;
  ASSERT_TRUE(ChooseUpdateEntry(Utf8ToWide(ListOf(published)), L"TavoraStudent", entry));
  ASSERT_NE(entry.entryJson.find(L"\"Sha256\""), std::wstring::npos);
  std::wstring refusal;
  EXPECT_TRUE(AcceptReleaseEntry(L"TavoraStudent", entry.entryJson, refusal)) << WideToUtf8(refusal);

  const std::vector<EntryMutation> changes = SingleMemberChanges(entry.entryJson);
  ASSERT_GT(changes.size(), 30u);
  for (const EntryMutation& change : changes) {
    refusal.clear();
    EXPECT_EQ(AcceptReleaseEntry(L"TavoraStudent", change.json, refusal), !change.signedMember) << change.what;
  }
}
