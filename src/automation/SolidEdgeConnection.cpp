#include "automation/SolidEdgeConnection.h"

bool ConnectSolidEdge(AutomationServer& server, AutomationRef& app)
{
    try {
        app = server.Create(kSolidEdgeProgId);
        return app != nullptr;
    } catch (const std::exception&) {
        app.reset();
        return false;
    }
}

AutomationRef OpenSolidEdgeDocument(const AutomationRef& app, const std::string& fileName)
{
    if (!app)
        throw AutomationError("Not connected to Solid Edge");
    const AutomationRef documents = app->Get("Documents").ToObject();
    return documents->Call("Open", {AutomationValue::String(fileName)}).ToObject();
}

void QuitSolidEdge(AutomationRef& app)
{
    try {
        if (!app)
            return;
        app->Call("Quit");
    } catch (...) {
        app.reset();
    }
}

std::vector<AutomationValue> PrintOutArguments(const std::string& printer, std::int16_t copies,
                                               std::int32_t orientation, bool printAsBlack, bool collate)
{
    const AutomationValue missing = AutomationValue::Missing();
    return {AutomationValue::StringRef(printer),
            AutomationValue::Int16(copies),
            AutomationValue::Int32Ref(orientation),
            missing,
            missing,
            AutomationValue::Boolean(false),
            missing,
            missing,
            missing,
            AutomationValue::Boolean(printAsBlack),
            AutomationValue::Boolean(collate)};
}

bool SolidEdgeSession::Connect()
{
    Disconnect();
    try {
        m_foundRunning = m_server.IsRunning(kSolidEdgeProgId);
    } catch (const std::exception&) {
        // Unknown counts as running: leaving an instance behind is better than quitting the
        // user's own.
        m_foundRunning = true;
    }
    return ConnectSolidEdge(m_server, m_app);
}

void SolidEdgeSession::WorkUnseen()
{
    if (m_foundRunning) {
        // A setting that cannot be read is given back as the visible default of a user's
        // instance.
        const auto read = [this](const char* name) {
            try {
                return m_app->Get(name).ToBool();
            } catch (const std::exception&) {
                return true;
            }
        };
        m_visible = read("Visible");
        m_displayAlerts = read("DisplayAlerts");
        m_restoreSettings = true;
    }
    m_app->Put("Visible", AutomationValue::Boolean(false));
    m_app->Put("DisplayAlerts", AutomationValue::Boolean(false));
}

void SolidEdgeSession::Disconnect()
{
    if (!m_app)
        return;
    if (!m_foundRunning) {
        QuitSolidEdge(m_app);
    } else if (m_restoreSettings) {
        for (const auto& [name, value] : {std::pair{"Visible", m_visible}, std::pair{"DisplayAlerts", m_displayAlerts}}) {
            try {
                m_app->Put(name, AutomationValue::Boolean(value));
            } catch (const std::exception&) {
                // Solid Edge went away meanwhile; there is nothing left to give back.
            }
        }
    }
    m_app.reset();
    m_restoreSettings = false;
}
