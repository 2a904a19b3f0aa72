#pragma once
// Where automation objects come from: a class registered under a name (a ProgID under COM).

#include "automation/dispatch/AutomationObject.h"

#include <memory>
#include <string>

class AutomationServer {
public:
    virtual ~AutomationServer() = default;

    // Looks the class up by name and creates an instance of it (in the caller's process or in
    // its own). Throws AutomationError when the class is unknown or the instance cannot be made.
    virtual std::shared_ptr<AutomationObject> Create(const std::string& progId) = 0;
    // True when an instance of the class already runs and has announced itself (the running
    // object table under COM), so that creating one reaches that instance instead of a new one.
    virtual bool IsRunning(const std::string& progId) = 0;
};

// The system's own automation: COM on Windows. Where the system has none, every class lookup
// fails and nothing ever runs.
AutomationServer& SystemAutomationServer();

// Prepares the calling thread for automation calls (a single-threaded apartment under COM) for
// the life of the object; create one on the GUI thread before the first call.
class AutomationApartment {
public:
    AutomationApartment();
    ~AutomationApartment();
    AutomationApartment(const AutomationApartment&) = delete;
    AutomationApartment& operator=(const AutomationApartment&) = delete;

private:
    [[maybe_unused]] bool m_initialised = false;
};
