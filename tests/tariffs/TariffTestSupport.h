#pragma once

#include "../support/TempStore.h"
#include "settings/Defaults.h"
#include "tariffs/Tariffs.h"

#include <QString>
#include <QStringList>
#include <QTest>

#include <string>

namespace netrova::test {

inline void SeedProfile(TempStore& ts, const std::string& name, int start, int end, int day,
                        int night, int ocpd) {
    Registry reg(ts.store(), Root::CurrentUser);
    reg.OpenKey(std::string(kTariffProfileKey) + "\\" + name, true);
    reg.WriteInteger("StartingInterval", start);
    reg.WriteInteger("EndingInterval", end);
    reg.WriteInteger("DayCost", day);
    reg.WriteInteger("NightCost", night);
    reg.WriteInteger("OCPD", ocpd);
    reg.CloseKey();
}

// Dial-up entries as the dial-up service publishes them.
inline void SeedProviders(TempStore& ts, const QStringList& names) {
    Registry reg(ts.store(), Root::CurrentUser);
    reg.OpenKey(kAddressesKey, true);
    for (const QString& n : names)
        reg.WriteString(n.toStdString(), "");
    reg.CloseKey();
}

// One day key as the fee accrual reads it: "name|OCPDay|Day|Night|Start|End".
inline QString DayKeyText(TempStore& ts, const std::string& provider, int day) {
    Registry reg(ts.store(), Root::CurrentUser);
    if (!reg.OpenKey(DayKeyPath(provider, day), false))
        return QStringLiteral("<missing>");
    QStringList parts{QString::fromStdString(reg.ReadString("Tariff Profile"))};
    for (const char* v : {"OCPDay", "DayCost", "NightCost", "StartingInterval", "EndingInterval"})
        parts << QString::number(reg.ReadInteger(v));
    reg.CloseKey();
    return parts.join(QLatin1Char('|'));
}

inline QString Unassigned() {
    return QStringLiteral("|0|0|0|0|0");
}

// Every key and value of the per-user store, one line each, to compare before and after.
inline void DumpKey(Registry& reg, const std::string& path, QStringList& out) {
    if (!reg.OpenKey(path, false))
        return;
    out << QString::fromStdString("[" + path + "]");
    for (const std::string& name : reg.GetValueNames()) {
        QString data;
        switch (reg.GetDataType(name)) {
        case ValueType::Integer:
            data = QString::number(reg.ReadInteger(name));
            break;
        case ValueType::String:
            data = QString::fromStdString("\"" + reg.ReadString(name) + "\"");
            break;
        default:
            data = QString::number(reg.ReadBinary(name).size()) + QStringLiteral(" bytes");
        }
        out << QString::fromStdString(name) + QLatin1Char('=') + data;
    }
    const std::vector<std::string> subkeys = reg.GetKeyNames();
    for (const std::string& sub : subkeys)
        DumpKey(reg, path + "\\" + sub, out);
}

inline QStringList DumpUserStore(TempStore& ts) {
    Registry reg(ts.store(), Root::CurrentUser);
    QStringList out;
    DumpKey(reg, "", out);
    reg.CloseKey();
    return out;
}

} // namespace netrova::test
