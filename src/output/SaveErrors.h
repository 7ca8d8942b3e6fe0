#pragma once

#include "output/FileSafety.h"

#include <QFile>
#include <QString>

// The failures of a save, each one sentence naming the file, and the sink
// the bytes of a save go to. Shared by the parts of a save.
namespace zz::output::save {

QString native(const QString &path);

// Throws DataFileError with the message.
[[noreturn]] void fail(const QString &message);
[[noreturn]] void failWrite(const QString &path, const QString &reason);
[[noreturn]] void failRead(const QFile &file);
// A refusal of the safety pieces, naming the file it concerns.
[[noreturn]] void failRefused(const QString &path, const safety::Refusal &refusal);

// Runs a step of the save; a refusal names the file it concerns.
template <typename Step>
auto guarded(const QString &path, Step step)
{
    try {
        return step();
    } catch (const safety::Refusal &refusal) {
        failRefused(path, refusal);
    }
}

// Where the bytes of a save go: the data file's or the backup's temporary
// file, with the name that an error message gives.
struct Sink {
    safety::TempFile *file;
    QString name;
};

// Retries short writes, so the one that cannot go on reports the system's reason.
void writeAll(const Sink &sink, const char *data, qsizetype size);

} // namespace zz::output::save
