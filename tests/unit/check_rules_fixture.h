// A check context over inline XML, fake machine services and the test culture library.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/localization.h"
#include "app/property_map.h"
#include "checks/check_context.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fakes/test_files.h"
#include "platform/text.h"

// A scratch folder under the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = text::Format(L"%srules_test_%u_%u\\", temp, GetCurrentProcessId(), counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { test_files::RemoveTree(path_); }
  const std::wstring& path() const { return path_; }

  std::wstring Write(const std::wstring& name, const std::string& content) const {
    std::wstring file = path_ + name;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << text::ToUtf8(file);
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return file;
  }

 private:
  std::wstring path_;
  static inline unsigned counter_ = 0;
};

class CheckFixture : public testing::Test {
 protected:
  void SetUp() override {
    SetProcessProperties(&properties);
    HRESULT status = S_OK;
    ASSERT_TRUE(doc.Create(status));
    context.productDisplayName = L"Demo Product";
  }
  void TearDown() override {
    SetProcessLocalization(nullptr);
    SetProcessProperties(nullptr);
  }

  void Load(const std::wstring& xml) { ASSERT_TRUE(doc.LoadText(xml)) << text::ToUtf8(xml); }

  // Loads setup_qa-QA.dll, the culture whose texts the tests know, for the context and for
  // culture numbers in definition values.
  void UseTestCulture() {
    setup.Write(L"ZIVaroradaZadu.xml",
                "<Variables><ConfigVariable Name=\"{CultureName}\" value=\"qa-QA\"/></Variables>");
    ASSERT_TRUE(CopyFileW((test_files::ExecutableFolder() + L"setup_qa-QA.dll").c_str(),
                          (setup.path() + L"setup_qa-QA.dll").c_str(), FALSE));
    localization = std::make_unique<Localization>(cultureLog, properties, setup.path(), L"VariablesList.xml");
    ASSERT_TRUE(localization->Load());
    context.localization = localization.get();
    SetProcessLocalization(localization.get());
  }

  MemoryLog log, cultureLog;
  PropertyMap properties;
  XmlDocument doc;
  FakePlatform machine;
  CheckContext context{log, properties, doc, machine.bundle};
  ScratchFolder setup;
  std::unique_ptr<Localization> localization;
};
