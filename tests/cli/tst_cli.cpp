#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

namespace {

struct Run {
    QByteArray out;
    QByteArray err;
    int status = -1;
};

QString program()
{
    return qEnvironmentVariable("ZZ_BIN_DIR") + "/zedezedidor-decode";
}

QProcessEnvironment environmentFor(const QString &locale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    return env;
}

Run run(const QStringList &args, const QByteArray &input = {}, const QString &locale = "de_DE.UTF-8")
{
    QProcess p;
    p.setProcessEnvironment(environmentFor(locale));
    p.start(program(), args);
    if (!p.waitForStarted())
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.readAllStandardOutput(), p.readAllStandardError(),
            p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1};
}

QByteArray lines(const QStringList &list)
{
    return (list.join('\n') + '\n').toUtf8();
}

} // namespace

class TestCli final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void goodCode_data();
    void goodCode();
    void badCode_data();
    void badCode();
    void standardInput();
    void standardInputAllGood();
    void helpAndVersion();
    void failedWriteIsNoSuccess();
};

void TestCli::initTestCase()
{
    QVERIFY2(QFile::exists(program()), qPrintable(program()));
}

void TestCli::goodCode_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("report");

    QTest::newRow("four rings, German")
        << QStringList{"Gelb", "Violett", "Braun", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 23,5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)"};
    QTest::newRow("four rings, C locale")
        << QStringList{"Gelb", "Violett", "Braun", "Gold"} << "C"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 23.5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)"};
    QTest::newRow("three rings")
        << QStringList{"Gelb", "Violett", "Braun"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                       "Toleranz: ± 94 Ohm  (= 20%)", "(4.Ring ist nicht vorhanden)"};
    QTest::newRow("unusual, any letter case, ascii spellings")
        << QStringList{"schwarz", "WEISS", "gruen", "Silber"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Weiß - Grün", "Wert: 900 kOhm",
                       "Toleranz: ± 90 kOhm  (= 10%)", "(4.Ring hat die Farbe: Silber)",
                       "Hinweis: Dieser Code ist unüblich!", "Standardcode: Weiß - Schwarz - Gelb"};
    QTest::newRow("does not exist")
        << QStringList{"Schwarz", "Schwarz", "Grün", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Schwarz - Grün", "Wert: 0 Ohm",
                       "Toleranz: ± 0 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)",
                       "Hinweis: Diesen Code gibt es nicht!"};
    QTest::newRow("five rings")
        << QStringList{"Gelb", "Violett", "Schwarz", "Schwarz", "Gold"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Gelb - Violett - Schwarz - Schwarz", "Wert: 470 Ohm",
                       "Toleranz: ± 23,5 Ohm (= 5%)", "(5.Ring hat die Farbe: Gold)",
                       "(6.Ring ist nicht vorhanden)"};
    QTest::newRow("six rings, C locale keeps the fixed comma")
        << QStringList{"Schwarz", "Schwarz", "Braun", "Silber", "Grün", "Violett"} << "C"
        << QStringList{"Farbcode: Schwarz - Schwarz - Braun - Silber", "Wert: 0.01 Ohm",
                       "Toleranz: ± 0.00005 Ohm (= 0,5%)", "Änderung je 1°C: ± 50 nOhm (= 5 ppm/K)",
                       "(5.Ring hat die Farbe: Grün)", "(6.Ring hat die Farbe: Violett)"};
    QTest::newRow("six rings, unusual")
        << QStringList{"Schwarz", "Gelb", "Violett", "Rot", "Gold", "Blau"} << "de_DE.UTF-8"
        << QStringList{"Farbcode: Schwarz - Gelb - Violett - Rot", "Wert: 4,7 kOhm",
                       "Toleranz: ± 235 Ohm (= 5%)", "Änderung je 1°C: ± 47 mOhm (= 10 ppm/K)",
                       "(5.Ring hat die Farbe: Gold)", "(6.Ring hat die Farbe: Blau)",
                       "Hinweis: Dieser Code ist unüblich!",
                       "Standardcode: Gelb - Violett - Schwarz - Braun"};
}

void TestCli::goodCode()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(QStringList, report);
    const Run r = run(args, {}, locale);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out, lines(report));
    QCOMPARE(r.status, 0);
}

