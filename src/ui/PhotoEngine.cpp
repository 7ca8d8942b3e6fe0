#include "ui/PhotoEngine.h"

#include <QCoreApplication>
#include <QLibrary>

namespace zz::ui {

namespace {

QString g_modulePath;
QLibrary *g_library = nullptr;   // loaded for good: the program calls it until it ends
const zz::photo::ModuleApi *g_api = nullptr;
QString g_error;

QString modulePath()
{
    if (!g_modulePath.isEmpty())
        return g_modulePath;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zedezedidor-photo.so");
}

} // namespace

void setPhotoModulePath(const QString &path)
{
    g_modulePath = path;
    if (!g_api)
        g_error.clear();
}

const zz::photo::ModuleApi *photoEngine(QString *error)
{
    if (!g_api && g_error.isEmpty()) {
        delete g_library;
        g_library = new QLibrary(modulePath());
        const auto entry = reinterpret_cast<zz::photo::ModuleEntry>(g_library->resolve(zz::photo::kModuleEntry));
        const zz::photo::ModuleApi *api = entry ? entry() : nullptr;
        if (!api) {
            g_error = QStringLiteral("Die Fotoerkennung (zedezedidor-photo.so) fehlt oder ist nicht lesbar.");
        } else if (api->version != zz::photo::kModuleVersion) {
            g_error = QStringLiteral("Die Fotoerkennung (zedezedidor-photo.so) passt nicht zu dieser Programmversion.");
        } else {
            g_api = api;
        }
    }
    if (error)
        *error = g_error;
    return g_api;
}

} // namespace zz::ui
