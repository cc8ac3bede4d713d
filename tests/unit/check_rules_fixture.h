// A check context over inline XML, fake machine services and the test culture library.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "checks/check_context.h"
#include "core/localization.h"
#include "core/property_map.h"
#include "definition/xml_document.h"
#include "fakes/fake_platform.h"
#include "fakes/memory_log.h"
#include "fixtures.h"
#include "platform/text.h"

class CheckFixture : public DefinitionTest {
 protected:
  void SetUp() override {
    DefinitionTest::SetUp();
    context.productDisplayName = L"Demo Product";
  }

  // Loads setup_qa-QA.dll, the culture whose texts the tests know, for the context and for
  // culture numbers in definition values.
  void UseTestCulture() {
    localization = LoadTestCulture(cultureLog, properties);
    context.localization = localization.get();
  }

  MemoryLog cultureLog;
  FakePlatform machine;
  CheckContext context{log, properties, doc, machine.bundle};
  ScratchFolder setup;
  std::unique_ptr<Localization> localization;
};
