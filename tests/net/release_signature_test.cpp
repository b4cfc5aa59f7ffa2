#include "net/release_signature.h"

#include <gtest/gtest.h>

#include <string>

#include "support/entry_mutations.h"
#include "support/temp_folder.h"

namespace {

// The entry of release_canonical_test.cpp, signed by openssl with tests/support/keys/release-test-key.pem
// (openssl dgst -sha256 -sign over its signed text, the DER's r and s written out).
const wchar_t kSignedEntry[] =
    LR"({"AppName":"TavoraStudent","MainVersion":"1,1,0,0",)"
    LR"("DownloadUrls":["http://127.0.0.1:18080/releases/1.1.0.0/"],)"
    LR"("Modules":[)"
    LR"({"name":"TavoraCore-0123456789abcdef.dll","bytes":1234,"version":"1.1.0.0","registerdll":"false",)"
    LR"("Sha256":"0d45f5fd462b8c70bffb10021ac1bcff3f58f29b1faf7568595095427d42812c"},)"
    LR"({"name":"config-fedcba9876543210.ini","bytes":"56","version":"0.0.0.0","registerdll":"false",)"
    LR"("mustupdate":"false","Sha256":"b79606fb3afea5bd1609ed40b622142f1c98125abcfe89a76a661b0e8e343910"}],)"
    LR"("InstallPackageNew":{"name":"TavoraStudent-00112233445566ff.zip","bytes":9999,)"
    LR"("Sha256":"bc4a71180870f7945155fbb02f4b0a2e3faa2a62d6d31b7039013055ed19869a"},)"
    LR"("Signature":"8553a453b81ab45da2793d2cd9b2fecffe6c6c7792593897e9cf7f1114218da1)"
    LR"(80455dfe5e593899714b43910be338bc10e1ddaaf3aa9e8e45539491beadbcc0"})";

ReleaseKey TestKey() {
  ReleaseKey key;
  EXPECT_TRUE(ParseReleaseKey(TAVORA_TEST_RELEASE_KEY, key));
  return key;
}

EntryCheck Check(const std::wstring& entry, const ReleaseKey& key = TestKey()) {
  std::string detail;
  return CheckReleaseEntry(entry, key, detail);
}

}  // namespace

TEST(ReleaseKey, OnlyAnUncompressedPointOf130DigitsIsAKey) {
  ReleaseKey key;
  const std::string good = TAVORA_TEST_RELEASE_KEY;
  EXPECT_TRUE(ParseReleaseKey(good, key));
  EXPECT_EQ(key.point[0], 0x04);
  std::string upper = good;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(ParseReleaseKey(upper, key));
  EXPECT_FALSE(ParseReleaseKey(good.substr(0, 128), key));
  EXPECT_FALSE(ParseReleaseKey("03" + good.substr(2), key)) << "a compressed point";
  EXPECT_FALSE(ParseReleaseKey(good.substr(0, 129) + "g", key));
  EXPECT_FALSE(ParseReleaseKey("", key));
}

TEST(ReleaseEntry, SignatureOfTheOpensslVectorHolds) { EXPECT_EQ(Check(kSignedEntry), EntryCheck::kSigned); }

TEST(ReleaseEntry, EverySingleSignedChangeBreaksTheSignatureAndMirrorsDoNot) {
  const std::vector<EntryMutation> changes = SingleMemberChanges(kSignedEntry);
  ASSERT_GT(changes.size(), 40u);
  for (const EntryMutation& change : changes) {
    const EntryCheck check = Check(change.json);
    if (change.signedMember) {
      EXPECT_NE(check, EntryCheck::kSigned) << change.what;
    } else {
      EXPECT_EQ(check, EntryCheck::kSigned) << change.what;
    }
  }
}

