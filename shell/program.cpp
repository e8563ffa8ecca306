// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include <QApplication>

#include "aboutdialog.h"
#include "monitor/monitorwindow.h"
#include "monitorfactory.h"
#include "platform/language.h"
#include "platform/lineport.h"
#include "platform/portmap.h"
#include "platform/settingsstore.h"

namespace mt {

Program::Program() {
    QApplication::setApplicationName(QStringLiteral("metertest"));
    // The installed desktop entry, so that desktops (Wayland's above all) give
    // the windows its name and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.metertest.MeterTest"));
    Services services = Services::production();
    services.showAbout = [](QWidget* window) { ShowAboutDialog(window); };
    services.settings = SettingsStore::open();
    // Port numbers that stand for gateways on the network, and 自动重连.
    // METERTEST_NETWORK_PORTS adds mappings for this run only (scripts/demo).
    NetworkPortMap network = services.settings->saved().network;
    if (const QByteArray extra = qgetenv("METERTEST_NETWORK_PORTS"); !extra.isEmpty()) {
        if (const auto ports = ParseNetworkPortList(extra.toStdString())) {
            for (const auto& [number, endpoint] : *ports) {
                network[number] = endpoint;
            }
        } else {
            qWarning(
                "metertest: METERTEST_NETWORK_PORTS is not a list like "
                "\"5=127.0.0.1:1502/mbap;6=gateway\"; left out");
        }
    }
    SetNetworkPorts(network);
    SetAutoReconnectChoices(services.settings->saved().reconnect);
    // The language first: every text made after this is in it.
    if (!InstallLanguage(StartLanguage(services.settings->saved().language))) {
        qWarning("metertest: the English texts could not be loaded; the interface stays Chinese");
    }
    QApplication::setApplicationDisplayName(AppTitle());
    services_ = services;
    start_ = std::make_unique<StartScreen>(
        [this](MeterKind kind) {
            monitor_ = MakeMonitor(kind, std::make_unique<LinePort>(), services_);
            letOpenOtherMonitors(monitor_.get());
            return monitor_.get();
        },
        services);
}

void Program::letOpenOtherMonitors(QWidget* widget) {
    auto* monitor = qobject_cast<MonitorWindow*>(widget);
    if (monitor == nullptr) {
        return;
    }
    monitor->openOtherMonitor = [this](MeterKind kind, int portNumber, int address,
                                       const QString& settings) {
        std::unique_ptr<QWidget> other = MakeMonitor(kind, std::make_unique<LinePort>(), services_);
        letOpenOtherMonitors(other.get());
        if (auto* window = qobject_cast<MonitorWindow*>(other.get())) {
            window->useMeter(portNumber, address, settings);
        }
        other->show();
        others_.push_back(std::move(other));
    };
}

}  // namespace mt
