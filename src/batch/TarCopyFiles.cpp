#include "batch/TarCopyFiles.h"

#include "batch/BatchText.h"
#include "batch/ForEachFile.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/FileOps.h"

namespace {

// The run works on this machine's files, whatever style a list file was written in.
constexpr PathStyle kNative = platform::kNativePathStyle;

} // namespace

TarCopyFiles::TarCopyFiles(ProgressSinkFactory& progress, MessageSink& messages)
    : progress_(progress), messages_(messages)
{
}

void TarCopyFiles::Execute()
{
    result_ = {};
    if (DestinationDir.isEmpty()) {
        messages_.Information(QStringLiteral("Information"), QStringLiteral("Destination directory is not set!"));
        return;
    }
    const std::filesystem::path destination = ToFsPath(DestinationDir);
    if (!platform::DirectoryExists(destination)) {
        std::error_code ec;
        if (!platform::CreateOneDirectory(destination, ec)) {
            messages_.Information(QStringLiteral("Information"), QStringLiteral("Cannot create directory!"));
            return;
        }
    }

    DestinationFiles.clear();
    result_.started = true;
    ProgressSink& log = StartLog(progress_, QStringLiteral("Copy files"), QStringLiteral("Start copying files..."));

    const platform::CopyMode mode = Overwrite ? platform::CopyMode::Replace : platform::CopyMode::FailIfExists;
    const QString closing = QStringLiteral("End copying files!");
    result_.cancelled = !RunFileLoop(log, SourceFiles, closing, [&](qsizetype i, const QString& source) {
        // Native rules: on POSIX a backslash or "x:" in a name is part of that name.
        const QString target = JoinPath(DestinationDir, ExtractFileName(source, kNative), kNative);
        DestinationFiles.append(target);
        log.AddLine(QStringLiteral(" "));
        log.AddLine(FileNumber(i, SourceFiles.size()) + source + QStringLiteral(" copy to ") + target + u'.');

        std::error_code ec;
        // An interrupt while the file is copied (Ctrl+C in the tool) fails that file at once.
        const bool copied =
            platform::CopyWholeFile(ToFsPath(source), ToFsPath(target), mode, ec, [&log] { return log.Interrupted(); });
        LogFileOutcome(log, copied, result_);
    });
}
