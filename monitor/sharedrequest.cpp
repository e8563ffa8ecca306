#include "sharedrequest.h"

namespace mt {

RequestParameters& SharedRequest() {
    static RequestParameters parameters;
    return parameters;
}

}  // namespace mt
