#include "batch/TarRenameFiles.h"

#include "batch/BatchText.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "filelist/FileList.h"
#include "platform/FileOps.h"

namespace {

// Renames work on this machine's files, whatever style a list file was written in: on POSIX a
// backslash or "x:" in a name is part of that name.
constexpr PathStyle kNative = platform::kNativePathStyle;

} // namespace

QString SiblingPath(const QString& source, const QString& newName)
{
    const QString directory = source.left(LastDelimiter(source, kNative) + 1);
    return directory.isEmpty() ? newName : JoinPath(directory, newName, kNative);
}

bool RenameInPlace(const QString& source, const QString& newName)
{
    std::error_code ec;
    return IsPlainFileName(newName, kNative)
        && platform::RenameNoReplace(ToFsPath(source), ToFsPath(SiblingPath(source, newName)), ec);
}

TarRenameFiles::TarRenameFiles(ProgressSinkFactory& progress) : progress_(progress) {}

void TarRenameFiles::Execute()
{
    result_ = {};
    result_.started = true;
    ProgressSink& log = progress_.CreateProgress();
    log.SetCaption(QStringLiteral("Rename files"));
    log.Show();
    log.AddLine(QStringLiteral("Start renaming files..."));

    const QString count = QString::number(SourceFiles.size());
    try {
        for (qsizetype i = 0; i < SourceFiles.size(); ++i) {
            log.ProcessPendingEvents();
            if (log.Stopped()) {
                log.AddLine(QStringLiteral("User cancel operation!"));
                result_.cancelled = true;
                break;
            }
            const QString& source = SourceFiles.at(i);
            const QString name = ExtractFileName(source, kNative);
            if (TextPos(OldText, name, CaseSensitive) == 0)
                continue;

            const QString newName = ReplaceTextOnce(name, OldText, NewText, CaseSensitive);
            const QString newPath = SiblingPath(source, newName);
            log.AddLine(QStringLiteral(" "));
            log.AddLine(QString::number(i + 1) + u'/' + count + u' ' + source + QStringLiteral(" rename to ") + newPath + u'.');

            if (RenameInPlace(source, newName)) {
                RenamedFiles.append(newPath);
                log.AddLine(QStringLiteral("Success!"));
                ++result_.succeeded;
            } else {
                log.AddLine(QStringLiteral("Failed!"));
                ++result_.failed;
            }
        }
    } catch (...) {
        log.Finish();
        throw;
    }
    log.AddLine(QStringLiteral(" "));
    log.AddLine(QStringLiteral("End renameing files!"));
    log.Finish();
}

void TarRenameFiles::UpdateFileList(FileList& list) const
{
    for (int i = list.count() - 1; i >= 0; --i) {
        if (!platform::PathExists(ToFsPath(list.at(i).fullPath())))
            list.removeAt(i);
    }
    list.append(EntriesByDirectoryRule(RenamedFiles, false));
}
