#pragma once

#include "platform/Sounds.h"

struct ca_context;

namespace netrova {

// The desktop's sound theme through libcanberra; the plain beep of the display where no sound
// can be played.
class CanberraSounds : public Sounds {
public:
    CanberraSounds();
    ~CanberraSounds() override;
    CanberraSounds(const CanberraSounds&) = delete;
    CanberraSounds& operator=(const CanberraSounds&) = delete;

    void Play(SoundKind kind) override;

    // The freedesktop sound-theme event id of a kind.
    static const char* EventId(SoundKind kind);

private:
    ca_context* context_ = nullptr;
};

} // namespace netrova
