// The run's progress bar: Windows Installer's progress records read, the package's fraction put
// in its place among the run's packages, and a bar that never goes back.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/run_progress.h"

namespace {

TEST(ProgressRecord, FieldsAsWindowsInstallerWritesThem) {
  const struct {
    const wchar_t* text;
    std::optional<InstallerProgressRecord> record;
  } cases[] = {
      {L"1: 0 2: 1500 3: 0 4: 1 ", InstallerProgressRecord{0, 1500, 0, 1}},
      {L"1: 2 2: 4096", InstallerProgressRecord{2, 4096, 0, 0}},
      {L"1: 1 2: 10 3: 1 ", InstallerProgressRecord{1, 10, 1, 0}},
      {L"1: 3 2: 250 3: 4: ", InstallerProgressRecord{3, 250, 0, 0}},  // empty fields
      {L"1:2 2:-7", InstallerProgressRecord{2, -7, 0, 0}},
      {L"1: 2 2: 99999999999999", InstallerProgressRecord{2, 2000000000, 0, 0}},
      {L"2: 5 3: 1", std::nullopt},
      {L"", std::nullopt},
      {L"Copying new files", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<InstallerProgressRecord> read = ParseProgressRecord(c.text);
    ASSERT_EQ(read.has_value(), c.record.has_value()) << c.text;
    if (!read) continue;
    EXPECT_EQ(read->kind, c.record->kind) << c.text;
    EXPECT_EQ(read->value, c.record->value) << c.text;
    EXPECT_EQ(read->third, c.record->third) << c.text;
    EXPECT_EQ(read->fourth, c.record->fourth) << c.text;
  }
}

// One step of a run as the page hears it, and the position it shows afterwards (-1: nothing
// measured yet, so no position).
struct Step {
  enum Kind { Count, Begin, End, Record, ActionData } kind;
  const wchar_t* record = L"";
  int count = 0;
  int position = -1;
};
Step Packages(int count) { return {Step::Count, L"", count}; }
Step Begin(int position) { return {Step::Begin, L"", 0, position}; }
Step End(int position) { return {Step::End, L"", 0, position}; }
Step Rec(const wchar_t* record, int position) { return {Step::Record, record, 0, position}; }
Step Data(int position) { return {Step::ActionData, L"", 0, position}; }

TEST(RunProgress, PositionsOverARun) {
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"one execution phase per package, as Wine sends it",
       {Packages(2), Begin(0), Rec(L"1: 0 2: 200 3: 0 4: 0", 0), Rec(L"1: 2 2: 100", 25), Rec(L"1: 2 2: 100", 50),
        End(50), Begin(50), Rec(L"1: 0 2: 100 3: 0 4: 0", 50), Rec(L"1: 2 2: 50", 75), End(100)}},
      {"writing the script is a tenth of the package, executing it the rest",
       {Packages(1), Begin(0), Rec(L"1: 0 2: 10 3: 0 4: 1", 0), Rec(L"1: 2 2: 10", 10),
        Rec(L"1: 0 2: 1000 3: 0 4: 0", 10), Rec(L"1: 2 2: 500", 55), Rec(L"1: 2 2: 500", 100)}},
      {"a rollback runs the bar backward: it holds",
       {Packages(1), Begin(0), Rec(L"1: 0 2: 100 3: 0 4: 0", 0), Rec(L"1: 2 2: 60", 60),
        Rec(L"1: 0 2: 100 3: 1 4: 0", 60), Rec(L"1: 2 2: 50", 60), End(100)}},
      {"action data moves the bar only while the action info says so",
       {Packages(1), Begin(0), Rec(L"1: 0 2: 100 3: 0 4: 0", 0), Data(0), Rec(L"1: 1 2: 25 3: 1", 0), Data(25),
        Data(50), Rec(L"1: 1 2: 25 3: 0", 50), Data(50)}},
      {"a grown total never takes the bar back",
       {Packages(1), Begin(0), Rec(L"1: 0 2: 100 3: 0 4: 0", 0), Rec(L"1: 2 2: 50", 50), Rec(L"1: 3 2: 100", 50),
        Rec(L"1: 2 2: 100", 75)}},
      {"ticks past the total end at the package's end",
       {Packages(2), Begin(0), Rec(L"1: 0 2: 100 3: 0 4: 0", 0), Rec(L"1: 2 2: 500", 50), End(50)}},
      {"records outside a package's turn (a prerequisite, a rollback) do not count",
       {Packages(2), Rec(L"1: 0 2: 100 3: 0 4: 0", -1), Rec(L"1: 2 2: 100", -1), Begin(0), End(50),
        Rec(L"1: 0 2: 100 3: 0 4: 0", 50), Rec(L"1: 2 2: 100", 50)}},
      {"skipped packages move the bar by their turns",
       {Packages(4), Begin(0), End(25), Begin(25), End(50), Begin(50), End(75)}},
      {"more turns than counted stop at 100",
       {Packages(1), Begin(0), End(100), Begin(100), Rec(L"1: 0 2: 10 3: 0 4: 0", 100), End(100)}},
      {"nothing counted: nothing measured", {Packages(0), Begin(-1), Rec(L"1: 2 2: 5", -1), End(-1)}},
  };
  for (const auto& c : cases) {
    RunProgress progress;
    int index = -1;
    for (const Step& step : c.steps) {
      ++index;
      switch (step.kind) {
        case Step::Count: progress.SetPackageCount(step.count); break;
        case Step::Begin: progress.PackageTurnBegins(); break;
        case Step::End: progress.PackageTurnEnds(); break;
        case Step::Record: progress.InstallerRecord(step.record); break;
        case Step::ActionData: progress.InstallerActionData(); break;
      }
      if (step.kind == Step::Count) continue;
      EXPECT_EQ(progress.Measured(), step.position >= 0) << c.name << ", step " << index;
      if (step.position >= 0) {
        EXPECT_EQ(progress.Position(), step.position) << c.name << ", step " << index;
      }
    }
  }
}

}  // namespace
