#pragma once

#include <functional>
#include <string>

namespace netrova {

enum class Urgency { Normal, Critical };

// Desktop notifications. What the desktop cannot show goes to the fallback handler, which the
// program sets to show it its own way (a tray message, else a message box).
class Notifications {
public:
    using Fallback = std::function<void(const std::string& summary, const std::string& body,
                                        Urgency urgency, bool offerHangUp)>;

    virtual ~Notifications() = default;
    // Whether a notification service answered on the session bus.
    virtual bool Available() const = 0;
    // offerHangUp: a "Hang up now" button where the service shows buttons; pressing it calls
    // the hang-up handler.
    virtual void Notify(const std::string& summary, const std::string& body, Urgency urgency,
                        bool offerHangUp) = 0;

    void SetFallback(Fallback fallback) { fallback_ = std::move(fallback); }
    void SetHangUpHandler(std::function<void()> handler) { hangUp_ = std::move(handler); }

protected:
    void FallBack(const std::string& summary, const std::string& body, Urgency urgency,
                  bool offerHangUp) const {
        if (fallback_)
            fallback_(summary, body, urgency, offerHangUp);
    }
    void HangUpAsked() const {
        if (hangUp_)
            hangUp_();
    }

private:
    Fallback fallback_;
    std::function<void()> hangUp_;
};

} // namespace netrova
