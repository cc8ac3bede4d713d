#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>

#include <icmpapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/network.h"

namespace platform {

namespace {

using IcmpHandle = UniqueOwner<KernelStyle<&::IcmpCloseHandle>>;

// One successful WSAStartup, matched by its WSACleanup.
class WinsockStart {
 public:
  WinsockStart() = default;
  WinsockStart(const WinsockStart&) = delete;
  WinsockStart& operator=(const WinsockStart&) = delete;
  ~WinsockStart() {
    if (started_) WSACleanup();
  }
  // 0 or the error WSAStartup answers.
  int Start() {
    WSADATA data{};
    int error = WSAStartup(MAKEWORD(2, 2), &data);
    started_ = error == 0;
    return error;
  }

 private:
  bool started_ = false;
};

class Win32IcmpChannel final : public IcmpChannel {
 public:
  Win32IcmpChannel(std::unique_ptr<WinsockStart> winsock, IcmpHandle icmp)
      : winsock_(std::move(winsock)), icmp_(std::move(icmp)) {}

  bool Resolve(const std::wstring& name, Ipv4Address& out, bool& resolved, int& error) override {
    resolved = false;
    std::string ansi;
    if (int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr); n > 0) {
      ansi.resize(n);
      WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi.data(), n, nullptr, nullptr);
      ansi.resize(n - 1);
    }
    in_addr address{};
    if (inet_pton(AF_INET, ansi.c_str(), &address) != 1) {
      hostent* host = gethostbyname(ansi.c_str());
      if (!host || host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0]) {
        error = host ? WSANO_DATA : WSAGetLastError();
        return false;
      }
      memcpy(&address, host->h_addr_list[0], sizeof address);
      resolved = true;
    }
    out.address = address.s_addr;
    char dotted[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, dotted, sizeof dotted);
    out.dotted.assign(dotted, dotted + strlen(dotted));
    return true;
  }

  EchoAnswer Echo(const Ipv4Address& to, DWORD timeoutMs) override {
    EchoAnswer answer;
    // One reply, and the 8 bytes of an ICMP error message the call may also put there.
    std::vector<BYTE> reply(sizeof(ICMP_ECHO_REPLY) + 8);
    char noData = 0;
    DWORD replies = IcmpSendEcho(icmp_.get(), to.address, &noData, 0, nullptr, reply.data(),
                                 static_cast<DWORD>(reply.size()), timeoutMs);
    if (replies == 0) {
      answer.error = GetLastError();
      return answer;
    }
    answer.sent = true;
    answer.status = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data())->Status;
    if (answer.status != 0) {
      wchar_t buffer[256] = {};
      DWORD size = ARRAYSIZE(buffer);
      if (GetIpErrorString(answer.status, buffer, &size) == NO_ERROR) answer.statusText = buffer;
    }
    return answer;
  }

 private:
  // Members end in reverse order: the handle closes before Winsock is cleaned up.
  std::unique_ptr<WinsockStart> winsock_;
  IcmpHandle icmp_;
};

}  // namespace

std::unique_ptr<IcmpChannel> Win32Network::OpenIcmp(ChannelFailure& failure) {
  auto winsock = std::make_unique<WinsockStart>();
  if (int error = winsock->Start(); error != 0) {
    failure = {ChannelFailure::Step::Startup, static_cast<DWORD>(error)};
    return nullptr;
  }
  IcmpHandle icmp(IcmpCreateFile());
  if (!icmp) {
    failure = {ChannelFailure::Step::IcmpHandle, GetLastError()};
    return nullptr;
  }
  return std::make_unique<Win32IcmpChannel>(std::move(winsock), std::move(icmp));
}

}  // namespace platform