TEST(ReleaseEntry, AnotherKeyDoesNotVerifyIt) {
  std::string other = TAVORA_TEST_RELEASE_KEY;
  // The base point of P-256 is a key too: a valid point whose private half is 1.
  other = "046b17d1f2e12c4247f8bce6e563a440f277037d812deb33a0f4a13945d898c2964fe342e2fe1a7f9b8ee7eb4a7c0f9e162bce33576b315ececbb6406837bf51f5";
  ReleaseKey key;
  ASSERT_TRUE(ParseReleaseKey(other, key));
  EXPECT_EQ(Check(kSignedEntry, key), EntryCheck::kMismatch);
}

TEST(ReleaseEntry, PointOffTheCurveVerifiesNothing) {
  std::string offCurve = TAVORA_TEST_RELEASE_KEY;
  offCurve.back() = offCurve.back() == '0' ? '1' : '0';
  ReleaseKey key;
  ASSERT_TRUE(ParseReleaseKey(offCurve, key));
  EXPECT_EQ(Check(kSignedEntry, key), EntryCheck::kMismatch);
}

TEST(ReleaseEntry, EachFailureHasItsOwnResultAndReportLine) {
  std::wstring unsignedEntry = kSignedEntry;
  unsignedEntry.erase(unsignedEntry.find(L",\"Signature\""));
  unsignedEntry += L"}";
  EXPECT_EQ(Check(unsignedEntry), EntryCheck::kUnsigned);

  std::wstring upper = kSignedEntry;
  upper.replace(upper.find(L"8553a4"), 6, L"8553A4");
  EXPECT_EQ(Check(upper), EntryCheck::kMalformedSignature) << "upper-case digits are not the published form";
  std::wstring twice = kSignedEntry;
  twice.insert(1, L"\"signature\":\"00\",");
  EXPECT_EQ(Check(twice), EntryCheck::kMalformedSignature);

  std::wstring noDigest = kSignedEntry;
  noDigest.replace(noDigest.find(L"\"Sha256\":\"bc4a"), 10, L"\"Other\":\"");
  std::string detail;
  EXPECT_EQ(CheckReleaseEntry(noDigest, TestKey(), detail), EntryCheck::kUnsignable);
  EXPECT_EQ(detail, "InstallPackageNew.Sha256 is missing in InstallPackageNew");
  EXPECT_EQ(Check(L"not json"), EntryCheck::kNotJson);
  EXPECT_EQ(Check(L"\"a text\""), EntryCheck::kNotJson);

  EXPECT_EQ(EntryCheckFailureLine(L"TavoraStudent", EntryCheck::kUnsigned, ""),
            L"CheckReleaseSignature(TavoraStudent) failed: the entry has no signature\r\n");
  EXPECT_EQ(EntryCheckFailureLine(L"TavoraStudent", EntryCheck::kUnsignable, detail),
            L"CheckReleaseSignature(TavoraStudent) failed: the entry cannot be signed: "
            L"InstallPackageNew.Sha256 is missing in InstallPackageNew\r\n");
  EXPECT_EQ(EntryCheckFailureLine(L"TavoraStudent", EntryCheck::kMismatch, ""),
            L"CheckReleaseSignature(TavoraStudent) failed: the signature does not match the entry and the release key\r\n");
  EXPECT_EQ(EntryCheckFailureLine(L"TavoraStudent", EntryCheck::kSigned, ""), L"");
}

TEST(FileSha256, DigestOfAFileAndItsExactComparison) {
  TempFolder temp;
  WriteFileBytes(temp / "abc", "abc");
  std::string hex;
  ASSERT_TRUE(FileSha256Hex((temp / "abc").native(), hex));
  EXPECT_EQ(hex, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_TRUE(FileMatchesSha256((temp / "abc").native(), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
  EXPECT_FALSE(FileMatchesSha256((temp / "abc").native(), L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"));
  EXPECT_FALSE(FileMatchesSha256((temp / "abc").native(), L""));
  EXPECT_FALSE(FileMatchesSha256((temp / "missing").native(), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
  // A million bytes: more than one read.
  WriteFileBytes(temp / "big", std::string(1000000, 'a'));
  ASSERT_TRUE(FileSha256Hex((temp / "big").native(), hex));
  EXPECT_EQ(hex, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
