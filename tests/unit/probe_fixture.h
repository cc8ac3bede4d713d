// A fake machine, a memory log and a check context over inline XML, for the probe tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "checks/check_context.h"
#include "core/property_map.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

constexpr auto kBit32 = platform::View::Bit32;
constexpr auto kBit64 = platform::View::Bit64;
constexpr auto kHklm = platform::Hive::LocalMachine;

class ProbeFixture : public DefinitionTest {
 public:
  std::string Lines() const {
    std::string all;
    for (const auto& l : log.lines) all += text::ToUtf8(l) + "\n";
    return all;
  }

  FakePlatform fake;
  CheckContext context{log, properties, doc, fake.bundle};
};
