// Build step after qhelpgenerator: the collection file holds the time of its
// making and the time stamp of the help file it registers. Both become the
// release time (seconds since 1970, UTC), and the help file is given that
// file time, so the stamp describes it and two builds make the same bytes.
// Usage: zz_stamp_help COLLECTION.qhc HELP.qch EPOCH

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

int fail(const QString &what)
{
    std::fprintf(stderr, "zz_stamp_help: %s\n", qPrintable(what));
    return 1;
}

QString stamp(const QString &collection, const QDateTime &when)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stamp"));
    db.setDatabaseName(collection);
    if (!db.open())
        return db.lastError().text();
    QSqlQuery query(db);
    const auto set = [&query](const char *sql, const QVariant &value) {
        return query.prepare(QString::fromLatin1(sql)) && (query.addBindValue(value), query.exec());
    };
    if (!set("UPDATE SettingsTable SET Value = ? WHERE Key = 'LastRegisterTime'", when.toString(Qt::ISODateWithMs))
        || !set("UPDATE SettingsTable SET Value = ? WHERE Key = 'CreationTime'", when.toSecsSinceEpoch())
        || !set("UPDATE TimeStampTable SET TimeStamp = ?", when.toString(Qt::ISODate)))
        return query.lastError().text();
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool isNumber = false;
    const qint64 epoch = args.size() == 4 ? args[3].toLongLong(&isNumber) : 0;
    if (!isNumber)
        return fail(QStringLiteral("usage: zz_stamp_help COLLECTION.qhc HELP.qch EPOCH"));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC);

    QString error = stamp(args[1], when);
    QSqlDatabase::removeDatabase(QStringLiteral("stamp"));
    if (!error.isEmpty())
        return fail(args[1] + QStringLiteral(": ") + error);
    QFile help(args[2]);
    if (!help.open(QIODevice::ReadWrite) || !help.setFileTime(when, QFileDevice::FileModificationTime))
        return fail(args[2] + QStringLiteral(": ") + help.errorString());
    return 0;
}
