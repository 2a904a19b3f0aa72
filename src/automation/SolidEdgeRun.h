#pragma once
// The frame every Solid Edge run shares: connect with its log lines, the run's own work, and the
// closing lines that follow whatever happened (a failed connection, a cancel or an error).

#include "automation/SolidEdgeConnection.h"
#include "batch/BatchSinks.h"

#include <functional>

// Connects through `server`, writing to `log`, and calls `work` with the session when connected; then
// disconnects, writes the closing lines and finishes the log. An error that `work` lets through
// reaches the caller after the closing lines. Returns true when the connection was made.
bool RunWithSolidEdge(AutomationServer& server, ProgressSink& log, const std::function<void(SolidEdgeSession&)>& work);
