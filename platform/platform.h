// The bundle of Windows services the program talks to; tests build it from fakes.
#pragma once

#include "platform/accounts.h"
#include "platform/http.h"
#include "platform/network.h"
#include "platform/processes.h"
#include "platform/prompts.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/services.h"
#include "platform/system_queries.h"
#include "platform/windows_installer.h"

namespace platform {

struct Platform {
  Security& security;
  SystemQueries& system;
  Registry& registry;
  Prompts& prompts;
  WindowsInstaller& installer;
  Processes& processes;
  Services& services;
  Http& http;
  Accounts& accounts;
  Network& network;
};

}  // namespace platform
