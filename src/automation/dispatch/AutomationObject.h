#pragma once
// An object reached by late binding: every member is named at the call, nothing is known about
// it in advance. A call that the object refuses raises AutomationError at the call site.

#include "automation/dispatch/AutomationValue.h"

#include <string>
#include <vector>

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    // Reads a member that takes no arguments, as a property or as a method (Documents, Count).
    virtual AutomationValue Get(const std::string& name) = 0;
    // Writes a property (Visible, DisplayAlerts).
    virtual void Put(const std::string& name, const AutomationValue& value) = 0;
    // Calls a method with positional arguments, first argument first; returns its result
    // (Empty for a method that returns nothing).
    virtual AutomationValue Call(const std::string& name, const std::vector<AutomationValue>& args = {}) = 0;
};
