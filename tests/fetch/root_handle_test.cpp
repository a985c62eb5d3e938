// The WinINet root handle: made once by the first fetch that gets past the
// address split, kept, and tried again after a failed open. A process of its
// own, so that no fetch before it has made the handle already.
#include <gtest/gtest.h>

#include <string>

#include "core/query.h"
#include "fetch/wininet_root.h"
#include "tests/support/page_server.h"

namespace norvique {
namespace {

int opens = 0;
bool failOpens = false;

HINTERNET CountingOpener() {
    ++opens;
    return failOpens ? nullptr : OpenRootHandle();
}

TEST(RootHandleTest, OpenedOnceKeptAndTriedAgainAfterAFailure) {
    const test::PageServer server = test::PageServer::FromEnvironment();
    const RootHandleOpener previous = SetRootHandleOpener(&CountingOpener);
    const std::string tag = test::UniqueTag("root");
    const std::string page = server.Http("/page?t=" + tag);

    // Refused before the split: the handle is not needed yet.
    EXPECT_EQ(FetchPage(""), "");
    EXPECT_EQ(FetchPage("no scheme at all"), "");
    EXPECT_EQ(opens, 0);

    failOpens = true;
    EXPECT_EQ(FetchPage(page), "");
    EXPECT_EQ(FetchPage(page), "");
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(server.RequestsWith(tag).empty());

    failOpens = false;
    EXPECT_NE(FetchPage(page), "");
    EXPECT_NE(FetchPage(page), "");
    EXPECT_NE(FetchPage(server.Http("/missing?t=" + tag)), "");
    EXPECT_EQ(opens, 3);
    // Each fetch makes its own connection: the server answers one request
    // per connection.
    EXPECT_EQ(server.RequestsWith(tag).size(), 3U);

    SetRootHandleOpener(previous);
}

}  // namespace
}  // namespace norvique
