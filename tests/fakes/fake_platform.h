// A whole platform bundle made of fakes.
#pragma once

#include "fakes/fake_accounts.h"
#include "fakes/fake_http.h"
#include "fakes/fake_network.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_prompts.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_security.h"
#include "fakes/fake_services.h"
#include "fakes/fake_system_queries.h"
#include "fakes/fake_windows_installer.h"
#include "platform/platform.h"

struct FakePlatform {
  FakeSecurity security;
  FakeSystemQueries system;
  FakeRegistry registry;
  FakePrompts prompts;
  FakeWindowsInstaller installer;
  FakeProcesses processes;
  FakeServices services;
  FakeHttp http;
  FakeAccounts accounts;
  FakeNetwork network;
  platform::Platform bundle{security, system, registry, prompts, installer, processes, services, http, accounts, network};
};
