#pragma once
// Access to the custom properties of one document at a time, over the compound file engine.
//
// Typical use (every reader and writer of the program):
//
//     TOleDocumentProperties doc;
//     doc.Open(path);                       // read-write; fails for a read-only or locked file
//     TOleCustomProperties& props = doc.CustomProperties();
//     for (int i = 0; i < props.Count(); ++i)
//         use(props.Item(i).Name(), props.Item(i).Type(), props.Item(i).ValueText());
//     props.Add("Material", "S235");        // always a text property
//     doc.Save();                           // writers only: in place, crash-safe
//     doc.Close();                          // never saves unless asked to; so does the destructor
//
// Every failure is a KrdlError whose message names the file.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cfb {
class BlockFile;
class DiskFile;
class CustomPropertyCollection;
struct PropertyValue;
}

class TOleCustomProperties;

// The file a document was read from, so that a later write goes to that file and no other
// (TOleDocumentProperties::OpenSameFile).
struct DocumentFile {
    std::string identity;     // platform::FileIdentity of the file that was open; empty when unknown
    bool throughLink = false; // its path was a symbolic link then
};

// One custom property of the open document. It stays bound to that property while other
// properties are removed or added; after its own Remove every call throws.
class TOleCustomProperty {
public:
    QString Name() const;
    // 1 text, 2 16- or 32-bit integer, 3 floating point, 4 Yes/No, 5 date, 0 anything else.
    qint32 Type() const;
    // QString for text, qint64 for integers, double, bool, QDateTime (UTC) for dates, an invalid
    // QVariant for types without a value the program can show.
    QVariant Value() const;
    // The value as text: text unchanged, integers in plain decimal digits, floating point in the
    // shortest form that reads back the same, "True"/"False", dates "yyyy-MM-dd hh:mm:ss" (UTC),
    // empty text for other types.
    QString ValueText() const;
    // The value as the document stores it (its type word first), which AddStored writes back
    // exactly, whatever its type.
    QByteArray StoredValue() const;
    // Removes the property; later properties move down one index.
    void Remove();

private:
    friend class TOleCustomProperties;
    TOleCustomProperty(TOleCustomProperties* owner, std::uint64_t key) : m_owner(owner), m_key(key) {}
    TOleCustomProperties* m_owner;
    std::uint64_t m_key;
};

// The custom properties of the open document, indexes 0..Count()-1 in the document's order.
class TOleCustomProperties {
public:
    qint32 Count() const;
    // The property at `index`; throws KrdlError for an index outside 0..Count()-1.
    TOleCustomProperty Item(qint32 index);
    // Adds a text property holding `value` converted to text (see ValueText); it gets the last
    // index. Throws KrdlError when the name cannot be stored in the document.
    TOleCustomProperty Add(const QString& name, const QVariant& value);
    // Adds a property with a stored value taken from StoredValue of a document of the same
    // code page; it gets the last index. Throws KrdlError when the name cannot be stored or the
    // value is damaged.
    TOleCustomProperty AddStored(const QString& name, const QByteArray& stored);
    // The code page of the document's custom properties (1200 for Unicode): what the text of a
    // stored value means.
    quint16 CodePage() const;

private:
    friend class TOleDocumentProperties;
    friend class TOleCustomProperty;
    explicit TOleCustomProperties(class TOleDocumentProperties& document) : m_document(document) {}
    int IndexOfKey(std::uint64_t key) const;
    // Index of the property `key`; throws KrdlError when it was removed.
    std::size_t IndexOf(std::uint64_t key) const;
    void Reset(std::size_t count);

    class TOleDocumentProperties& m_document;
    std::vector<std::uint64_t> m_keys; // one per property, in index order (and so increasing)
    std::uint64_t m_nextKey = 1;
};

class TOleDocumentProperties {
public:
    TOleDocumentProperties();
    ~TOleDocumentProperties(); // closes an open document without saving
    TOleDocumentProperties(const TOleDocumentProperties&) = delete;
    TOleDocumentProperties& operator=(const TOleDocumentProperties&) = delete;

