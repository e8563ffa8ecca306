// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/savedsettings.h"

class QSettings;

namespace mt {

// The program's remembered settings in the platform's usual place
// (QSettings; on Linux ~/.config/metertest/metertest.conf). Everything is
// read and checked once, when the store is made: a value out of range is
// ignored on its own, a file that cannot be read gives the defaults, and
// either is said in one line on standard error. Nothing here opens a port.
// Writes go to the file at once (each value on its own), until forget().
class SettingsStore {
public:
    // The production store; says on standard error what it could not use.
    static std::shared_ptr<SettingsStore> open();
    // A store over this QSettings (a test's own file).
    explicit SettingsStore(std::unique_ptr<QSettings> settings);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // What was read at the start (and is changed by the writes below).
    const SavedSettings& saved() const { return saved_; }
    // The line for standard error about what was not used; empty when all was.
    const QString& problem() const { return problem_; }

    void setMeter(const std::string& meter);  // "panel" or "rail"
    // A family's port panel; absent choices are removed.
    void setPort(bool panelMount, const SavedPort& port);
    void setGeometry(const std::string& window, const QByteArray& geometry);
    QByteArray geometry(const std::string& window) const;
    void setNominalFrequency(int hertz);
    void setTrendSpan(int index);
    void setLanguage(const std::string& language);  // "zh" or "en"
    // What port number `number` stands for on the network; none: a serial port.
    void setNetworkPort(int number, const std::optional<NetworkEndpoint>& endpoint);
    void setReconnect(int number, bool reconnect);

    // 恢复默认设置: everything saved is removed, and nothing more is written
    // until the program starts again (its windows would save their places
    // on the way out otherwise).
    void forget();
    bool forgotten() const { return forgotten_; }

private:
    void write(const QString& key, const QString& value);

    std::unique_ptr<QSettings> settings_;
    SavedSettings saved_;
    QString problem_;
    bool forgotten_ = false;
};

}  // namespace mt
