// The SHA-256 of a file, for checking a download against the digest its publisher gave.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// The file's SHA-256 as 64 lower-case hexadecimal digits; empty with `error` set when it cannot
// be read or this Windows has no SHA-256 provider.
std::wstring FileSha256(const std::wstring& path, DWORD& error);

}  // namespace platform
