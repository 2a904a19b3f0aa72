#pragma once
// "Fill by pattern": asks for a pattern (FillPattern.h: {name}, {base}, {folder}, {col:Header},
// {#:W:START:STEP}) and previews the values of the first rows of the area as it is typed.
//
//     FillPatternDialog dialog(grid->CellsObject(), area, headers, filePath, this);
//     if (dialog.exec() == QDialog::Accepted)
//         grid->ApplyWrites(PlanFill(dialog.Pattern(), cells, area, filePath, editable).writes);

#include "widgets/FillPattern.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class FillPatternDialog : public QDialog {
    Q_OBJECT
public:
    // `headers` are the texts of the grid's column headers by column; `rowLabel` names a row in
    // the preview.
    FillPatternDialog(const TarCells& cells, CellArea area, QStringList headers, RowFilePath filePath,
                      std::function<QString(qint32 row)> rowLabel, QWidget* parent = nullptr);

    void SetPatternText(const QString& text);
    // The pattern as last read; valid when the dialog was accepted.
    const FillPattern& Pattern() const { return m_pattern; }

    static constexpr int kPreviewRows = 8;

private:
    void Preview();

    const TarCells& m_cells;
    CellArea m_area;
    QStringList m_headers;
    RowFilePath m_filePath;
    std::function<QString(qint32 row)> m_rowLabel;
    FillPattern m_pattern;
    QLineEdit* m_edit = nullptr;
    QListWidget* m_preview = nullptr;
    QLabel* m_error = nullptr;
    QPushButton* m_ok = nullptr;
};
