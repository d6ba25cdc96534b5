#include "switcher/news/web_address.h"

#include <gtest/gtest.h>

using switcher::IsWebAddress;

TEST(WebAddress, OnlyHttpAndHttpsWithAHost) {
    for (const char* url : {"http://127.0.0.1:8080/vqx/a.png", "https://example.invalid/",
                            "HTTP://Example.invalid", "hTtPs://h/x?y#z"})
        EXPECT_TRUE(IsWebAddress(url)) << url;
    for (const char* url : {"",
                            "http",
                            "http:",
                            "http:/",
                            "http://",
                            "https://",
                            "http:///etc/passwd",
                            "http://\\\\host\\share",
                            "file:///dev/zero",
                            "FILE:///etc/passwd",
                            "\\\\host\\share\\a.png",
                            "//host/share/a.png",
                            "javascript:alert(1)",
                            "data:image/png;base64,AAAA",
                            "qrc:/x.png",
                            "zandrel-test://open",
                            "mailto:a@example.invalid",
                            "ftp://example.invalid/",
                            " http://example.invalid/",
                            "httpx://h/"})
        EXPECT_FALSE(IsWebAddress(url)) << url;
}
