#pragma once

#include <cstdint>
#include <optional>

namespace netrova {

// Bytes received and sent, as the kernel counted them on the connection's interface.
struct Volume {
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
    std::uint64_t Total() const { return Received + Sent; }
    Volume& operator+=(const Volume& other) {
        Received += other.Received;
        Sent += other.Sent;
        return *this;
    }
    bool operator==(const Volume&) const = default;
};

// Adds a volume that may be unknown to a sum that stays unknown until one is known.
inline void AddKnown(std::optional<Volume>& sum, const std::optional<Volume>& volume) {
    if (volume)
        (sum ? *sum : sum.emplace()) += *volume;
}

} // namespace netrova
