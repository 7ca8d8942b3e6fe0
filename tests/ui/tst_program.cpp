// The real program on a virtual X server: it starts, shows its window, and a
// user's Esc ends it with exit code 0, from either decoder window.

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestProgram final : public QObject
{
    Q_OBJECT

    QProcess m_xvfb;
    QString m_display;
    QTemporaryDir m_config;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", m_config.path());
        env.insert("LC_ALL", "de_DE.UTF-8");
        return env;
    }

    QString xdotool(const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start("xdotool", args);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    // Waits for the program's visible window and returns its id.
    QString window()
    {
        const QString ids = xdotool({"search", "--sync", "--onlyvisible", "--name", "^Zedezedidor$"});
        return ids.section(QLatin1Char('\n'), 0, 0);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty()
            || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("needs Xvfb and xdotool (scripts/install-deps)");
        // Xvfb picks a free display itself and tells its number on stdout.
        m_xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        QVERIFY(m_xvfb.waitForStarted());
        QVERIFY(QTest::qWaitFor([this] { return m_xvfb.canReadLine(); }, 10000));
        m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine()).trimmed();
    }

    void cleanupTestCase()
    {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished();
        }
    }

    void escEndsProgram_data()
    {
        QTest::addColumn<bool>("switchFirst");
        QTest::newRow("four-ring window") << false;
        QTest::newRow("five/six-ring window") << true;
    }

    void escEndsProgram()
    {
        QFETCH(bool, switchFirst);
        QProcess program;
        program.setProcessEnvironment(environment());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(qEnvironmentVariable("ZZ_BIN_DIR") + "/zedezedidor", QStringList());
        QVERIFY(program.waitForStarted());

        QString id = window();
        QVERIFY(!id.isEmpty());
        if (switchFirst) {
            xdotool({"windowfocus", "--sync", id, "key", "ctrl+u"});
            const QString first = id;
            QVERIFY(QTest::qWaitFor([&] { id = window(); return !id.isEmpty() && id != first; }, 5000));
        }
        xdotool({"windowfocus", "--sync", id, "key", "Escape"});
        const bool ended = program.waitForFinished(10000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY(ended);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
