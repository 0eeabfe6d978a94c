// The chunk framing taken off a body fed whole and a byte at a time: the same body and the same
// end either way.
#include <gtest/gtest.h>

#include <string>

#include "ChunkedDecoder.h"

using bass::ChunkedDecoder;

namespace {

enum class End { Open, Finished, Failed };

struct ChunkedCase {
    const char* name;
    std::string framed;
    std::string body;
    End end;
};

void PrintTo(const ChunkedCase& chunked, std::ostream* out) {
    *out << chunked.name;
}

End EndOf(const ChunkedDecoder& decoder) {
    return decoder.Finished() ? End::Finished : decoder.Failed() ? End::Failed : End::Open;
}

const ChunkedCase kCases[] = {
    {"TwoChunksAndTheLast", "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n", "Wikipedia", End::Finished},
    {"UpperAndLowerCaseHexAndLeadingZeros", "000A\r\n0123456789\r\na\r\nabcdefghij\r\n0\r\n\r\n",
     "0123456789abcdefghij", End::Finished},
    {"ExtensionsAreSkipped", "3;name=value;x\r\nabc\r\n0;last\r\n\r\n", "abc", End::Finished},
    {"BlanksBeforeAnExtension", "3 \t;x=\"a;b\"\r\nabc\r\n0\r\n\r\n", "abc", End::Finished},
    {"TrailersAreSkipped", "3\r\nabc\r\n0\r\nExpires: never\r\nX-Sum: 1\r\n\r\n", "abc",
     End::Finished},
    {"LineFeedsAlone", "3\nabc\n0\n\n", "abc", End::Finished},
    {"BytesAfterTheEndAreIgnored", "1\r\na\r\n0\r\n\r\n1\r\nb\r\n", "a", End::Finished},
    {"DataMayHoldLineEnds", "4\r\n\r\n\r\n\r\n0\r\n\r\n", "\r\n\r\n", End::Finished},
    {"BodyStillComing", "5\r\nab", "ab", End::Open},
    {"TrailersStillComing", "1\r\na\r\n0\r\nX: y\r\n", "a", End::Open},
    {"NoDigits", "\r\nabc\r\n", "", End::Failed},
    {"NotHex", "1g\r\nabc\r\n", "", End::Failed},
    {"LeadingBlank", " 3\r\nabc\r\n", "", End::Failed},
    {"SizeBeyondSixtyFourBits", "10000000000000000\r\nabc", "", End::Failed},
    {"ManyLeadingZeros", "000000000000000000000000000003\r\nabc\r\n0\r\n\r\n", "abc",
     End::Finished},
    {"DataLongerThanItsSize", "2\r\nabc\r\n0\r\n\r\n", "ab", End::Failed},
    {"CarriageReturnWithoutLineFeed", "3\rabc", "", End::Failed},
    {"EndlessExtension", "3;" + std::string(5000, 'x') + "\r\nabc\r\n", "", End::Failed},
    {"EndlessTrailers", "0\r\n" + std::string(70000, 'x') + "\r\n\r\n", "", End::Failed},
};

class Chunked : public testing::TestWithParam<ChunkedCase> {};

} // namespace

TEST_P(Chunked, GivesTheBodyAndItsEndWhetherFedWholeOrByteByByte) {
    const ChunkedCase& param = GetParam();
    const auto* bytes = reinterpret_cast<const uint8_t*>(param.framed.data());
    ChunkedDecoder whole, single;
    std::string wholeBody, singleBody;
    whole.Feed(bytes, param.framed.size(), [&](const uint8_t* data, size_t count) {
        wholeBody.append(reinterpret_cast<const char*>(data), count);
    });
    for (size_t i = 0; i < param.framed.size(); ++i)
        single.Feed(bytes + i, 1, [&](const uint8_t* data, size_t count) {
            singleBody.append(reinterpret_cast<const char*>(data), count);
        });
    EXPECT_EQ(wholeBody, param.body);
    EXPECT_EQ(singleBody, param.body);
    EXPECT_EQ(EndOf(whole), param.end);
    EXPECT_EQ(EndOf(single), param.end);
}

INSTANTIATE_TEST_SUITE_P(Framings, Chunked, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ChunkedCase>& info) {
                             return std::string(info.param.name);
                         });
