#pragma once

#include <vector>

namespace netrova {

// The four system sounds a reminder can play.
enum class SoundKind { Default, Asterisk, Exclamation, Hand };

class Sounds {
public:
    virtual ~Sounds() = default;
    // Plays without waiting.
    virtual void Play(SoundKind kind) = 0;
};

// Test double: records the kinds played.
class RecordingSounds : public Sounds {
public:
    void Play(SoundKind kind) override { played.push_back(kind); }
    std::vector<SoundKind> played;
};

} // namespace netrova
