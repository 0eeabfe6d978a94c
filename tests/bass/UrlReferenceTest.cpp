// Reference resolution against the examples of RFC 3986 (section 5.4), and the references a
// redirect or a station link gives in practice.
#include <gtest/gtest.h>

#include "UrlReference.h"

using bass::ResolveReference;

namespace {

struct Resolution {
    const char* reference;
    const char* target;
};

// Section 5.4.1, then 5.4.2, with the base of both.
constexpr const char* kRfcBase = "http://a/b/c/d;p?q";
const Resolution kRfcExamples[] = {
    {"g:h", "g:h"},
    {"g", "http://a/b/c/g"},
    {"./g", "http://a/b/c/g"},
    {"g/", "http://a/b/c/g/"},
    {"/g", "http://a/g"},
    {"//g", "http://g"},
    {"?y", "http://a/b/c/d;p?y"},
    {"g?y", "http://a/b/c/g?y"},
    {"#s", "http://a/b/c/d;p?q#s"},
    {"g#s", "http://a/b/c/g#s"},
    {"g?y#s", "http://a/b/c/g?y#s"},
    {";x", "http://a/b/c/;x"},
    {"g;x", "http://a/b/c/g;x"},
    {"g;x?y#s", "http://a/b/c/g;x?y#s"},
    {"", "http://a/b/c/d;p?q"},
    {".", "http://a/b/c/"},
    {"./", "http://a/b/c/"},
    {"..", "http://a/b/"},
    {"../", "http://a/b/"},
    {"../g", "http://a/b/g"},
    {"../..", "http://a/"},
    {"../../", "http://a/"},
    {"../../g", "http://a/g"},
    {"../../../g", "http://a/g"},
    {"../../../../g", "http://a/g"},
    {"/./g", "http://a/g"},
    {"/../g", "http://a/g"},
    {"g.", "http://a/b/c/g."},
    {".g", "http://a/b/c/.g"},
    {"g..", "http://a/b/c/g.."},
    {"..g", "http://a/b/c/..g"},
    {"./../g", "http://a/b/g"},
    {"./g/.", "http://a/b/c/g/"},
    {"g/./h", "http://a/b/c/g/h"},
    {"g/../h", "http://a/b/c/h"},
    {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
    {"g;x=1/../y", "http://a/b/c/y"},
    {"g?y/./x", "http://a/b/c/g?y/./x"},
    {"g?y/../x", "http://a/b/c/g?y/../x"},
    {"g#s/./x", "http://a/b/c/g#s/./x"},
    {"g#s/../x", "http://a/b/c/g#s/../x"},
    {"http:g", "http:g"},
};

} // namespace

TEST(UrlReference, ResolvesTheExamplesOfTheRfc) {
    for (const Resolution& example : kRfcExamples)
        EXPECT_EQ(ResolveReference(kRfcBase, example.reference), example.target)
            << "reference " << example.reference;
}

TEST(UrlReference, ResolvesWhatRedirectsAndStationLinksGive) {
    const Resolution kFromAStation[] = {
        {"https://cdn.example/live.mp3", "https://cdn.example/live.mp3"},
        {"/stream?type=.mp3", "http://radio.example:8000/stream?type=.mp3"},
        {"stream", "http://radio.example:8000/links/stream"},
        {"../stream", "http://radio.example:8000/stream"},
        {"//backup.example/stream", "http://backup.example/stream"},
    };
    for (const Resolution& example : kFromAStation)
        EXPECT_EQ(ResolveReference("http://radio.example:8000/links/listen.pls", example.reference),
                  example.target)
            << "reference " << example.reference;
    // A base with an authority and no path merges under "/".
    EXPECT_EQ(ResolveReference("http://radio.example", "stream"), "http://radio.example/stream");
}
