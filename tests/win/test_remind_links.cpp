// The web links, the update token and the address of an update check.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/links.h"

namespace {

TEST(WebLinks, AreBuiltFromHostAddressAndVersion) {
    const TWebLinks links = MakeWebLinks("1.5.0");
    EXPECT_EQ(links.UpdateUrl, "http://tolvane.example.org/update?prod=tlvn&ver=1.5.0");
    EXPECT_EQ(links.HomeUrl, "http://tolvane.example.org/?ref=program");
    EXPECT_EQ(links.MailUrl, "mailto:tlvn@example.org?Subject=TLVN(ref=program)");
}

TEST(UpdateToken, MixesTheRandomByteIntoTheCode) {
    struct TCase {
        const char* Code;
        unsigned char Random;
        const char* Token;
    };
    const TCase cases[] = {
        {"00000000", 0x5C, "5C5C5C5C"},
        {"7C3A51E9", 0x00, "003A51E9"},
        {"7C3A51E9", 0xFF, "FFC5AE16"},
        {"7C3A51E9", 0x5C, "5C660DB5"}, // the example address of the help's updates page
        {"abcdef01", 0x12, "12DFFD13"}, // lower-case code digits read alike
        {"FFFFFFFF", 0xA5, "A55A5A5A"},
        {"1234567", 0x12, ""},   // too short
        {"123456789", 0x12, ""}, // too long
        {"1234567G", 0x12, ""},  // not hexadecimal
    };
    for (const TCase& c : cases)
        EXPECT_EQ(MakeUpdateToken(c.Code, c.Random), c.Token)
            << c.Code << " with " << int(c.Random);
}

// Digits 1 and 2 of a token are the random byte; XORing the rest with it again must give
// back one and the same code for every check, while the byte varies between checks.
TEST(UpdateAddress, CarriesATokenOfOneCodeWithVaryingRandomByte) {
    const std::string savedUrl = UpdateUrl;
    UpdateUrl = "http://tolvane.example.org/update?prod=tlvn&ver=1.5.0";
    const std::string prefix = UpdateUrl + "&rand=";
    std::set<std::string> tokens;
    std::set<std::string> codes;
    for (int i = 0; i < 40; ++i) {
        const std::string address = MakeUpdateAddress();
        ASSERT_EQ(address.rfind(prefix, 0), 0u) << address;
        const std::string token = address.substr(prefix.size());
        ASSERT_EQ(token.size(), 8u) << token;
        ASSERT_EQ(token.find_first_not_of("0123456789ABCDEF"), std::string::npos) << token;
        const auto random = static_cast<unsigned char>(std::stoi(token.substr(0, 2), nullptr, 16));
        codes.insert(MakeUpdateToken(token, random).substr(2));
        tokens.insert(token);
        Sleep(1);
    }
    UpdateUrl = savedUrl;
    EXPECT_EQ(codes.size(), 1u);
    EXPECT_GT(tokens.size(), 1u) << "every update check drew the same random byte";
}

} // namespace
