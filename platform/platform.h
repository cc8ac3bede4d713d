// The bundle of Windows services the program talks to; tests build it from fakes.
#pragma once

#include "platform/prompts.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/system_queries.h"

namespace platform {

struct Platform {
  Security& security;
  SystemQueries& system;
  Registry& registry;
  Prompts& prompts;
};

}  // namespace platform
