#include "fetch/fetch.h"

#include "core/query.h"

namespace norvique {

Bytes FetchPage(const Text& url) {
    return FetchPageWith(url, FetchLimits{});
}

}  // namespace norvique
