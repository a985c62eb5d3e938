// TEMPORARY: stands in for the libcurl page fetch until fetch/ provides it.
// Every page comes back empty, so every query shows the information box.
#include "core/query.h"

namespace norvique {

Bytes FetchPage(const Text&) {
    return {};
}

}  // namespace norvique