    // Opens the document's property sets. With `readOnly` false the file must be writable.
    // Reads the header, the directory and the property stream only; writes nothing. A document
    // already open is closed first, without saving. Throws KrdlError naming the file when it is
    // missing, cannot be opened as asked, is not a compound document, or is damaged.
    void Open(const QString& path, bool readOnly = false);
    // Opens like Open, but only the file `file` describes, read earlier under `path`: a symbolic
    // link that was not there then is not followed, and another file (a different identity) is
    // refused. Throws KrdlError naming the file and saying why.
    void OpenSameFile(const QString& path, const DocumentFile& file, bool readOnly = false);
    // The file of the open document, for OpenSameFile later (empty for a document opened
    // through OpenFrom).
    DocumentFile OpenedFile() const;
    // Opens the document held by `file` (already open), named `path` in messages; the document
    // owns the file until it is closed. For callers that read through their own file layer.
    void OpenFrom(const QString& path, std::unique_ptr<cfb::BlockFile> file);
    // The custom properties of the open document; throws KrdlError when none is open.
    TOleCustomProperties& CustomProperties();

    // The document's own properties, named as cfb::SystemPropertyDefinitions names them
    // ("Title", "Document Number"; ignoring case). Their sets are read on the first call. Each
    // throws KrdlError naming the file for an unknown name or when no document is open.
    // The value as ValueText shows it; a null QString when the document has no such property.
    QString SystemValueText(const QString& name);
    // The value as TOleCustomProperty::Value gives it, and in `type` its type code; an invalid
    // QVariant and type 0 when the document has no such property.
    QVariant SystemValue(const QString& name, qint32* type = nullptr);
    // True when SetSystemValue may change the property: it is editable and the document has its
    // set or gets it on saving.
    bool SystemValueWritable(const QString& name);
    // The value as the document stores it (type word first); empty when it has none.
    QByteArray SystemStoredValue(const QString& name);
    // Gives an editable property the text `text` (saved by Save, with the custom properties).
    // Throws KrdlError naming the property and the file for a read-only property, a set the
    // document lacks, or text the set's code page cannot hold; nothing changes then.
    void SetSystemValue(const QString& name, const QString& text);
    // Gives the property back a value SystemStoredValue gave (empty: the property goes).
    void SetSystemStoredValue(const QString& name, const QByteArray& stored);
    // Writes the changes made since Open (or the last Save) into the file, in place and
    // crash-safe; does nothing when there are none. Throws KrdlError naming the file.
    void Save();
    // Releases the document; saves first only when saveBeforeClose is true. Changes not saved
    // are dropped. Does nothing when no document is open.
    void Close(bool saveBeforeClose = false);
    bool IsOpen() const { return static_cast<bool>(m_collection); }
    // Path of the open document (empty when none is open).
    const QString& FileName() const { return m_path; }

private:
    friend class TOleCustomProperties;
    friend class TOleCustomProperty;
    cfb::CustomPropertyCollection& Collection();
    [[noreturn]] void Fail(const QString& what, const std::exception& e) const;
    // Runs `action` with the collection and the definition of the document's own property
    // `name`; an unknown name or what the collection throws fails with `what` and the document.
    template <typename Action>
    auto OnSystemProperty(const QString& name, const QString& what, Action&& action);
    static std::unique_ptr<cfb::DiskFile> OpenDisk(const QString& path, bool readOnly, bool followLink);

    QString m_path;
    std::unique_ptr<cfb::BlockFile> m_file;
    std::unique_ptr<cfb::CustomPropertyCollection> m_collection;
    TOleCustomProperties m_properties;
};

// `value` of a decoded property as the program shows and writes it (see TOleCustomProperty).
QVariant PropertyVariant(const cfb::PropertyValue& value);
QString PropertyValueText(const QVariant& value);
