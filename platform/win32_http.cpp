#include <windows.h>
#include <wininet.h>

#include "platform/http.h"
#include "platform/subsystem_handles.h"

namespace platform {
namespace {

constexpr DWORD kTextLimit = 260;

DWORD ErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error != 0 ? error : fallback;
}

class Win32HttpTransfer final : public HttpTransfer {
 public:
  explicit Win32HttpTransfer(HINTERNET session) : session_(session) {}
  ~Win32HttpTransfer() override {
    // The request goes before its connection, the connection before the session.
    request_.reset();
    connection_.reset();
    session_.reset();
  }

  DWORD Connect(const std::wstring& host, WORD port, DWORD flags) override {
    connection_.reset(InternetConnectW(session_.get(), host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP,
                                       flags, 0));
    return connection_ ? 0 : ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  }
  DWORD OpenRequest(const std::wstring& path, DWORD flags) override {
    request_.reset(HttpOpenRequestW(connection_.get(), L"GET", path.c_str(), L"HTTP/1.1", nullptr, nullptr, flags, 0));
    return request_ ? 0 : ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  }
  DWORD Send() override {
    return HttpSendRequestW(request_.get(), nullptr, 0, nullptr, 0) ? 0 : ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  }
  DWORD QueryStatusCode(DWORD& status) override {
    DWORD size = sizeof(status);
    return HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)
               ? 0
               : ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  }
  DWORD QueryStatusText(std::wstring& text) override {
    wchar_t buffer[kTextLimit + 1] = {};
    DWORD size = kTextLimit * sizeof(wchar_t);
    if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_TEXT, buffer, &size, nullptr))
      return ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
    text.assign(buffer, size / sizeof(wchar_t));
    return 0;
  }
  DWORD QueryContentLength(unsigned long long& length) override {
    // As text: the number form of the query is 32 bits wide.
    wchar_t buffer[32] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_CONTENT_LENGTH, buffer, &size, nullptr))
      return ErrorOr(ERROR_HTTP_HEADER_NOT_FOUND);
    wchar_t* end = nullptr;
    length = wcstoull(buffer, &end, 10);
    return end != buffer ? 0 : static_cast<DWORD>(ERROR_HTTP_INVALID_HEADER);
  }
  DWORD Read(void* buffer, DWORD size, DWORD& read) override {
    read = 0;
    return InternetReadFile(request_.get(), buffer, size, &read) ? 0 : ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  }

 private:
  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle request_;
};

}  // namespace

std::unique_ptr<HttpTransfer> Win32Http::OpenSession(const std::wstring& agent, DWORD& error) {
  HINTERNET session = InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!session) {
    error = ErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
    return nullptr;
  }
  return std::make_unique<Win32HttpTransfer>(session);
}

DWORD Win32Http::CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path) {
  wchar_t hostBuffer[kTextLimit] = {};
  wchar_t pathBuffer[kTextLimit] = {};
  wchar_t extraBuffer[kTextLimit] = {};
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = hostBuffer;
  parts.dwHostNameLength = kTextLimit;
  parts.lpszUrlPath = pathBuffer;
  parts.dwUrlPathLength = kTextLimit;
  // Asked for separately so that a query ("?LinkId=...") is kept whatever WinINet's default.
  parts.lpszExtraInfo = extraBuffer;
  parts.dwExtraInfoLength = kTextLimit;
  if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return ErrorOr(ERROR_INTERNET_INVALID_URL);
  host.assign(hostBuffer, parts.dwHostNameLength);
  path.assign(pathBuffer, parts.dwUrlPathLength);
  path.append(extraBuffer, parts.dwExtraInfoLength);
  if (host.empty()) return ERROR_INTERNET_INVALID_URL;
  return 0;
}

}  // namespace platform
