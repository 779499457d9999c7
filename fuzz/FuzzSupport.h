#pragma once

// Shared by the fuzz targets: splitting an input into fields and stopping on a broken rule.

#include <cerrno>
#include <csignal>
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
// store sync every write, and a disk would slow the fuzzing down a hundredfold. libFuzzer ends
// without running destructors, so each folder carries its process id and the folders of
// processes that are gone are removed here.
inline std::string TempFolder(const std::string& name) {
    const std::filesystem::path base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind(name + "-", 0) != 0)
            continue;
        const long pid = std::strtol(file.c_str() + name.size() + 1, nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ec);
    }
    const std::filesystem::path folder = base / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder, ec);
    if (!std::filesystem::create_directory(folder, ec)) {
        std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), ec.message().c_str());
        std::abort();
    }
    // Where the process does end normally (the corpus runs of the test suite), it goes at exit.
    struct Folders {
        std::vector<std::filesystem::path> paths;
        ~Folders() {
            std::error_code ignored;
            for (const auto& path : paths)
                std::filesystem::remove_all(path, ignored);
        }
    };
    static Folders folders;
    folders.paths.push_back(folder);
    return folder.string();
}

// A broken rule is a finding: abort, so that libFuzzer keeps the input.
inline void Require(bool ok, const char* rule) {
    if (!ok) {
        std::fprintf(stderr, "rule broken: %s\n", rule);
        std::abort();
    }
}

} // namespace netrova::fuzz
