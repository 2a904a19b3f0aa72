#include "automation/UpdateDrafts.h"

#include "automation/SolidEdgeRun.h"
#include "batch/ForEachFile.h"
#include "common/PathText.h"

UpdateDrafts::UpdateDrafts(AutomationServer& server, ProgressSinkFactory& progress)
    : server_(server), progress_(progress)
{
}

QStringList UpdateDrafts::DraftsOnly(const QStringList& paths)
{
    QStringList drafts;
    for (const QString& path : paths) {
        const QString name = ExtractFileName(path);
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0 && QStringView(name).mid(dot) == u".dft")
            drafts.append(path);
    }
    return drafts;
}

QString UpdateDrafts::ModelLinkTypeName(int modelType)
{
    switch (modelType) {
    case 0: return QStringLiteral("Part link");
    case 1: return QStringLiteral("Assembly link");
    case 2: return QStringLiteral("Weldment link");
    default: return {};
    }
}

namespace {

QString Text(const AutomationValue& value) { return QString::fromStdString(value.toString()); }

// Refreshes an assembly model before the views that show it are updated. The model stays open.
void UpdateAssembly(const AutomationRef& app, const QString& fileName)
{
    const AutomationRef model = OpenSolidEdgeDocument(app, fileName.toStdString());
    model->call("ActivateAll");
    model->call("UpdateAll");
    const AutomationRef physical = model->get("PhysicalProperties").toObject();
    if (physical->get("IsUpToDate").toBool())
        physical->call("Update");
    model->call("Save");
}

} // namespace

void UpdateDrafts::Execute()
{
    result_ = {};
    result_.started = true;
    ProgressSink& log = progress_.CreateProgress();
    log.SetCaption(QStringLiteral("Update drafts"));
    log.Show();

    const QStringList drafts = DraftsOnly(Files);

    RunWithSolidEdge(server_, log, [&](SolidEdgeSession& session) {
        const AutomationRef& app = session.App();
        log.AddLine(QStringLiteral(" "));
        log.AddLine(QStringLiteral("Update documents..."));
        result_.cancelled = !ForEachFile(log, drafts, [&](qsizetype i, const QString& path) {
            log.AddLine(QString(70, u'-'));
            log.AddLine(QStringLiteral(" "));
            log.AddLine(FileNumber(i, drafts.size()) + path);
            try {
                const AutomationRef draft = OpenSolidEdgeDocument(app, path.toStdString());
                const AutomationRef links = draft->get("ModelLinks").toObject();
                const int linkCount = links->get("Count").toInt32();
                log.AddLine(QStringLiteral("   Number of ModelLinks: ") + QString::number(linkCount) + QStringLiteral(" )"));
                for (int k = 1; k <= linkCount; ++k) {
                    const AutomationRef link = links->call("Item", {AutomationValue::Int32(k)}).toObject();
                    const int modelType = link->get("ModelType").toInt32();
                    const QString fileName = Text(link->get("FileName"));
                    if (modelType == 1)
                        UpdateAssembly(app, fileName);
                    const QString head = QString::number(k) + QStringLiteral(". ") + ModelLinkTypeName(modelType)
                        + QStringLiteral(" \"") + fileName + u'"';
                    bool updated = true;
                    try {
                        link->call("UpdateViews");
                    } catch (const std::exception&) {
                        updated = false;
                    }
                    if (updated) {
                        log.AddLine(head + QStringLiteral(" updated successfuly!"));
                        log.AddLine(QStringLiteral("Success!"));
                    } else {
                        log.AddLine(head + QStringLiteral(" failed to update!"));
                    }
                }
                draft->call("Save");
                draft->call("Close");
                ++result_.succeeded;
            } catch (const std::exception&) {
                log.AddLine(QStringLiteral("Error..."));
                ++result_.failed;
            }
        });
    });
}
