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

// Runs body(toolkit, object) for the live T behind ref; nothing when there is none.
template <class T, class Body>
void withLive(const void* ref, Body&& body) noexcept {
    guarded([&](Toolkit& t) {
        if (T* object = t.find<T>(ref)) body(t, *object);
    });
}

// The result of body(toolkit, object) for the live T behind ref, or fallback.
template <class R, class T, class Body>
R withLive(const void* ref, R fallback, Body&& body) noexcept {
    return guarded<R>(fallback, [&](Toolkit& t) -> R {
        T* object = t.find<T>(ref);
        return object ? body(t, *object) : fallback;
    });
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
