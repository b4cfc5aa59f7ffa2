// Service requests as the installer sends them: the query text in the system code page with
// the machine's description, encrypted with the build's key, and the signature digest.
#pragma once

#include <string>

#include "net/request_codec.h"

// The base64 text of the encrypted query; data is the reason text of the report types.
// Empty for a type that has no query text.
std::wstring EncodeRequest(ServiceRequestType type, const std::wstring& data);

// MD5 of the text in code page 936, as 32 lowercase hexadecimal digits.
std::wstring Md5Hex(const std::wstring& text);

// Code page 936 text, as the service expects the query and the signed text.
std::string ToServiceCodePage(const std::wstring& text);
