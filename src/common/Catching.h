#pragma once

#include <exception>
#include <string>

namespace netrova {

// Runs `fn`; what it throws goes to `show` as text instead of on to the caller.
template <typename F, typename S> void RunCatching(F&& fn, S&& show) {
    try {
        fn();
    } catch (const std::exception& e) {
        show(std::string(e.what()));
    } catch (...) {
        show(std::string("An unknown error occurred."));
    }
}

} // namespace netrova
