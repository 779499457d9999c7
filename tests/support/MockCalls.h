#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace netrova::test {

// The arguments of each call of `method` that a python3-dbusmock object has recorded.
inline QList<QVariantList> MockCalls(const QDBusConnection& bus, const QString& service,
                                     const QString& path, const QString& method) {
    const auto reply = bus.call(
        QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Mock", "GetCalls"));
    const auto calls = reply.arguments().value(0).value<QDBusArgument>();
    QList<QVariantList> found;
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 time = 0;
        QString name;
        QList<QDBusVariant> args;
        calls.beginStructure();
        calls >> time >> name >> args;
        calls.endStructure();
        if (name == method) {
            found.append(QVariantList());
            for (const auto& arg : args)
                found.back() << arg.variant();
        }
    }
    calls.endArray();
    return found;
}

} // namespace netrova::test
