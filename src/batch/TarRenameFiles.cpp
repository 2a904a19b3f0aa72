#include "batch/TarRenameFiles.h"

#include "batch/BatchText.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/FileOps.h"

namespace {

// The run works on this machine's files, whatever style a list file was written in.
constexpr PathStyle kNative = platform::kNativePathStyle;

} // namespace

TarRenameFiles::TarRenameFiles(TarProgressSinkFactory& progress) : progress_(progress) {}

void TarRenameFiles::Execute()
{
    result_ = {};
    result_.started = true;
    TarProgressSink& log = progress_.CreateProgress();
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
            // Native rules: on POSIX a backslash or "x:" in a name is part of that name.
            const qsizetype split = LastDelimiter(source, kNative);
            const QString directory = source.left(split + 1);
            const QString name = source.mid(split + 1);
            if (TextPos(OldText, name, CaseSensitive) == 0)
                continue;

            const QString newName = ReplaceTextOnce(name, OldText, NewText, CaseSensitive);
            // A bare name stays a bare name: it names a file in the current folder, not in the root.
            const QString newPath = directory.isEmpty() ? newName : JoinPath(directory, newName, kNative);
            log.AddLine(QStringLiteral(" "));
            log.AddLine(QString::number(i + 1) + u'/' + count + u' ' + source + QStringLiteral(" rename to ") + newPath + u'.');

            // A new name with a separator in it would move the file instead of renaming it.
            std::error_code ec;
            if (IsPlainFileName(newName, kNative) && platform::RenameNoReplace(ToFsPath(source), ToFsPath(newPath), ec)) {
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
