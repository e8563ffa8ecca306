// SPDX-License-Identifier: GPL-3.0-or-later
// The trend window's module: the window and the plot library it draws with,
// loaded by a monitor when its trend window is first asked for.
#include <QtGlobal>

#include "trend/trendwindow.h"

extern "C" Q_DECL_EXPORT mt::TrendView* metertest_make_trend_view(const mt::TrendStore* store,
                                                                  std::function<bool()>* busy,
                                                                  QWidget* parent) {
    return new mt::TrendWindow(*store, std::move(*busy), parent);
}
