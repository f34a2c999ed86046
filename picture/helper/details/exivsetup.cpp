#include "picture/helper/details/exivsetup.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <mutex>

namespace picture {

void setUpExiv2()
{
    static std::once_flag started;
    std::call_once(started, [] {
        Exiv2::enableBMFF(true);
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

} // namespace picture
