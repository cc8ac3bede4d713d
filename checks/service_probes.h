// Service and message-queuing facts: is a service running, the indexing service, MSMQ.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system_queries.h"

class LogFile;

// The service opens with full access and reports the running state; nothing is logged.
bool ServiceRunning(platform::Services& services, const std::wstring& name);

enum IndexingState : int { IndexingUnknown = 0, IndexingRunning = 1, IndexingStopped = 2, IndexingPaused = 3 };
int IndexingServiceState(LogFile& log, platform::Services& services);

bool MsmqCheck(LogFile& log, platform::Registry& registry, platform::SystemQueries& system);
