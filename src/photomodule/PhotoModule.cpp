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

const zz::photo::ModuleApi g_api{
    zz::photo::kModuleVersion, &loadFile, &loadData, &zz::photo::readPhoto,
    &zz::photo::readAlongLine, &zz::photo::reversed, &zz::photo::withRingColour,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const zz::photo::ModuleApi *zz_photo_module_api()
{
    return &g_api;
}
