// The real program on a desktop with a window manager (tests/support/with-desktop
// provides the X server and openbox): where its windows stand from one run to
// the next, Esc in an open list, the help window beside both windows, and
// ending at any moment with exit code 0. Keys and geometry go through the
// window system, as a user's would.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kMainTitle = QStringLiteral("^Zedezedidor$");

} // namespace

class TestProgram final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_fakeBin;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_CONFIG_HOME", m_config.path());
        env.insert("LC_ALL", "de_DE.UTF-8");
        env.insert("PATH", m_fakeBin.path() + ':' + env.value("PATH"));
        return env;
    }

    QString settingsFile() const { return m_config.filePath("Veltrup/Zedezedidor.conf"); }

    void writeSettings(const QVariantMap &values)
    {
        QFile::remove(settingsFile());
        QDir().mkpath(m_config.filePath("Veltrup"));
        QSettings store(settingsFile(), QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it)
            store.setValue(it.key(), it.value());
        store.sync();
        // The program writes only into a store that exists.
        if (values.isEmpty())
            QFile(settingsFile()).open(QIODevice::WriteOnly);
    }

    QVariant stored(const QString &key) const
    {
        return QSettings(settingsFile(), QSettings::IniFormat).value(key);
    }

    QString tool(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    QString xdotool(const QStringList &args) { return tool("xdotool", args); }

    // The first visible window whose title matches, or empty after a while.
    QString window(const QString &title)
    {
        QString id;
        (void)QTest::qWaitFor([&] {
            id = xdotool({"search", "--onlyvisible", "--name", title}).section('\n', 0, 0);
            return !id.isEmpty();
        }, 15000);
        return id;
    }

    bool gone(const QString &id)
    {
        return QTest::qWaitFor([&] {
            return !xdotool({"search", "--onlyvisible", "--name", "."}).split('\n').contains(id);
        }, 10000);
    }

    // Top-left corner of a window's frame as the window manager has placed it:
    // the client's position on the root window less the frame extents.
    QPoint frame(const QString &id)
    {
        QPoint result(-10000, -10000);
        (void)QTest::qWaitFor([&] {
            const QString ext = tool("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
            const QRegularExpressionMatch e = QRegularExpression(
                "= (\\d+), (\\d+), (\\d+), (\\d+)").match(ext);
            const QString info = tool("xwininfo", {"-id", id});
            const QRegularExpressionMatch x = QRegularExpression("Absolute upper-left X:\\s+(-?\\d+)").match(info);
            const QRegularExpressionMatch y = QRegularExpression("Absolute upper-left Y:\\s+(-?\\d+)").match(info);
            if (!e.hasMatch() || !x.hasMatch() || !y.hasMatch())
                return false;
            result = {x.captured(1).toInt() - e.captured(1).toInt(),
                      y.captured(1).toInt() - e.captured(3).toInt()};
            return true;
        }, 10000);
        return result;
    }

    // Keys to a window once the window manager has given it the focus.
    void keys(const QString &id, const QStringList &keys)
    {
        xdotool(QStringList{"windowactivate", "--sync", id, "key", "--clearmodifiers"} + keys);
    }

    void start(QProcess &program)
    {
        program.setProcessEnvironment(environment());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(qEnvironmentVariable("ZZ_BIN_DIR") + "/zedezedidor", QStringList());
        QVERIFY(program.waitForStarted());
    }

    static void expectEnd(QProcess &program, int exitCode = 0)
    {
        const bool ended = program.waitForFinished(15000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY2(ended, "the program did not end");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
    }

    static bool stillRuns(QProcess &program) { return !program.waitForFinished(700); }

    void fakeXdgOpen(const QByteArray &body)
    {
        QFile script(m_fakeBin.filePath("xdg-open"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("needs an X server with a window manager (tests/support/with-desktop)");
        for (const char *name : {"xdotool", "xprop", "xwininfo"})
            QVERIFY2(!QStandardPaths::findExecutable(name).isEmpty(), name);
    }

    void cleanup() { QFile::remove(m_fakeBin.filePath("xdg-open")); }

    // Start, switch to the five/six-ring window and back, and end, three times:
    // the frame stays where the settings put it, and the settings keep it.
    void positionSurvivesRunsAndSwitches_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<int>("left");   // -1: the window manager's choice
        QTest::addColumn<int>("top");
        QTest::newRow("Left and Top") << QVariantMap{{"Left", 200}, {"Top", 100}} << 200 << 100;
        QTest::newRow("only Left") << QVariantMap{{"Left", 260}} << 260 << -1;
        QTest::newRow("only Top") << QVariantMap{{"Top", 140}} << -1 << 140;
    }

    void positionSurvivesRunsAndSwitches()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(int, left);
        QFETCH(int, top);

        // Where the window manager puts the window by itself.
        writeSettings({});
        QPoint placed;
        {
            QProcess program;
            start(program);
            const QString id = window(kMainTitle);
            QVERIFY(!id.isEmpty());
            placed = frame(id);
            keys(id, {"Escape"});
            expectEnd(program);
        }
        const QPoint expected(left < 0 ? placed.x() : left, top < 0 ? placed.y() : top);

        writeSettings(settings);
        for (int run = 1; run <= 3; ++run) {
            QProcess program;
            start(program);
            QString id = window(kMainTitle);
            QVERIFY(!id.isEmpty());
            QCOMPARE(frame(id), expected);

            for (int trip = 0; trip < 2; ++trip) {
                keys(id, {"ctrl+u"});
                QVERIFY(gone(id));
                id = window(kMainTitle);
                QVERIFY(!id.isEmpty());
                QCOMPARE(frame(id), expected);
            }
            keys(id, {"Escape"});
            expectEnd(program);
            QCOMPARE(stored("Left").toInt(), expected.x());
            QCOMPARE(stored("Top").toInt(), expected.y());
        }
    }

    // Esc closes an open ring list, not the program; the next Esc ends it.
    void escInOpenListClosesTheList_data()
    {
        QTest::addColumn<bool>("fiveRings");
        QTest::addColumn<bool>("byMouse");
        QTest::newRow("four rings, F4") << false << false;
        QTest::newRow("four rings, mouse") << false << true;
        QTest::newRow("five/six rings, F4") << true << false;
        QTest::newRow("five/six rings, mouse") << true << true;
    }

    void escInOpenListClosesTheList()
    {
        QFETCH(bool, fiveRings);
        QFETCH(bool, byMouse);
        writeSettings({{"Left", 100}, {"Top", 80}});
        QProcess program;
        start(program);
        QString id = window(kMainTitle);
        QVERIFY(!id.isEmpty());
        if (fiveRings) {
            keys(id, {"ctrl+u"});
            QVERIFY(gone(id));
            id = window(kMainTitle);
        }
        const QString pid = QString::number(program.processId());
        const auto windows = [&] {
            return xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts).size();
        };
        const int closed = windows();
        if (byMouse) {
            // The first list, in the client area below the menu bar.
            xdotool({"windowactivate", "--sync", id});
            xdotool({"mousemove", "--window", id, "120", "42", "click", "1"});
        } else {
            keys(id, {"F4"});
        }
        QVERIFY2(QTest::qWaitFor([&] { return windows() > closed; }, 10000), "the list did not open");

        xdotool({"key", "Escape"});
        QVERIFY2(stillRuns(program), "Esc in the open list ended the program");
        QVERIFY2(QTest::qWaitFor([&] { return windows() == closed; }, 10000),
                 qPrintable(QStringLiteral("the list stayed open: %1 windows, %2 before").arg(windows()).arg(closed)));

        keys(id, {"Escape"});
        expectEnd(program);
    }

    // The help window opened from the four-ring window takes keys also while
    // the five/six-ring window is shown.
    void helpUsableAfterSwitch()
    {
        writeSettings({{"Left", 60}, {"Top", 60}});
        QProcess program;
        start(program);
        QString id = window(kMainTitle);
        QVERIFY(!id.isEmpty());
        keys(id, {"alt+h", "n"});
        const QString help = window("^Zedezedidor - Hilfe$");
        QVERIFY(!help.isEmpty());
        // The help takes the focus as it opens; a slow program asks for it
        // late and would take it back from the window the keys are meant for.
        QVERIFY(QTest::qWaitFor([&] { return xdotool({"getactivewindow"}) == help; }, 15000));

        keys(id, {"ctrl+u"});
        QVERIFY(gone(id));
        id = window(kMainTitle);
        QVERIFY(!id.isEmpty());

        keys(help, {"Escape"});
        QVERIFY2(gone(help), "the help window took no keys");
        QVERIFY(stillRuns(program));
        keys(id, {"Escape"});
        expectEnd(program);
    }

    // Ending the program while xdg-open still runs: exit code 0, no message.
    void endWhileOpenerRuns()
    {
        // Esc only once the opener runs: sent earlier, it may land in the
        // still-closing menu. The opener outlives any slow machine's test.
        const QString started = m_fakeBin.filePath("opener-started");
        fakeXdgOpen("touch '" + QFile::encodeName(started) + "'; sleep 20; exit 4");
        writeSettings({{"Left", 60}, {"Top", 60}});
        QProcess program;
        start(program);
        const QString id = window(kMainTitle);
        QVERIFY(!id.isEmpty());
        keys(id, {"alt+h", "r"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
        keys(id, {"Escape"});
        expectEnd(program);
    }

    // A name typed into a file dialog and taken with Return while the list
    // of completions shows: the dialog closes, and that list with it.
    void typedNameLeavesNoCompletions_data()
    {
        QTest::addColumn<bool>("photo");
        QTest::newRow("Foto öffnen") << true;
        QTest::newRow("Speichern unter") << false;
    }

    void typedNameLeavesNoCompletions()
    {
        QFETCH(bool, photo);
        QTemporaryDir dir;
        const QString path = dir.filePath(photo ? "widerstand.png" : "Widerstaende.txt");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x\n");
        }
        writeSettings({{"Left", 60}, {"Top", 60}});
        QProcess program;
        start(program);
        const QString id = window(kMainTitle);
        QVERIFY(!id.isEmpty());
        QString owner = id;
        if (photo) {
            keys(id, {"ctrl+o"});
            owner = window("^Farbcode aus Foto$");
            QVERIFY(!owner.isEmpty());
        }
        const QString pid = QString::number(program.processId());
        const auto shown = [&] {
            return xdotool({"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts);
        };
        const auto windows = [&] { return shown().size(); };
        const QStringList earlier = shown();
        const int before = earlier.size();
        keys(owner, photo ? QStringList{"alt+f"} : QStringList{"alt+d", "u"});
        QString files;
        (void)QTest::qWaitFor([&] {
            for (const QString &w : shown()) {
                if (!earlier.contains(w))
                    files = w;
            }
            return !files.isEmpty();
        }, 15000);
        QVERIFY(!files.isEmpty());
        xdotool({"windowactivate", "--sync", files, "type", "--delay", "20", path});
        QVERIFY2(QTest::qWaitFor([&] { return windows() > before + 1; }, 10000), "typing showed no completions");

        xdotool({"key", "Return"});
        QVERIFY(gone(files));
        QVERIFY2(QTest::qWaitFor([&] { return windows() == before; }, 10000),
                 qPrintable(QStringLiteral("%1 windows stayed, %2 before").arg(windows()).arg(before)));
        if (photo)
            keys(owner, {"Escape"});
        keys(id, {"Escape"});
        expectEnd(program);
    }

    // A save beyond the file-size limit is a failed write: the program
    // reports it and goes on, and still writes its settings at the end.
    void saveBeyondFileSizeLimit()
    {
        QTemporaryDir data;
        const QString path = data.filePath("Widerstaende.txt");
        const QByteArray content(64 * 1024, 'x');
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        writeSettings({{"Datei", path}, {"Backup", 0}, {"Left", 60}, {"Top", 60}});

        QProcess program;
        program.setChildProcessModifier([] {
            // The default action, whatever this test inherited.
            ::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{16 * 1024, 16 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        start(program);

        const QString id = window("^Zedezedidor - \\[Widerstaende.txt\\]$");
        QVERIFY(!id.isEmpty());
        keys(id, {"ctrl+s"});
        const QString box = window(kMainTitle);
        QVERIFY2(!box.isEmpty(), "no error message");
        QVERIFY(program.state() == QProcess::Running);
        keys(box, {"Return"});
        QVERIFY(gone(box));
        keys(id, {"Escape"});
        expectEnd(program);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
        QCOMPARE(stored("Datei").toString(), path);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
