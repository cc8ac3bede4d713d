// Is a server there: Winsock name resolution and one ICMP echo.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct Ipv4Address {
  uint32_t address = 0;  // network byte order, as the ICMP calls take it
  std::wstring dotted;
};

struct EchoAnswer {
  bool sent = false;  // false: the call itself failed with error
  DWORD error = 0;
  ULONG status = 0;         // of the reply when sent; 0 is an answer
  std::wstring statusText;  // GetIpErrorString of a non-zero status
};

// Winsock 2.2 started and an ICMP handle open; both are closed when it goes.
class IcmpChannel {
 public:
  virtual ~IcmpChannel() = default;
  // The name in the ANSI code page: a dotted IPv4 address is taken as it is, anything else is
  // resolved with gethostbyname and its first address taken. false with the Winsock error.
  virtual bool Resolve(const std::wstring& name, Ipv4Address& out, bool& resolved, int& error) = 0;
  // One echo without data, with room for one reply.
  virtual EchoAnswer Echo(const Ipv4Address& to, DWORD timeoutMs) = 0;
};

struct ChannelFailure {
  enum class Step { None, Startup, IcmpHandle };
  Step step = Step::None;
  DWORD error = 0;
};

class Network {
 public:
  virtual ~Network() = default;
  // nullptr with the failed step and its error; nothing stays open then.
  virtual std::unique_ptr<IcmpChannel> OpenIcmp(ChannelFailure& failure) = 0;
};

class Win32Network final : public Network {
 public:
  std::unique_ptr<IcmpChannel> OpenIcmp(ChannelFailure& failure) override;
};

}  // namespace platform
