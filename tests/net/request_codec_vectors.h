// Reference bytes for the request codec, produced by tools independent of this code:
//   printf '<plain>' | openssl enc -des-ede3-ofb -K <key hex> -iv <first 16 hex digits> | base64 -w0
//   printf '<text>' | md5sum
// (OpenSSL 3.0 and coreutils on Debian 12.) The host tests run the same commands again.
#pragma once

#include <string>

struct CipherVector {
  const char* keyHex;
  std::string plain;
  const char* base64;
};

constexpr char kVectorKeyA[] = "3a8f21c47be05d9612fe4c07a35b8e6d19c2f0847ab3e561";
constexpr char kVectorKeyB[] = "0123456789abcdeffedcba987654321089abcdef01234567";

inline const CipherVector kCipherVectors[] = {
    {kVectorKeyA, "REQUESTTYPE=X", "I2XWiCM0D34d3fBgvg=="},
    {kVectorKeyA, "ABCDEFGH", "MGLEmSMhHGI="},
    {kVectorKeyA, "", ""},
    {kVectorKeyA, "REQUESTTYPE=IN_UpdateVersionData&TIMESTAMP=123456&FROMTYPE=CLIENT_PC",
     "I2XWiCM0D34d3fBgr77K45QBV8QJQLfExKvhVCpCdxjtDYH6BYG0dPof9jNaeIGxiwoUyZieknttfxMhZCsIiGueA3M="},
    {kVectorKeyB, "REQUESTTYPE=IN_UpdateVersionData&TIMESTAMP=123456&FROMTYPE=CLIENT_PC",
     "O1IWqM3lhnx/OtzEnRALM0Vsdq/vXDN7aCj59zulsuNMk6YN5XEMht/CFtGY4vfH0BZzDJxDPYJkkO1XEDDBfVE+9z4="},
    // A failure report whose reason is "下载失败" in code page 936.
    {kVectorKeyA,
     "REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA=\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc"
     "&BROWSER=8.0&OS=Microsoft Windows 7 &UID=0&TIMESTAMP=4000&FROMTYPE=CLIENT_PC",
     "I2XWiCM0D34d3fBgr77K5YELUuUfc6D/2bH6WwJPRRiiNa3TEreBRtgh7VcmAvvX6W0e14WWh3FydGojfCNwCf0Vi/rOIhbj"
     "M+MzRI5zCmfdpLY2DjlxuHcfh8XE/PncZ15+B7j6jy1Q1fUyElA7oLU9EjydY6hQbh+bfik4E6/AV0x8N6LW8/RbduWSS2tQFRcr"},
};

struct DigestVector {
  std::string text;
  const char* md5;
};

inline const DigestVector kDigestVectors[] = {
    {"QelvoTavora24:I2XWiCM0D34d3fBgvg==1700000000", "2edd376602b40b5b957f8e498ecdcc2d"},
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc", "d549049dc75cd153ee4fc764fde82bfc"},
};

inline bool KeyFromHex(const char* hex, unsigned char (&key)[24]) {
  const std::string text(hex);
  if (text.size() != 48) return false;
  for (size_t i = 0; i < 24; ++i) key[i] = static_cast<unsigned char>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
  return true;
}
