#include "net/release_canonical.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf8_text.h"

namespace {

const char kEntry[] =
    R"({"AppName":"TavoraStudent","MainVersion":"1,1,0,0",)"
    R"("DownloadUrls":["http://127.0.0.1:18080/releases/1.1.0.0/"],)"
    R"("Modules":[)"
    R"({"name":"TavoraCore-0123456789abcdef.dll","bytes":1234,"version":"1.1.0.0","registerdll":"false",)"
    R"("Sha256":"0d45f5fd462b8c70bffb10021ac1bcff3f58f29b1faf7568595095427d42812c"},)"
    R"({"name":"config-fedcba9876543210.ini","bytes":"56","version":"0.0.0.0","registerdll":"false",)"
    R"("mustupdate":"false","Sha256":"b79606fb3afea5bd1609ed40b622142f1c98125abcfe89a76a661b0e8e343910"}],)"
    R"("InstallPackageNew":{"name":"TavoraStudent-00112233445566ff.zip","bytes":9999,)"
    R"("Sha256":"bc4a71180870f7945155fbb02f4b0a2e3faa2a62d6d31b7039013055ed19869a"}})";

const char kEntryText[] =
    "tavora-release-signature-1\n"
    "AppName=TavoraStudent\n"
    "MainVersion=1,1,0,0\n"
    "Modules=2\n"
    "Module.name=TavoraCore-0123456789abcdef.dll\n"
    "Module.bytes=1234\n"
    "Module.version=1.1.0.0\n"
    "Module.registerdll=false\n"
    "Module.mustupdate\n"
    "Module.Sha256=0d45f5fd462b8c70bffb10021ac1bcff3f58f29b1faf7568595095427d42812c\n"
    "Module.name=config-fedcba9876543210.ini\n"
    "Module.bytes=56\n"
    "Module.version=0.0.0.0\n"
    "Module.registerdll=false\n"
    "Module.mustupdate=false\n"
    "Module.Sha256=b79606fb3afea5bd1609ed40b622142f1c98125abcfe89a76a661b0e8e343910\n"
    "InstallPackageNew.name=TavoraStudent-00112233445566ff.zip\n"
    "InstallPackageNew.bytes=9999\n"
    "InstallPackageNew.Sha256=bc4a71180870f7945155fbb02f4b0a2e3faa2a62d6d31b7039013055ed19869a\n";

struct Canonical {
  bool ok = false;
  std::string text;
  std::string reason;
};

Canonical Of(const std::string& json) {
  JsonTree entry;
  EXPECT_TRUE(ReadJsonTree(Utf8ToWide(json), entry)) << json;
  Canonical result;
  result.ok = CanonicalReleaseText(entry, result.text, result.reason);
  return result;
}

}  // namespace

TEST(ReleaseCanonicalText, EntryGivesOneLinePerSignedMemberInTheFixedOrder) {
  const Canonical canonical = Of(kEntry);
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text, kEntryText);
}

TEST(ReleaseCanonicalText, LetterCaseAndOrderOfKeysDoNotChangeIt) {
  const Canonical canonical = Of(
      R"({"modules":[{"SHA256":"0d45f5fd462b8c70bffb10021ac1bcff3f58f29b1faf7568595095427d42812c","NAME":"TavoraCore-0123456789abcdef.dll",)"
      R"("Version":"1.1.0.0","RegisterDll":"false","Bytes":"1234"},)"
      R"({"Sha256":"b79606fb3afea5bd1609ed40b622142f1c98125abcfe89a76a661b0e8e343910","MustUpdate":"false","name":"config-fedcba9876543210.ini",)"
      R"("bytes":56,"version":"0.0.0.0","registerdll":"false"}],)"
      R"("installpackagenew":{"sha256":"bc4a71180870f7945155fbb02f4b0a2e3faa2a62d6d31b7039013055ed19869a","bytes":"9999",)"
      R"("name":"TavoraStudent-00112233445566ff.zip"},"mainversion":"1,1,0,0","appname":"TavoraStudent"})");
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text, kEntryText);
}

TEST(ReleaseCanonicalText, MirrorsAndMembersTheInstallerDoesNotReadAreLeftOut) {
  std::string moved = kEntry;
  moved.replace(moved.find("http://127.0.0.1:18080/releases/1.1.0.0/"), 40,
                "http://mirror.example/a/\",\"http://mirror.example/b/");
  moved.insert(1, R"("Comment":"moved","Signature":"00",)");
  const Canonical canonical = Of(moved);
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text, kEntryText);
}

