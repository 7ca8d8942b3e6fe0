#include "photomodule/PhotoModule.h"

namespace {

zz::photo::LoadedPhoto loadFile(const QString &path)
{
    return zz::photo::loadPhoto(path);
}

zz::photo::LoadedPhoto loadData(const QByteArray &data)
{
    return zz::photo::loadPhoto(data);
}

zz::photo::Reading readFile(const QString &path)
{
    const zz::photo::LoadedPhoto loaded = zz::photo::loadPhoto(path);
    if (!loaded.image.isNull())
        return zz::photo::readPhoto(loaded.image);
    zz::photo::Reading r;
    r.error = loaded.error.isEmpty() ? QStringLiteral("Die Datei ist kein lesbares Bild.") : loaded.error;
    return r;
}

const zz::photo::ModuleApi g_api{
    zz::photo::kModuleVersion, &loadFile, &loadData, &zz::photo::readPhoto,
    &zz::photo::readAlongLine, &zz::photo::reversed, &zz::photo::withRingColour, &readFile,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const zz::photo::ModuleApi *zz_photo_module_api()
{
    return &g_api;
}
