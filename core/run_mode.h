// The run's mode flags: one word for what the command line asked, one for the mode decided.
#pragma once

#include <cstdint>

namespace mode {
constexpr uint32_t Default = 1, Install = 2, Uninstall = 4, Repair = 8, Upgrade = 16;
}
