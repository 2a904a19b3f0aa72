#include "automation/SolidEdgeConnection.h"

bool ConnectSolidEdge(AutomationServer& server, AutomationRef& app)
{
    try {
        app = server.create(SolidEdgeProgId);
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
    const AutomationRef documents = app->get("Documents").toObject();
    return documents->call("Open", {AutomationValue::String(fileName)}).toObject();
}

void QuitSolidEdge(AutomationRef& app)
{
    try {
        if (!app)
            return;
        app->call("Quit");
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
        foundRunning_ = server_.isRunning(SolidEdgeProgId);
    } catch (const std::exception&) {
        // Unknown counts as running: leaving an instance behind is better than quitting the
        // user's own.
        foundRunning_ = true;
    }
    return ConnectSolidEdge(server_, app_);
}

void SolidEdgeSession::WorkUnseen()
{
    if (foundRunning_) {
        // A setting that cannot be read is given back as the visible default of a user's
        // instance.
        const auto read = [this](const char* name) {
            try {
                return app_->get(name).toBool();
            } catch (const std::exception&) {
                return true;
            }
        };
        visible_ = read("Visible");
        displayAlerts_ = read("DisplayAlerts");
        restoreSettings_ = true;
    }
    app_->put("Visible", AutomationValue::Boolean(false));
    app_->put("DisplayAlerts", AutomationValue::Boolean(false));
}

void SolidEdgeSession::Disconnect()
{
    if (!app_)
        return;
    if (!foundRunning_) {
        QuitSolidEdge(app_);
    } else if (restoreSettings_) {
        for (const auto& [name, value] : {std::pair{"Visible", visible_}, std::pair{"DisplayAlerts", displayAlerts_}}) {
            try {
                app_->put(name, AutomationValue::Boolean(value));
            } catch (const std::exception&) {
                // Solid Edge went away meanwhile; there is nothing left to give back.
            }
        }
    }
    app_.reset();
    restoreSettings_ = false;
}
