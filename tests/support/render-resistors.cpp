// Writes COUNT rendered resistor photos to DIR with DIR/labels.csv
// ("file,rings": colour names in reading order, separated by blanks), or with
// --code one photo of the given rings ("Gelb Violett Rot Gold") to FILE.

#include "ResistorRenderer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--code")) {
        // render-resistors --code "RINGS" FILE [SEED [DIFFICULTY]]
        std::vector<zz::decode::Colour> code;
        for (const QString &name : args[2].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const auto c = zz::decode::colourFromName(name.toStdString());
            if (!c) {
                std::fprintf(stderr, "render-resistors: no colour %s\n", qPrintable(name));
                return 2;
            }
            code.push_back(*c);
        }
        const quint32 seed = args.size() > 4 ? args[4].toUInt() : 1;
        const double difficulty = args.size() > 5 ? args[5].toDouble() : 0.3;
        return zz::test::renderResistor(zz::test::variedScene(code, seed, difficulty)).image.save(args[3]) ? 0 : 1;
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: render-resistors DIR COUNT [DIFFICULTY 0..1] [FIRST-SEED]\n"
                             "       render-resistors --code \"RINGS\" FILE [SEED [DIFFICULTY]]\n");
        return 2;
    }
    const QString dir = args[1];
    const int count = args[2].toInt();
    const double difficulty = args.size() > 3 ? args[3].toDouble() : 0.5;
    const quint32 first = args.size() > 4 ? args[4].toUInt() : 1;
    QDir().mkpath(dir);
    QFile labels(dir + QStringLiteral("/labels.csv"));
    if (!labels.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream out(&labels);
    out << "file,rings\n";
    for (int i = 0; i < count; ++i) {
        const quint32 seed = first + quint32(i);
        const int rings = 3 + int(seed % 4);
        const auto code = zz::test::randomCode(rings, seed);
        const auto scene = zz::test::variedScene(code, seed, difficulty);
        const auto shot = zz::test::renderResistor(scene);
        const QString name = QStringLiteral("r%1.jpg").arg(seed, 5, 10, QLatin1Char('0'));
        if (!shot.image.save(dir + QLatin1Char('/') + name, "JPEG", 92))
            return 1;
        QStringList names;
        for (auto c : code)
            names << QString::fromUtf8(zz::decode::colourInfo(c).name.data(), qsizetype(zz::decode::colourInfo(c).name.size()));
        out << name << ',' << names.join(QLatin1Char(' ')) << '\n';
    }
    return 0;
}
