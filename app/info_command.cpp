#include "app/info_command.h"

#include <iostream>

#include "host/module_loader.h"

namespace brivo::app {

int runInfo(const InfoOptions& options) {
    try {
        const host::ModuleLoader module(options.module);
        std::cout << "module: " << std::filesystem::absolute(module.path()).string() << '\n'
                  << "entry point: " << host::ModuleLoader::entryPointName << '\n';
        return 0;
    } catch (const host::ModuleLoadError& error) {
        std::cerr << "brivo: " << error.what() << '\n';
        return 1;
    }
}

}  // namespace brivo::app
