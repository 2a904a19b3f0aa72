#pragma once
// The vocabulary of custom properties shared by the viewer, the seed file, the editor and the
// apply step: a definition from the seed file, one property to write into a document, the
// case-insensitive list of such properties, and the names of the property type codes.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

// Type codes the document property access reports for a property.
enum : qint32 {
    ptUnknown = 0,
    ptText = 1,
    ptInteger = 2,
    ptFloat = 3,
    ptYesNo = 4,
    ptDate = 5,
};

// "Text", "Integer", "Float", "Yes/No", "Date" for codes 1 to 5; any other code in decimal.
QString PropertyTypeName(qint32 code);

// The text the viewer and the editor show for a property value: the engine's text (see
// `PropertyValueText`), with dates and times in the user's local time.
QString PropertyDisplayText(const QVariant& value);

// The key under which a property name is compared: the name upper-cased. Inner blanks count.
QString PropertyNameKey(const QString& name);

// One property definition of the seed file.
class TCustomPropertie {
public:
    QString name;
    QStringList lookupValues; // in seed-file order, duplicates kept
    QString defaultValue;

    // Appends `text` to `lookupValues` as it is.
    void AddLookupValue(const QString& text) { lookupValues.append(text); }
};

// The ordered list of definitions the seed parser fills and the editor reads; owns them.
class PropertyDefinitions {
public:
    // Appends a new empty definition and returns it (owned by the list).
    TCustomPropertie* Add();
    int Count() const { return static_cast<int>(m_items.size()); }
    // The definition at `index`, or nullptr when the index is out of range.
    TCustomPropertie* Item(int index) const;
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TCustomPropertie>> m_items;
};

// One property to be written into one document, always as text.
class TDocCustomPropertie {
public:
    QString name;
    QString value;
    // True when `value` is what the editor read from the document and nobody changed it. A
    // property of this name that the document holds with another type than text (a date, a
    // number, Yes/No) then keeps its type and value instead of becoming text.
    bool untouched = false;
};

// The properties to write into one document: keyed by the upper-cased name, the first entry
// for a name wins, entries stay in the order they were added.
class TDocCustomProperties {
public:
    TDocCustomProperties() = default;
    TDocCustomProperties(const TDocCustomProperties&) = delete;
    TDocCustomProperties& operator=(const TDocCustomProperties&) = delete;
    TDocCustomProperties(TDocCustomProperties&&) = default;
    TDocCustomProperties& operator=(TDocCustomProperties&&) = default;

    // Adds an entry unless one with the same upper-cased name is there already.
    void Add(const QString& name, const QString& value, bool untouched = false);
    void Clear();
    int Count() const { return static_cast<int>(m_items.size()); }
    // Position of the name among the entries (ignoring case), -1 when absent.
    int IndexOf(const QString& name) const;
    // The entry at `index`, or nullptr when the index is negative or not below Count().
    TDocCustomPropertie* GetProperty(int index) const;
    bool Contains(const QString& name) const { return IndexOf(name) != -1; }

private:
    std::vector<std::unique_ptr<TDocCustomPropertie>> m_items;
    QHash<QString, int> m_index;
};
