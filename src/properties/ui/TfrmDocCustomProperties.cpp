#include "properties/ui/TfrmDocCustomProperties.h"

#include "compound/SystemProperties.h"
#include "properties/DocumentChanges.h"

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
#include <QFont>
#include <QTreeWidget>

#include <exception>
#include <filesystem>

using namespace Qt::StringLiterals;

TfrmDocCustomProperties::TfrmDocCustomProperties(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(u"File custom properties"_s);
    setFixedSize(417, 345);

    m_gbDocCustomProperties = new QGroupBox(this);
    m_gbDocCustomProperties->setObjectName(u"gbDocCustomProperties"_s);
    m_gbDocCustomProperties->setGeometry(8, 4, 401, 300);

    m_lblFileName = new QLabel(u"File name:"_s, m_gbDocCustomProperties);
    m_lblFileName->setObjectName(u"lblFileName"_s);
    m_lblFileName->setGeometry(10, 16, 60, 21);
    m_edFileName = new QLineEdit(m_gbDocCustomProperties);
    m_edFileName->setObjectName(u"edFileName"_s);
    m_edFileName->setGeometry(72, 16, 317, 21);
    m_edFileName->setReadOnly(true);
    m_lblFileName->setBuddy(m_edFileName);

    m_lvProperties = new QTreeWidget(m_gbDocCustomProperties);
    m_lvProperties->setObjectName(u"lvProperties"_s);
    m_lvProperties->setGeometry(10, 44, 379, 246);
    m_lvProperties->setToolTip(u"Document custom properties"_s);
    m_lvProperties->setColumnCount(2);
    m_lvProperties->setHeaderLabels({u"Name"_s, u"Value"_s});
    m_lvProperties->setRootIsDecorated(false);
    m_lvProperties->setItemsExpandable(false);
    m_lvProperties->setUniformRowHeights(true);
    m_lvProperties->setSortingEnabled(false);
    m_lvProperties->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvProperties->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvProperties->header()->setStretchLastSection(false);
    m_lvProperties->setColumnWidth(0, 190);
    m_lvProperties->setColumnWidth(1, 183);

    m_btnClose = new QPushButton(u"Close"_s, this);
    m_btnClose->setObjectName(u"btnClose"_s);
    m_btnClose->setGeometry(334, 312, 75, 25);
    m_btnClose->setDefault(true);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmDocCustomProperties::AddPropertyRow(const QString& label, const QString& value)
{
    auto* item = new QTreeWidgetItem(m_lvProperties, {label, value});
    item->setToolTip(1, value);
}

void TfrmDocCustomProperties::ReadDocument(const QString& path)
{
    try {
        TOleDocumentProperties component;
        std::error_code ec;
        if (!path.isEmpty() && std::filesystem::exists(ToFsPath(path), ec)) {
            m_edFileName->setText(path);
            // Only reading: a document that cannot be opened for writing can still be viewed.
            component.Open(path, true);
            TOleCustomProperties& properties = component.CustomProperties();
            const qint32 count = properties.Count();
            for (qint32 i = 0; i < count; ++i) {
                const TOleCustomProperty property = properties.Item(i);
                const QString value = PropertyDisplayText(property.Value());
                AddPropertyRow(property.Name() + u" ("_s + PropertyTypeName(property.Type()) + u')', value);
            }
            // Below them the document's own properties it has, marked by the prefix their files
            // use and in italics, with the set they come from in the tooltip.
            for (const cfb::SystemPropertyDefinition& definition : cfb::SystemPropertyDefinitions()) {
                const QString name = QString::fromUtf8(definition.name);
                qint32 type = 0;
                const QVariant value = component.SystemValue(name, &type);
                if (!value.isValid() && type == 0)
                    continue;
                AddPropertyRow(kSystemPropertyPrefix + name + u" ("_s + PropertyTypeName(type) + u')', PropertyDisplayText(value));
                QTreeWidgetItem* item = m_lvProperties->topLevelItem(m_lvProperties->topLevelItemCount() - 1);
                QFont font = item->font(0);
                font.setItalic(true);
                item->setFont(0, font);
                item->setFont(1, font);
                item->setToolTip(0, u"The document's own property, from its "_s + QString::fromUtf8(cfb::SystemSetName(definition.set))
                                        + (definition.editable ? u" set"_s : u" set (read only)"_s));
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
