// zedezedidor-decode --foto run as a process on photos the tests render:
// one answer per file in the order given, the decoder's own report for the
// chosen code, clear messages for files without a code, the exit status.

#include "PhotoFiles.h"
#include "ResistorRenderer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace zz::test;
using C = zz::decode::Colour;

namespace {

struct Run {
    QByteArray out;
    QByteArray err;
    int status = -1;
};

Run run(const QStringList &args, const QString &workDir)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(qEnvironmentVariable("ZZ_BIN_DIR") + QStringLiteral("/zedezedidor-decode"), args);
    if (!p.waitForStarted() || !p.waitForFinished(120000))
        return {};
    return {p.readAllStandardOutput(), p.readAllStandardError(),
            p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1};
}

QList<QByteArray> outputLines(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QJsonObject object(const QByteArray &line)
{
    QJsonParseError e;
    const QJsonDocument d = QJsonDocument::fromJson(line, &e);
    if (e.error != QJsonParseError::NoError || !d.isObject())
        qWarning("not a JSON object: %s", line.constData());
    return d.object();
}

QStringList names(const QJsonArray &a)
{
    QStringList out;
    for (const auto &v : a)
        out << v.toString();
    return out;
}

} // namespace

class TestFoto final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString dir() const { return m_dir.path(); }

    void write(const QString &name, const QByteArray &bytes)
    {
        QVERIFY2(writeBytes(m_dir.filePath(name), bytes), qPrintable(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir(dir()).mkdir(QStringLiteral("sub dir"));
        write(QStringLiteral("vier.png"),
              encoded(renderResistor(studioScene({C::Gelb, C::Violett, C::Rot, C::Gold}, 0)).image, "PNG"));
        write(QStringLiteral("sub dir/fünf.jpg"),
              encoded(renderResistor(studioScene({C::Braun, C::Schwarz, C::Schwarz, C::Rot, C::Braun}, 35,
                                                 BodyColour::Blue)).image, "JPEG"));
        write(QStringLiteral("text.jpg"), "Kein Bild, nur Text.\n");
        write(QStringLiteral("leer.png"), {});
        const QByteArray jpeg = encoded(renderResistor(studioScene({C::Rot, C::Rot, C::Braun, C::Gold}, 10)).image, "JPEG");
        write(QStringLiteral("halb.jpg"), jpeg.left(jpeg.size() / 3));
        write(QStringLiteral("riesig.png"), hugePngHeader(30000, 30000));
        write(QStringLiteral("riesig.jpg"), hugeJpegHeader(30000, 30000));
        ResistorScene empty = studioScene({}, 0);
        empty.background = Background::Textured;
        write(QStringLiteral("ohne.jpg"), encoded(renderEmptyScene(empty), "JPEG"));
    }

    // A file without a code gets one object with the file as given and a
    // one-sentence message, and nothing else: no partial result, no stderr.
    void noCode_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("not an image") << "text.jpg";
        QTest::newRow("0 bytes") << "leer.png";
        QTest::newRow("truncated JPEG") << "halb.jpg";
        QTest::newRow("30000 x 30000 PNG header") << "riesig.png";
        QTest::newRow("30000 x 30000 JPEG header") << "riesig.jpg";
        QTest::newRow("no resistor") << "ohne.jpg";
        QTest::newRow("missing") << "gibt-es-nicht.png";
        QTest::newRow("a folder") << "sub dir";
    }

    void noCode()
    {
        QFETCH(QString, file);
        const Run json = run({QStringLiteral("--foto"), file, QStringLiteral("--json")}, dir());
        QCOMPARE(json.status, 1);
        QCOMPARE(json.err, QByteArray());
        const QList<QByteArray> lines = outputLines(json.out);
        QCOMPARE(lines.size(), 1);
        const QJsonObject o = object(lines.first());
        QCOMPARE(o.keys(), QStringList({QStringLiteral("error"), QStringLiteral("file")}));
        QCOMPARE(o.value(QStringLiteral("file")).toString(), file);
        const QString error = o.value(QStringLiteral("error")).toString();
        QVERIFY2(error.size() > 10 && error.endsWith(QLatin1Char('.')) && !error.contains(QLatin1Char('\n')),
                 qPrintable(error));

        // As text: the message on stderr, named by the file, and nothing on stdout.
        const Run text = run({QStringLiteral("--foto"), file}, dir());
        QCOMPARE(text.status, 1);
        QCOMPARE(text.out, QByteArray());
        QCOMPARE(QString::fromUtf8(text.err), QStringLiteral("zedezedidor-decode: %1: %2\n").arg(file, error));
    }

    // One object per file, in the order given, each file named as given;
    // a file without a code does not stop the others, and sets status 1.
    void jsonPerFileInOrder()
    {
        const QStringList files{QStringLiteral("vier.png"), QStringLiteral("text.jpg"),
                                QStringLiteral("sub dir/fünf.jpg"), QStringLiteral("vier.png")};
        const Run r = run(QStringList{QStringLiteral("--json"), QStringLiteral("--foto")} + files, dir());
        QCOMPARE(r.status, 1);
        const QList<QByteArray> lines = outputLines(r.out);
        QCOMPARE(lines.size(), files.size());
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(object(lines[i]).value(QStringLiteral("file")).toString(), files[i]);
        QVERIFY(object(lines[1]).contains(QStringLiteral("error")));
        QCOMPARE(lines[3], lines[0]);
    }

    // The chosen code's keys are exactly what the decoder gives for those
    // colours; candidates are ranked, the first is the chosen code.
    void resultIsTheDecodersReport_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("four rings, PNG") << "vier.png";
        QTest::newRow("five rings, JPEG, path with blank and umlaut") << "sub dir/fünf.jpg";
    }

    void resultIsTheDecodersReport()
    {
        QFETCH(QString, file);
        const Run r = run({QStringLiteral("--foto"), file, QStringLiteral("--json"), QStringLiteral("--reihe"),
                           QStringLiteral("E24")}, dir());
        QCOMPARE(r.status, 0);
        QJsonObject o = object(outputLines(r.out).value(0));
        QVERIFY2(o.contains(QStringLiteral("code")), r.out.constData());
        const QStringList code = names(o.value(QStringLiteral("code")).toArray());
        const double confidence = o.value(QStringLiteral("confidence")).toDouble(-1);
        QVERIFY(confidence > 0 && confidence <= 1);
        const QJsonArray candidates = o.value(QStringLiteral("candidates")).toArray();
        QVERIFY(!candidates.isEmpty());
        QCOMPARE(names(candidates.first().toObject().value(QStringLiteral("code")).toArray()), code);
        QCOMPARE(candidates.first().toObject().value(QStringLiteral("confidence")).toDouble(), confidence);
        for (qsizetype i = 1; i < candidates.size(); ++i)
            QVERIFY(candidates[i].toObject().value(QStringLiteral("confidence")).toDouble()
                    <= candidates[i - 1].toObject().value(QStringLiteral("confidence")).toDouble());

        const Run decoded = run(code + QStringList{QStringLiteral("--json"), QStringLiteral("--reihe"), QStringLiteral("E24")}, dir());
        QCOMPARE(decoded.status, 0);
        for (const char *own : {"file", "confidence", "candidates"})
            o.remove(QLatin1String(own));
        QCOMPARE(o, object(outputLines(decoded.out).value(0)));

        // As text: the file, the rings, then the decoder's report as it prints it.
        const Run text = run({QStringLiteral("--foto"), file}, dir());
        QCOMPARE(text.status, 0);
        const QStringList shown = QString::fromUtf8(text.out).split(QLatin1Char('\n'));
        QCOMPARE(shown.value(0), QStringLiteral("Foto: ") + file);
        QVERIFY2(shown.value(1).startsWith(QStringLiteral("Ringe: ") + code.join(QStringLiteral(" - ")) + QStringLiteral(" (Sicherheit ")),
                 qPrintable(shown.value(1)));
        const QString report = QString::fromUtf8(run(code, dir()).out);
        QVERIFY2(QString::fromUtf8(text.out).contains(report), qPrintable(QString::fromUtf8(text.out)));
    }

    // Every file read: status 0, and a blank line between the files' texts.
    void allReadIsSuccess()
    {
        const Run r = run({QStringLiteral("--foto"), QStringLiteral("vier.png"), QStringLiteral("sub dir/fünf.jpg")}, dir());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray());
        const QString out = QString::fromUtf8(r.out);
        QCOMPARE(out.count(QStringLiteral("Foto: ")), 2);
        QVERIFY(out.contains(QStringLiteral("\n\nFoto: sub dir/fünf.jpg\n")));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{QStringLiteral("--foto")};
        QTest::newRow("no file, json") << QStringList{QStringLiteral("--foto"), QStringLiteral("--json")};
        QTest::newRow("with --wert") << QStringList{QStringLiteral("--foto"), QStringLiteral("vier.png"), QStringLiteral("--wert"), QStringLiteral("4k7")};
        QTest::newRow("with --smd") << QStringList{QStringLiteral("--smd"), QStringLiteral("472"), QStringLiteral("--foto"), QStringLiteral("vier.png")};
        QTest::newRow("with --ringe") << QStringList{QStringLiteral("--foto"), QStringLiteral("vier.png"), QStringLiteral("--ringe"), QStringLiteral("5")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--foto"), QStringLiteral("vier.png"), QStringLiteral("--blitz")};
    }

    // Usage errors read no photo: status 2, nothing on stdout.
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = run(args, dir());
        QCOMPARE(r.status, 2);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(r.err.startsWith("zedezedidor-decode: "));
    }

    void inTheHelp()
    {
        const Run r = run({QStringLiteral("--help")}, dir());
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("zedezedidor-decode --foto DATEI [DATEI...]"));
        QVERIFY(r.out.contains("--foto DATEI..."));
    }
};

QTEST_MAIN(TestFoto)
#include "tst_foto.moc"
