#include "output/SaveErrors.h"

#include "output/DataFile.h"

#include <QDir>

namespace zz::output::save {

namespace {

// One sentence that ends with a full stop and names the file once; the
// system's reasons ("Permission denied") come without either.
QString sentence(QString text, const QString &path)
{
    text.replace(QLatin1Char('\'') + path + QLatin1Char('\''), QString());
    text.replace(path, QString());
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    if (text.isEmpty())
        text = QStringLiteral("Unbekannter Fehler");
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

} // namespace

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void fail(const QString &message)
{
    throw DataFileError(message);
}

void failWrite(const QString &path, const QString &reason)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2")
             .arg(native(path), sentence(reason, path)));
}

void failRead(const QFile &file)
{
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht gelesen werden: %2")
             .arg(native(file.fileName()), sentence(file.errorString(), file.fileName())));
}

void failRefused(const QString &path, const safety::Refusal &refusal)
{
    // The reason may name the file itself (a link at its name).
    fail(QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden: %2.").arg(native(path), refusal.reason));
}

void writeAll(const Sink &sink, const char *data, qsizetype size)
{
    guarded(sink.name, [&] { sink.file->write(data, size); });
}

} // namespace zz::output::save
