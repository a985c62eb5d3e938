// TEMPORARY: stands in for the page fetch until fetch/ provides
// norvique::fetch; delete this file then. Every query reads an empty page.
#include "core/query.h"

namespace norvique {

Bytes FetchPage(const Text&) {
    return {};
}

}  // namespace norvique
