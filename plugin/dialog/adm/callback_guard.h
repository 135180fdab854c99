// Runs the body of a toolkit callback so that nothing is thrown back into the toolkit.
#pragma once

#include <exception>
#include <type_traits>

#include "dialog/adm/dialog.h"

namespace brivo::ADM {

// Runs `body` unless the dialog already failed; an exception is kept by the dialog, which
// ends its loop and raises it again when Modal returns. `ignored` is the callback's result
// when the body does not run or fails. A null dialog (an object being torn down) runs
// nothing.
template <class Result, class Body>
Result guardCallback(Dialog* dialog, Result ignored, Body&& body) noexcept {
    if (dialog == nullptr || dialog->hasKeptError()) return ignored;
    try {
        return body();
    } catch (...) {
        dialog->keepError(std::current_exception());
        return ignored;
    }
}

template <class Body>
void guardCallback(Dialog* dialog, Body&& body) noexcept {
    guardCallback(dialog, 0, [&] {
        body();
        return 0;
    });
}

}  // namespace brivo::ADM
