#pragma once

namespace netrova {

// The four system sounds a reminder can play.
enum class SoundKind { Default, Asterisk, Exclamation, Hand };

class Sounds {
public:
    virtual ~Sounds() = default;
    // Plays without waiting.
    virtual void Play(SoundKind kind) = 0;
};

} // namespace netrova
