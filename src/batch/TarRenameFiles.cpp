#include "batch/TarRenameFiles.h"

#include "batch/BatchText.h"
#include "batch/ForEachFile.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "common/Error.h"
#include "filelist/FileList.h"
#include "journal/Journal.h"
#include "journal/JournalWriter.h"
#include "platform/FileIdentity.h"
#include "platform/FileOps.h"

#include <filesystem>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Renames work on this machine's files, whatever style a list file was written in: on POSIX a
// backslash or "x:" in a name is part of that name.
constexpr PathStyle kNative = platform::kNativePathStyle;

// The journal keeps absolute paths: an undo may run in another working folder (a script's
// relative names).
JournalItem RenameItem(const QString& source, const QString& newPath)
{
    const auto absolute = [](const QString& path) {
        std::error_code ec;
        const auto p = std::filesystem::absolute(ToFsPath(path), ec);
        return ec ? path : FromFsPath(p);
    };
    return {absolute(source), absolute(newPath), QString::fromStdString(platform::FileIdentity(ToFsPath(source))), {}, {}};
}

// Why renaming `source` to `newName` (a plain file name) failed with `ec`.
QString RenameFailure(const QString& source, const QString& newName, const std::error_code& ec)
{
    if (ec == std::errc::file_exists)
        return SiblingPath(source, newName) + u" exists already."_s;
    if (ec == std::errc::filename_too_long && platform::NameLength(ToFsPath(newName)) > platform::kLongestName)
        return u"The new name is longer than %1 %2."_s.arg(qulonglong(platform::kLongestName)).arg(QString::fromLatin1(platform::kNameLengthUnit));
    if (ec == std::errc::no_such_file_or_directory && !platform::PathExists(ToFsPath(source)))
        return source + u" does not exist."_s;
    return ErrorSentence(ec);
}

// Why `newName` cannot be a file's name in its folder; empty when it can.
QString NotAFileName(const QString& newName)
{
    if (newName.isEmpty())
        return u"The new name is empty."_s;
    if (newName.contains(QChar(u'\0')))
        return u"The new name holds a NUL character."_s;
    if (LastDelimiter(newName, kNative) >= 0)
        return u"The new name \"%1\" would move the file to another folder."_s.arg(newName);
    if (!IsPlainFileName(newName, kNative))
        return u"The new name \"%1\" is not a file name."_s.arg(newName);
    return {};
}

} // namespace

QString SiblingPath(const QString& source, const QString& newName)
{
    const QString directory = source.left(LastDelimiter(source, kNative) + 1);
    return directory.isEmpty() ? newName : JoinPath(directory, newName, kNative);
}

bool RenameInPlace(const QString& source, const QString& newName, QString* reason)
{
    if (const QString refused = NotAFileName(newName); !refused.isEmpty()) {
        if (reason)
            *reason = refused;
        return false;
    }
    std::error_code ec;
    if (platform::RenameNoReplace(ToFsPath(source), ToFsPath(SiblingPath(source, newName)), ec))
        return true;
    if (reason)
        *reason = RenameFailure(source, newName, ec);
    return false;
}

bool RenameSingleFile(const QString& source, const QString& newName, QString* reason)
{
    std::unique_ptr<JournalWriter> journal;
    if (IsPlainFileName(newName, kNative)) {
        try {
            journal = std::make_unique<JournalWriter>(QString::fromLatin1(kRenameJournal),
                                                      std::vector{RenameItem(source, SiblingPath(source, newName))});
        } catch (const KrdlError&) {
            // The rename the user asked for matters more than being able to take it back.
        }
    }
    const bool renamed = RenameInPlace(source, newName, reason);
    if (journal) {
        if (renamed)
            journal->MarkDone(0);
        else
            journal->MarkFailed(0);
        journal->End(true);
    }
    return renamed;
}

TarRenameFiles::TarRenameFiles(ProgressSinkFactory& progress) : m_progress(progress) {}

void TarRenameFiles::Execute()
{
    m_result = {};
    m_result.started = true;
    ProgressSink& log = StartLog(m_progress, QStringLiteral("Rename files"), QStringLiteral("Start renaming files..."));

    // The new name of every file whose name holds `oldText`, worked out before the first rename so
    // that all of them are in the journal before any of them changes. The rest stay empty.
    QStringList newNames;
    std::vector<JournalItem> items;
    std::vector<qsizetype> itemOf; // the journal item of each source, -1 for none
    newNames.reserve(sourceFiles.size());
    for (const QString& source : sourceFiles) {
        const QString name = ExtractFileName(source, kNative);
        QString newName;
        itemOf.push_back(-1);
        if (TextPos(oldText, name, caseSensitive) != 0) {
            newName = ReplaceTextOnce(name, oldText, newText, caseSensitive);
            itemOf.back() = qsizetype(items.size());
            items.push_back(RenameItem(source, SiblingPath(source, newName)));
        }
        newNames << newName;
    }
    std::unique_ptr<JournalWriter> journal;
    if (!items.empty()) {
        try {
            journal = std::make_unique<JournalWriter>(QString::fromLatin1(kRenameJournal), items);
        } catch (const KrdlError& e) {
            const QString problem = e.Message();
            log.AddLine(problem + (problem.endsWith(u'.') ? u""_s : u"."_s) + u" This rename cannot be undone."_s);
        }
    }

    const QString closing = QStringLiteral("End renameing files!");
    m_result.cancelled = !RunFileLoop(log, sourceFiles, closing, [&](qsizetype i, const QString& source) {
        const qsizetype item = itemOf[std::size_t(i)];
        if (item < 0)
            return;
        const QString& newName = newNames.at(i);
        const QString newPath = SiblingPath(source, newName);
        log.AddLine(QStringLiteral(" "));
        log.AddLine(FileNumber(i, sourceFiles.size()) + source + QStringLiteral(" rename to ") + newPath + u'.');

        QString reason;
        const bool renamed = RenameInPlace(source, newName, &reason);
        if (renamed)
            renamedFiles.append(newPath);
        if (journal) {
            if (renamed)
                journal->MarkDone(item);
            else
                journal->MarkFailed(item);
        }
        LogFileOutcome(log, renamed, m_result, reason);
    });
    if (journal)
        journal->End(!m_result.cancelled);
}

void TarRenameFiles::UpdateFileList(FileList& list) const
{
    for (int i = list.Count() - 1; i >= 0; --i) {
        if (!platform::PathExists(ToFsPath(list.At(i).FullPath())))
            list.RemoveAt(i);
    }
    list.Append(EntriesByDirectoryRule(renamedFiles, false));
}
