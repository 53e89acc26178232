#include "multilang/LanguageTable.h"
#include "u3/Exceptions.h"

#include <gtest/gtest.h>

using namespace multilang;

TEST(LanguageTable, CodesAndNumbers)
{
    struct Case {
        std::string code;
        int number;
    };
    const Case cases[] = {{"EN", 2}, {"en", 2}, {"En", 2}, {"de", 3}, {"lu", 25}, {"lb", 1},
                          {"xx", 1}, {"", 0},   {"tr", 32}, {"ZH", 10}};
    for (const auto& c : cases)
        EXPECT_EQ(LanguageNumberByCode(c.code), c.number) << c.code;
    for (int number : {0, 1, 7, 8, 15, 16, 33, 200, -1})
        EXPECT_EQ(LanguageCodeByNumber(number), "") << number;
    EXPECT_EQ(LanguageCodeByNumber(25), "lu");
    EXPECT_EQ(LanguageCodeByNumber(2), "en");
}

TEST(LanguageTable, CaptionsAreTheDictionaryColumns)
{
    EXPECT_EQ(LanguageNames[25], "Luxembourgish:");
    EXPECT_EQ(LanguageNames[25].size(), 14u);
    EXPECT_EQ(LanguageNames[1], "Unitext:");
    EXPECT_EQ(LanguageNames[0], "Unilang:");
    ASSERT_NE(AvailableLanguages(), nullptr);
    EXPECT_EQ(AvailableLanguages()->Count(), LanguageCount);
    for (int i = 0; i < LanguageCount; ++i)
        EXPECT_EQ(AvailableLanguages()->GetItem(i).Number, i);
    EXPECT_EQ(MainLanguage, 0);
    EXPECT_EQ(CurrentLanguage, 2);
}

TEST(LanguageTable, WithoutTheTableTheConversionsRaise)
{
    StopLanguageTable();
    EXPECT_THROW(LanguageNumberByCode("en"), u3::Exception);
    EXPECT_THROW(LanguageCodeByNumber(2), u3::Exception);
    StartLanguageTable();
    EXPECT_EQ(LanguageNumberByCode("en"), 2);
}
