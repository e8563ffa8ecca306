// SPDX-License-Identifier: GPL-3.0-or-later
#include "trendview.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace mt {

namespace {

TrendViewMaker& Maker() {
    static TrendViewMaker maker;
    return maker;
}

// The module's function, looked for once; null and the reason when missing.
TrendModuleFunction ModuleFunction(QString* error) {
    static TrendModuleFunction function = nullptr;
    static QString why;
    static bool tried = false;
    if (!tried) {
        tried = true;
        const QString folder = QCoreApplication::applicationDirPath();
        QStringList places{folder + QStringLiteral("/../lib/metertest"), folder};
#ifdef METERTEST_MODULE_DIR
        places << QStringLiteral(METERTEST_MODULE_DIR);
#endif
        QStringList tried_;
        for (const QString& place : places) {
            const QString path =
                QDir::cleanPath(place + QLatin1Char('/') + QLatin1String(kTrendModuleName));
            if (!QFileInfo::exists(path)) {
                tried_ << path;
                continue;
            }
            QLibrary library(path);
            function = reinterpret_cast<TrendModuleFunction>(library.resolve(kTrendModuleFunction));
            if (function == nullptr) {
                why = library.errorString();
            }
            break;
        }
        if (function == nullptr && why.isEmpty()) {
            why = QCoreApplication::translate("TrendView", "找不到趋势图模块 %1")
                      .arg(tried_.join(QStringLiteral(", ")));
        }
    }
    if (function == nullptr && error != nullptr) {
        *error = why;
    }
    return function;
}

}  // namespace

void SetTrendViewMaker(TrendViewMaker maker) {
    Maker() = std::move(maker);
}

TrendView* MakeTrendView(const TrendStore& store, std::function<bool()> busy, QWidget* parent,
                         QString* error) {
    if (Maker()) {
        return Maker()(store, std::move(busy), parent);
    }
    if (const TrendModuleFunction function = ModuleFunction(error)) {
        return function(&store, &busy, parent);
    }
    return nullptr;
}

}  // namespace mt
