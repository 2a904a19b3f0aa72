#include "properties/ui/TfrmDocCustomProperties.h"

#include "common/FsPath.h"
#include "properties/CustomProperties.h"
#include "properties/OleDocumentProperties.h"
#include "widgets/ui/arMessageBox.h"

#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <exception>
#include <filesystem>

using namespace Qt::StringLiterals;

TfrmDocCustomProperties::TfrmDocCustomProperties(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(u"File custom properties"_s);
    setFixedSize(417, 345);

    gbDocCustomProperties = new QGroupBox(this);
    gbDocCustomProperties->setObjectName(u"gbDocCustomProperties"_s);
    gbDocCustomProperties->setGeometry(8, 4, 401, 300);

    lblFileName = new QLabel(u"File name:"_s, gbDocCustomProperties);
    lblFileName->setObjectName(u"lblFileName"_s);
    lblFileName->setGeometry(10, 16, 60, 21);
    edFileName = new QLineEdit(gbDocCustomProperties);
    edFileName->setObjectName(u"edFileName"_s);
    edFileName->setGeometry(72, 16, 317, 21);
    edFileName->setReadOnly(true);
    lblFileName->setBuddy(edFileName);

    lvProperties = new QTreeWidget(gbDocCustomProperties);
    lvProperties->setObjectName(u"lvProperties"_s);
    lvProperties->setGeometry(10, 44, 379, 246);
    lvProperties->setToolTip(u"Document custom properties"_s);
    lvProperties->setColumnCount(2);
    lvProperties->setHeaderLabels({u"Name"_s, u"Value"_s});
    lvProperties->setRootIsDecorated(false);
    lvProperties->setItemsExpandable(false);
    lvProperties->setUniformRowHeights(true);
    lvProperties->setSortingEnabled(false);
    lvProperties->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvProperties->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvProperties->header()->setStretchLastSection(false);
    lvProperties->setColumnWidth(0, 190);
    lvProperties->setColumnWidth(1, 183);

    btnClose = new QPushButton(u"Close"_s, this);
    btnClose->setObjectName(u"btnClose"_s);
    btnClose->setGeometry(334, 312, 75, 25);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmDocCustomProperties::AddPropertyRow(const QString& label, const QString& value)
{
    auto* item = new QTreeWidgetItem(lvProperties, {label, value});
    item->setToolTip(1, value);
}

void TfrmDocCustomProperties::ReadDocument(const QString& path)
{
    try {
        TOleDocumentProperties component;
        std::error_code ec;
        if (!path.isEmpty() && std::filesystem::exists(ToFsPath(path), ec)) {
            edFileName->setText(path);
            // Only reading: a document that cannot be opened for writing can still be viewed.
            component.Open(path, true);
            TOleCustomProperties& properties = component.CustomProperties();
            const qint32 count = properties.Count();
            for (qint32 i = 0; i < count; ++i) {
                const TOleCustomProperty property = properties.Item(i);
                const QString value = PropertyDisplayText(property.Value());
                AddPropertyRow(property.Name() + u" ("_s + PropertyTypeName(property.Type()) + u')', value);
            }
            component.Close(false);
        } else {
            arMessageBox(u"Information"_s, u"File doesn't exists!"_s, {u"Ok"_s}, miInformation, 0, poMainFormCenter, true,
                         parentWidget());
        }
    } catch (const std::exception&) {
        arMessageBox(u"Error"_s, u"Error when trying read document custom properties!"_s, {u"Ok"_s}, miError, 0,
                     poMainFormCenter, true, parentWidget());
    }
}

void TfrmDocCustomProperties::ShowFor(const QString& path, QWidget* owner)
{
    TfrmDocCustomProperties dialog(owner);
    dialog.ReadDocument(path);
    dialog.exec();
}
