#pragma once

#include "common/Catching.h"

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace netrova {

// The application's one error box (NetrovaApplication::ShowError); the log where the
// application object is another one.
void ShowApplicationError(const std::string& text);

// Wraps an entry point of the program (a slot given to connect, a timer's callback): an
// exception must never unwind through Qt's signal dispatch, so it ends in the error box here.
// The slot takes the signal's arguments that `fn` accepts.
template <typename F> auto Guarded(F fn) {
    return [fn = std::move(fn)](
        auto&&... args) requires std::is_invocable_v<const F&, decltype(args)...> {
        RunCatching([&] { std::invoke(fn, std::forward<decltype(args)>(args)...); },
                    ShowApplicationError);
    };
}

} // namespace netrova
