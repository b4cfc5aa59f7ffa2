#include "net/request_codec.h"

#include <gtest/gtest.h>

#include "net/request_codec_vectors.h"

namespace {

std::string Encrypt(const CipherVector& vector) {
  unsigned char key[kDesKeyBytes];
  EXPECT_TRUE(KeyFromHex(vector.keyHex, key));
  std::string cipher;
  EXPECT_TRUE(TripleDesOfb(vector.plain, key, cipher));
  return cipher;
}

}  // namespace

TEST(RequestCodec, EncryptionAndBase64MatchOpenSsl) {
  for (const CipherVector& vector : kCipherVectors) {
    const std::string cipher = Encrypt(vector);
    EXPECT_EQ(cipher.size(), vector.plain.size());
    EXPECT_EQ(Base64Encode(cipher), vector.base64) << vector.plain;
  }
}

TEST(RequestCodec, DecryptingTheReferenceGivesThePlainText) {
  for (const CipherVector& vector : kCipherVectors) {
    unsigned char key[kDesKeyBytes];
    ASSERT_TRUE(KeyFromHex(vector.keyHex, key));
    std::string cipher, plain;
    ASSERT_TRUE(Base64Decode(vector.base64, cipher));
    ASSERT_TRUE(TripleDesOfb(cipher, key, plain));
    EXPECT_EQ(plain, vector.plain);
  }
}

TEST(RequestCodec, ThirteenByteQueryGivesTwentyCharactersEndingInEscapedPadding) {
  const std::string base64 = Base64Encode(Encrypt(kCipherVectors[0]));
  ASSERT_EQ(base64.size(), 20u);
  EXPECT_EQ(base64.substr(18), "==");
  const std::string escaped = EscapeRequestData(base64);
  EXPECT_EQ(escaped.substr(escaped.size() - 6), "%3D%3D");
}

TEST(RequestCodec, Md5MatchesMd5sum) {
  for (const DigestVector& vector : kDigestVectors) {
    EXPECT_EQ(Md5HexOfBytes(vector.text), vector.md5);
  }
}

TEST(RequestCodec, SignatureIsDigestOfSaltDataAndTime) {
  EXPECT_EQ(RequestSignature("QelvoTavora24:", "I2XWiCM0D34d3fBgvg==", "1700000000"),
            "2edd376602b40b5b957f8e498ecdcc2d");
  EXPECT_TRUE(CheckRequestSignature("QelvoTavora24:", "I2XWiCM0D34d3fBgvg==", "1700000000",
                                    "2EDD376602B40B5B957F8E498ECDCC2D"));
  EXPECT_FALSE(CheckRequestSignature("QelvoTavora24:", "I2XWiCM0D34d3fBgvg==", "1700000001",
                                     "2edd376602b40b5b957f8e498ecdcc2d"));
  EXPECT_FALSE(CheckRequestSignature("QelvoTavora24:", "I2XWiCM0D34d3fBgvg==", "1700000000", ""));
  EXPECT_FALSE(CheckRequestSignature("QelvoTavora24:", "I2XWiCM0D34d3fBgvg==", "1700000000",
                                     "2edd376602b40b5b957f8e498ecdcc2z"));
}

TEST(RequestCodec, UpdateListQueryHoldsExactlyThreeFields) {
  std::string query;
  ASSERT_TRUE(BuildRequestQuery(ServiceRequestType::kUpdateVersionData, ReportFields{"reason", "b", "o"},
                                4294967295u, query));
  EXPECT_EQ(query, "REQUESTTYPE=IN_UpdateVersionData&TIMESTAMP=4294967295&FROMTYPE=CLIENT_PC");
}

TEST(RequestCodec, ReportQueryHoldsItsFieldsInOrderUnescaped) {
  std::string query;
  ASSERT_TRUE(BuildRequestQuery(ServiceRequestType::kUserInstallFailedReason,
                                ReportFields{"a&b=c", "11.0", "Windows 7 "}, 7, query));
  EXPECT_EQ(query,
            "REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA=a&b=c&BROWSER=11.0"
            "&OS=Windows 7 &UID=0&TIMESTAMP=7&FROMTYPE=CLIENT_PC");
}

TEST(RequestCodec, EmptyReasonStillGivesItsField) {
  std::string query;
  ASSERT_TRUE(BuildRequestQuery(ServiceRequestType::kUserUninstallReason, ReportFields{}, 0, query));
  EXPECT_EQ(query,
            "REQUESTTYPE=IN_SendUserUninstallReason&UNINSTALLREASONDATA=&BROWSER=&OS=&UID=0"
            "&TIMESTAMP=0&FROMTYPE=CLIENT_PC");
}

