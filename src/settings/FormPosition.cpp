#include "settings/FormPosition.h"

#include "common/Error.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 5> kKeys = {u"Left"_s, u"Top"_s, u"Width"_s, u"Height"_s, u"WindowState"_s};

std::array<int*, 5> FieldsOf(FormPosition& p)
{
    return {&p.left, &p.top, &p.width, &p.height, &p.windowState};
}

// A whole decimal number (blanks around it allowed), or the default.
int NumberOr(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

// The registry subkey of a window under the name key.
QString RegistryKey(const QString& nameKey, const QString& window)
{
    QString key = nameKey;
    while (key.endsWith(u'\\'))
        key.chop(1);
    return key + u'\\' + window;
}

} // namespace

QString DefaultFormPosNameKey(const QString& programFileName, bool useIniFile)
{
    QString name = programFileName.mid(LastDelimiter(programFileName) + 1);
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0)
        name.truncate(dot);
    return useIniFile ? name + u".ini"_s : name;
}

QString FormPosIniFileName(const QString& nameKey)
{
    QString name = nameKey;
    if (!name.endsWith(u".ini"_s, Qt::CaseInsensitive))
        name += u".ini"_s;
    if (QDir::isAbsolutePath(name))
        return name;
    return UserConfigFolder() + QDir::separator() + name;
}

FormPosition ReadFormPosition(bool useIniFile, const QString& nameKey, const QString& window)
{
    FormPosition position;
    const auto fields = FieldsOf(position);
    if (useIniFile) {
        const auto values = ReadIniSection(FormPosIniFileName(nameKey), window);
        for (size_t i = 0; i < kKeys.size(); ++i) {
            // The first of equal keys counts, as for a single read.
            const auto found = std::find_if(values.begin(), values.end(), [&](const auto& kv) {
                return kv.first.compare(kKeys[i], Qt::CaseInsensitive) == 0;
            });
            if (found != values.end())
                *fields[i] = NumberOr(found->second, *fields[i]);
        }
    } else {
        const QString key = RegistryKey(nameKey, window);
        for (size_t i = 0; i < kKeys.size(); ++i)
            *fields[i] = NumberOr(RegReadString(key, kKeys[i]), *fields[i]);
    }
    return position;
}

void WriteFormPosition(bool useIniFile, const QString& nameKey, const QString& window, const FormPosition& position)
{
    FormPosition copy = position;
    const auto fields = FieldsOf(copy);
    QList<QPair<QString, QString>> values;
    for (size_t i = 0; i < kKeys.size(); ++i)
        values.append({kKeys[i], QString::number(*fields[i])});
    if (useIniFile) {
        const QString file = FormPosIniFileName(nameKey);
        std::error_code ec;
        std::filesystem::create_directories(ToFsPath(file).parent_path(), ec);
        if (ec)
            throw KrdlError(u"Unable to write to %1"_s.arg(QFileInfo(file).absoluteFilePath()));
        WriteIniValues(file, window, values);
    } else {
        const QString key = RegistryKey(nameKey, window);
        for (const auto& [name, value] : values)
            RegWriteString(key, name, value);
    }
}

QRect PullBackOntoScreen(const QRect& bounds, const QRect& primary, const QList<QRect>& screens)
{
    QRect r = bounds;
    r.setWidth(std::min(r.width(), primary.width()));
    r.setHeight(std::min(r.height(), primary.height()));
    const int screenRight = primary.x() + primary.width();
    const int screenBottom = primary.y() + primary.height();
    if (screenRight < r.x() + r.width())
        r.moveLeft(screenRight - r.width());
    if (screenBottom < r.y() + r.height())
        r.moveTop(screenBottom - r.height());
    const bool visible = std::any_of(screens.begin(), screens.end(), [&](const QRect& s) { return s.intersects(r); }) ||
                         primary.intersects(r);
    if (!visible)
        r.moveTopLeft(primary.topLeft());
    return r;
}
