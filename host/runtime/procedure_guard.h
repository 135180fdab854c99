#pragma once

// The one guard around every procedure the host hands a module. It finds the object serving
// the call in progress and turns every failure into a result, so no exception ever crosses
// into the module's frames. Statuses follow the mapping in pluginapi/plugin_types.h:
//   no call in progress, std::invalid_argument  -> kSPBadParameterError
//   std::bad_alloc                               -> kSPOutOfMemoryError
//   any other exception                          -> kSPOperationFailedError

#include <new>
#include <stdexcept>

#include "host/runtime/call_binding.h"
#include "pluginapi/plugin_types.h"

namespace brivo::host {

// Runs body(T&) for a procedure that returns a status.
template <class T, class Body>
SPErr guardStatus(Body&& body) noexcept {
    try {
        T* object = CallBinding<T>::current();
        return object ? body(*object) : kSPBadParameterError;
    } catch (const std::invalid_argument&) {
        return kSPBadParameterError;
    } catch (const std::bad_alloc&) {
        return kSPOutOfMemoryError;
    } catch (...) {
        return kSPOperationFailedError;
    }
}

// Runs body(T&) for a procedure that returns a value; fallback when no call is in progress
// or body throws.
template <class T, class Result, class Body>
Result guardValue(Result fallback, Body&& body) noexcept {
    try {
        T* object = CallBinding<T>::current();
        return object ? body(*object) : fallback;
    } catch (...) {
        return fallback;
    }
}

// Runs body(T&) for a procedure that returns nothing; a failure is dropped.
template <class T, class Body>
void guardAction(Body&& body) noexcept {
    try {
        if (T* object = CallBinding<T>::current()) body(*object);
    } catch (...) {
    }
}

}  // namespace brivo::host
