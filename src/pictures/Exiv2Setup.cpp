#include "pictures/Exiv2Setup.h"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace quorvel::pictures {

void setUpExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

} // namespace quorvel::pictures
