#include "automation/UpdateDrafts.h"

#include "automation/SolidEdgeRun.h"
#include "batch/ForEachFile.h"
#include "common/PathText.h"

UpdateDrafts::UpdateDrafts(AutomationServer& server, ProgressSinkFactory& progress)
    : m_server(server), m_progress(progress)
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

QString Text(const AutomationValue& value) { return QString::fromStdString(value.ToString()); }

// Refreshes an assembly model before the views that show it are updated. The model stays open.
void UpdateAssembly(const AutomationRef& app, const QString& fileName)
{
    const AutomationRef model = OpenSolidEdgeDocument(app, fileName.toStdString());
    model->Call("ActivateAll");
    model->Call("UpdateAll");
    const AutomationRef physical = model->Get("PhysicalProperties").ToObject();
    if (physical->Get("IsUpToDate").ToBool())
        physical->Call("Update");
    model->Call("Save");
}

} // namespace

void UpdateDrafts::Execute()
{
    m_result = {};
    m_result.started = true;
    ProgressSink& log = m_progress.CreateProgress();
    log.SetCaption(QStringLiteral("Update drafts"));
    log.Show();

    const QStringList drafts = DraftsOnly(files);

    RunWithSolidEdge(m_server, log, [&](SolidEdgeSession& session) {
        const AutomationRef& app = session.App();
        log.AddLine(QStringLiteral(" "));
        log.AddLine(QStringLiteral("Update documents..."));
        m_result.cancelled = !ForEachFile(log, drafts, [&](qsizetype i, const QString& path) {
            log.AddLine(QString(70, u'-'));
            log.AddLine(QStringLiteral(" "));
            log.AddLine(FileNumber(i, drafts.size()) + path);
            try {
                const AutomationRef draft = OpenSolidEdgeDocument(app, path.toStdString());
                const AutomationRef links = draft->Get("ModelLinks").ToObject();
                const int linkCount = links->Get("Count").ToInt32();
                log.AddLine(QStringLiteral("   Number of ModelLinks: ") + QString::number(linkCount) + QStringLiteral(" )"));
                for (int k = 1; k <= linkCount; ++k) {
                    const AutomationRef link = links->Call("Item", {AutomationValue::Int32(k)}).ToObject();
                    const int modelType = link->Get("ModelType").ToInt32();
                    const QString fileName = Text(link->Get("FileName"));
                    if (modelType == 1)
                        UpdateAssembly(app, fileName);
                    const QString head = QString::number(k) + QStringLiteral(". ") + ModelLinkTypeName(modelType)
                        + QStringLiteral(" \"") + fileName + u'"';
                    bool updated = true;
                    try {
                        link->Call("UpdateViews");
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
                draft->Call("Save");
                draft->Call("Close");
                ++m_result.succeeded;
            } catch (const std::exception&) {
                log.AddLine(QStringLiteral("Error..."));
                ++m_result.failed;
            }
        });
    });
}
