// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsstore.h"

#include <QDir>
#include <QSettings>
#include <cstdio>

namespace mt {

namespace {

// The text of a saved value; a value that is not a single text (a list, a
// number written by hand) is given as text where Qt can, else as empty.
std::string TextOf(const QVariant& value) {
    return value.toString().toStdString();
}

}  // namespace

std::shared_ptr<SettingsStore> SettingsStore::open() {
    auto store = std::make_shared<SettingsStore>(
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                    QStringLiteral("metertest"), QStringLiteral("metertest")));
    if (!store->problem().isEmpty()) {
        std::fprintf(stderr, "metertest: %s\n", qPrintable(store->problem()));
    }
    return store;
}

SettingsStore::SettingsStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {
    if (settings_->status() != QSettings::NoError) {
        problem_ = QStringLiteral("the settings file %1 cannot be read; starting with the defaults")
                       .arg(QDir::toNativeSeparators(settings_->fileName()));
        return;
    }
    std::map<std::string, std::string> values;
    for (const QString& key : settings_->allKeys()) {
        values[key.toStdString()] = TextOf(settings_->value(key));
    }
    std::vector<std::string> ignored;
    saved_ = ReadSavedSettings(values, &ignored);
    if (!ignored.empty()) {
        QStringList keys;
        for (const std::string& key : ignored) {
            keys << QString::fromStdString(key);
        }
        problem_ = QStringLiteral("settings ignored in %1 (out of range or unreadable): %2")
                       .arg(QDir::toNativeSeparators(settings_->fileName()),
                            keys.join(QStringLiteral(", ")));
    }
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::write(const QString& key, const QString& value) {
    if (forgotten_) {
        return;
    }
    settings_->setValue(key, value);
    settings_->sync();
}

void SettingsStore::setMeter(const std::string& meter) {
    saved_.meter = meter;
    write(QString::fromLatin1(settings_key::kMeter), QString::fromStdString(meter));
}

void SettingsStore::setPort(bool panelMount, const SavedPort& port) {
    (panelMount ? saved_.panelPort : saved_.railPort) = port;
    if (forgotten_) {
        return;
    }
    const QString group = panelMount ? QStringLiteral("panel/") : QStringLiteral("rail/");
    const auto put = [&](const char* field, const std::optional<QString>& value) {
        const QString key = group + QString::fromLatin1(field);
        if (value) {
            settings_->setValue(key, *value);
        } else {
            settings_->remove(key);
        }
    };
    const auto number = [](const std::optional<int>& n) {
        return n ? std::optional<QString>(QString::number(*n)) : std::nullopt;
    };
    put(settings_key::kPort, number(port.portNumber));
    put(settings_key::kBaud, number(port.baud));
    put(settings_key::kParity,
        port.parity ? std::optional<QString>(QString(QLatin1Char(*port.parity))) : std::nullopt);
    put(settings_key::kDataBits, number(port.dataBits));
    put(settings_key::kStopBits, number(port.stopBits));
    put(settings_key::kAddress, number(port.address));
    settings_->sync();
}

void SettingsStore::setGeometry(const std::string& window, const QByteArray& geometry) {
    saved_.geometries[window] = geometry.toBase64().toStdString();
    write(QString::fromLatin1(settings_key::kWindowsGroup) + QString::fromStdString(window),
          QString::fromLatin1(geometry.toBase64()));
}

QByteArray SettingsStore::geometry(const std::string& window) const {
    const auto it = saved_.geometries.find(window);
    return it == saved_.geometries.end()
               ? QByteArray()
               : QByteArray::fromBase64(QByteArray::fromStdString(it->second));
}

void SettingsStore::setNominalFrequency(int hertz) {
    saved_.nominalFrequency = hertz;
    write(QString::fromLatin1(settings_key::kNominalFrequency), QString::number(hertz));
}

void SettingsStore::setTrendSpan(int index) {
    saved_.trendSpan = index;
    write(QString::fromLatin1(settings_key::kTrendSpan), QString::number(index));
}

void SettingsStore::setLanguage(const std::string& language) {
    saved_.language = language;
    write(QString::fromLatin1(settings_key::kLanguage), QString::fromStdString(language));
}

void SettingsStore::setNetworkPort(int number, const std::optional<NetworkEndpoint>& endpoint) {
    const QString key =
        QStringLiteral("%1com%2").arg(QLatin1String(settings_key::kNetworkGroup)).arg(number);
    if (endpoint) {
        saved_.network[number] = *endpoint;
        write(key, QString::fromStdString(NetworkEndpointText(*endpoint)));
    } else {
        saved_.network.erase(number);
        if (!forgotten_) {
            settings_->remove(key);
            settings_->sync();
        }
    }
}

void SettingsStore::setReconnect(int number, bool reconnect) {
    saved_.reconnect[number] = reconnect;
    write(QStringLiteral("%1com%2").arg(QLatin1String(settings_key::kReconnectGroup)).arg(number),
          reconnect ? QStringLiteral("true") : QStringLiteral("false"));
}

void SettingsStore::forget() {
    settings_->clear();
    settings_->sync();
    saved_ = SavedSettings{};
    forgotten_ = true;
}

}  // namespace mt
