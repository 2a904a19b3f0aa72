#include "batch/TarRenameFiles.h"

#include "batch/BatchText.h"
#include "batch/ForEachFile.h"
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

    const QString closing = QStringLiteral("End renameing files!");
    result_.cancelled = !RunFileLoop(log, SourceFiles, closing, [&](qsizetype i, const QString& source) {
        const QString name = ExtractFileName(source, kNative);
        if (TextPos(OldText, name, CaseSensitive) == 0)
            return;

        const QString newName = ReplaceTextOnce(name, OldText, NewText, CaseSensitive);
        const QString newPath = SiblingPath(source, newName);
        log.AddLine(QStringLiteral(" "));
        log.AddLine(FileNumber(i, SourceFiles.size()) + source + QStringLiteral(" rename to ") + newPath + u'.');

        const bool renamed = RenameInPlace(source, newName);
        if (renamed)
            RenamedFiles.append(newPath);
        LogFileOutcome(log, renamed, result_);
    });
}

void TarRenameFiles::UpdateFileList(FileList& list) const
{
    for (int i = list.count() - 1; i >= 0; --i) {
        if (!platform::PathExists(ToFsPath(list.at(i).fullPath())))
            list.removeAt(i);
    }
    list.append(EntriesByDirectoryRule(RenamedFiles, false));
}
