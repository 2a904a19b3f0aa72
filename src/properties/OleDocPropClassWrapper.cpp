#include "properties/OleDocPropClassWrapper.h"

#include "common/FsPath.h"

TOleDocPropClassWrapper::TOleDocPropClassWrapper() : Component(new TOleDocumentProperties) {}

TOleDocPropClassWrapper::~TOleDocPropClassWrapper()
{
    delete Component;
}

void TOleDocPropClassWrapper::Connect()
{
    try {
        Component->Connect();
    } catch (...) {
        // Reported by the first Open instead.
    }
}

void TOleDocPropClassWrapper::Disconnect()
{
    Component->Disconnect();
}

void TOleDocPropClassWrapper::ApplyChanges(const QString& path, const TDocCustomProperties* properties, bool deleteAll)
{
    if (!properties || !NotARegularFileReason(path).isEmpty())
        return;
    Component->Open(path, false, 2);
    try {
        TOleCustomProperties& custom = Component->CustomProperties();
        // From the last index down, so that a removal does not move what is still to be visited.
        for (qint32 k = custom.Count() - 1; k >= 0; --k) {
            if (deleteAll || properties->Contains(custom.Item(k).Name()))
                custom.Item(k).Remove();
        }
        for (int i = 0; i < properties->Count(); ++i) {
            const TDocCustomPropertie* entry = properties->GetProperty(i);
            const QString value = entry->Value.isEmpty() ? QStringLiteral(" ") : entry->Value;
            custom.Add(entry->Name, value);
        }
        Component->Save();
    } catch (...) {
        // A half-done update is not saved: the document keeps the properties it had.
        Component->Close(false);
        throw;
    }
    Component->Close(false);
}
