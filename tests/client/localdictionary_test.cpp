// The dictionary the build puts beside the program holds every text the client
// translates on its own: in English nothing shows the marks of a missing
// translation, in a language without a column everything still does.
#include "client/FrmIP.h"
#include "multilang/ClientTranslation.h"
#include "multilang/LanguageTable.h"
#include "multilang/MLForm.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Texts = std::map<std::string, std::string>;

// Every translatable text of the form by its dictionary key, found the way the
// form's own translation walks it.
void CollectTexts(fw::TComponent* component, std::vector<std::string>& path, Texts& texts)
{
    path.push_back(component->GetName());
    for (const fw::TPropInfo* p : component->ClassType().AllProperties()) {
        if (p->kind != fw::TypeKind::String || !p->IsReadable() || !p->IsWritable()
            || !multilang::IsTranslatable(*component, p->name))
            continue;
        texts[multilang::JoinKeyPath(path) + "." + p->name] = std::get<std::string>(p->get(*component));
    }
    if (auto* container = dynamic_cast<fw::TWinControl*>(component))
        for (fw::TControl* child : container->ChildControls())
            CollectTexts(child, path, texts);
    path.pop_back();
}

template <class Form>
Texts TextsOf(bool translated)
{
    std::unique_ptr<Form> form(translated ? multilang::TMLForm::Create<Form>(nullptr) : new Form(nullptr));
    std::vector<std::string> path;
    Texts texts;
    CollectTexts(form.get(), path, texts);
    return texts;
}

class LocalDictionaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::filesystem::path built = std::filesystem::path(E3_BUILD_DIR) / "src/client/program/filingclient.lgf";
        ASSERT_TRUE(std::filesystem::is_regular_file(built)) << built;
        std::filesystem::copy_file(built, dir.path() / "filingclient.lgf");
        u3::SetExeNameOverride(dir.str() + "/filingclient");
    }
    void TearDown() override
    {
        multilang::DoneMultiLanguage();
        multilang::CurrentLanguage = multilang::EnglishNumber;
        u3::SetExeNameOverride("");
    }
    std::string SetUpLanguage(const char* code)
    {
        multilang::DoneMultiLanguage();
        multilang::StartLanguageTable();
        multilang::CurrentLanguage = multilang::LanguageNumberByCode(code);
        return multilang::SetUpLocalTranslation();
    }

    e3test::TempDir dir;
};

TEST_F(LocalDictionaryTest, EnglishShowsEveryTextOfTheClientUnmarked)
{
    const Texts plainIP = TextsOf<client::TFormIP>(false);
    const Texts plainSplash = TextsOf<client::TFormSplash>(false);
    ASSERT_EQ(SetUpLanguage("en"), "Connection to server lost. Please close and retry.");
    ASSERT_NE(multilang::MultiLanguage(), nullptr);
    // A key the dictionary lacked would come back marked ("_Connect", "IP_Address").
    EXPECT_EQ(TextsOf<client::TFormIP>(true), plainIP);
    EXPECT_EQ(TextsOf<client::TFormSplash>(true), plainSplash);
}

TEST_F(LocalDictionaryTest, ALanguageWithoutAColumnStaysMarked)
{
    EXPECT_EQ(SetUpLanguage("de"), "Connection_to_server_lost._Please_close_and_retry.");
    const Texts marked = TextsOf<client::TFormIP>(true);
    EXPECT_EQ(marked.at("FormIP.Caption"), "Server_address_information");
    EXPECT_EQ(marked.at("FormIP.StatusPanel.PanelRight.spbOk.Caption"), "_Ok");
}

} // namespace
