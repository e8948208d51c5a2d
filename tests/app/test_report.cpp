// The report's strings: every byte a name may hold gives a valid JSON string, and a name
// that is not UTF-8 keeps its bytes (\udcXX per stray byte). The whole document is parsed
// by Python's json module in the console's end-to-end test.
#include <gtest/gtest.h>

#include "app/report.h"

namespace {

TEST(JsonString, EscapesWhatJsonRequiresAndKeepsTheBytesOfNamesThatAreNotUtf8) {
    const struct {
        std::string Text;
        std::string Json;
    } cases[] = {
        {"", "\"\""},
        {"a b/c.txt", "\"a b/c.txt\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Data\\a.txt", "\"C:\\\\Data\\\\a.txt\""},
        {"tab\tcr\rlf\n", "\"tab\\tcr\\rlf\\n\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        {"Latin-1 \xE9t\xE9", "\"Latin-1 \\udce9t\\udce9\""},
        {"\x80 lone continuation", "\"\\udc80 lone continuation\""},
        {"\xC0\x80 overlong", "\"\\udcc0\\udc80 overlong\""},
        {"\xED\xA0\x80 surrogate", "\"\\udced\\udca0\\udc80 surrogate\""},
        {"\xF4\x90\x80\x80 above U+10FFFF", "\"\\udcf4\\udc90\\udc80\\udc80 above U+10FFFF\""},
        {"cut \xE2\x82", "\"cut \\udce2\\udc82\""},
        {"\xFF\xFE", "\"\\udcff\\udcfe\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonString(c.Text), c.Json) << c.Json;
}

} // namespace
