#include "host/runtime/module_loader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace brivo::host {

namespace {

std::string dlError() {
    const char* message = dlerror();
    return message ? message : "unknown error";
}

// Copies the module to a new temporary file and returns its path.
std::filesystem::path makePrivateCopy(const std::filesystem::path& path) {
    std::string name = (std::filesystem::temp_directory_path() / "brivo-module-XXXXXX.so").string();
    int fd = mkstemps(name.data(), 3);
    if (fd < 0)
        throw ModuleLoadError("cannot create a copy of " + path.string() + ": " +
                              std::strerror(errno));
    close(fd);
    std::error_code error;
    std::filesystem::copy_file(path, name, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) {
        std::filesystem::remove(name);
        throw ModuleLoadError("cannot copy " + path.string() + ": " + error.message());
    }
    return name;
}

}  // namespace

ModuleLoader::ModuleLoader(const std::filesystem::path& path, Copy copy) : path_(path) {
    if (!std::filesystem::is_regular_file(path))
        throw ModuleLoadError("no module file at " + path.string());
    // A path without a slash would make dlopen search the library path instead.
    std::filesystem::path target = std::filesystem::absolute(path);
    if (copy == Copy::fresh) target = makePrivateCopy(path);

    library_ = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::string loadError = library_ ? "" : dlError();
    // The mapping keeps the copy's contents alive, so the file can go at once and is
    // never left behind.
    if (copy == Copy::fresh) std::filesystem::remove(target);
    if (!library_) throw ModuleLoadError("cannot load " + path.string() + ": " + loadError);

    dlerror();
    void* symbol = dlsym(library_, entryPointName);
    if (!symbol) {
        std::string symbolError = dlError();
        dlclose(library_);
        throw ModuleLoadError(path.string() + " has no entry point " + entryPointName + ": " +
                              symbolError);
    }
    entry_ = reinterpret_cast<PluginMainProc>(symbol);
}

ModuleLoader::~ModuleLoader() {
    dlclose(library_);
}

}  // namespace brivo::host
