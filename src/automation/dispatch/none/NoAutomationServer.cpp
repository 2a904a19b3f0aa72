// Automation where the system offers none: no class is ever found, so every run that needs one
// logs that it cannot connect and touches nothing.
#include "automation/dispatch/AutomationServer.h"

namespace {

class NoAutomationServer final : public AutomationServer {
public:
    std::shared_ptr<AutomationObject> Create(const std::string& progId) override
    {
        throw AutomationError("Class " + progId + " is not registered: this system has no automation");
    }
    bool IsRunning(const std::string&) override { return false; }
};

} // namespace

AutomationServer& SystemAutomationServer()
{
    static NoAutomationServer server;
    return server;
}

AutomationApartment::AutomationApartment() = default;
AutomationApartment::~AutomationApartment() = default;
