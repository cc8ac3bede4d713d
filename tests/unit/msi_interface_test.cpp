// The wizard's cancel handshake with Windows Installer, driven by the installer fake as a real
// install drives the external-UI handler; and the maintenance message's text by product.
#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include "app/interactive_driver.h"
#include "core/platform_kind.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_windows_installer.h"
#include "engine/engine_observer.h"
#include "ui/msi_interface.h"

namespace {

class CancelHandshakeTest : public testing::Test {
 protected:
  void SetUp() override {
    context_.prompts = &prompts_;
    context_.boxType = MB_YESNO | MB_ICONQUESTION;
    installer_.progressPerInstall = 3;
    installer_.SetExternalUI(MsiExternalUIHandler, kInstallerMessageFilter, &context_);
  }
  void PressCancel() {
    context_.question = L"  Cancel?  ";
    context_.caption = L"Rizod Server";
    context_.questionPending = true;
  }
  std::vector<int> Install() {
    installer_.handlerAnswers.clear();
    installer_.InstallProduct(L"C:\\p.msi", L"");
    return installer_.handlerAnswers;
  }

  FakePrompts prompts_;
  FakeWindowsInstaller installer_;
  MSIInterface context_;
};

TEST_F(CancelHandshakeTest, NoLetsThePackageGoOnAndALaterCancelAsksAgain) {
  EXPECT_EQ(Install(), (std::vector<int>{IDOK, IDOK, IDOK}));  // nothing asked without a Cancel
  EXPECT_TRUE(prompts_.asked.empty());
  PressCancel();
  prompts_.answers = {IDNO};
  EXPECT_EQ(Install(), (std::vector<int>{IDOK, IDOK, IDOK}));
  ASSERT_EQ(prompts_.asked.size(), 1u);  // once, at the first progress message
  EXPECT_EQ(prompts_.asked[0].text, L"Cancel?");
  EXPECT_EQ(prompts_.asked[0].caption, L"Rizod Server");
  EXPECT_FALSE(context_.questionPending);
  PressCancel();
  prompts_.answers = {IDNO};
  Install();
  EXPECT_EQ(prompts_.asked.size(), 2u);
  EXPECT_FALSE(context_.cancelled);
}

TEST_F(CancelHandshakeTest, YesCancelsEveryLaterProgressMessageWithoutAskingAgain) {
  PressCancel();
  prompts_.answers = {IDYES};
  EXPECT_EQ(Install(), (std::vector<int>{IDCANCEL, IDCANCEL, IDCANCEL}));
  EXPECT_TRUE(context_.cancelled);
  EXPECT_EQ(Install(), (std::vector<int>{IDCANCEL, IDCANCEL, IDCANCEL}));
  EXPECT_EQ(prompts_.asked.size(), 1u);
  // A new context of the next sequence: the question is not asked again in this process.
  MSIInterface next;
  next.askingPermitted = context_.askingPermitted;
  next.prompts = &prompts_;
  next.question = L"Cancel?";
  next.questionPending = true;
  installer_.SetExternalUI(MsiExternalUIHandler, kInstallerMessageFilter, &next);
  EXPECT_EQ(Install(), (std::vector<int>{IDOK, IDOK, IDOK}));
  EXPECT_EQ(prompts_.asked.size(), 1u);
}

TEST_F(CancelHandshakeTest, MessagesOtherThanProgressAreHandledOrPassedOn) {
  struct Case {
    UINT type;
    const wchar_t* text;
    int answer;
  } cases[] = {
      {INSTALLMESSAGE_INFO, L"x", IDOK},       {INSTALLMESSAGE_ERROR, L"x", IDOK},
      {INSTALLMESSAGE_ACTIONDATA, L"x", IDOK}, {INSTALLMESSAGE_TERMINATE, L"x", IDOK},
      {0x0F000000, L"x", 0},                   {INSTALLMESSAGE_PROGRESS, nullptr, 0},
  };
  PressCancel();
  for (const Case& c : cases) EXPECT_EQ(installer_.Notify(c.type, c.text), c.answer) << std::hex << c.type;
  EXPECT_TRUE(prompts_.asked.empty());
}

TEST(MaintenanceMessage, TextByShortNameAndPlatform) {
  struct Case {
    const wchar_t* shortName;
    PlatformKind kind;
    unsigned id;
  } cases[] = {
      {L"Rizod", PlatformKind::OnPremises, 50116}, {L"dat", PlatformKind::OnPremises, 50228},
      {L"Rizod", PlatformKind::Foundation, 50285}, {L"Rizod", PlatformKind::Online, 50224},
      {L"Rizod", PlatformKind::Other, 50224},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MaintenanceMessageId(c.shortName, static_cast<int>(c.kind)), c.id) << static_cast<int>(c.kind);
}

TEST(SheetChoice, ByShortNameIgnoringCase) {
  struct Case {
    const wchar_t* shortName;
    SheetKind kind;
  } cases[] = {
      {L"VaradavuRadare", SheetKind::Document},         {L"vurovizo", SheetKind::UpdateServer},
      {L"VARUZAVURUDUZODUZUR", SheetKind::ReportManager}, {L"VoruderaDEZ", SheetKind::DocumentStoragePlatform},
      {L"Rizod", SheetKind::Plain},                   {L"", SheetKind::Plain},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseSheetKind(c.shortName), c.kind) << c.shortName;
}

}  // namespace
