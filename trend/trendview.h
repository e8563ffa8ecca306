// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace mt {

class TrendStore;

// What a monitor needs of its trend window (趋势图). The window itself, with
// the plot library it draws with, lives in a module of its own that is
// loaded when the window is first asked for: the selection screen and a
// monitor that never shows a trend do without it.
class TrendView {
public:
    virtual ~TrendView() = default;

    // The window (a top-level widget of the monitor's).
    virtual QWidget* widget() = 0;
    // New ticks are in the store: takes them in and redraws (after the tick).
    virtual void refresh() = 0;
    virtual void setSeriesShown(const QString& key, bool shown) = 0;
    virtual bool seriesShown(const QString& key) const = 0;
    // The live view's span, by its place in the window's list.
    virtual void setSpan(int index) = 0;
};

// Makes a trend window over `store`, a child of `parent`; `busy` tells
// whether the monitor is inside a tick (redraws wait for its end).
using TrendViewMaker =
    std::function<TrendView*(const TrendStore& store, std::function<bool()> busy, QWidget* parent)>;

// Makes a trend window with the maker set below, or else with the module:
// the file kTrendModuleName in the program's folder's ../lib/metertest/,
// in the program's folder, or in the folder it is installed to. Nothing and
// the reason when the module cannot be found or loaded.
TrendView* MakeTrendView(const TrendStore& store, std::function<bool()> busy, QWidget* parent,
                         QString* error);
// Programs that link the window themselves (tests, benchmarks, the soak)
// make it without the module.
void SetTrendViewMaker(TrendViewMaker maker);

// The module's file name, and the function it exports:
//   mt::TrendView* metertest_make_trend_view(const mt::TrendStore*,
//                                            std::function<bool()>*, QWidget*)
inline constexpr char kTrendModuleName[] = "libmetertest-trend.so";
inline constexpr char kTrendModuleFunction[] = "metertest_make_trend_view";
using TrendModuleFunction = TrendView* (*)(const TrendStore*, std::function<bool()>*, QWidget*);

}  // namespace mt
