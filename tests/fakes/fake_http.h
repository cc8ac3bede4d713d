// HTTP answered from a script: the status, its text, the body, failing steps; every call is
// recorded in order.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/http.h"
#include "platform/text.h"

class FakeHttp : public platform::Http {
 public:
  DWORD openError = 0;
  DWORD crackError = 0;  // 0: the URL is split at "://" and the next '/'
  DWORD connectError = 0;
  DWORD openRequestError = 0;
  std::deque<DWORD> sendErrors;  // answers of the sends in turn; 0 when exhausted
  DWORD statusQueryError = 0;
  DWORD status = 200;
  DWORD statusTextError = 0;
  std::wstring statusText = L"OK";
  std::string body;
  long long announced = -2;  // Content-Length: -1 none, -2 the body's own size
  size_t readFailsAt = std::string::npos;  // the read that reaches this offset fails with readError
  DWORD readError = ERROR_INTERNET_CONNECTION_RESET;
  std::vector<std::wstring> calls;

  std::unique_ptr<platform::HttpTransfer> OpenSession(const std::wstring& agent, DWORD& error) override {
    calls.push_back(L"OpenSession " + agent);
    if (openError) {
      error = openError;
      return nullptr;
    }
    return std::make_unique<Transfer>(*this);
  }
  DWORD CrackUrl(const std::wstring& url, std::wstring& host, std::wstring& path) override {
    calls.push_back(L"CrackUrl " + url);
    if (crackError) return crackError;
    size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    size_t start = scheme + 3;
    size_t slash = url.find(L'/', start);
    host = url.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
    host = host.substr(0, host.find(L':'));
    path = slash == std::wstring::npos ? L"" : url.substr(slash);
    return 0;
  }

 private:
  class Transfer : public platform::HttpTransfer {
   public:
    explicit Transfer(FakeHttp& owner) : owner_(owner) {}
    ~Transfer() override { owner_.calls.push_back(L"Close"); }
    DWORD Connect(const std::wstring& host, WORD port, DWORD flags) override {
      owner_.calls.push_back(text::Format(L"Connect %s %d %#x", host, port, flags));
      return owner_.connectError;
    }
    DWORD OpenRequest(const std::wstring& path, DWORD flags) override {
      owner_.calls.push_back(text::Format(L"OpenRequest %s %#x", path, flags));
      return owner_.openRequestError;
    }
    DWORD Send() override {
      owner_.calls.push_back(L"Send");
      if (owner_.sendErrors.empty()) return 0;
      DWORD error = owner_.sendErrors.front();
      owner_.sendErrors.pop_front();
      return error;
    }
    DWORD QueryStatusCode(DWORD& status) override {
      owner_.calls.push_back(L"QueryStatusCode");
      if (owner_.statusQueryError) return owner_.statusQueryError;
      status = owner_.status;
      return 0;
    }
    DWORD QueryStatusText(std::wstring& text) override {
      owner_.calls.push_back(L"QueryStatusText");
      if (owner_.statusTextError) return owner_.statusTextError;
      text = owner_.statusText;
      return 0;
    }
    DWORD QueryContentLength(unsigned long long& length) override {
      owner_.calls.push_back(L"QueryContentLength");
      if (owner_.announced == -1) return ERROR_HTTP_HEADER_NOT_FOUND;
      length = owner_.announced == -2 ? owner_.body.size() : static_cast<unsigned long long>(owner_.announced);
      return 0;
    }
    DWORD Read(void* buffer, DWORD size, DWORD& read) override {
      owner_.calls.push_back(text::Format(L"Read %u", size));
      size_t n = std::min<size_t>(size, owner_.body.size() - offset_);
      if (owner_.readFailsAt != std::string::npos && offset_ + n >= owner_.readFailsAt && offset_ < owner_.body.size()) {
        read = 0;
        return owner_.readError;
      }
      std::memcpy(buffer, owner_.body.data() + offset_, n);
      offset_ += n;
      read = static_cast<DWORD>(n);
      return 0;
    }

   private:
    FakeHttp& owner_;
    size_t offset_ = 0;
  };
};
