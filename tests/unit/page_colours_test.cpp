// The wizard's colour choice: the design on the normal scheme, the system's colours in high
// contrast, and an accent too close to the background replaced by the scheme's text colour.
#include <gtest/gtest.h>

#include "ui/page_colours.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kBlue = RGB(0, 51, 153),
                   kGrey = RGB(117, 117, 117), kRed = RGB(255, 0, 0), kCyan = RGB(26, 235, 255),
                   kNavy = RGB(0, 0, 128), kYellow = RGB(255, 255, 0), kShadow = RGB(160, 160, 160);

TEST(PageColoursTest, DesignOnTheNormalSchemeSystemColoursOtherwiseAndNoTextLostInItsBackground) {
  const SystemColours normal{};
  const SystemColours black{kBlack, kWhite, kCyan, kBlack, RGB(128, 128, 128)};
  const SystemColours navy{kNavy, kWhite, kYellow, kNavy, kNavy};
  const SystemColours white{kWhite, kBlack, kYellow, kWhite, kShadow};
  struct Case {
    const char* name;
    bool highContrast;
    SystemColours system;
    PageColours expected;  // background, text, title, quiet title, warning, separator, band
  };
  const Case cases[] = {
      {"normal scheme", false, normal, {kWhite, kBlack, kBlue, kGrey, kRed, kShadow, RGB(240, 240, 240)}},
      {"black high contrast", true, black, {kBlack, kWhite, kCyan, kCyan, kWhite, kWhite, kBlack}},
      // Wine's way: the flag stays off, only the colours change. Black text and the blue title
      // would vanish (1:1, 1.9:1); the red (5.3:1), the grey (4.6:1) and the grey line stay.
      {"black colours, flag off", false, black,
       {kBlack, kWhite, kWhite, kGrey, kRed, RGB(128, 128, 128), kBlack}},
      // Every design accent is lost on navy, and so is a line in the background's own colour.
      {"navy colours, flag off", false, navy, {kNavy, kWhite, kWhite, kWhite, kWhite, kWhite, kNavy}},
      // Yellow titles on white are 1.1:1: the scheme's text colour instead.
      {"white high contrast, yellow highlight", true, white, {kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite}},
  };
  for (const Case& c : cases) {
    const PageColours got = ChoosePageColours(c.highContrast, c.system);
    EXPECT_EQ(got, c.expected) << c.name << ": text " << std::hex << got.text << " title " << got.title << " quiet "
                               << got.quietTitle << " warning " << got.warning << " separator " << got.separator;
    EXPECT_EQ(got.TitleFor(PlatformKind::OnPremises), c.expected.title) << c.name;
    EXPECT_EQ(got.TitleFor(PlatformKind::Online), c.expected.quietTitle) << c.name;
  }
  EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(kRed, kWhite), 4.0, 0.01);
}

}  // namespace
