#include "properties/ui/TfrmChangeCustomProp.h"

#include "properties/PropertyUndo.h"
#include "batch/ui/MessageBoxSink.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "common/Error.h"
#include "common/SafeFile.h"
#include "compound/SystemProperties.h"
#include "properties/PropertyCsv.h"
#include "properties/PropertyGrid.h"
#include "properties/PropertySeed.h"
#include "properties/ui/LocatePropseed.h"
#include "properties/ui/TfrmChangeGridValue.h"
#include "properties/ui/TfrmGridLookupValues.h"
#include "settings/ui/Desktop.h"
#include "widgets/FillPattern.h"
#include "widgets/PastePlan.h"
#include "widgets/RowOrder.h"
#include "widgets/TabText.h"
#include "widgets/ui/ActionButton.h"
#include "widgets/ui/FillPatternDialog.h"
#include "widgets/ui/FindReplaceDialog.h"
#include "widgets/ui/BusyCursor.h"
#include "widgets/ui/RunGuarded.h"
#include "widgets/ui/TarGrid.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <memory>
#include <stop_token>

using namespace Qt::StringLiterals;

namespace {

// The progress callback of a long run: lets pending events run, and once the run has taken
// `delayMs` shows a modal progress dialog, with a Cancel button that requests `stop` when one
// is given. Until the dialog is up, user input waits, so that nothing else starts meanwhile.
class RunProgress {
public:
    RunProgress(QWidget* owner, QString label, int delayMs, std::stop_source* stop)
        : m_owner(owner), m_label(std::move(label)), m_delayMs(delayMs), m_stop(stop)
    {
        m_started.start();
    }

