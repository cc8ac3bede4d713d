// A fake machine whose shell launches can act like a real installer, a scratch folder with blanks
// in its name and a memory log: shared by the downloader and component installer tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/files.h"
#include "platform/text.h"

using Lines = std::vector<std::wstring>;

inline std::string Show(const Lines& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + text::ToUtf8(l) + "\n";
  return out;
}
#define EXPECT_LINES(expected, actual) EXPECT_EQ(expected, actual) << "actual:\n" << Show(actual)

// Notes whether the launched file was there, and may change the machine as an installer would.
class ActingProcesses : public FakeProcesses {
 public:
  std::function<void()> onShellOpen;
  std::vector<bool> fileExisted;
  platform::Child ShellOpen(const std::wstring& file, const std::wstring& parameters, bool hide,
                            DWORD& error, const std::wstring& = L"") override {
    fileExisted.push_back(platform::FileExists(file));
    if (onShellOpen) onShellOpen();
    return FakeProcesses::ShellOpen(file, parameters, hide, error);
  }
};


class DownloadFixture : public testing::Test {
 protected:
  void SetUp() override {
    test_files::RemoveTree(scratch);
    for (const auto* folder : {&scratch, &work, &logs}) ASSERT_TRUE(CreateDirectoryW(folder->c_str(), nullptr));
  }
  void TearDown() override { test_files::RemoveTree(scratch); }

  std::wstring Work(const std::wstring& name) const { return work + L"\\" + name; }
  static std::wstring ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    return std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) +
           text::Format(L"download tests %u", GetCurrentProcessId());
  }
  // With another registry, for tests that need a fresh one per case.
  platform::Platform With(platform::Registry& registry) {
    return {fake.security, fake.system, registry, fake.prompts, fake.installer, processes, fake.services, fake.http,
            fake.accounts, fake.network};
  }

  // Ready before the members below, so that they may be given these folders.
  const std::wstring scratch = ScratchFolder();
  const std::wstring work = scratch + L"\\ZEMDownload";
  const std::wstring logs = scratch + L"\\logs";
  EnvironmentOverride windows_{L"WINDIR", L"C:\\windows"};
  EnvironmentOverride noReboot_{L"ZEM-REBOOT-REQUIRED", nullptr};
  FakePlatform fake;
  ActingProcesses processes;
  platform::Platform machine = With(fake.registry);
  MemoryLog log;
};
