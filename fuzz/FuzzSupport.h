#pragma once

// Shared by the fuzz targets: splitting an input into fields and stopping on a broken rule.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace netrova::fuzz {

// The input as fields separated by zero bytes.
inline std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            fields.emplace_back();
        else
            fields.back() += static_cast<char>(data[i]);
    }
    return fields;
}

// A fresh folder for the target's files, in memory where possible: the history file and the
// store sync every write, and a disk would slow the fuzzing down a hundredfold.
inline std::string TempFolder(const char* name) {
    // Removed at exit; a folder left by a finding shows what the input did.
    struct Folders {
        std::vector<std::string> paths;
        ~Folders() {
            std::error_code ec;
            for (const auto& path : paths)
                std::filesystem::remove_all(path, ec);
        }
    };
    static Folders folders;
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/");
    pattern += name;
    pattern += "-XXXXXX";
    const char* made = ::mkdtemp(pattern.data());
    if (!made) {
        std::perror("mkdtemp");
        std::abort();
    }
    folders.paths.push_back(made);
    return made;
}

// A broken rule is a finding: abort, so that libFuzzer keeps the input.
inline void Require(bool ok, const char* rule) {
    if (!ok) {
        std::fprintf(stderr, "rule broken: %s\n", rule);
        std::abort();
    }
}

} // namespace netrova::fuzz
