#include "batch/PropertyUndo.h"

#include "batch/UndoLastRun.h"
#include "journal/Journal.h"
#include "properties/PropertySaveJournal.h"

using namespace Qt::StringLiterals;

PropertyUndo::PropertyUndo(ProgressSinkFactory& progress, MessageSink& messages) : progress_(progress), messages_(messages)
{
}

void PropertyUndo::Execute()
{
    Restored.clear();
    const UndoTexts texts{u"Undo last property save"_s,
                          u"The last property save is still running; undo it once it has ended."_s,
                          u"There is no property save to undo."_s, u"Start undoing the property save of "_s,
                          u"End undoing the property save!"_s, u"property save"_s};
    const auto pick = [](const JournalRun& run) {
        std::vector<std::size_t> todo;
        for (std::size_t i = 0; i < run.items.size(); ++i)
            if (PropertyRestoreNeeded(run, i))
                todo.push_back(i);
        return todo;
    };
    const auto describe = [](const JournalItem& item) { return item.path + u" custom properties back as before the save."_s; };
    result_ = UndoLastRun(QString::fromLatin1(kPropertiesJournal), progress_, messages_, texts, pick, describe,
                          [this](const JournalRun& run, std::size_t i) -> UndoStep {
                              const JournalItem& item = run.items[i];
                              const PropertyRestore restore = RestoreDocumentProperties(item);
                              switch (restore.outcome) {
                              case PropertyRestore::Restored:
                                  Restored << item.path;
                                  return {UndoStep::Undone, {}};
                              case PropertyRestore::Unchanged:
                                  // A document the save wrote holds its old properties again when an
                                  // undo put it back but could not record that.
                                  return {UndoStep::Undone, run.states[i].mark == JournalMark::Done
                                                                ? u"It has its properties from before the save already."_s
                                                                : u"The save did not change it."_s};
                              case PropertyRestore::Unrestored:
                                  return {UndoStep::LeftAlone, restore.reason};
                              case PropertyRestore::Failed:
                                  return {UndoStep::Failed, restore.reason};
                              }
                              return {};
                          });
}
