// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reaching a window's controls from a test the way automation does: by the
// object name each control carries (the screen's control names such as
// Combo4, Command3 and UanT, and the names of the added controls).

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace mt::test {

// The control of that type and object name below `parent`. A test that asks
// for a control the window lacks stops at once and says which.
template <typename T>
T* Ctl(const QObject* parent, const char* name) {
    T* found = parent != nullptr ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (found == nullptr) {
        qFatal("no control '%s' of the expected type below '%s'", name,
               parent != nullptr ? qPrintable(parent->objectName()) : "(null)");
    }
    return found;
}

template <typename T>
T* Ctl(const QObject& parent, const char* name) {
    return Ctl<T>(&parent, name);
}

template <typename T, typename Owner>
T* Ctl(const std::unique_ptr<Owner>& parent, const char* name) {
    return Ctl<T>(parent.get(), name);
}

}  // namespace mt::test
