#pragma once
// The connection to Solid Edge that the print and update-drafts runs share: connect, open a
// document, quit, and the arguments of PrintOut. No Qt, so that the same calls can be sent to a
// COM server on Windows by the tests.

#include "automation/dispatch/AutomationServer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using AutomationRef = std::shared_ptr<AutomationObject>;

inline constexpr const char* kSolidEdgeProgId = "SolidEdge.Application";

// Creates Solid Edge's application object. On success `app` holds it and the result is true; on
// any failure `app` is emptied and the result is false.
bool ConnectSolidEdge(AutomationServer& server, AutomationRef& app);

// `app`.Documents.Open(`fileName`); throws AutomationError when Solid Edge refuses.
AutomationRef OpenSolidEdgeDocument(const AutomationRef& app, const std::string& fileName);

// Tells Solid Edge to quit. Every failure is swallowed (an empty `app` included), and `app` is then
// emptied; after a successful Quit `app` keeps its reference.
void QuitSolidEdge(AutomationRef& app);

// The eleven positional arguments of a document's PrintOut: printer (string by reference),
// copies (16-bit), orientation (1 portrait, 2 landscape; 32-bit by reference), two omitted,
// False, three omitted, print as black, collate.
std::vector<AutomationValue> PrintOutArguments(const std::string& printer, std::int16_t copies,
                                               std::int32_t orientation, bool printAsBlack, bool collate);

// One run's hold on Solid Edge. A run that started Solid Edge itself tells it to quit at the
// end. A run that found an instance already running (the user's own, or an earlier run's) works
// in that instance and leaves it running at the end, with Visible and DisplayAlerts as they were,
// so that the user's open documents and unsaved work survive the run.
class SolidEdgeSession {
public:
    explicit SolidEdgeSession(AutomationServer& server) : m_server(server) {}
    ~SolidEdgeSession() { Disconnect(); }
    SolidEdgeSession(const SolidEdgeSession&) = delete;
    SolidEdgeSession& operator=(const SolidEdgeSession&) = delete;

    // ConnectSolidEdge, after noting whether an instance was running before.
    bool Connect();
    // Makes Solid Edge work unseen and without alerts; an instance that ran before first has its
    // two settings read, so that Disconnect can put them back. Throws when Solid Edge refuses.
    void WorkUnseen();
    // Quits the instance this session started, or gives back the one it found running. Never
    // throws; the reference is gone afterwards.
    void Disconnect();

    const AutomationRef& App() const { return m_app; }
    bool FoundRunning() const { return m_foundRunning; }

private:
    AutomationServer& m_server;
    AutomationRef m_app;
    bool m_foundRunning = false;
    bool m_restoreSettings = false;
    bool m_visible = true;
    bool m_displayAlerts = true;
};
