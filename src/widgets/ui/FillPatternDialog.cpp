#include "widgets/ui/FillPatternDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

FillPatternDialog::FillPatternDialog(const TarCells& cells, CellArea area, QStringList headers, RowFilePath filePath,
                                     std::function<QString(qint32 row)> rowLabel, QWidget* parent)
    : QDialog(parent), m_cells(cells), m_area(std::move(area)), m_headers(std::move(headers)),
      m_filePath(std::move(filePath)), m_rowLabel(std::move(rowLabel))
{
    setObjectName(u"FillPatternDialog"_s);
    setWindowTitle(u"Fill by pattern"_s);
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(u"Fields: {name} file name, {base} file name without extension, {folder} folder name, "
                            "{col:Header} the value of another column, {#} a counter ({#:3} pads to 3 digits, "
                            "{#:3:10:5} starts at 10 and steps by 5), {{ and }} braces."_s,
                            this);
    help->setWordWrap(true);
    layout->addWidget(help);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(u"edPattern"_s);
    m_edit->setPlaceholderText(u"{base}-{#:3}"_s);
    layout->addWidget(m_edit);
    m_error = new QLabel(this);
    m_error->setObjectName(u"lblError"_s);
    m_error->setWordWrap(true);
    layout->addWidget(m_error);
    layout->addWidget(new QLabel(u"Preview:"_s, this));
    m_preview = new QListWidget(this);
    m_preview->setObjectName(u"lstPreview"_s);
    layout->addWidget(m_preview);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(u"btnOk"_s);
    m_ok->setText(u"Fill"_s);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(u"btnCancel"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_edit, &QLineEdit::textChanged, this, &FillPatternDialog::Preview);
    resize(520, 360);
    Preview();
}

void FillPatternDialog::SetPatternText(const QString& text)
{
    m_edit->setText(text);
    Preview();
}

void FillPatternDialog::Preview()
{
    m_preview->clear();
    QString error;
    const bool valid = !m_edit->text().isEmpty() && m_pattern.Parse(m_edit->text(), m_headers, error);
    m_error->setText(error);
    m_ok->setEnabled(valid);
    if (!valid)
        return;
    const QStringList values = PreviewFill(m_pattern, m_cells, m_area, m_filePath, kPreviewRows);
    for (int i = 0; i < values.size(); ++i)
        m_preview->addItem(m_rowLabel(m_area.rows[static_cast<std::size_t>(i)]) + u"  →  "_s + values[i]);
}
