// The engine changes the client's language: the local dictionary is read anew
// and the connection-lost text follows the new language.
#include "ClientFixture.h"

#include "client/Client.h"
#include "multilang/ClientTranslation.h"
#include "multilang/LanguageTable.h"
#include "u3/Files.h"
#include "u3/ProgramEnd.h"

#include <gtest/gtest.h>

namespace e3test {
namespace {

class ClientLanguageTest : public ClientFixture {
protected:
    void TearDown() override
    {
        multilang::DoneMultiLanguage();
        multilang::CurrentLanguage = multilang::EnglishNumber;
        u3::SetServerNotFoundText("Connection to server lost. Please close and retry.");
        ClientFixture::TearDown();
    }
};

TEST_F(ClientLanguageTest, WritingTheLanguageSetsTheTranslationUpAgain)
{
    // No dictionary beside the program: the texts come back marked.
    u3::SetExeNameOverride(dir.str() + "/client");
    ApplyLines("{ | ; | Client.Language | de | ; | }");
    u3::SetExeNameOverride("");
    EXPECT_EQ(theClient->GetLanguage(), "de");
    EXPECT_EQ(multilang::CurrentLanguage, multilang::LanguageNumberByCode("de"));
    ASSERT_NE(multilang::MultiLanguage(), nullptr);
    EXPECT_EQ(u3::ServerNotFoundText(), "Connection_to_server_lost._Please_close_and_retry.");

    // The empty code means English.
    ApplyLines("{ | ; | Client.Language | snil | ; | }");
    EXPECT_EQ(multilang::CurrentLanguage, multilang::EnglishNumber);
}

} // namespace
} // namespace e3test
