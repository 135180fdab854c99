#include "host/toolkit/backend_choice.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "host/toolkit/headless_backend.h"
#if BRIVO_HAVE_FLTK
#include "host/toolkit/fltk_backend.h"
#endif

namespace brivo::host::toolkit {

std::unique_ptr<Backend> makeBackendForCommand() {
    const char* headless = std::getenv("BRIVO_HEADLESS");
    const bool forcedHeadless = headless && std::strcmp(headless, "1") == 0;
    const bool atTerminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
#if BRIVO_HAVE_FLTK
    if (!forcedHeadless && atTerminal && FltkBackend::displayAvailable())
        return std::make_unique<FltkBackend>();
#else
    (void)forcedHeadless;
    (void)atTerminal;
#endif
    return std::make_unique<HeadlessBackend>();
}

}  // namespace brivo::host::toolkit
