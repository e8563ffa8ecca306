// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedrequest.h"

namespace mt {

RequestParameters& SharedRequest() {
    static RequestParameters parameters;
    return parameters;
}

}  // namespace mt
