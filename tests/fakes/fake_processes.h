// Process launches answered from a script, with every call and its arguments recorded in order.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/text.h"

// How one launch attempt ends: error 0 starts a child that behaves as scripted.
struct FakeLaunch {
  DWORD error = 0;
  bool waitOk = true;
  DWORD waitError = 0;
  bool exitOk = true;
  DWORD exitCode = 0;
  DWORD exitError = 0;
};

struct FakeSession {
  DWORD id = 0;
  std::wstring winStation = L"Console";
  bool active = true;
  DWORD nameError = 0;  // 0: the user name query succeeds
  std::wstring user = L"alice";
  DWORD tokenError = 0;  // 0: the token query succeeds
  DWORD environmentError = 0;
};

class FakeProcesses : public platform::Processes {
 public:
  // Answers of the launch calls in turn; when a queue is empty the launch succeeds with exit code 0.
  std::deque<FakeLaunch> hidden, plain, shell, asUser, withToken;
  DWORD enumerateError = 0;
  std::vector<FakeSession> sessions;
  bool inJob = false;
  std::vector<std::wstring> calls;

  bool Called(const std::wstring& call) const {
    for (const auto& c : calls)
      if (c == call) return true;
    return false;
  }
  size_t CountStartingWith(const std::wstring& prefix) const {
    size_t n = 0;
    for (const auto& c : calls) n += c.rfind(prefix, 0) == 0;
    return n;
  }

  platform::Child CreateHidden(const std::wstring& commandLine, DWORD& error) override {
    calls.push_back(L"CreateHidden [" + commandLine + L"]");
    return Launch(hidden, error);
  }
  platform::Child Create(const std::wstring& commandLine, DWORD flags, DWORD& error) override {
    calls.push_back(text::Format(L"Create [%s] %#x", commandLine, flags));
    return Launch(plain, error);
  }
  platform::Child ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hide,
                            DWORD& error, const std::wstring& = L"") override {
    calls.push_back(text::Format(L"ShellOpen [%s] [%s] %s", file, parameters, hide ? L"hidden" : L"shown"));
    return Launch(shell, error);
  }
  std::unique_ptr<platform::RedirectionScope> DisableFsRedirection() override {
    calls.push_back(L"DisableFsRedirection");
    return std::make_unique<Scope>(*this);
  }
  // The pipe is a real one unless pipeError is set: then the step pipeFailure fails with it.
  DWORD pipeError = 0;
  platform::PipeStep pipeFailure = platform::PipeStep::Create;
  bool CreateInputPipe(platform::UniqueHandle& readEnd, platform::UniqueHandle& writeEnd, platform::PipeStep& failed,
                       DWORD& error) override {
    if (pipeError == 0) return platform::Win32Processes().CreateInputPipe(readEnd, writeEnd, failed, error);
    readEnd.reset();
    writeEnd.reset();
    failed = pipeFailure;
    error = pipeError;
    return false;
  }
  bool EnumerateSessions(std::vector<platform::SessionEntry>& list, DWORD& error) override {
    calls.push_back(L"EnumerateSessions");
    if (enumerateError) {
      error = enumerateError;
      return false;
    }
    list.clear();
    for (const auto& s : sessions) list.push_back({s.id, s.winStation, s.active});
    return true;
  }
  bool SessionUserName(DWORD session, std::wstring& user, DWORD& error) override {
    calls.push_back(text::Format(L"SessionUserName %u", session));
    const FakeSession& s = Find(session);
    if (s.nameError) {
      error = s.nameError;
      return false;
    }
    user = s.user;
    return true;
  }
  std::unique_ptr<platform::UserToken> QueryUserToken(DWORD session, DWORD& error) override {
    calls.push_back(text::Format(L"QueryUserToken %u", session));
    const FakeSession& s = Find(session);
    if (s.tokenError) {
      error = s.tokenError;
      return nullptr;
    }
    return std::make_unique<Token>(*this, s);
  }
  bool CurrentProcessInJob() override {
    calls.push_back(L"InJob");
    return inJob;
  }
  // The running programs; each snapshot pops the next list when snapshotsToCome is not empty.
  std::vector<std::wstring> running;
  std::deque<std::vector<std::wstring>> snapshotsToCome;
  bool snapshotOk = true;
  bool RunningExecutables(std::vector<std::wstring>& names) override {
    if (!snapshotsToCome.empty()) {
      running = snapshotsToCome.front();
      snapshotsToCome.pop_front();
    }
    names = snapshotOk ? running : std::vector<std::wstring>{};
    return snapshotOk;
  }

 private:
  class Child : public platform::ChildProcess {
   public:
    Child(FakeProcesses& owner, const FakeLaunch& script) : owner_(owner), script_(script) {}
    ~Child() override { owner_.calls.push_back(L"CloseChild"); }
    bool Wait(DWORD& error) override {
      owner_.calls.push_back(L"Wait");
      if (!script_.waitOk) error = script_.waitError;
      return script_.waitOk;
    }
    bool ExitCode(DWORD& code, DWORD& error) override {
      owner_.calls.push_back(L"ExitCode");
      if (script_.exitOk)
        code = script_.exitCode;
      else
        error = script_.exitError;
      return script_.exitOk;
    }

   private:
    FakeProcesses& owner_;
    FakeLaunch script_;
  };

  class Scope : public platform::RedirectionScope {
   public:
    explicit Scope(FakeProcesses& owner) : owner_(owner) {}
    ~Scope() override { owner_.calls.push_back(L"RevertFsRedirection"); }

   private:
    FakeProcesses& owner_;
  };

  class Token : public platform::UserToken {
   public:
    Token(FakeProcesses& owner, const FakeSession& session) : owner_(owner), session_(session) {}
    ~Token() override { owner_.calls.push_back(text::Format(L"CloseToken %u", session_.id)); }
    bool LoadEnvironment(DWORD& error) override {
      owner_.calls.push_back(text::Format(L"LoadEnvironment %u", session_.id));
      if (session_.environmentError) error = session_.environmentError;
      return session_.environmentError == 0;
    }
    platform::Child CreateAsUser(const std::wstring& commandLine, const platform::StdHandles& handles, DWORD flags,
                                 DWORD& error) override {
      owner_.calls.push_back(Describe(L"CreateAsUser", commandLine, handles, flags));
      return owner_.Launch(owner_.asUser, error);
    }
    platform::Child CreateWithToken(const std::wstring& commandLine, const platform::StdHandles& handles,
                                    DWORD flags, DWORD& error) override {
      owner_.calls.push_back(Describe(L"CreateWithToken", commandLine, handles, flags));
      return owner_.Launch(owner_.withToken, error);
    }

   private:
    std::wstring Describe(const wchar_t* call, const std::wstring& commandLine, const platform::StdHandles& handles,
                          DWORD flags) const {
      return text::Format(L"%s %u [%s] %#x in=%x out=%x", call, session_.id, commandLine, flags,
                          reinterpret_cast<uintptr_t>(handles.input), reinterpret_cast<uintptr_t>(handles.output));
    }
    FakeProcesses& owner_;
    FakeSession session_;
  };

  const FakeSession& Find(DWORD id) const {
    for (const auto& s : sessions)
      if (s.id == id) return s;
    static const FakeSession missing{};
    return missing;
  }

  platform::Child Launch(std::deque<FakeLaunch>& queue, DWORD& error) {
    FakeLaunch script;
    if (!queue.empty()) {
      script = queue.front();
      queue.pop_front();
    }
    if (script.error) {
      error = script.error;
      return nullptr;
    }
    return std::make_unique<Child>(*this, script);
  }
};
