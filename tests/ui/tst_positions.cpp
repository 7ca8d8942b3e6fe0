// Where the real program's window opens on screens of other sizes and scales
// than the stored position was made on. Each case gets a desktop of its own
// (tests/support/with-desktop: Xvfb with a screen of the given size, and
// openbox), the program runs there with QT_SCALE_FACTOR, and the window
// system's geometry is the truth: xwininfo and the frame openbox announces.

#include "ui/UiCommon.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cmath>

namespace {

// A desktop kept up while the test talks to it: with-desktop runs a shell
// that tells the display and waits for its input to end.
class Desktop final
{
public:
    explicit Desktop(const QString &screen)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZZ_SCREEN"), screen + QStringLiteral("x24"));
        m_shell.setProcessEnvironment(env);
        m_shell.start(QStringLiteral(ZZ_WITH_DESKTOP),
                      {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo \"$DISPLAY\"; exec cat >/dev/null")});
        if (m_shell.waitForStarted() && m_shell.waitForReadyRead(30000))
            m_display = QString::fromLocal8Bit(m_shell.readLine()).trimmed();
    }

    ~Desktop()
    {
        m_shell.closeWriteChannel();
        if (!m_shell.waitForFinished(15000)) {
            m_shell.kill();
            m_shell.waitForFinished();
        }
    }

    QString display() const { return m_display; }

private:
    QProcess m_shell;
    QString m_display;
};

constexpr int kRightEdge = INT_MIN;   // the frame's right end on the screen's right edge
// The whole title bar on the screen, near its bottom: openbox itself lifts a
// window until a tenth of it is on the screen.
constexpr int kBottomEdge = INT_MIN;
constexpr int kAsStored = INT_MAX;

} // namespace

class TestPositions final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QString m_display;
    QString m_scale;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", m_display);
        env.insert("QT_SCALE_FACTOR", m_scale);
        env.insert("XDG_CONFIG_HOME", m_config.path());
        env.insert("LC_ALL", "de_DE.UTF-8");
        return env;
    }

    QString settingsFile() const { return m_config.filePath("Veltrup/Zedezedidor.conf"); }

    void writeSettings(const QByteArray &content)
    {
        QDir().mkpath(m_config.filePath("Veltrup"));
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    QVariant stored(const QString &key) const
    {
        return QSettings(settingsFile(), QSettings::IniFormat).value(key);
    }

    QString tool(const QString &program, const QStringList &args) const
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

    QString window()
    {
        QString id;
        (void)QTest::qWaitFor([&] {
            id = tool("xdotool", {"search", "--onlyvisible", "--name", "^Zedezedidor$"}).section('\n', 0, 0);
            return !id.isEmpty();
        }, 20000);
        return id;
    }

    // The frame in screen pixels and the title bar's height: the client's
    // place less the extents openbox announces, once it has framed it.
    struct Frame {
        QRect rect;
        int title = 0;
    };

    Frame frame(const QString &id)
    {
        // The frame counts once it stands still: under load the window
        // manager may still be placing it when its extents first appear.
        Frame f, last;
        QElapsedTimer still;
        (void)QTest::qWaitFor([&] {
            const QRegularExpressionMatch e = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)")
                .match(tool("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}));
            const QString info = tool("xwininfo", {"-id", id});
            const auto number = [&info](const char *label) {
                return QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(label)))
                    .match(info).captured(1);
            };
            if (!e.hasMatch() || number("Width").isEmpty() || e.captured(3).toInt() == 0)
                return false;
            const int l = e.captured(1).toInt(), r = e.captured(2).toInt();
            f.title = e.captured(3).toInt();
            const int b = e.captured(4).toInt();
            f.rect = QRect(number("Absolute upper-left X").toInt() - l, number("Absolute upper-left Y").toInt() - f.title,
                           number("Width").toInt() + l + r, number("Height").toInt() + f.title + b);
            if (f.rect != last.rect || f.title != last.title) {
                last = f;
                still.start();
                return false;
            }
            return still.elapsed() >= 300;
        }, 15000);
        return f;
    }

    // Starts the program, measures where its frame stands, ends it with Esc,
    // from the five/six-ring window after Ctrl+U when asked to.
    Frame run(bool viaSecond = false)
    {
        QProcess program;
        program.setProcessEnvironment(environment());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(qEnvironmentVariable("ZZ_BIN_DIR") + "/zedezedidor", QStringList());
        Frame f;
        if (!program.waitForStarted())
            return f;
        const QString id = window();
        if (!id.isEmpty()) {
            f = frame(id);
            QString last = id;
            // Under load a focus change on its way may swallow a key: the
            // user presses it again, as here.
            for (int attempt = 0; viaSecond && attempt < 3 && last == id; ++attempt) {
                tool("xdotool", {"windowactivate", "--sync", id, "key", "--clearmodifiers", "ctrl+u"});
                (void)QTest::qWaitFor([&] {
                    last = window();
                    return !last.isEmpty() && last != id;
                }, 10000);
            }
            for (int attempt = 0; attempt < 3 && program.state() != QProcess::NotRunning; ++attempt) {
                tool("xdotool", {"windowactivate", "--sync", last, "key", "--clearmodifiers", "Escape"});
                program.waitForFinished(10000);
            }
        }
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
            f = {};
        }
        return f;
    }

    int logical(int screenPixels) const { return int(std::lround(screenPixels / m_scale.toDouble())); }

