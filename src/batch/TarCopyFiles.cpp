#include "batch/TarCopyFiles.h"

#include "batch/BatchText.h"
#include "batch/ForEachFile.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "platform/FileOps.h"

#include <filesystem>

using namespace Qt::StringLiterals;

namespace {

// The run works on this machine's files, whatever style a list file was written in.
constexpr PathStyle kNative = platform::kNativePathStyle;

// Why copying `source` to `target` failed with `ec`.
QString CopyFailure(const QString& source, const QString& target, const std::error_code& ec)
{
    if (ec == std::errc::operation_canceled)
        return u"The copy was interrupted."_s;
    if (const QString why = NotARegularFileReason(source); !why.isEmpty())
        return source + u": "_s + why + u'.';
    std::error_code same;
    if (std::filesystem::equivalent(ToFsPath(source), ToFsPath(target), same))
        return u"A file cannot be copied onto itself."_s;
    if (const QString why = SpecialFileReason(target); !why.isEmpty())
        return target + u": "_s + why + u'.';
    if (ec == std::errc::file_exists)
        return target + u" exists already."_s;
    return ErrorSentence(ec);
}

} // namespace

TarCopyFiles::TarCopyFiles(ProgressSinkFactory& progress, MessageSink& messages)
    : m_progress(progress), m_messages(messages)
{
}

void TarCopyFiles::Execute()
{
    m_result = {};
    if (destinationDir.isEmpty()) {
        m_messages.Information(QStringLiteral("Information"), QStringLiteral("Destination directory is not set!"));
        return;
    }
    const std::filesystem::path destination = ToFsPath(destinationDir);
    if (!platform::DirectoryExists(destination)) {
        std::error_code ec;
        if (!platform::CreateOneDirectory(destination, ec)) {
            m_messages.Information(QStringLiteral("Information"), QStringLiteral("Cannot create directory!"));
            return;
        }
    }

    destinationFiles.clear();
    m_result.started = true;
    ProgressSink& log = StartLog(m_progress, QStringLiteral("Copy files"), QStringLiteral("Start copying files..."));
    for (const std::filesystem::path& removed :
         platform::RemoveLeftoverCopies(destination, std::chrono::system_clock::now() - leftoverAge)) {
        const QString name = JoinPath(destinationDir, FromFsPath(removed.filename()), kNative);
        log.AddLine(u"Removed "_s + name + u", left behind by a copy that did not finish."_s);
    }

    const platform::CopyMode mode = overwrite ? platform::CopyMode::Replace : platform::CopyMode::FailIfExists;
    const QString closing = QStringLiteral("End copying files!");
    m_result.cancelled = !RunFileLoop(log, sourceFiles, closing, [&](qsizetype i, const QString& source) {
        // Native rules: on POSIX a backslash or "x:" in a name is part of that name.
        const QString target = JoinPath(destinationDir, ExtractFileName(source, kNative), kNative);
        destinationFiles.append(target);
        log.AddLine(QStringLiteral(" "));
        log.AddLine(FileNumber(i, sourceFiles.size()) + source + QStringLiteral(" copy to ") + target + u'.');

        std::error_code ec;
        // An interrupt while the file is copied (Ctrl+C in the tool) fails that file at once.
        const bool copied =
            platform::CopyWholeFile(ToFsPath(source), ToFsPath(target), mode, ec, [&log] { return log.Interrupted(); });
        LogFileOutcome(log, copied, m_result, copied ? QString() : CopyFailure(source, target, ec));
    });
}