void TestCli::badCode_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("mentions");

    QTest::newRow("two colours") << QStringList{"Gelb", "Violett"} << QStringList{"3 bis 6", "2"};
    QTest::newRow("seven colours") << QStringList{"Gelb", "Violett", "Braun", "Gold", "Rot", "Rot", "Rot"}
                                   << QStringList{"3 bis 6", "7"};
    QTest::newRow("unknown colour") << QStringList{"Gelb", "Lila", "Braun"}
                                    << QStringList{"Ring 2", "Lila", "Schwarz, Braun, Rot, Orange, Gelb, Grün, Blau, Violett, Grau, Weiß"};
    QTest::newRow("white multiplier") << QStringList{"Gelb", "Violett", "Weiß"}
                                      << QStringList{"Ring 3", "Weiß", "Schwarz, Braun, Rot, Orange, Gelb, Grün, Blau, Gold, Silber"};
    QTest::newRow("blue four-ring tolerance") << QStringList{"Gelb", "Violett", "Braun", "Blau"}
                                              << QStringList{"Ring 4", "Blau", "Braun, Rot, Gold, Silber"};
    QTest::newRow("gold digit") << QStringList{"Gold", "Violett", "Braun"} << QStringList{"Ring 1", "Gold"};
    QTest::newRow("yellow five-ring tolerance") << QStringList{"Gelb", "Violett", "Schwarz", "Braun", "Gelb"}
                                                << QStringList{"Ring 5", "Braun, Rot, Grün, Blau, Violett, Grau, Gold, Silber"};
    QTest::newRow("grey temperature") << QStringList{"Gelb", "Violett", "Schwarz", "Braun", "Gold", "Grau"}
                                      << QStringList{"Ring 6", "Schwarz, Braun, Rot, Orange, Gelb, Blau, Violett"};
    QTest::newRow("unknown option") << QStringList{"--farbe"} << QStringList{"--farbe"};
}

void TestCli::badCode()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, mentions);
    const Run r = run(args);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err.count('\n'), 1);
    const QString err = QString::fromUtf8(r.err);
    for (const QString &m : mentions)
        QVERIFY2(err.contains(m), qPrintable(err));
}

void TestCli::standardInput()
{
    const QByteArray input = "gelb violett braun gold\n"
                             "\n"
                             "Gelb Lila Braun\n"
                             "   \t \n"
                             "Braun Schwarz Schwarz Braun Violett\r\n"
                             "Gelb Violett\n"
                             "Rot Rot Gold";
    const Run r = run({}, input, "C");
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, lines({"Farbcode: Gelb - Violett - Braun", "Wert: 470 Ohm",
                           "Toleranz: ± 23.5 Ohm  (= 5%)", "(4.Ring hat die Farbe: Gold)", "",
                           "Farbcode: Braun - Schwarz - Schwarz - Braun", "Wert: 1 kOhm",
                           "Toleranz: ± 1 Ohm (= 0,1%)", "(5.Ring hat die Farbe: Violett)",
                           "(6.Ring ist nicht vorhanden)", "",
                           "Farbcode: Rot - Rot - Gold", "Wert: 2.2 Ohm",
                           "Toleranz: ± 440 mOhm  (= 20%)", "(4.Ring ist nicht vorhanden)"}));
    const QList<QByteArray> errors = r.err.trimmed().split('\n');
    QCOMPARE(errors.size(), 2);
    QVERIFY2(errors[0].contains("Zeile 3") && errors[0].contains("Lila"), errors[0].constData());
    QVERIFY2(errors[1].contains("Zeile 6"), errors[1].constData());
}

void TestCli::standardInputAllGood()
{
    const Run r = run({}, "Gelb Violett Braun Gold\nGelb Violett Braun Gold\n");
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out.count("\n\n"), 1);
    QVERIFY(r.out.endsWith("(4.Ring hat die Farbe: Gold)\n"));
}

void TestCli::helpAndVersion()
{
    const Run version = run({"--version"});
    QCOMPARE(version.out, QByteArray("zedezedidor-decode 2.0\n"));
    QCOMPARE(version.status, 0);
    const Run help = run({"--help"});
    QVERIFY(help.out.startsWith("Aufruf: zedezedidor-decode"));
    QCOMPARE(help.err, QByteArray());
    QCOMPARE(help.status, 0);
}

void TestCli::failedWriteIsNoSuccess()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("needs /dev/full");
    QProcess p;
    p.setProcessEnvironment(environmentFor("C"));
    p.setStandardOutputFile("/dev/full");
    p.start(program(), {"Gelb", "Violett", "Braun", "Gold"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("Ausgabe"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
