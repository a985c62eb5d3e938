// The libcurl build takes the proxy from the environment, as the platform's
// configuration on Linux is: the local server plays the proxy here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/query.h"
#include "tests/support/page_server.h"

namespace norvique {
namespace {

TEST(ProxyTest, HttpGoesThroughTheProxyOfTheEnvironment) {
    const test::PageServer server = test::PageServer::FromEnvironment();
    const std::string tag = test::UniqueTag("proxy");
    const std::string proxy = "http://127.0.0.1:" + std::to_string(server.port());
    ASSERT_EQ(setenv("http_proxy", proxy.c_str(), 1), 0);
    ASSERT_EQ(unsetenv("no_proxy"), 0);
    ASSERT_EQ(unsetenv("NO_PROXY"), 0);
    // A name that no resolver knows: only the proxy can answer.
    const std::string url = "http://page.norvique.invalid/page?t=" + tag;
    EXPECT_EQ(FetchPage(url), "<html><body>a plain page</body></html>");
    unsetenv("http_proxy");

    const auto requests = server.RequestsWith(tag);
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].requestLine, "GET " + url + " HTTP/1.0");
}

}  // namespace
}  // namespace norvique
