// HTTP downloads over WinINet, in the steps the downloader takes: a session, one connection,
// one GET request, its status and its body.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace platform {

// One download under way. It owns the session, connection and request handles opened so far and
// closes them, request first, when it goes away. Every step answers 0 or the Windows error code.
class HttpTransfer {
 public:
  virtual ~HttpTransfer() = default;
  // InternetConnectW to the host for the HTTP service.
  virtual DWORD Connect(const std::wstring& host, WORD port, DWORD flags) = 0;
  // HttpOpenRequestW: "GET" of the path with "HTTP/1.1", no referrer, no accept types.
  virtual DWORD OpenRequest(const std::wstring& path, DWORD flags) = 0;
  // HttpSendRequestW without headers or body.
  virtual DWORD Send() = 0;
  // HTTP_QUERY_STATUS_CODE as a number.
  virtual DWORD QueryStatusCode(DWORD& status) = 0;
  // HTTP_QUERY_STATUS_TEXT, at most 260 characters.
  virtual DWORD QueryStatusText(std::wstring& text) = 0;
  // HTTP_QUERY_CONTENT_LENGTH; ERROR_HTTP_HEADER_NOT_FOUND when the answer announces none.
  virtual DWORD QueryContentLength(unsigned long long& length) = 0;
  // InternetReadFile of up to size bytes; read is 0 at the end of the body.
  virtual DWORD Read(void* buffer, DWORD size, DWORD& read) = 0;
};

class Http {
 public:
  virtual ~Http() = default;
  // InternetOpenW with the agent, the pre-configured access type, no proxy settings, flags 0;
  // nullptr with the error on failure.
  virtual std::unique_ptr<HttpTransfer> OpenSession(const std::wstring& agent, DWORD& error) = 0;
  // InternetCrackUrlW into the host name and the URL path (query included), each at most 260
  // characters.
  virtual DWORD CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path) = 0;
};

class Win32Http final : public Http {
 public:
  std::unique_ptr<HttpTransfer> OpenSession(const std::wstring& agent, DWORD& error) override;
  DWORD CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path) override;
};

}  // namespace platform
