// Suite functions are C entry points: each finds the toolkit serving the call in progress
// and turns any failure into its documented fallback, so nothing unwinds into the module.
#pragma once

#include "host/runtime/call_binding.h"
#include "host/toolkit/toolkit.h"

namespace brivo::host::toolkit {

inline Toolkit* currentToolkit() noexcept {
    return CallBinding<Toolkit>::current();
}

// Runs body(toolkit) and returns its result, or fallback outside a call or on failure.
template <class R, class Body>
R guarded(R fallback, Body&& body) noexcept {
    try {
        Toolkit* toolkit = currentToolkit();
        return toolkit ? body(*toolkit) : fallback;
    } catch (...) {
        return fallback;
    }
}

template <class Body>
void guarded(Body&& body) noexcept {
    try {
        if (Toolkit* toolkit = currentToolkit()) body(*toolkit);
    } catch (...) {
        // The call has no result to report a failure with; the state stays as it was.
    }
}

// The model object behind a module reference, or null when it is not alive.
template <class T>
T* resolve(Toolkit& toolkit, const void* ref) {
    return toolkit.find<T>(ref);
}

template <class Ref, class T>
Ref toRef(T* object) {
    return reinterpret_cast<Ref>(object);
}

inline std::string textOrEmpty(const char* text) {
    return text ? text : "";
}

// Copies text into a caller's buffer of capacity bytes, cut to fit, always terminated.
void copyText(const std::string& text, char* buffer, int32_t capacity);

}  // namespace brivo::host::toolkit
