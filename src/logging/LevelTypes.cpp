#include <tarnwick/logging/LevelTypes.h>

namespace Tarnwick::Utils {

std::u16string const LevelTypeNames[LevelTypeCount] = {
    u"TRACE",
    u"DEBUG",
    u"INFO",
    u"WARN",
    u"ERROR",
    u"FATAL",
    u"NONE",
};

} // namespace Tarnwick::Utils