TEST(RequestCodec, EveryTableTypeHasItsText) {
  const std::pair<int, const char*> table[] = {
      {0, "Reversed"}, {1, "IN_UpdateVersionData"}, {2, "GetClientNewFeaturesJpg"},
      {3, "IN_SendUserUninstallReason"}, {4, "IN_SendUserInstallFailedReason"}, {5, "GetTimeStamp"}};
  for (const auto& row : table) {
    const ServiceRequestType type = static_cast<ServiceRequestType>(row.first);
    ASSERT_NE(RequestTypeText(type), nullptr);
    EXPECT_STREQ(RequestTypeText(type), row.second);
    std::string query;
    ASSERT_TRUE(BuildRequestQuery(type, ReportFields{}, 1, query));
    ServiceRequestType parsed = ServiceRequestType::kTimeStamp;
    EXPECT_TRUE(RequestTypeOfQuery(query, parsed));
    EXPECT_EQ(parsed, type);
  }
}

TEST(RequestCodec, TypesOutsideTheTableHaveNoQuery) {
  std::string query = "unchanged";
  EXPECT_EQ(RequestTypeText(ServiceRequestType::kTimeStamp), nullptr);
  EXPECT_FALSE(BuildRequestQuery(ServiceRequestType::kTimeStamp, ReportFields{}, 1, query));
  EXPECT_FALSE(BuildRequestQuery(static_cast<ServiceRequestType>(6), ReportFields{}, 1, query));
  EXPECT_FALSE(BuildRequestQuery(static_cast<ServiceRequestType>(-1), ReportFields{}, 1, query));
  EXPECT_EQ(query, "unchanged");
  ServiceRequestType type;
  EXPECT_FALSE(RequestTypeOfQuery("REQUESTTYPE=Unknown&TIMESTAMP=1", type));
  EXPECT_FALSE(RequestTypeOfQuery("garbage", type));
}

TEST(RequestCodec, EscapingKeepsAlphanumericsAndEscapesTheRest) {
  EXPECT_EQ(EscapeRequestData(std::string("aZ09+/= \t")), "aZ09%2B%2F%3D++");
  EXPECT_EQ(EscapeRequestData(std::wstring(L"aZ09+/= \t")), L"aZ09%2B%2F%3D++");
  EXPECT_EQ(EscapeRequestData(std::string("\x01\xff-")), "%01%FF%2D");
  // Beyond ASCII: the bytes of the UTF-8 form, never a locale's idea of a letter.
  EXPECT_EQ(EscapeRequestData(std::wstring(L"\u00e9\u4e0b")), L"%C3%A9%E4%B8%8B");
}

TEST(RequestCodec, UnescapingInvertsEscaping) {
  const std::string bytes("I2XW+iCM0/D34d==\x01\xfe text");
  std::string back;
  ASSERT_TRUE(UnescapeRequestData(EscapeRequestData(bytes), back));
  // White space comes back as spaces.
  EXPECT_EQ(back, std::string("I2XW+iCM0/D34d==\x01\xfe text"));
  ASSERT_TRUE(UnescapeRequestData("a+b%2b%2F", back));
  EXPECT_EQ(back, "a b+/");
}

TEST(RequestCodec, UnescapingRefusesBrokenPercentSequences) {
  std::string back = "unchanged";
  EXPECT_FALSE(UnescapeRequestData("abc%", back));
  EXPECT_FALSE(UnescapeRequestData("abc%4", back));
  EXPECT_FALSE(UnescapeRequestData("abc%G1", back));
  EXPECT_EQ(back, "unchanged");
}

TEST(RequestCodec, Base64RoundTripsEveryLength) {
  std::string bytes;
  for (int length = 0; length < 70; ++length) {
    std::string back;
    ASSERT_TRUE(Base64Decode(Base64Encode(bytes), back));
    EXPECT_EQ(back, bytes);
    bytes += static_cast<char>(length * 37 + 11);
  }
}

TEST(RequestCodec, Base64DecodingIsStrict) {
  std::string bytes;
  EXPECT_FALSE(Base64Decode("abc", bytes));       // not a multiple of 4
  EXPECT_FALSE(Base64Decode("ab=c", bytes));      // padding inside
  EXPECT_FALSE(Base64Decode("a===", bytes));      // too much padding
  EXPECT_FALSE(Base64Decode("ab==abcd", bytes));  // padding before the end
  EXPECT_FALSE(Base64Decode("ab-_", bytes));      // URL alphabet
  EXPECT_TRUE(Base64Decode("YWI=", bytes));
  EXPECT_EQ(bytes, "ab");
}
