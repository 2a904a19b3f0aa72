#pragma once
// A scripted stand-in for Solid Edge's automation objects: documents with model links, every
// member call recorded in one list, and any call made to fail by its record key.

#include "automation/dispatch/AutomationServer.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct FakeLink {
    int modelType = 0;
    std::string fileName;
};

// The state every fake object shares.
struct FakeWorld {
    std::vector<std::string> calls;       // "doc(a.dft).PrintOut(...)", "app.Visible = Boolean(False)"
    std::set<std::string> failing;        // keys "object.Member" whose calls raise an error
    std::map<std::string, std::vector<FakeLink>> documents; // path -> model links; others cannot be opened
    std::map<std::string, bool> upToDate; // model path -> what PhysicalProperties.IsUpToDate reads
    bool visible = true;
    bool displayAlerts = true;
    // Called after each recorded call; may change the world (press Cancel, edit the page).
    std::function<void(const std::string&)> onCall;

    // The calls made on the objects whose names start with Object ("app", "doc(a.dft").
    std::vector<std::string> callsOf(const std::string& object) const
    {
        std::vector<std::string> picked;
        for (const std::string& c : calls)
            if (c.rfind(object, 0) == 0)
                picked.push_back(c);
        return picked;
    }
};

class FakeObject : public AutomationObject {
public:
    using Handler = std::function<AutomationValue(const std::vector<AutomationValue>&)>;

    FakeObject(std::string name, std::shared_ptr<FakeWorld> world) : name_(std::move(name)), world_(std::move(world)) {}

    FakeObject& on(const std::string& member, Handler handler)
    {
        members_[member] = std::move(handler);
        return *this;
    }

    AutomationValue Get(const std::string& member) override { return run(member, name_ + '.' + member, {}); }
    void Put(const std::string& member, const AutomationValue& value) override
    {
        run(member, name_ + '.' + member + " = " + value.Describe(), {value});
    }
    AutomationValue Call(const std::string& member, const std::vector<AutomationValue>& args) override
    {
        std::string record = name_ + '.' + member + '(';
        for (size_t i = 0; i < args.size(); ++i)
            record += (i ? ", " : "") + args[i].Describe();
        return run(member, record + ')', args);
    }

private:
    AutomationValue run(const std::string& member, const std::string& record, const std::vector<AutomationValue>& args)
    {
        world_->calls.push_back(record);
        if (world_->onCall)
            world_->onCall(record);
        const auto it = members_.find(member);
        if (it == members_.end())
            throw AutomationError("Unknown name " + member);
        if (world_->failing.count(name_ + '.' + member))
            throw AutomationError(member + " failed");
        return it->second(args);
    }

    std::string name_;
    std::shared_ptr<FakeWorld> world_;
    std::map<std::string, Handler> members_;
};

// Builds the application object of a world: Documents.Open opens any document the world knows;
// drafts have ModelLinks, models have PhysicalProperties.
inline std::shared_ptr<FakeObject> MakeFakeApplication(const std::shared_ptr<FakeWorld>& world)
{
    auto app = std::make_shared<FakeObject>("app", world);
    auto documents = std::make_shared<FakeObject>("documents", world);
    const auto nothing = [](const std::vector<AutomationValue>&) { return AutomationValue(); };
    documents->on("Open", [world, nothing](const std::vector<AutomationValue>& args) {
        const std::string path = args.at(0).ToString();
        const auto found = world->documents.find(path);
        if (found == world->documents.end())
            throw AutomationError("Cannot open " + path);
        auto doc = std::make_shared<FakeObject>("doc(" + path + ")", world);
        doc->on("PrintOut", nothing).on("Close", nothing).on("Save", nothing).on("ActivateAll", nothing).on("UpdateAll", nothing);
        auto links = std::make_shared<FakeObject>("links(" + path + ")", world);
        const std::vector<FakeLink> list = found->second;
        links->on("Count", [list](const auto&) { return AutomationValue::Int32(std::int32_t(list.size())); });
        links->on("Item", [world, list, path, nothing](const std::vector<AutomationValue>& a) {
            const int k = a.at(0).ToInt32();
            const FakeLink l = list.at(size_t(k - 1));
            auto link = std::make_shared<FakeObject>("link(" + path + '#' + std::to_string(k) + ")", world);
            link->on("ModelType", [l](const auto&) { return AutomationValue::Int32(l.modelType); });
            link->on("FileName", [l](const auto&) { return AutomationValue::String(l.fileName); });
            link->on("UpdateViews", nothing);
            return AutomationValue::Object(link);
        });
        doc->on("ModelLinks", [links](const auto&) { return AutomationValue::Object(links); });
        doc->on("PhysicalProperties", [world, path, nothing](const auto&) {
            auto physical = std::make_shared<FakeObject>("physical(" + path + ")", world);
            physical->on("IsUpToDate", [world, path](const auto&) { return AutomationValue::Boolean(world->upToDate[path]); });
            physical->on("Update", nothing);
            return AutomationValue::Object(physical);
        });
        return AutomationValue::Object(doc);
    });
    app->on("Documents", [documents](const auto&) { return AutomationValue::Object(documents); });
    app->on("Quit", nothing);
    // Settings read without an argument and set with one.
    for (const auto& setting : {std::pair{"Visible", &FakeWorld::visible}, std::pair{"DisplayAlerts", &FakeWorld::displayAlerts}}) {
        app->on(setting.first, [world, flag = setting.second](const std::vector<AutomationValue>& a) {
            if (a.empty())
                return AutomationValue::Boolean((*world).*flag);
            (*world).*flag = a[0].ToBool();
            return AutomationValue();
        });
    }
    return app;
}

class FakeServer : public AutomationServer {
public:
    explicit FakeServer(std::shared_ptr<FakeWorld> world) : world_(std::move(world)) {}

    std::shared_ptr<AutomationObject> Create(const std::string& progId) override
    {
        world_->calls.push_back("create " + progId);
        if (refuse)
            throw AutomationError("Class not registered");
        return MakeFakeApplication(world_);
    }
    bool IsRunning(const std::string&) override { return running; }

    bool refuse = false;
    bool running = false;

private:
    std::shared_ptr<FakeWorld> world_;
};