private slots:
    // Several screens: the nearest one takes the title bar; a title bar
    // across two screens, or in part on one, is reachable and stays.
    void nearestScreen_data()
    {
        QTest::addColumn<QRect>("titleBar");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("on the right screen") << QRect(1500, 200, 400, 20) << QPoint(1500, 200);
        QTest::newRow("across both") << QRect(900, 200, 400, 20) << QPoint(900, 200);
        QTest::newRow("one pixel on the left one") << QRect(-399, 1000, 400, 20) << QPoint(-399, 1000);
        QTest::newRow("below the shorter right one") << QRect(1500, 900, 400, 20) << QPoint(1500, 748);
        QTest::newRow("beyond the right one") << QRect(3000, 100, 400, 20) << QPoint(1624, 100);
        QTest::newRow("left of both") << QRect(-900, 500, 400, 20) << QPoint(0, 500);
        QTest::newRow("wider than the screen") << QRect(3000, -50, 2000, 20) << QPoint(1024, 0);
    }

    void nearestScreen()
    {
        QFETCH(QRect, titleBar);
        QFETCH(QPoint, expected);
        const QList<QRect> screens{QRect(0, 0, 1024, 1200), QRect(1024, 0, 1000, 768)};
        QCOMPARE(zz::ui::reachablePosition(titleBar, screens), expected);
    }

    void initTestCase()
    {
        for (const char *name : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo"})
            QVERIFY2(!QStandardPaths::findExecutable(name).isEmpty(), name);
    }

    // The first exit stores where the frame stands, not the client area
    // below the title bar, at every scale and from either window; the next
    // start opens there.
    void frameStoredAtEveryScale_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("viaSecond");
        QTest::newRow("1, from the five/six-ring window") << "1" << true;
        QTest::newRow("1.5, from the five/six-ring window") << "1.5" << true;
        QTest::newRow("2, from the five/six-ring window") << "2" << true;
        QTest::newRow("2, from the four-ring window") << "2" << false;
    }

    void frameStoredAtEveryScale()
    {
        QFETCH(QString, scale);
        QFETCH(bool, viaSecond);
        Desktop desktop("2560x1600");
        QVERIFY(!desktop.display().isEmpty());
        m_display = desktop.display();
        m_scale = scale;
        writeSettings({});
        const Frame first = run(viaSecond);
        QVERIFY(first.rect.isValid());
        QVERIFY(qAbs(stored("Left").toInt() - logical(first.rect.x())) <= 1);
        QVERIFY2(qAbs(stored("Top").toInt() - logical(first.rect.y())) <= 1,
                 qPrintable(QStringLiteral("stored Top %1, frame at %2").arg(stored("Top").toInt())
                                .arg(logical(first.rect.y()))));
        const Frame second = run();
        QVERIFY(qAbs(second.rect.y() - first.rect.y()) <= 2);
        QVERIFY(qAbs(second.rect.x() - first.rect.x()) <= 2);
    }

    // A stored place where the title bar would be on no screen moves the
    // least way that brings the whole title bar onto the screen; a place
    // where the title bar can still be reached stays exactly as stored.
    void unreachablePositionMoved_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("expectedLeft");
        QTest::addColumn<int>("expectedTop");
        QTest::newRow("monitor gone") << "1024x768" << "1" << 2000 << 300 << kRightEdge << 300;
        QTest::newRow("Wayland's invented place") << "1024x768" << "1" << -3 << -30 << 0 << 0;
        QTest::newRow("far below, left") << "1024x768" << "1" << -900 << 5000 << 0 << kBottomEdge;
        QTest::newRow("stored at scale 1, opened at 2") << "2560x1600" << "2" << 1800 << 1000 << kRightEdge
                                                        << kBottomEdge;
        QTest::newRow("above at 1.5") << "2560x1600" << "1.5" << 300 << -200 << 300 << 0;
        QTest::newRow("reachable, half off the left") << "1024x768" << "1" << -200 << 100 << kAsStored
                                                      << kAsStored;
        QTest::newRow("reachable, most of it off the right") << "1024x768" << "1" << 950 << 100 << kAsStored
                                                             << kAsStored;
        QTest::newRow("reachable at scale 2") << "2560x1600" << "2" << 1000 << 700 << kAsStored << kAsStored;
    }

    void unreachablePositionMoved()
    {
        QFETCH(QString, screen);
        QFETCH(QString, scale);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, expectedLeft);
        QFETCH(int, expectedTop);
        Desktop desktop(screen);
        QVERIFY(!desktop.display().isEmpty());
        m_display = desktop.display();
        m_scale = scale;
        writeSettings(QStringLiteral("[General]\nLeft=%1\nTop=%2\n").arg(left).arg(top).toLatin1());
        const Frame f = run();
        QVERIFY(f.rect.isValid());
        const QSize screenSize(logical(screen.section('x', 0, 0).toInt()), logical(screen.section('x', 1, 1).toInt()));
        const int wantLeft = expectedLeft == kRightEdge ? screenSize.width() - logical(f.rect.width())
                           : expectedLeft == kAsStored ? left : expectedLeft;
        const int wantTop = expectedTop == kAsStored ? top : expectedTop;
        const QPoint at(logical(f.rect.x()), logical(f.rect.y()));
        const bool topFits = expectedTop == kBottomEdge
                                  ? at.y() + logical(f.title) <= screenSize.height() && at.y() > screenSize.height() / 2
                                  : qAbs(at.y() - wantTop) <= 1;
        QVERIFY2(qAbs(at.x() - wantLeft) <= 1 && topFits,
                 qPrintable(QStringLiteral("frame at %1,%2 (title bar %3 px), expected %4,%5")
                                .arg(at.x()).arg(at.y()).arg(logical(f.title)).arg(wantLeft)
                                .arg(expectedTop == kBottomEdge ? QStringLiteral("bottom") : QString::number(wantTop))));
        // The place it opened at is the one stored at the exit.
        QVERIFY(qAbs(stored("Left").toInt() - at.x()) <= 1);
        QVERIFY(qAbs(stored("Top").toInt() - at.y()) <= 1);
    }
};

QTEST_GUILESS_MAIN(TestPositions)
#include "tst_positions.moc"
