#include "properties/ui/TfrmChangeCustomProp.h"

#include "batch/PropertyUndo.h"
#include "batch/ui/MessageBoxSink.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "common/Error.h"
#include "common/SafeFile.h"
#include "filelist/ui/FileDialogs.h"
#include "properties/PropertyCsv.h"
#include "properties/PropertyGrid.h"
#include "properties/PropertySeed.h"
#include "properties/ui/LocatePropseed.h"
#include "properties/ui/TfrmChangeGridValue.h"
#include "properties/ui/TfrmGridLookupValues.h"
#include "widgets/ui/ActionButton.h"
#include "widgets/ui/BusyCursor.h"
#include "widgets/ui/TarGrid.h"
#include "widgets/ui/arMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
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
        : owner_(owner), label_(std::move(label)), delayMs_(delayMs), stop_(stop)
    {
        started_.start();
    }

    void operator()(qsizetype done, qsizetype total)
    {
        bool pump = sincePump_.isValid() ? sincePump_.elapsed() >= 25 : true;
        if (!dialog_ && started_.elapsed() >= delayMs_ && done < total) {
            dialog_ = std::make_unique<QProgressDialog>(label_, stop_ ? u"Cancel"_s : QString(), 0, 0, owner_);
            dialog_->setObjectName(u"ProgressDialog"_s);
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->setMinimumDuration(0);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            if (stop_)
                QObject::connect(dialog_.get(), &QProgressDialog::canceled, [stop = stop_] { stop->request_stop(); });
            dialog_->show();
            pump = true;
        }
        // Events run now and then, not at every document: a run may report tens of thousands.
        if (!pump)
            return;
        if (dialog_) {
            dialog_->setMaximum(static_cast<int>(std::min<qsizetype>(total, INT_MAX)));
            dialog_->setValue(static_cast<int>(std::min<qsizetype>(done, INT_MAX)));
        }
        QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        sincePump_.start();
        if (stop_ && dialog_ && dialog_->wasCanceled())
            stop_->request_stop();
    }

private:
    QWidget* owner_;
    QString label_;
    int delayMs_;
    std::stop_source* stop_;
    QElapsedTimer started_;
    QElapsedTimer sincePump_;
    std::unique_ptr<QProgressDialog> dialog_;
};

QAction* MakeAction(QWidget* owner, const QString& name, const QString& caption, const QString& hint,
                    const QKeySequence& shortcut = {})
{
    auto* a = new QAction(caption, owner);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    owner->addAction(a);
    return a;
}

QPushButton* PanelButton(QAction* action, const QString& name, QWidget* parent)
{
    auto* button = new ActionButton(action, ActionButton::ShowHint, parent);
    button->setObjectName(name);
    return button;
}

enum class Dialog { Open, OpenSeveral, Save };

