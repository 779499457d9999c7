#pragma once

#include <cstdint>

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

} // namespace netrova
