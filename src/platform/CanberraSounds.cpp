#include "platform/CanberraSounds.h"

#include <QApplication>
#include <QMetaObject>

#include <canberra.h>

namespace netrova {

namespace {

void Beep() {
    QApplication::beep();
}

// Runs on libcanberra's own thread when a sound turned out not to be playable.
void Finished(ca_context*, std::uint32_t, int error, void*) {
    if (error != CA_SUCCESS && error != CA_ERROR_CANCELED && qApp)
        QMetaObject::invokeMethod(qApp, &Beep, Qt::QueuedConnection);
}

} // namespace

CanberraSounds::CanberraSounds() {
    if (ca_context_create(&context_) != CA_SUCCESS)
        context_ = nullptr;
    else
        ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "Netrova",
                                CA_PROP_APPLICATION_ID, "netrova", nullptr);
}

CanberraSounds::~CanberraSounds() {
    if (context_)
        ca_context_destroy(context_);
}

const char* CanberraSounds::EventId(SoundKind kind) {
    switch (kind) {
    case SoundKind::Asterisk:
        return "dialog-information";
    case SoundKind::Exclamation:
        return "dialog-warning";
    case SoundKind::Hand:
        return "dialog-error";
    case SoundKind::Default:
        break;
    }
    return "bell-window-system";
}

void CanberraSounds::Play(SoundKind kind) {
    if (!context_) {
        Beep();
        return;
    }
    ca_proplist* props = nullptr;
    if (ca_proplist_create(&props) != CA_SUCCESS) {
        Beep();
        return;
    }
    ca_proplist_sets(props, CA_PROP_EVENT_ID, EventId(kind));
    ca_proplist_sets(props, CA_PROP_EVENT_DESCRIPTION, "Time online reminder");
    const int result = ca_context_play_full(context_, 0, props, &Finished, nullptr);
    ca_proplist_destroy(props);
    if (result != CA_SUCCESS)
        Beep();
}

} // namespace netrova
