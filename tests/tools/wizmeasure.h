// What wizdriver.exe and wizmeasure.dll share: the request message, and the named section and
// event through which the DLL, inside the wizard's process, answers.
#pragma once

constexpr wchar_t kMeasureMessage[] = L"wizdriver.measure";
constexpr wchar_t kMeasureSection[] = L"Local\\wizdriver.measure";
constexpr wchar_t kMeasureDone[] = L"Local\\wizdriver.measured";
constexpr unsigned kMeasureBytes = 64 * 1024;
// The DLL's message hook (WH_GETMESSAGE), by its exported name.
constexpr char kMeasureHook[] = "MeasureHook";
