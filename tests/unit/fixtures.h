// Fixtures every unit test may share: the tests' own folder, scratch folders, environment
// overrides and a run's log, properties and test culture.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/localization.h"
#include "core/property_map.h"
#include "definition/read_context.h"
#include "definition/xml_document.h"
#include "fakes/memory_log.h"
#include "platform/text.h"

namespace test_files {

// The folder of the running test executable, with a trailing backslash.
inline std::wstring ExecutableFolder() {
  wchar_t buffer[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Deletes a folder and everything in it; the path may or may not end in a backslash.
inline void RemoveTree(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// A file's bytes as another process would read them while the writer still has it open;
// empty when it cannot be opened.
inline std::string ReadShared(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

}  // namespace test_files

// A fresh folder under the temporary folder (path with a trailing backslash), removed with
// everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = text::Format(L"%sunit_%u_%u\\", temp, GetCurrentProcessId(), counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { test_files::RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return path_; }

  // Writes a file (relative name) and answers its full path.
  std::wstring Write(const std::wstring& name, const std::string& content) const {
    std::wstring file = path_ + name;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << text::ToUtf8(file);
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return file;
  }
  // Copies a file built beside the test executable into the folder under another name.
  void CopyBuilt(const std::wstring& built, const std::wstring& as) const {
    ASSERT_TRUE(CopyFileW((test_files::ExecutableFolder() + built).c_str(), (path_ + as).c_str(), FALSE))
        << text::ToUtf8(built);
  }
  // Creates a folder and any missing parent below the scratch folder; answers its full path.
  std::wstring MakeFolder(const std::wstring& relative) const {
    for (size_t end = relative.find(L'\\'); end != std::wstring::npos; end = relative.find(L'\\', end + 1))
      CreateDirectoryW((path_ + relative.substr(0, end)).c_str(), nullptr);
    CreateDirectoryW((path_ + relative).c_str(), nullptr);
    return path_ + relative;
  }

 private:
  std::wstring path_;
  static inline unsigned counter_ = 0;
};

// Sets (or, with nullopt, removes) an environment variable for one scope, then puts it back.
class EnvironmentOverride {
 public:
  EnvironmentOverride(std::wstring name, const std::optional<std::wstring>& value) : name_(std::move(name)) {
    std::wstring buffer(32767, L'\0');
    DWORD n = GetEnvironmentVariableW(name_.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    had_ = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    saved_.assign(buffer.data(), n);
    Set(value);
  }
  // value null: removed.
  EnvironmentOverride(std::wstring name, const wchar_t* value)
      : EnvironmentOverride(std::move(name), value ? std::optional<std::wstring>(value) : std::nullopt) {}
  ~EnvironmentOverride() { SetEnvironmentVariableW(name_.c_str(), had_ ? saved_.c_str() : nullptr); }
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;
  void Set(const std::optional<std::wstring>& value) const {
    SetEnvironmentVariableW(name_.c_str(), value ? value->c_str() : nullptr);
  }
  void Set(const wchar_t* value) const { SetEnvironmentVariableW(name_.c_str(), value); }

 private:
  std::wstring name_;
  std::wstring saved_;
  bool had_ = false;
};

// The test culture library (setup_qa-QA.dll, built beside the tests), whose texts the tests know.
inline std::unique_ptr<Localization> LoadTestCulture(LogFile& log, PropertyMap& properties) {
  auto culture = std::make_unique<Localization>(log, properties, test_files::ExecutableFolder());
  EXPECT_TRUE(culture->Load({L"qa-QA", L"en-US", L"setup_qa-QA.dll"}));
  return culture;
}

// A test over inline definition XML: a log, the properties, the read context over both and a document.
class DefinitionTest : public testing::Test {
 protected:
  void SetUp() override {
    HRESULT status = S_OK;
    ASSERT_TRUE(doc.Create(status)) << std::hex << status;
  }
  XmlNode Load(const std::wstring& xml) {
    EXPECT_TRUE(doc.LoadText(xml)) << text::ToUtf8(xml) << ": " << text::ToUtf8(doc.ErrorReason());
    return doc.Root();
  }

  MemoryLog log;
  PropertyMap properties;
  ReadContext values{log, properties};
  XmlDocument doc;
};
