// A network described by the test: which names resolve and how the echo ends.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/network.h"

class FakeNetwork : public platform::Network {
 public:
  platform::ChannelFailure openFailure;                                      // Step::None: the channel opens
  std::map<std::wstring, std::wstring> names{{L"localhost", L"127.0.0.1"}};  // name -> dotted
  int resolveError = 11001;                                                  // WSAHOST_NOT_FOUND for a name not listed
  platform::EchoAnswer echo{true, 0, 0, L""};
  std::vector<std::wstring> calls;
  int openChannels = 0;  // channels not closed yet

  std::unique_ptr<platform::IcmpChannel> OpenIcmp(platform::ChannelFailure& failure) override {
    calls.push_back(L"open");
    if (openFailure.step != platform::ChannelFailure::Step::None) {
      failure = openFailure;
      return nullptr;
    }
    return std::make_unique<Channel>(*this);
  }

 private:
  class Channel : public platform::IcmpChannel {
   public:
    explicit Channel(FakeNetwork& owner) : owner_(owner) { ++owner_.openChannels; }
    ~Channel() override { --owner_.openChannels; }
    bool Resolve(const std::wstring& name, platform::Ipv4Address& out, bool& resolved, int& error) override {
      owner_.calls.push_back(L"resolve " + name);
      resolved = name.find_first_not_of(L"0123456789.") != std::wstring::npos;
      if (!resolved) {
        out.dotted = name;
        return true;
      }
      auto it = owner_.names.find(name);
      if (it == owner_.names.end()) {
        error = owner_.resolveError;
        return false;
      }
      out.dotted = it->second;
      return true;
    }
    platform::EchoAnswer Echo(const platform::Ipv4Address& to, DWORD timeoutMs) override {
      owner_.calls.push_back(L"echo " + to.dotted + L" " + std::to_wstring(timeoutMs));
      return owner_.echo;
    }

   private:
    FakeNetwork& owner_;
  };
};
