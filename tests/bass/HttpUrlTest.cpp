// http:// and https:// addresses split into what a connection needs.
#include <gtest/gtest.h>

#include "HttpUrl.h"

using bass::HttpUrl;

TEST(HttpUrl, SplitsHostPortAndPathOfEitherScheme) {
    struct Case {
        const char* url;
        HttpUrl::Scheme scheme;
        const char* host;
        const char* port;
        const char* path;
    };
    const Case kCases[] = {
        {"http://radio.example/live", HttpUrl::Scheme::Http, "radio.example", "80", "/live"},
        {"https://radio.example", HttpUrl::Scheme::Https, "radio.example", "443", "/"},
        {"HTTPS://radio.example:8443/a?b=c", HttpUrl::Scheme::Https, "radio.example", "8443",
         "/a?b=c"},
        {"http://radio.example?type=.mp3", HttpUrl::Scheme::Http, "radio.example", "80",
         "/?type=.mp3"},
        {"http://radio.example/live#at-the-start", HttpUrl::Scheme::Http, "radio.example", "80",
         "/live"},
        {"https://user:secret@[::1]:8000/x", HttpUrl::Scheme::Https, "::1", "8000", "/x"},
    };
    for (const Case& example : kCases) {
        const auto url = HttpUrl::Parse(example.url);
        ASSERT_TRUE(url) << example.url;
        EXPECT_EQ(url->scheme, example.scheme) << example.url;
        EXPECT_EQ(url->host, example.host) << example.url;
        EXPECT_EQ(url->port, example.port) << example.url;
        EXPECT_EQ(url->path, example.path) << example.url;
    }
    for (const char* refused : {"ftp://radio.example/", "https://", "http://:80/", "radio.example"})
        EXPECT_FALSE(HttpUrl::Parse(refused)) << refused;
}