    void operator()(qsizetype done, qsizetype total)
    {
        bool pump = m_sincePump.isValid() ? m_sincePump.elapsed() >= 25 : true;
        if (!m_dialog && m_started.elapsed() >= m_delayMs && done < total) {
            m_dialog = std::make_unique<QProgressDialog>(m_label, m_stop ? u"Cancel"_s : QString(), 0, 0, m_owner);
            m_dialog->setObjectName(u"ProgressDialog"_s);
            m_dialog->setWindowModality(Qt::ApplicationModal);
            m_dialog->setMinimumDuration(0);
            m_dialog->setAutoClose(false);
            m_dialog->setAutoReset(false);
            if (m_stop)
                QObject::connect(m_dialog.get(), &QProgressDialog::canceled, [stop = m_stop] { stop->request_stop(); });
            m_dialog->show();
            pump = true;
        }
        // Events run now and then, not at every document: a run may report tens of thousands.
        if (!pump)
            return;
        if (m_dialog) {
            m_dialog->setMaximum(static_cast<int>(std::min<qsizetype>(total, INT_MAX)));
            m_dialog->setValue(static_cast<int>(std::min<qsizetype>(done, INT_MAX)));
        }
        QCoreApplication::processEvents(m_dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        m_sincePump.start();
        if (m_stop && m_dialog && m_dialog->wasCanceled())
            m_stop->request_stop();
    }

private:
    QWidget* m_owner;
    QString m_label;
    int m_delayMs;
    std::stop_source* m_stop;
    QElapsedTimer m_started;
    QElapsedTimer m_sincePump;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// One line per item, cut after the first 20 so that a message box fits on the screen.
QString Listed(const QStringList& items)
{
    QString text = items.mid(0, 20).join(u'\n');
    if (items.size() > 20)
        text += u"\n... and %1 more."_s.arg(items.size() - 20);
    return text;
}

// The failures of a save, one line each.
QString FailureText(const ApplyReport& report)
{
    QStringList errors;
    for (const ApplyResult& result : report.results)
        if (result.status == ApplyResult::Failed)
            errors << result.error;
    return u"The custom properties of %1 file(s) were not saved; those files are unchanged:\n\n"_s.arg(errors.size())
        + Listed(errors);
}

} // namespace

TfrmChangeCustomProp::TfrmChangeCustomProp(Desktop& desktop, QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                         | Qt::WindowCloseButtonHint),
      m_desktop(desktop)
{
    setObjectName(u"TfrmChangeCustomProp"_s);
    setWindowTitle(u"Change custom properties"_s);
    resize(900, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(CreateFilterBar());

    m_arGrid = new TarGrid(this);
    m_arGrid->setObjectName(u"ArGrid"_s);
    QFont font(u"Arial"_s);
    font.setPixelSize(12);
    m_arGrid->setFont(font);
    m_arGrid->SetDefaultRowHeight(16);
    m_arGrid->SetFixedCols(1);
    m_arGrid->SetFixedRows(1);
    m_arGrid->SetEditing(true);
    m_arGrid->setShowGrid(true);
    // Every other row a very light blue (0xFFFAF4 as the platform writes colours: blue, green, red).
    m_arGrid->GridColors().backgroundColor2 = QColor(0xF4, 0xFA, 0xFF);
    layout->addWidget(m_arGrid, 1);
    connect(m_arGrid, &TarGrid::MouseUp, this, &TfrmChangeCustomProp::ArGridMouseUp);
    connect(m_arGrid, &TarGrid::EditRefused, this,
            [this](int col, int row) { ShowRefused({1, col, row}, true); });
    connect(m_arGrid, &TarGrid::CellsEdited, this, &TfrmChangeCustomProp::CellsEdited);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"pnlButtons"_s);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(8, 6, 8, 6);
    m_btnCancel = new QPushButton(u"Close"_s, panel);
    m_btnCancel->setObjectName(u"btnCancel"_s);
    m_btnCancel->setToolTip(u"Close window"_s);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(m_btnCancel);
    CreateActions(panel);
    buttons->addStretch(1);
    m_chkDeleteOtherProperties = new QCheckBox(u"Delete other properties"_s, panel);
    m_chkDeleteOtherProperties->setObjectName(u"chkDeleteOtherProperties"_s);
    buttons->addWidget(m_chkDeleteOtherProperties);
    buttons->addSpacing(12);
    m_btnFillDrafts = new QPushButton(u"Save custom properties"_s, panel);
    m_btnFillDrafts->setObjectName(u"btnFillDrafts"_s);
    m_btnFillDrafts->setToolTip(u"Save custom properties"_s);
    connect(m_btnFillDrafts, &QPushButton::clicked, this, &TfrmChangeCustomProp::btnFillDraftsClick);
    buttons->addWidget(m_btnFillDrafts);
    // Enter in the grid's in-place editor ends the edit; it must not press a button.
    for (QPushButton* button : panel->findChildren<QPushButton*>())
        button->setAutoDefault(false);
    layout->addWidget(panel);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"StatusBar"_s);
    m_statusBar->setSizeGripEnabled(false);
    m_changes = new QLabel(m_statusBar);
    m_changes->setObjectName(u"lblChanges"_s);
    m_statusBar->addPermanentWidget(m_changes);
    layout->addWidget(m_statusBar);
    m_findReplace = new FindReplaceDialog(m_arGrid, Editable(), this);
    CellsEdited();
}

// The filter line above the grid: a text, the column it is looked for in, and how many rows show.
QWidget* TfrmChangeCustomProp::CreateFilterBar()
{
    auto* filterBar = new QFrame(this);
    filterBar->setObjectName(u"pnlFilter"_s);
    auto* filterLayout = new QHBoxLayout(filterBar);
    filterLayout->setContentsMargins(8, 4, 8, 4);
    filterLayout->addWidget(new QLabel(u"Filter:"_s, filterBar));
    m_filter = new QLineEdit(filterBar);
    m_filter->setObjectName(u"edFilter"_s);
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(u"Show only the rows containing this text"_s);
    filterLayout->addWidget(m_filter, 1);
    filterLayout->addWidget(new QLabel(u"in"_s, filterBar));
    m_filterColumn = new QComboBox(filterBar);
    m_filterColumn->setObjectName(u"cbFilterColumn"_s);
    filterLayout->addWidget(m_filterColumn);
    m_showing = new QLabel(filterBar);
    m_showing->setObjectName(u"lblShowing"_s);
    filterLayout->addWidget(m_showing);
    // Typing filters after a pause, so that a long list is not filtered at every key; Enter
    // filters at once.
    m_filterTimer = new QTimer(this);
    m_filterTimer->setSingleShot(true);
    m_filterTimer->setInterval(250);
    connect(m_filterTimer, &QTimer::timeout, this, &TfrmChangeCustomProp::ApplyRowView);
    connect(m_filter, &QLineEdit::textChanged, m_filterTimer, qOverload<>(&QTimer::start));
    connect(m_filter, &QLineEdit::returnPressed, this, &TfrmChangeCustomProp::ApplyRowView);
    connect(m_filterColumn, &QComboBox::activated, this, &TfrmChangeCustomProp::ApplyRowView);
    return filterBar;
}

// The command table: every command of the editor is one row, each enabled at all times but Undo
// and Redo, which follow the grid's history. A row with a button name also gets a button on the
// panel, in the order of the rows.
void TfrmChangeCustomProp::CreateActions(QWidget* buttonPanel)
{
    struct Command {
        QString id; // the action's object name
        QString caption;
        QString hint;
        QList<QKeySequence> shortcuts;
        void (TfrmChangeCustomProp::*handler)();
        QString button; // object name of its button on the panel; empty for none
    };
    const Command commands[] = {
        {u"actChangeValue"_s, u"Change propertie values"_s, u"Change value"_s, {QKeySequence(Qt::Key_F3)},
         &TfrmChangeCustomProp::actChangeValueExecute, {}},
        {u"actChangePropLookup"_s, u"Change propertie values from lookup values"_s,
         u"Change propertie from lookup values"_s, {QKeySequence(Qt::Key_F4)},
         &TfrmChangeCustomProp::actChangePropLookupExecute, {}},
        {u"actDeleteSelected"_s, u"Delete selected"_s, u"Delete selected values"_s,
         {QKeySequence(Qt::CTRL | Qt::Key_Delete)}, &TfrmChangeCustomProp::actDeleteSelectedExecute, {}},
        {u"actOptimalColWidths"_s, u"Optimal column widths"_s, u"Optimal column widths"_s, {QKeySequence(Qt::Key_F8)},
         &TfrmChangeCustomProp::actOptimalColWidthsExecute, {}},
        {u"actSaveProps"_s, u"Save props"_s, u"Save properties"_s, {}, &TfrmChangeCustomProp::actSavePropsExecute,
         u"btnSaveProps"_s},
        {u"actLoadProperties"_s, u"Load props"_s, u"Load properties"_s, {},
         &TfrmChangeCustomProp::actLoadPropertiesExecute, u"btnLoadProps"_s},
        {u"actExportCsv"_s, u"Export CSV"_s, u"Export the grid as a CSV file"_s, {},
         &TfrmChangeCustomProp::actExportCsvExecute, u"btnExportCsv"_s},
        {u"actImportCsv"_s, u"Import CSV"_s, u"Import values from a CSV file"_s, {},
         &TfrmChangeCustomProp::actImportCsvExecute, u"btnImportCsv"_s},
        {u"actUndoPropertySave"_s, u"Undo last property save"_s,
         u"Put back the custom properties the documents had before the last save"_s, {},
         &TfrmChangeCustomProp::actUndoPropertySaveExecute, u"btnUndoPropertySave"_s},
        {u"actUndo"_s, u"Undo"_s, u"Take back the last change of cells"_s, {QKeySequence(Qt::CTRL | Qt::Key_Z)},
         &TfrmChangeCustomProp::actUndoExecute, {}},
        {u"actRedo"_s, u"Redo"_s, u"Make the change taken back again"_s,
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
         &TfrmChangeCustomProp::actRedoExecute, {}},
        {u"actCopy"_s, u"Copy"_s, u"Copy the selected cells as tab-separated text"_s,
         {QKeySequence(Qt::CTRL | Qt::Key_C)}, &TfrmChangeCustomProp::actCopyExecute, {}},
        {u"actPaste"_s, u"Paste"_s, u"Paste tab-separated text at the current cell"_s,
         {QKeySequence(Qt::CTRL | Qt::Key_V)}, &TfrmChangeCustomProp::actPasteExecute, {}},
        {u"actFind"_s, u"Find..."_s, u"Find a text in the cells"_s, {QKeySequence(Qt::CTRL | Qt::Key_F)},
         &TfrmChangeCustomProp::actFindExecute, {}},
        {u"actReplace"_s, u"Replace..."_s, u"Replace a text in the cells"_s, {QKeySequence(Qt::CTRL | Qt::Key_H)},
         &TfrmChangeCustomProp::actReplaceExecute, {}},
        {u"actFillPattern"_s, u"Fill by pattern..."_s, u"Fill the selected cells with values built from a pattern"_s,
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, &TfrmChangeCustomProp::actFillPatternExecute, {}},
    };
    for (const Command& command : commands) {
        auto* action = new QAction(command.caption, this);
        action->setObjectName(command.id);
        action->setToolTip(command.hint);
        action->setStatusTip(command.hint);
        if (!command.shortcuts.isEmpty()) {
            action->setShortcuts(command.shortcuts);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(action);
        connect(action, &QAction::triggered, this,
                [this, handler = command.handler] { Guarded([this, handler] { (this->*handler)(); }); });
        if (!command.button.isEmpty()) {
            auto* button = new ActionButton(action, ActionButton::ShowHint, buttonPanel);
            button->setObjectName(command.button);
            buttonPanel->layout()->addWidget(button);
        }
    }

    m_pmPopupMenu = new QMenu(this);
    m_pmPopupMenu->setObjectName(u"pmPopupMenu"_s);
    for (const QString& id :
         {u"actChangeValue"_s, u"actChangePropLookup"_s, u"actDeleteSelected"_s, u"-"_s, u"actOptimalColWidths"_s, u"-"_s,
          u"actUndo"_s, u"actRedo"_s, u"-"_s, u"actCopy"_s, u"actPaste"_s, u"-"_s, u"actFind"_s, u"actReplace"_s,
          u"actFillPattern"_s}) {
        if (id == u"-"_s)
            m_pmPopupMenu->addSeparator();
        else
            m_pmPopupMenu->addAction(findChild<QAction*>(id, Qt::FindDirectChildrenOnly));
    }
}

void TfrmChangeCustomProp::Execute(Desktop& desktop, const QStringList& paths, QWidget* owner)
{
    QString seed;
    if (!LocatePropseedFile(desktop.ProgramFileName(), seed, owner))
        return;
    PropertyDefinitions definitions;
    PropertyDefinitions system;
    ReadPropertySeed(seed, &definitions, &system);
    TfrmChangeCustomProp form(desktop, owner);
    if (!form.Load(paths, definitions, &system))
        return;
    form.setWindowState(Qt::WindowMaximized);
    form.exec();
}

bool TfrmChangeCustomProp::Load(const QStringList& paths, const PropertyDefinitions& definitions,
                                const PropertyDefinitions* system)
{
    RowsFilled filled;
    {
        const BusyCursor wait;
        TarCells& cells = m_arGrid->CellsObject();
        const int cols = FillPropertyHeader(cells, definitions, system);
        m_arGrid->SetColCount(cols);
        m_arGrid->SetRowCount(static_cast<int>(paths.size()) + 1);
        for (int c = 1; c < cols; ++c) {
            const std::string own = SystemPropertyName(cells.GetText(c, 0)).toStdString();
            if (const cfb::SystemPropertyDefinition* definition = own.empty() ? nullptr : cfb::FindSystemProperty(own))
                m_arGrid->SetColHint(c, u"The document's own property %1, from its %2 set%3"_s.arg(
                                            QString::fromUtf8(definition->name),
                                            QString::fromUtf8(cfb::SystemSetName(definition->set)),
                                            definition->editable ? QString() : u" (read only)"_s));
        }

        std::stop_source stop;
        RunProgress progress(this, u"Reading the custom properties of the documents ..."_s, m_progressDelayMs, &stop);
        LoadOptions options = GridLoadOptions();
        options.stop = stop.get_token();
        options.progress = std::ref(progress);
        // Loading stops at the first missing file; the documents after it are never read.
        options.stopAtMissing = true;
        const QList<LoadedDocument> documents = LoadCustomProperties(paths, options);
        filled = FillPropertyRows(cells, cols, documents);
        if (stop.stop_requested())
            return false;
        m_arGrid->OptimalColWidths();
        m_arGrid->InvalidateGrid();
        m_arGrid->History().Clear();
        m_filterColumn->clear();
        m_filterColumn->addItem(u"All columns"_s, 0);
        for (int c = 1; c < cols; ++c)
            m_filterColumn->addItem(cells.GetText(c, 0), c);
        ApplyRowView();
        CellsEdited();
    }
    if (!filled.missingPath.isEmpty())
        arMessageBox(u"Warning"_s, FileDoesNotExistMessage(filled.missingPath), {u"Ok"_s}, miWarning, 0,
                     poMainFormCenter, true, this);
    if (!filled.error.isEmpty())
        throw KrdlError(filled.error);
    return true;
}

void TfrmChangeCustomProp::Guarded(const std::function<void()>& handler)
{
    m_arGrid->CommitEdit();
    RunGuarded(this, handler);
}

QString TfrmChangeCustomProp::ChosenFile(Dialog kind, const QString& title, const QStringList& filters)
{
    FileDialogRequest request;
    request.save = kind == Dialog::Save;
    request.multiple = kind == Dialog::OpenSeveral;
    request.title = title;
    request.filters = filters;
    const QStringList chosen = m_desktop.RunFileDialog(this, request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

LoadOptions TfrmChangeCustomProp::GridLoadOptions() const
{
    LoadOptions options;
    options.system = SystemColumnNames(m_arGrid->CellsObject(), m_arGrid->ColCount());
    return options;
}

void TfrmChangeCustomProp::ShowRefused(const CellsRefused& refused, bool whole)
{
    if (refused.count == 0)
        return;
    const QString reason = ReadOnlyCellReason(m_arGrid->CellsObject(), refused.col, refused.row);
    m_statusBar->showMessage(whole && refused.count == 1
                                 ? reason
                                 : u"%1 read-only cell(s) left as they are. "_s.arg(refused.count) + reason);
}

void TfrmChangeCustomProp::SetSelectedCells(const QString& value)
{
    CellsRefused refused;
    m_arGrid->ApplyWrites(WritableCellWrites(m_arGrid->CellsObject(), m_arGrid->SelectedArea(), value, &refused));
    ShowRefused(refused, false);
}

CellEditable TfrmChangeCustomProp::Editable() const
{
    const TarCells* cells = &m_arGrid->CellsObject();
    return [cells](qint32 col, qint32 row) { return !cells->ReadOnly(col, row); };
}

void TfrmChangeCustomProp::RecordedChange(const std::function<void()>& change, const CellArea* within)
{
    // Only the cells the change can reach are copied: a delete of one column records that
    // column, not the whole grid.
    qint32 top = 1;
    qint32 bottom = m_arGrid->RowCount() - 1;
    if (within && !within->rows.empty()) {
        const auto [low, high] = std::minmax_element(within->rows.begin(), within->rows.end());
        top = *low;
        bottom = *high;
    }
    CellRangeRecorder recorder(m_arGrid->CellsObject(), within ? within->left : 1, top,
                               within ? within->right : m_arGrid->ColCount() - 1, bottom);
    try {
        change();
    } catch (...) {
        // What a failing change did before it failed can still be undone.
        m_arGrid->RecordStep(recorder.Finish());
        throw;
    }
    m_arGrid->RecordStep(recorder.Finish());
}

void TfrmChangeCustomProp::CellsEdited()
{
    int cells = 0;
    int documents = 0;
    std::vector<bool> rowChanged(static_cast<std::size_t>(std::max(m_arGrid->RowCount(), 0)));
    m_arGrid->CellsObject().ForEachInRange(1, 1, m_arGrid->ColCount() - 1, m_arGrid->RowCount() - 1,
                                           [&](const TarCell& cell) {
                                               if (!cell.changed)
                                                   return;
                                               ++cells;
                                               if (!rowChanged[static_cast<std::size_t>(cell.row)]) {
                                                   rowChanged[static_cast<std::size_t>(cell.row)] = true;
                                                   ++documents;
                                               }
                                           });
    m_changes->setText(cells == 0 ? u"No changes"_s : u"%1 cell(s) in %2 document(s) changed"_s.arg(cells).arg(documents));
    for (const auto& [id, enabled] : {std::pair(u"actUndo"_s, m_arGrid->History().CanUndo()),
                                      std::pair(u"actRedo"_s, m_arGrid->History().CanRedo())})
        if (auto* action = findChild<QAction*>(id, Qt::FindDirectChildrenOnly))
            action->setEnabled(enabled);
}

bool TfrmChangeCustomProp::AnyChangeable(const CellArea& area)
{
    if (area.rows.empty())
        return false;
    // A selection of read-only cells alone asks for no value.
    const CellsRefused refused = ReadOnlyCellsIn(m_arGrid->CellsObject(), area);
    if (refused.count < (area.right - area.left + 1) * static_cast<int>(area.rows.size()))
        return true;
    ShowRefused(refused, true);
    return false;
}

void TfrmChangeCustomProp::actChangeValueExecute()
{
    const CellArea area = m_arGrid->SelectedArea();
    if (!AnyChangeable(area))
        return;
    TfrmChangeGridValue dialog(this);
    dialog.setWindowTitle(u"Change property values ("_s + m_arGrid->CellsObject().GetText(area.left, 0) + u')');
    dialog.SetValue(m_arGrid->CellsObject().GetText(area.left, area.rows.front()));
    if (dialog.exec() == QDialog::Accepted)
        SetSelectedCells(dialog.Value());
}

void TfrmChangeCustomProp::actChangePropLookupExecute()
{
    const CellArea area = m_arGrid->SelectedArea();
    if (!AnyChangeable(area))
        return;
    TfrmGridLookupValues dialog(this);
    TarCell* header = nullptr;
    if (m_arGrid->CellsObject().Find(area.left, 0, header))
        dialog.SetLookupItems(header->items);
    dialog.setWindowTitle(u"Lookup values ("_s + m_arGrid->CellsObject().GetText(area.left, 0) + u')');
    if (dialog.exec() == QDialog::Accepted)
        SetSelectedCells(dialog.SelectedLookupValue());
}

void TfrmChangeCustomProp::actDeleteSelectedExecute()
{
    CellsRefused refused;
    {
        const BusyCursor wait;
        const CellArea area = m_arGrid->SelectedArea();
        RecordedChange([&] { refused = DeletePropertyCells(m_arGrid->CellsObject(), area); }, &area);
    }
    ShowRefused(refused, false);
}

void TfrmChangeCustomProp::actOptimalColWidthsExecute()
{
    m_arGrid->OptimalColWidths();
}

void TfrmChangeCustomProp::actSavePropsExecute()
{
    const QString file = ChosenFile(Dialog::Save, u"Save properties"_s, {u"Props file (*.props)"_s});
    if (file.isEmpty())
        return;
    const BusyCursor wait;
    SavePropertySet(file, PropertySetRowsFromCells(m_arGrid->CellsObject(), m_arGrid->ColCount(), m_arGrid->RowCount()));
}

void TfrmChangeCustomProp::actLoadPropertiesExecute()
{
    const QString file = ChosenFile(Dialog::OpenSeveral, u"Load properties"_s, {u"Props file (*.props)"_s});
    if (file.isEmpty())
        return;
    const BusyCursor wait;
    QList<PropertySetRow> rows;
    // A set that cannot be read loads nothing, silently; one whose text is refused (damaged
    // UTF-8) loads nothing and says why.
    QByteArray bytes;
    if (ReadFileContents(file, bytes)) {
        QString reason;
        if (!ParsePropertySet(bytes, rows, &reason))
            throw KrdlError(u"Cannot open file \""_s + file + u"\": "_s + reason);
        PropertySetPlacement placed;
        RecordedChange(
            [&] { PutPropertySet(m_arGrid->CellsObject(), m_arGrid->ColCount(), m_arGrid->RowCount(), rows, &placed); });
        if (placed.readOnly > 0)
            m_statusBar->showMessage(u"%1 value(s) for read-only cells were left out."_s.arg(placed.readOnly));
    }
    m_arGrid->InvalidateGrid();
}

void TfrmChangeCustomProp::actExportCsvExecute()
{
    const QString file = ChosenFile(Dialog::Save, u"Export CSV"_s, {u"CSV file (*.csv)"_s});
    if (file.isEmpty())
        return;
    const BusyCursor wait;
    const TarCells& cells = m_arGrid->CellsObject();
    SavePropertyCsv(file, PropertyColumnNames(cells, m_arGrid->ColCount()),
                    PropertySetRowsFromCells(cells, m_arGrid->ColCount(), m_arGrid->RowCount()));
}

void TfrmChangeCustomProp::actImportCsvExecute()
{
    const QString file = ChosenFile(Dialog::Open, u"Import CSV"_s, {u"CSV file (*.csv)"_s, u"All files (*)"_s});
    if (file.isEmpty())
        return;
    PropertySetPlacement placed;
    {
        const BusyCursor wait;
        PropertyCsv csv;
        QString reason;
        // A malformed file changes nothing: it is read whole before any cell is set.
        if (!ReadPropertyCsv(file, csv, &reason))
            throw KrdlError(reason);
        RecordedChange(
            [&] { placed = PutPropertyCsv(m_arGrid->CellsObject(), m_arGrid->ColCount(), m_arGrid->RowCount(), csv); });
    }
    if (placed.readOnly > 0)
        m_statusBar->showMessage(u"%1 value(s) for read-only cells were left out."_s.arg(placed.readOnly));
    if (placed.unplacedPaths.isEmpty() && placed.unplacedNames.isEmpty())
        return;
    QString text = u"%1 values were imported. Not imported:"_s.arg(placed.set);
    if (!placed.unplacedPaths.isEmpty())
        text += u"\n\nRows of files that are not in the grid:\n"_s + Listed(placed.unplacedPaths);
    if (!placed.unplacedNames.isEmpty())
        text += u"\n\nColumns that are not properties of the grid:\n"_s + Listed(placed.unplacedNames);
    arMessageBox(u"Import CSV"_s, text, {u"Ok"_s}, miWarning, 0, poMainFormCenter, true, this);
}

void TfrmChangeCustomProp::btnFillDraftsClick()
{
    Guarded([this] {
        std::vector<DocumentChanges> changes;
        ApplyReport report;
        {
            const BusyCursor wait;
            changes = CollectDocumentChanges(m_arGrid->CellsObject(), m_arGrid->ColCount(), m_arGrid->RowCount());
            RunProgress progress(this, u"Saving custom properties ..."_s, m_progressDelayMs, nullptr);
            ApplyOptions options;
            options.deleteOthers = m_chkDeleteOtherProperties->isChecked();
            options.stopAtMissing = true;
            options.progress = std::ref(progress);
            report = ApplyDocumentChanges(changes, options);
        }
        if (!report.journalError.isEmpty())
            arMessageBox(u"Warning"_s, report.journalError, {u"Ok"_s}, miWarning, 0, poMainFormCenter, true, this);
        if (report.stoppedAt >= 0)
            arMessageBox(u"Warning"_s, FileDoesNotExistMessage(changes[static_cast<std::size_t>(report.stoppedAt)].path),
                         {u"Ok"_s}, miWarning, 0, poMainFormCenter, true, this);
        if (std::any_of(report.results.begin(), report.results.end(),
                        [](const ApplyResult& r) { return r.status == ApplyResult::Failed; }))
            arMessageBox(u"Error"_s, FailureText(report), {u"Ok"_s}, miError, 0, poMainFormCenter, true, this);
    });
    // The window closes in every case; what was not saved is listed above.
    accept();
}

void TfrmChangeCustomProp::actUndoPropertySaveExecute()
{
    // The grid is read again after the undo: edits not saved yet would be lost without a word.
    bool edited = false;
    m_arGrid->CellsObject().ForEachInRange(1, 1, m_arGrid->ColCount() - 1, m_arGrid->RowCount() - 1,
                                         [&edited](const TarCell& cell) { edited = edited || cell.changed; });
    // "No" is the default: a box closed without an answer keeps the edits.
    if (edited
        && arMessageBox(u"Confirmation"_s,
                        u"The grid has changes that are not saved. Undoing the last property save reads the "
                        "documents again and loses them.\n\nUndo the last property save?"_s,
                        {u"Yes"_s, u"No"_s}, miQuestion, 1, poMainFormCenter, true, this)
               != 0)
        return;
    ProgressDialogFactory progress(this);
    MessageBoxSink messages(this);
    PropertyUndo undo(progress, messages);
    undo.Execute();
    if (undo.restored.isEmpty())
        return;
    const BusyCursor wait;
    TarCells& cells = m_arGrid->CellsObject();
    QStringList paths;
    for (int r = 1; r < m_arGrid->RowCount() && !cells.GetData(0, r).isEmpty(); ++r)
        paths << cells.GetData(0, r);
    cells.DeleteRange(0, 1, m_arGrid->ColCount() - 1, m_arGrid->RowCount() - 1);
    FillPropertyRows(cells, m_arGrid->ColCount(), LoadCustomProperties(paths, GridLoadOptions()));
    // The grid holds what the documents hold again: no edit before this can be undone into it.
    m_arGrid->History().Clear();
    ApplyRowView();
    CellsEdited();
}

void TfrmChangeCustomProp::actUndoExecute()
{
    m_arGrid->Undo();
}

void TfrmChangeCustomProp::actRedoExecute()
{
    m_arGrid->Redo();
}

void TfrmChangeCustomProp::actCopyExecute()
{
    const CellArea area = m_arGrid->SelectedArea();
    const TarCells& cells = m_arGrid->CellsObject();
    TextBlock block;
    block.reserve(area.rows.size());
    for (const qint32 row : area.rows) {
        QStringList texts;
        for (qint32 col = area.left; col <= area.right; ++col)
            texts << cells.GetText(col, row);
        block.push_back(std::move(texts));
    }
    // A whole column (selected from its header) goes with its header, as spreadsheets expect.
    QStringList header;
    if (static_cast<int>(area.rows.size()) == m_arGrid->ShownRowCount() && area.rows.size() > 1)
        for (qint32 col = area.left; col <= area.right; ++col)
            header << cells.GetText(col, 0);
    QApplication::clipboard()->setText(FormatTabText(block, header));
    m_statusBar->showMessage(u"%1 cell(s) copied."_s.arg(block.size() * static_cast<std::size_t>(area.right - area.left + 1)));
}

void TfrmChangeCustomProp::actPasteExecute()
{
    TextBlock block = ParseTabText(QApplication::clipboard()->text());
    if (block.empty())
        return;
    PasteTarget target;
    target.selection = m_arGrid->SelectedArea();
    target.shownRows = m_arGrid->ShownRows();
    target.firstColumn = m_arGrid->FixedCols();
    target.colCount = m_arGrid->ColCount();
    target.firstRow = m_arGrid->FixedRows();
    // A block copied with its header row (a whole column) pastes its values, not the header.
    const TarCells& cells = m_arGrid->CellsObject();
    if (block.size() > 1) {
        const QStringList& first = block.front();
        bool header = !first.isEmpty();
        for (qsizetype i = 0; header && i < first.size(); ++i)
            header = target.selection.left + i < target.colCount
                     && first[i].compare(cells.GetText(target.selection.left + static_cast<qint32>(i), 0), Qt::CaseInsensitive) == 0;
        if (header)
            block.erase(block.begin());
    }
    PastePlan plan;
    {
        const BusyCursor wait;
        plan = PlanPaste(block, cells, target, Editable());
        m_arGrid->ApplyWrites(plan.writes);
    }
    QString text = u"%1 cell(s) pasted."_s.arg(plan.writes.size());
    if (plan.clipped > 0)
        text += u" %1 cell(s) of the pasted block lay past the edge of the grid and were left out."_s.arg(plan.clipped);
    if (plan.refused > 0)
        text += u" %1 read-only cell(s) left as they are."_s.arg(plan.refused);
    m_statusBar->showMessage(text);
}

void TfrmChangeCustomProp::actFindExecute()
{
    m_findReplace->Open(false);
}

void TfrmChangeCustomProp::actReplaceExecute()
{
    m_findReplace->Open(true);
}

void TfrmChangeCustomProp::actFillPatternExecute()
{
    const CellArea area = m_arGrid->SelectedArea();
    if (area.rows.empty())
        return;
    const TarCells& cells = m_arGrid->CellsObject();
    QStringList headers;
    for (int col = 0; col < m_arGrid->ColCount(); ++col)
        headers << cells.GetText(col, 0);
    const RowFilePath filePath = [&cells](qint32 row) { return cells.GetData(0, row); };
    FillPatternDialog dialog(cells, area, headers, filePath, [&cells](qint32 row) { return cells.GetText(0, row); },
                             this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FillPlan plan;
    {
        const BusyCursor wait;
        plan = PlanFill(dialog.Pattern(), cells, area, filePath, Editable());
        m_arGrid->ApplyWrites(plan.writes);
    }
    QString text = u"%1 cell(s) filled."_s.arg(plan.writes.size());
    if (plan.refused > 0)
        text += u" %1 read-only cell(s) left as they are."_s.arg(plan.refused);
    m_statusBar->showMessage(text);
}

void TfrmChangeCustomProp::ApplyRowView()
{
    m_filterTimer->stop();
    const BusyCursor wait;
    const int total = std::max(m_arGrid->RowCount() - 1, 0);
    const QString text = m_filter->text();
    const int sortCol = m_arGrid->SortCol();
    if (text.isEmpty() && sortCol < 0) {
        if (!m_arGrid->ShowsAllRows())
            m_arGrid->ShowAllRows();
    } else {
        std::vector<qint32> rows;
        rows.reserve(static_cast<std::size_t>(total));
        for (qint32 row = 1; row <= total; ++row)
            rows.push_back(row);
        // The chosen column, or every column with the row labels (file names) among them.
        const qint32 column = m_filterColumn->currentData().toInt();
        if (!text.isEmpty())
            rows = column > 0 ? FilterRows(m_arGrid->CellsObject(), rows, column, column, text)
                              : FilterRows(m_arGrid->CellsObject(), rows, 0, m_arGrid->ColCount() - 1, text);
        if (sortCol >= 0)
            rows = SortRows(m_arGrid->CellsObject(), rows, sortCol, m_arGrid->SortOrder());
        m_arGrid->SetShownRows(std::move(rows));
    }
    m_showing->setText(ShowingText(m_arGrid->ShownRowCount(), total));
}

void TfrmChangeCustomProp::ArGridMouseUp(Qt::MouseButton button, int col, int row, const QPoint& globalPos)
{
    m_clickCol = col;
    m_clickRow = row;
    if (button == Qt::RightButton) {
        if (m_clickCol >= m_arGrid->FixedCols() && m_clickRow >= m_arGrid->FixedRows())
            m_pmPopupMenu->popup(globalPos);
    } else if (button == Qt::LeftButton) {
        if (m_clickCol >= m_arGrid->FixedCols() && m_arGrid->FixedRows() > 0 && m_clickRow == m_arGrid->FixedRows() - 1
            && m_arGrid->RowCount() > m_arGrid->FixedRows()) {
            // A click on a header sorts by its column (again: the other way) and selects it;
            // sizing a column by dragging its edge only selects it, as it always did.
            if (!m_arGrid->HeaderDragged()) {
                m_arGrid->SetSortIndicator(m_clickCol,
                                           NextSortOrder(m_arGrid->SortCol(), m_arGrid->SortOrder(), m_clickCol));
                ApplyRowView();
            }
            if (m_arGrid->ShownRowCount() > 0)
                m_arGrid->SetSelection(m_clickCol, m_arGrid->FixedRows(), m_clickCol,
                                       m_arGrid->FixedRows() + m_arGrid->ShownRowCount() - 1);
        }
    }
}
