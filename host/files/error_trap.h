#pragma once

// libpng and libjpeg report errors through a handler that must not return. The codecs' handlers
// record the message in an ErrorTrap and longjmp back to guardedCall, which sits directly above
// the library call; the frames jumped over are the library's and trivially destructible lambdas.

#include <csetjmp>
#include <cstddef>

namespace brivo::host::image_codec {

// Room for libjpeg's longest message (JMSG_LENGTH_MAX, 200) and its terminator.
inline constexpr size_t kErrorMessageSize = 201;

struct ErrorTrap {
    std::jmp_buf jump;
    char message[kErrorMessageSize] = {};
};

// Runs call(); false when the library's error handler jumped back out of it.
template <typename Call>
bool guardedCall(ErrorTrap& trap, const Call& call) {
    if (setjmp(trap.jump) != 0) return false;
    call();
    return true;
}

}  // namespace brivo::host::image_codec