TEST(ReleaseCanonicalText, NoPackageAndNoModulesHaveLinesOfTheirOwn) {
  const Canonical canonical = Of(R"({"AppName":"A","MainVersion":"1","Modules":[]})");
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text, "tavora-release-signature-1\nAppName=A\nMainVersion=1\nModules=0\nInstallPackageNew\n");
}

TEST(ReleaseCanonicalText, ModulesAsAnObjectAreTakenInOrderWithoutTheirNames) {
  const Canonical canonical = Of(
      R"({"AppName":"A","MainVersion":"1","Modules":{"z":{"name":"n","bytes":"1","version":"v","registerdll":"true",)"
      R"("Sha256":"s"}}})");
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text,
            "tavora-release-signature-1\nAppName=A\nMainVersion=1\nModules=1\nModule.name=n\nModule.bytes=1\n"
            "Module.version=v\nModule.registerdll=true\nModule.mustupdate\nModule.Sha256=s\nInstallPackageNew\n");
}

TEST(ReleaseCanonicalText, TextBeyondAsciiIsUtf8AndAPairIsOneCharacter) {
  // "学生" as written and as escapes, and U+1F600 as a surrogate pair: the same bytes in both trees.
  const Canonical canonical = Of("{\"AppName\":\"\xE5\xAD\xA6\\u751f\\ud83d\\ude00\",\"MainVersion\":\"1\",\"Modules\":[]}");
  ASSERT_TRUE(canonical.ok) << canonical.reason;
  EXPECT_EQ(canonical.text,
            "tavora-release-signature-1\nAppName=\xE5\xAD\xA6\xE7\x94\x9F\xF0\x9F\x98\x80\nMainVersion=1\nModules=0\n"
            "InstallPackageNew\n");
}

TEST(ReleaseCanonicalText, EntriesThatCouldBeReadTwoWaysHaveNoSignedText) {
  const struct {
    const char* json;
    const char* reason;
  } cases[] = {
      {R"({"MainVersion":"1","Modules":[]})", "AppName is missing"},
      {R"({"AppName":"A","appname":"B","MainVersion":"1","Modules":[]})", "AppName appears more than once"},
      {R"({"AppName":"A","MainVersion":{"x":"1"},"Modules":[]})", "MainVersion is not a text"},
      {R"({"AppName":"A","MainVersion":"1"})", "Modules is missing"},
      {R"({"AppName":"A","MainVersion":"1","Modules":[],"MODULES":[]})", "Modules appears more than once"},
      {R"({"AppName":"A","MainVersion":"1","Modules":"x"})", "Modules is a text"},
      {R"({"AppName":"A","MainVersion":"1","Modules":["x"]})", "module 1 is a text"},
      {R"({"AppName":"A","MainVersion":"1","Modules":[{"name":"n","bytes":"1","version":"v","registerdll":"false"}]})",
       "Module.Sha256 is missing in module 1"},
      {R"({"AppName":"A","MainVersion":"1","Modules":[{"name":"n","Name":"m","bytes":"1","version":"v","registerdll":"false","Sha256":"s"}]})",
       "Module.name appears more than once in module 1"},
      {R"({"AppName":"A\nModules=0","MainVersion":"1","Modules":[]})", "AppName holds a control character"},
      {R"({"AppName":"A\ud800","MainVersion":"1","Modules":[]})", "AppName holds a control character or a lone surrogate"},
      {R"({"AppName":"A","MainVersion":"1","Modules":[],"InstallPackageNew":{"name":"p","bytes":"1"}})",
       "InstallPackageNew.Sha256 is missing in InstallPackageNew"},
      {R"({"AppName":"A","MainVersion":"1","Modules":[],"InstallPackageNew":{},"installpackagenew":{}})",
       "InstallPackageNew appears more than once"},
  };
  for (const auto& entry : cases) {
    JsonTree tree;
    // A lone surrogate may already stop the JSON reader; then there is nothing to sign either.
    if (!ReadJsonTree(Utf8ToWide(entry.json), tree)) continue;
    std::string text, reason;
    EXPECT_FALSE(CanonicalReleaseText(tree, text, reason)) << entry.json;
    EXPECT_NE(reason.find(entry.reason), std::string::npos) << entry.json << " gave: " << reason;
  }
}
