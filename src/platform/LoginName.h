#pragma once

#include <string>

namespace netrova {

// Login name of the process's user (passwd entry, else $USER, else "Default").
std::string LoginName();

} // namespace netrova
