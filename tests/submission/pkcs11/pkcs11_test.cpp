// The token layer's texts and module loading, without a token.
#include "submission/pkcs11/Pkcs11.h"

#include <gtest/gtest.h>

#include <openssl/x509.h>

namespace {

using namespace submission;

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UnloadPkcs11Module();
        Pkcs11Settings() = Pkcs11Reporting {};
    }
    void TearDown() override
    {
        Pkcs11Finalize();
        UnloadPkcs11Module();
    }
};

TEST_F(ModuleTest, AModuleLackingOneEntryOrMissingIsNotUsable)
{
    for (const std::string& name : {std::string(FAKE_MODULE_INCOMPLETE), std::string("/nonexistent/libnone.so")}) {
        SCOPED_TRACE(name);
        SetPkcs11ModuleName(name);
        EXPECT_FALSE(LoadPkcs11Module());
        try {
            Pkcs11Initialize();
            ADD_FAILURE() << "no failure raised";
        } catch (const EPkcs11Error& e) {
            EXPECT_EQ(e.what(), "PKCS11 library " + name + " initialisation failed.");
        }
        Pkcs11Settings().raise = false;
        EXPECT_FALSE(Pkcs11Initialize());
        EXPECT_EQ(Pkcs11Settings().lastRv, 1u);
        Pkcs11Settings().raise = true;
    }
    // Loading is tried again after a failure.
    SetPkcs11ModuleName(FAKE_MODULE_COMPLETE);
    EXPECT_TRUE(LoadPkcs11Module());
}

TEST_F(ModuleTest, AlreadyInitialisedCountsAsSuccess)
{
    SetPkcs11ModuleName(FAKE_MODULE_COMPLETE);
    EXPECT_TRUE(Pkcs11Initialize());
    EXPECT_FALSE(Pkcs11Settings().errorFlag);
    // The module answers nothing else: the slot list fails with its text.
    try {
        EnumTokenCertificates("");
        ADD_FAILURE() << "no failure raised";
    } catch (const EPkcs11Error& e) {
        EXPECT_STREQ(e.what(), "C_GetSlotList(TRUE, nil, 0) failed (rv - 54h)");
    }
    EXPECT_TRUE(TokenCertificates().empty());
}

TEST(TokenTexts, DecodeTokenText)
{
    struct Case {
        std::string bytes;
        size_t n;
        std::string expected;
    };
    for (const Case& c : {
             Case {"Caf\xC3\xA9", 5, "Caf\xC3\xA9"},           // UTF-8 as it is
             Case {"Caf\xE9", 4, "Caf\xC3\xA9"},               // Windows-1252 otherwise
             Case {"Caf\x80  ", 6, "Caf\xE2\x82\xAC"},         // the euro sign, trimmed
             Case {"  label   padded  ", 14, "label   padd"},  // cut to n, then trimmed
             Case {"\xC3(", 2, "\xC3\x83("},                 // 0xC3 but no UTF-8
             Case {"", 0, ""},
         }) {
        EXPECT_EQ(DecodeTokenText(c.bytes.data(), c.n), c.expected) << c.bytes;
    }
    // A 0xC3 beyond the first 1023 bytes does not make the text UTF-8.
    std::string late(1023, 'a');
    late += "\xC3\xA9";
    const std::string decoded = DecodeTokenText(late.data(), late.size());
    EXPECT_EQ(decoded.substr(1023), "\xC3\x83\xC2\xA9");
}

TEST(TokenTexts, TokenBufToStrStopsAtZeroOrN)
{
    const char buffer[] = {' ', 'a', 'b', '\0', 'c'};
    EXPECT_EQ(TokenBufToStr(buffer, sizeof(buffer)), "ab");
    EXPECT_EQ(TokenBufToStr(buffer, 2), "a");
    EXPECT_EQ(RvText(0xA0), "a0h");
}

std::vector<unsigned char> DerName(const std::vector<std::pair<const char*, std::string>>& entries, int type)
{
    X509_NAME* name = X509_NAME_new();
    for (const auto& [field, value] : entries)
        X509_NAME_add_entry_by_txt(name, field, type, reinterpret_cast<const unsigned char*>(value.data()),
                                   static_cast<int>(value.size()), -1, 0);
    unsigned char* out = nullptr;
    const int n = i2d_X509_NAME(name, &out);
    std::vector<unsigned char> der(out, out + n);
    OPENSSL_free(out);
    X509_NAME_free(name);
    return der;
}

TEST(TokenTexts, X509NameToDisplay)
{
    // Order is country, locality, organisation, common name whatever the
    // name's own order; other fields and empty ones are left out.
    auto der = DerName({{"CN", "Anna"}, {"OU", "Unit"}, {"O", "Firma"}, {"C", "DE"}}, MBSTRING_UTF8);
    EXPECT_EQ(X509NameToDisplay(der.data(), der.size()), "DE, Firma, Anna");
    // Latin-1 bytes in a T61String are read as Latin-1 ...
    der = DerName({{"CN", "J\xFCrgen"}}, V_ASN1_T61STRING);
    EXPECT_EQ(X509NameToDisplay(der.data(), der.size()), "J\xC3\xBCrgen");
    // ... while UTF-8 put there by a card is taken as it is.
    der = DerName({{"O", "M\xC3\xBCller"}}, V_ASN1_T61STRING);
    EXPECT_EQ(X509NameToDisplay(der.data(), der.size()), "M\xC3\xBCller");
    const unsigned char garbage[] = {0x30, 0x05, 0x01};
    EXPECT_EQ(X509NameToDisplay(garbage, sizeof(garbage)), "");
}

} // namespace
