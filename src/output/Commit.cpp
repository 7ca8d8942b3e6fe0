#include "output/Commit.h"

#include "output/SaveErrors.h"

namespace zz::output::save {

bool commitData(safety::TempFile &data, const QString &dataPath, const safety::Target &target)
{
    if (!target.st)
        return guarded(dataPath, [&] { return data.create(); });  // false: save into theirs
    data.takeOwnership(*target.st);
    const auto now = safety::lstatOf(target.path);
    if (!now || !safety::sameFile(*now, *target.st))
        return false;
    guarded(dataPath, [&] { data.replace(); });
    return true;
}

} // namespace zz::output::save
