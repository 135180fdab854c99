#include "host/runtime/zstring_suite.h"

#include <new>

#include "host/runtime/call_binding.h"

// A text the suite lends to a module.
struct ASZByte {
    std::string text;
};

namespace brivo::host {

namespace {

using Binding = CallBinding<ZStringSuite>;

SPErr makeFromCString(const char* text, size_t length, ASZString* zstring) noexcept {
    if (!zstring) return kSPBadParameterError;
    *zstring = nullptr;
    if (!text && length != 0) return kSPBadParameterError;
    ZStringSuite* suite = Binding::current();
    if (!suite) return kSPOperationFailedError;
    try {
        *zstring = suite->make(std::string(text ? text : "", length));
        return kSPNoError;
    } catch (const std::bad_alloc&) {
        return kSPOutOfMemoryError;
    } catch (...) {
        return kSPOperationFailedError;
    }
}

SPErr release(ASZString zstring) noexcept {
    ZStringSuite* suite = Binding::current();
    if (!suite) return kSPOperationFailedError;
    return suite->remove(zstring) ? kSPNoError : kSPBadParameterError;
}

}  // namespace

ZStringSuite::ZStringSuite() : table_{&makeFromCString, &release} {}

ZStringSuite::~ZStringSuite() = default;

ASZString ZStringSuite::make(std::string text) {
    auto zstring = std::make_unique<ASZByte>(ASZByte{std::move(text)});
    ASZString id = zstring.get();
    texts_.emplace(id, std::move(zstring));
    return id;
}

bool ZStringSuite::remove(ASZString zstring) {
    return texts_.erase(zstring) != 0;
}

std::optional<std::string> ZStringSuite::text(const void* zstring) const {
    auto it = texts_.find(zstring);
    if (it == texts_.end()) return std::nullopt;
    return it->second->text;
}

}  // namespace brivo::host
