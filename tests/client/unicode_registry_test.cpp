#include <gtest/gtest.h>

#include "client/ClassRegistry.h"
#include "client/FormReader.h"

#include <memory>

namespace {

TEST(UnicodeRegistry, EngineCreatesBothFamiliesAndSetsTheirTextsByName)
{
    struct Case {
        const char* asked;
        const char* created;
        const char* path;
        const char* written;
        const char* read;
    };
    const Case cases[] = {
        {"Te3UnicodeLabel", "Te3_UnicodeLabel", "UnicodeCaption", "77u/0JbRg9GA0L3QsNC7", "0JbRg9GA0L3QsNC7"},
        {"TE3_UNICODELABEL", "Te3_UnicodeLabel", "UnicodeCaption", "not base64!", ""},
        {"te3unicodeedit", "Te3_UnicodeEdit", "PasswordChar", "\u25CF", "\u25CF"},
        {"Te3_UnicodeEdit", "Te3_UnicodeEdit", "Text", "\u0416\u0443\u0440\u043D\u0430\u043B",
         "\u0416\u0443\u0440\u043D\u0430\u043B"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<fw::TComponent> made(client::CreateComponentByClassName(c.asked, nullptr));
        ASSERT_NE(made, nullptr) << c.asked;
        EXPECT_EQ(made->ClassName(), c.created) << c.asked;
        client::SetPropertyByPath(made.get(), c.path, c.created, c.written);
        EXPECT_EQ(client::GetPropertyText(c.created, c.path, made.get()), c.read) << c.asked << "." << c.path;
    }
    const fw::TClassInfo* design = client::FindClass("Te3UnicodeLabel");
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(design->Name(), "Te3UnicodeLabel");
}

} // namespace
