// Timing marks for the benchmark (bench/perf.py). With ZEM_SETUP_TRACE naming a file, each mark
// appends "<seconds since the process was created> <event>" to it; without the variable a mark
// costs one test of a flag. The file holds event names and times only.
#pragma once

namespace platform::trace {

// event: a fixed ASCII text ("start", "install call", ...).
void Mark(const char* event);

}  // namespace platform::trace
