#include "platform/LoginName.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace netrova {

std::string LoginName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    return "Default";
}

} // namespace netrova
