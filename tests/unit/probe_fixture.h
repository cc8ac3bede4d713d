// A fake machine, a memory log and a check context over inline XML, for the probe tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/property_map.h"
#include "checks/check_context.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "platform/text.h"

constexpr auto kBit32 = platform::View::Bit32;
constexpr auto kBit64 = platform::View::Bit64;
constexpr auto kHklm = platform::Hive::LocalMachine;

class ProbeFixture : public testing::Test {
 public:
  void SetUp() override {
    SetProcessProperties(&properties);
    HRESULT status = S_OK;
    ASSERT_TRUE(doc.Create(status));
  }
  void TearDown() override { SetProcessProperties(nullptr); }

  void Load(const std::wstring& xml) { ASSERT_TRUE(doc.LoadText(xml)) << text::ToUtf8(xml); }
  std::string Lines() const {
    std::string all;
    for (const auto& l : log.lines) all += text::ToUtf8(l) + "\n";
    return all;
  }

  FakePlatform fake;
  MemoryLog log;
  PropertyMap properties;
  XmlDocument doc;
  CheckContext context{log, properties, doc, fake.bundle};
};