// The first file chosen in a file dialog; empty when the user cancelled.
QString ChosenFile(QWidget* owner, Dialog kind, const QString& title, const QStringList& filters)
{
    FileDialogRequest request;
    request.save = kind == Dialog::Save;
    request.multiple = kind == Dialog::OpenSeveral;
    request.title = title;
    request.filters = filters;
    const QStringList chosen = RunFileDialog(owner, request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

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

TfrmChangeCustomProp::TfrmChangeCustomProp(QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                         | Qt::WindowCloseButtonHint)
{
    setObjectName(u"TfrmChangeCustomProp"_s);
    setWindowTitle(u"Change custom properties"_s);
    resize(900, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ArGrid = new TarGrid(this);
    ArGrid->setObjectName(u"ArGrid"_s);
    QFont font(u"Arial"_s);
    font.setPixelSize(12);
    ArGrid->setFont(font);
    ArGrid->SetDefaultRowHeight(16);
    ArGrid->SetFixedCols(1);
    ArGrid->SetFixedRows(1);
    ArGrid->SetEditing(true);
    ArGrid->setShowGrid(true);
    // Every other row a very light blue (0xFFFAF4 as the platform writes colours: blue, green, red).
    ArGrid->GridColors().BackgroundColor2 = QColor(0xF4, 0xFA, 0xFF);
    layout->addWidget(ArGrid, 1);

    actChangeValue = MakeAction(this, u"actChangeValue"_s, u"Change propertie values"_s, u"Change value"_s,
                                QKeySequence(Qt::Key_F3));
    actChangePropLookup = MakeAction(this, u"actChangePropLookup"_s, u"Change propertie values from lookup values"_s,
                                     u"Change propertie from lookup values"_s, QKeySequence(Qt::Key_F4));
    actDeleteSelected = MakeAction(this, u"actDeleteSelected"_s, u"Delete selected"_s, u"Delete selected values"_s,
                                   QKeySequence(Qt::CTRL | Qt::Key_Delete));
    actOptimalColWidths = MakeAction(this, u"actOptimalColWidths"_s, u"Optimal column widths"_s,
                                     u"Optimal column widths"_s, QKeySequence(Qt::Key_F8));
    actSaveProps = MakeAction(this, u"actSaveProps"_s, u"Save props"_s, u"Save properties"_s);
    actLoadProperties = MakeAction(this, u"actLoadProperties"_s, u"Load props"_s, u"Load properties"_s);
    connect(actChangeValue, &QAction::triggered, this, [this] { Guarded([this] { actChangeValueExecute(); }); });
    connect(actChangePropLookup, &QAction::triggered, this, [this] { Guarded([this] { actChangePropLookupExecute(); }); });
    connect(actDeleteSelected, &QAction::triggered, this, [this] { Guarded([this] { actDeleteSelectedExecute(); }); });
    connect(actOptimalColWidths, &QAction::triggered, this, [this] { Guarded([this] { actOptimalColWidthsExecute(); }); });
    connect(actSaveProps, &QAction::triggered, this, [this] { Guarded([this] { actSavePropsExecute(); }); });
    connect(actLoadProperties, &QAction::triggered, this, [this] { Guarded([this] { actLoadPropertiesExecute(); }); });
    actUndoPropertySave = MakeAction(this, u"actUndoPropertySave"_s, u"Undo last property save"_s,
                                     u"Put back the custom properties the documents had before the last save"_s);
    connect(actUndoPropertySave, &QAction::triggered, this, [this] { Guarded([this] { actUndoPropertySaveExecute(); }); });
    actExportCsv = MakeAction(this, u"actExportCsv"_s, u"Export CSV"_s, u"Export the grid as a CSV file"_s);
    actImportCsv = MakeAction(this, u"actImportCsv"_s, u"Import CSV"_s, u"Import values from a CSV file"_s);
    connect(actExportCsv, &QAction::triggered, this, [this] { Guarded([this] { actExportCsvExecute(); }); });
    connect(actImportCsv, &QAction::triggered, this, [this] { Guarded([this] { actImportCsvExecute(); }); });

    pmPopupMenu = new QMenu(this);
    pmPopupMenu->setObjectName(u"pmPopupMenu"_s);
    pmPopupMenu->addAction(actChangeValue);
    pmPopupMenu->addAction(actChangePropLookup);
    pmPopupMenu->addAction(actDeleteSelected);
    pmPopupMenu->addSeparator();
    pmPopupMenu->addAction(actOptimalColWidths);
    connect(ArGrid, &TarGrid::MouseUp, this, &TfrmChangeCustomProp::ArGridMouseUp);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"pnlButtons"_s);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(8, 6, 8, 6);
    btnCancel = new QPushButton(u"Close"_s, panel);
    btnCancel->setObjectName(u"btnCancel"_s);
    btnCancel->setToolTip(u"Close window"_s);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    btnSaveProps = PanelButton(actSaveProps, u"btnSaveProps"_s, panel);
    btnLoadProps = PanelButton(actLoadProperties, u"btnLoadProps"_s, panel);
    btnExportCsv = PanelButton(actExportCsv, u"btnExportCsv"_s, panel);
    btnImportCsv = PanelButton(actImportCsv, u"btnImportCsv"_s, panel);
    btnUndoPropertySave = PanelButton(actUndoPropertySave, u"btnUndoPropertySave"_s, panel);
    chkDeleteOtherProperties = new QCheckBox(u"Delete other properties"_s, panel);
    chkDeleteOtherProperties->setObjectName(u"chkDeleteOtherProperties"_s);
    btnFillDrafts = new QPushButton(u"Save custom properties"_s, panel);
    btnFillDrafts->setObjectName(u"btnFillDrafts"_s);
    btnFillDrafts->setToolTip(u"Save custom properties"_s);
    connect(btnFillDrafts, &QPushButton::clicked, this, &TfrmChangeCustomProp::btnFillDraftsClick);
    // Enter in the grid's in-place editor ends the edit; it must not press a button.
    for (QPushButton* b : {btnCancel, btnSaveProps, btnLoadProps, btnExportCsv, btnImportCsv, btnUndoPropertySave,
                           btnFillDrafts})
        b->setAutoDefault(false);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnSaveProps);
    buttons->addWidget(btnLoadProps);
    buttons->addWidget(btnExportCsv);
    buttons->addWidget(btnImportCsv);
    buttons->addWidget(btnUndoPropertySave);
    buttons->addStretch(1);
    buttons->addWidget(chkDeleteOtherProperties);
    buttons->addSpacing(12);
    buttons->addWidget(btnFillDrafts);
    layout->addWidget(panel);
}

void TfrmChangeCustomProp::Execute(const QStringList& paths, QWidget* owner)
{
    QString seed;
    if (!LocatePropseedFile(seed, owner))
        return;
    PropertyDefinitions definitions;
    ReadPropertySeed(seed, &definitions);
    TfrmChangeCustomProp form(owner);
    if (!form.Load(paths, definitions))
        return;
    form.setWindowState(Qt::WindowMaximized);
    form.exec();
}

bool TfrmChangeCustomProp::Load(const QStringList& paths, const PropertyDefinitions& definitions)
{
    RowsFilled filled;
    {
        const BusyCursor wait;
        const int cols = definitions.Count() + 1;
        ArGrid->SetColCount(cols);
        ArGrid->SetRowCount(static_cast<int>(paths.size()) + 1);
        TarCells& cells = ArGrid->CellsObject();
        FillPropertyHeader(cells, definitions);

        std::stop_source stop;
        RunProgress progress(this, u"Reading the custom properties of the documents ..."_s, ProgressDelayMs, &stop);
        LoadOptions options;
        options.stop = stop.get_token();
        options.progress = std::ref(progress);
        // Loading stops at the first missing file; the documents after it are never read.
        options.stopAtMissing = true;
        const QList<LoadedDocument> documents = LoadCustomProperties(paths, options);
        filled = FillPropertyRows(cells, cols, documents);
        if (stop.stop_requested())
            return false;
        ArGrid->OptimalColWidths();
        ArGrid->InvalidateGrid();
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
    ArGrid->CommitEdit();
    try {
        handler();
    } catch (const KrdlError& e) {
        arMessageBox(u"Velmar Solid Edge Utils"_s, e.message(), {u"OK"_s}, miError, 0, poMainFormCenter, true, this);
    } catch (const std::exception& e) {
        arMessageBox(u"Velmar Solid Edge Utils"_s, QString::fromLocal8Bit(e.what()), {u"OK"_s}, miError, 0,
                     poMainFormCenter, true, this);
    }
}

void TfrmChangeCustomProp::SetSelectedCells(const QString& value)
{
    const QRect s = ArGrid->Selection();
    for (int c = s.left(); c <= s.right(); ++c)
        for (int r = s.top(); r <= s.bottom(); ++r)
            ArGrid->Cell(c, r)->SetText(value);
}

void TfrmChangeCustomProp::actChangeValueExecute()
{
    const QRect s = ArGrid->Selection();
    TfrmChangeGridValue dialog(this);
    dialog.setWindowTitle(u"Change property values ("_s + ArGrid->CellsObject().GetText(s.left(), 0) + u')');
    dialog.edValue->setText(ArGrid->CellsObject().GetText(s.left(), s.top()));
    if (dialog.exec() == QDialog::Accepted)
        SetSelectedCells(dialog.edValue->text());
    ArGrid->InvalidateGrid();
}

void TfrmChangeCustomProp::actChangePropLookupExecute()
{
    const QRect s = ArGrid->Selection();
    TfrmGridLookupValues dialog(this);
    TarCell* header = nullptr;
    if (ArGrid->CellsObject().Find(s.left(), 0, header))
        dialog.lbLookupItems->addItems(header->Items);
    dialog.setWindowTitle(u"Lookup values ("_s + ArGrid->CellsObject().GetText(s.left(), 0) + u')');
    if (dialog.exec() == QDialog::Accepted)
        SetSelectedCells(dialog.SelectedLookupValue());
    ArGrid->InvalidateGrid();
}

void TfrmChangeCustomProp::actDeleteSelectedExecute()
{
    const QRect s = ArGrid->Selection();
    ArGrid->DeleteCells(s.left(), s.top(), s.right(), s.bottom());
}

void TfrmChangeCustomProp::actOptimalColWidthsExecute()
{
    ArGrid->OptimalColWidths();
}

void TfrmChangeCustomProp::actSavePropsExecute()
{
    const QString file = ChosenFile(this, Dialog::Save, u"Save properties"_s, {u"Props file (*.props)"_s});
    if (file.isEmpty())
        return;
    const BusyCursor wait;
    SavePropertySet(file, PropertySetRowsFromCells(ArGrid->CellsObject(), ArGrid->ColCount(), ArGrid->RowCount()));
}

void TfrmChangeCustomProp::actLoadPropertiesExecute()
{
    const QString file = ChosenFile(this, Dialog::OpenSeveral, u"Load properties"_s, {u"Props file (*.props)"_s});
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
        PutPropertySet(ArGrid->CellsObject(), ArGrid->ColCount(), ArGrid->RowCount(), rows);
    }
    ArGrid->InvalidateGrid();
}

void TfrmChangeCustomProp::actExportCsvExecute()
{
    const QString file = ChosenFile(this, Dialog::Save, u"Export CSV"_s, {u"CSV file (*.csv)"_s});
    if (file.isEmpty())
        return;
    const BusyCursor wait;
    const TarCells& cells = ArGrid->CellsObject();
    SavePropertyCsv(file, PropertyColumnNames(cells, ArGrid->ColCount()),
                    PropertySetRowsFromCells(cells, ArGrid->ColCount(), ArGrid->RowCount()));
}

void TfrmChangeCustomProp::actImportCsvExecute()
{
    const QString file = ChosenFile(this, Dialog::Open, u"Import CSV"_s, {u"CSV file (*.csv)"_s, u"All files (*)"_s});
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
        placed = PutPropertyCsv(ArGrid->CellsObject(), ArGrid->ColCount(), ArGrid->RowCount(), csv);
        ArGrid->InvalidateGrid();
    }
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
            changes = CollectDocumentChanges(ArGrid->CellsObject(), ArGrid->ColCount(), ArGrid->RowCount());
            RunProgress progress(this, u"Saving custom properties ..."_s, ProgressDelayMs, nullptr);
            ApplyOptions options;
            options.deleteOthers = chkDeleteOtherProperties->isChecked();
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
    ArGrid->CellsObject().ForEachInRange(1, 1, ArGrid->ColCount() - 1, ArGrid->RowCount() - 1,
                                         [&edited](const TarCell& cell) { edited = edited || cell.Changed; });
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
    if (undo.Restored.isEmpty())
        return;
    const BusyCursor wait;
    TarCells& cells = ArGrid->CellsObject();
    QStringList paths;
    for (int r = 1; r < ArGrid->RowCount() && !cells.GetData(0, r).isEmpty(); ++r)
        paths << cells.GetData(0, r);
    cells.DeleteRange(0, 1, ArGrid->ColCount() - 1, ArGrid->RowCount() - 1);
    FillPropertyRows(cells, ArGrid->ColCount(), LoadCustomProperties(paths));
    ArGrid->InvalidateGrid();
}

void TfrmChangeCustomProp::ArGridMouseUp(Qt::MouseButton button, int col, int row, const QPoint& globalPos)
{
    ClickCol = col;
    ClickRow = row;
    if (button == Qt::RightButton) {
        if (ClickCol >= ArGrid->FixedCols() && ClickRow >= ArGrid->FixedRows())
            pmPopupMenu->popup(globalPos);
    } else if (button == Qt::LeftButton) {
        if (ClickCol >= ArGrid->FixedCols() && ArGrid->FixedRows() > 0 && ClickRow == ArGrid->FixedRows() - 1
            && ArGrid->RowCount() > ArGrid->FixedRows())
            ArGrid->SetSelection(ClickCol, ArGrid->FixedRows(), ClickCol, ArGrid->RowCount() - 1);
    }
}
