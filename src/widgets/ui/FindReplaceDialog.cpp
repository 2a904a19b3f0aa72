#include "widgets/ui/FindReplaceDialog.h"

#include "widgets/ui/TarGrid.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

FindReplaceDialog::FindReplaceDialog(TarGrid* grid, CellEditable editable, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_editable(std::move(editable))
{
    setObjectName(u"FindReplaceDialog"_s);
    setWindowTitle(u"Find and replace"_s);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const auto line = [this](const QString& name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMinimumWidth(280);
        return edit;
    };
    m_find = line(u"edFind"_s);
    m_replace = line(u"edReplace"_s);
    m_replace->setToolTip(u"With a regular expression, \\1 to \\99 stand for what its groups matched"_s);
    form->addRow(u"Find:"_s, m_find);
    form->addRow(u"Replace with:"_s, m_replace);
    layout->addLayout(form);
    const auto check = [this, layout](const QString& name, const QString& caption) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        layout->addWidget(box);
        return box;
    };
    m_regularExpression = check(u"chkRegularExpression"_s, u"Regular expression"_s);
    m_matchCase = check(u"chkMatchCase"_s, u"Match case"_s);
    m_wholeCell = check(u"chkWholeCell"_s, u"Whole cell"_s);
    m_selectionOnly = check(u"chkSelectionOnly"_s, u"Selection only"_s);
    m_result = new QLabel(this);
    m_result->setObjectName(u"lblResult"_s);
    m_result->setWordWrap(true);
    layout->addWidget(m_result);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* findNext = buttons->addButton(u"Find next"_s, QDialogButtonBox::ActionRole);
    findNext->setObjectName(u"btnFindNext"_s);
    QPushButton* replaceAll = buttons->addButton(u"Replace all"_s, QDialogButtonBox::ActionRole);
    replaceAll->setObjectName(u"btnReplaceAll"_s);
    QPushButton* close = buttons->addButton(u"Close"_s, QDialogButtonBox::RejectRole);
    close->setObjectName(u"btnClose"_s);
    findNext->setDefault(true);
    connect(findNext, &QPushButton::clicked, this, [this] { FindNext(); });
    connect(replaceAll, &QPushButton::clicked, this, [this] { ReplaceAll(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void FindReplaceDialog::Open(bool replace)
{
    m_selection = m_grid->SelectedArea();
    const bool several = m_selection.rows.size() > 1 || m_selection.right > m_selection.left;
    m_selectionOnly->setEnabled(several);
    m_selectionOnly->setChecked(several);
    m_result->clear();
    show();
    raise();
    activateWindow();
    QLineEdit* focus = replace ? m_replace : m_find;
    focus->setFocus();
    focus->selectAll();
}

ReplaceOptions FindReplaceDialog::Options() const
{
    return {m_find->text(), m_replace->text(), m_regularExpression->isChecked(), m_matchCase->isChecked(),
            m_wholeCell->isChecked()};
}

CellArea FindReplaceDialog::SearchArea() const
{
    if (m_selectionOnly->isChecked()) {
        // Rows a filter hid since the dialog opened are left alone: nothing hidden is changed.
        const std::vector<qint32> shown = m_grid->ShownRows();
        const QSet<qint32> visible(shown.begin(), shown.end());
        CellArea area{m_selection.left, m_selection.right, {}};
        std::copy_if(m_selection.rows.begin(), m_selection.rows.end(), std::back_inserter(area.rows),
                     [&visible](qint32 row) { return visible.contains(row); });
        return area;
    }
    return {m_grid->FixedCols(), m_grid->ColCount() - 1, m_grid->ShownRows()};
}

bool FindReplaceDialog::FindNext()
{
    m_grid->CommitEdit();
    const CellArea area = SearchArea();
    const qint64 width = qint64(area.right) - area.left + 1;
    // Start after the current cell when it lies in the area.
    qint64 from = -1;
    const qint32 row = m_grid->GridRow(m_grid->Row());
    const auto at = std::find(area.rows.begin(), area.rows.end(), row);
    if (at != area.rows.end() && m_grid->Col() >= area.left && m_grid->Col() <= area.right)
        from = (at - area.rows.begin()) * width + (m_grid->Col() - area.left);
    QString error;
    const qint64 found = FindNextCell(m_grid->CellsObject(), area, Options(), from, &error);
    if (found < 0) {
        m_result->setText(error.isEmpty() ? u"No cell contains \"%1\"."_s.arg(m_find->text()) : error);
        return false;
    }
    // The shown position of the found row: the area's rows are shown rows in the order shown.
    const std::vector<qint32> shown = m_grid->ShownRows();
    const qint32 foundRow = area.rows[static_cast<std::size_t>(found / width)];
    const auto viewAt = std::find(shown.begin(), shown.end(), foundRow);
    if (viewAt == shown.end()) {
        // The selection it was opened with lost the row to a filter since.
        m_result->setText(u"The cell found is not shown; clear the filter or search every cell."_s);
        return false;
    }
    const int viewRow = static_cast<int>(viewAt - shown.begin()) + m_grid->FixedRows();
    const int col = area.left + static_cast<int>(found % width);
    m_grid->SetSelection(col, viewRow, col, viewRow);
    m_grid->scrollTo(m_grid->model()->index(viewRow - m_grid->FixedRows(), col - m_grid->FixedCols()));
    m_result->clear();
    return true;
}

int FindReplaceDialog::ReplaceAll()
{
    m_grid->CommitEdit();
    const ReplacePlan plan = PlanReplace(m_grid->CellsObject(), SearchArea(), Options(), m_editable);
    if (!plan.error.isEmpty()) {
        m_result->setText(plan.error);
        return -1;
    }
    m_grid->ApplyWrites(plan.writes);
    QString text = u"%1 cell(s) changed."_s.arg(plan.writes.size());
    if (plan.refused > 0)
        text += u" %1 read-only cell(s) left as they are."_s.arg(plan.refused);
    m_result->setText(text);
    return static_cast<int>(plan.writes.size());
}
