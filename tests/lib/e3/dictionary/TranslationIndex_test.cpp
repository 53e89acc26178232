// Translation keeps its own flat index of each column; these tests hold it
// against a translation worked out through the items themselves while the
// dictionary is edited in every way that moves words, owners or columns.
#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/ItemSession.h"

#include <gtest/gtest.h>

#include <random>

using namespace e3;

namespace {

void AddColumn(TItemSession& s, const std::string& name, int at = -1)
{
    auto lang = std::make_unique<TLanguage>();
    lang->Name = lang->Caption = name;
    lang->Prefix = name.substr(0, 2);
    if (at < 0)
        s.AddLanguage(lang);
    else
        s.InsertLanguage(at, lang);
}

// The first position of the word in the source list, its owner, and the
// owner's word in the target column.
void ThroughItems(const TItemSession& s, const std::string& word, const TLanguage* from, const TLanguage* to,
                  TStatusTranslate& status, std::string& result)
{
    status = TStatusTranslate::stNo;
    result = word;
    const TOneLangList& list = s.GetWordList(from);
    const int position = list.IndexOf(Utf8ToCodePage(word));
    const TLanguageItem* item = position < 0 ? nullptr : list.GetObject(position);
    if (!item)
        return;
    const std::string target = item->GetWord(to);
    if (!target.empty()) {
        status = TStatusTranslate::stOk;
        result = target;
    }
}

// Every pair of distinct columns, every word of the vocabulary.
void ExpectSameAsThroughItems(TItemSession& s, const std::vector<std::string>& vocabulary, const std::string& when)
{
    const TLanguageList& langs = s.GetLanguages();
    for (int a = 0; a < langs.Count(); ++a)
        for (int b = 0; b < langs.Count(); ++b) {
            if (a == b)
                continue;
            for (const std::string& word : vocabulary) {
                TStatusTranslate expectedStatus, status;
                std::string expected, result;
                ThroughItems(s, word, langs[a], langs[b], expectedStatus, expected);
                s.TranslateWord(nullptr, nullptr, word, status, langs[a], langs[b], result);
                ASSERT_EQ(status, expectedStatus) << when << ": " << word << " " << a << "->" << b;
                ASSERT_EQ(result, expected) << when << ": " << word << " " << a << "->" << b;
            }
        }
}

} // namespace

TEST(TranslationIndex, FollowsEveryKindOfEdit)
{
    std::mt19937 random(11);
    // Few words, so that columns hold repeats; one needs the code page.
    const std::vector<std::string> vocabulary = {"alpha", "beta", "gamma", "delta", "Straße", "eps", "zeta", "x"};
    auto pick = [&] { return vocabulary[random() % vocabulary.size()]; };

    TItemSession s;
    for (const char* name : {"Unilang:", "German:", "French:", "STATISTICS"})
        AddColumn(s, name);
    auto randomRow = [&] {
        TLanguageWord row;
        row.Init(s.GetLanguages().Count());
        const int statistics = s.GetLanguages().IndexOf("STATISTICS");
        for (int c = 0; c < row.Count(); ++c)
            if (random() % 3 != 0)
                row.Words[static_cast<size_t>(c)] = c == statistics ? std::to_string(random() % 3) : pick();
        return row;
    };
    auto randomItem = [&] { return static_cast<int>(random() % static_cast<unsigned>(s.GetItemCount() + 1)) - 1; };
    auto randomColumn = [&] { return s.GetLanguages()[static_cast<int>(random() % s.GetLanguages().Count())]; };

    for (int step = 0; step < 600; ++step) {
        const unsigned op = random() % 20;
        std::string what;
        if (op < 7) {
            what = "add";
            s.AddItem(randomRow());
        } else if (op < 9) {
            what = "delete";
            s.DeleteItem(randomItem());
        } else if (op < 10) {
            what = "delete by word";
            s.DeleteItemsByWord(pick(), randomColumn());
        } else if (op < 12) {
            what = "replace";
            if (s.GetItemCount() > 0)
                s.ReplaceItem(randomItem(), randomRow());
        } else if (op < 15) {
            what = "statistics";
            if (s.GetLanguages().Exists("STATISTICS"))
                s.IncStatistics(randomItem());
        } else if (op < 17 && s.GetLanguages().Count() > 2) {
            what = "drop column";
            s.DeleteLanguage(randomColumn());
        } else if (op < 18 && s.GetLanguages().Count() < 5) {
            what = "insert column";
            AddColumn(s, s.GetLanguages().Exists("STATISTICS") ? "Extra" + std::to_string(step) : "STATISTICS",
                      static_cast<int>(random() % static_cast<unsigned>(s.GetLanguages().Count() + 1)));
        } else if (op == 19 && step % 150 == 19) {
            what = "clear";
            s.ClearItems();
        } else {
            what = "nothing";
        }
        ExpectSameAsThroughItems(s, vocabulary, "step " + std::to_string(step) + " " + what);
    }

    // A saved and reloaded copy translates the same way.
    std::string bytes;
    s.SaveToStream(bytes);
    TItemSession copy;
    copy.LoadFromStream(bytes);
    ExpectSameAsThroughItems(copy, vocabulary, "reloaded");
    TStatusTranslate status;
    std::string result;
    for (const std::string& word : vocabulary) {
        TStatusTranslate other;
        std::string otherResult;
        s.TranslateWord(nullptr, nullptr, word, status, s.GetLanguages()[0], s.GetLanguages()[1], result);
        copy.TranslateWord(nullptr, nullptr, word, other, copy.GetLanguages()[0], copy.GetLanguages()[1],
                           otherResult);
        EXPECT_EQ(other, status) << word;
        EXPECT_EQ(otherResult, result) << word;
    }
}

// Translating while counting uses, as the component does with statistics on:
// each count changes its column between lookups, and the answers stay right.
TEST(TranslationIndex, StaysRightWhileUsesAreCounted)
{
    TItemSession s;
    for (const char* name : {"Unilang:", "German:", "STATISTICS"})
        AddColumn(s, name);
    const TLanguageList& langs = s.GetLanguages();
    for (int i = 0; i < 50; ++i) {
        TLanguageWord row;
        row.Words = {"key" + std::to_string(i), "Wort" + std::to_string(i), ""};
        s.AddItem(row);
    }
    TStatusTranslate status;
    std::string result;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 50; ++i) {
            const std::string key = "key" + std::to_string(i);
            s.TranslateWord(nullptr, nullptr, key, status, langs[0], langs[1], result);
            ASSERT_EQ(status, TStatusTranslate::stOk);
            ASSERT_EQ(result, "Wort" + std::to_string(i));
            s.IncStatistics(s.FindItem(key, langs[0]));
            s.TranslateWord(nullptr, nullptr, key, status, langs[0], langs[2], result);
            ASSERT_EQ(status, TStatusTranslate::stOk);
            ASSERT_EQ(result, std::to_string(round + 1)) << key;
        }
}

// An item's own entry decides the word it translates to, even when set by hand.
TEST(TranslationIndex, FollowsAWordIndexSetByHand)
{
    TItemSession s;
    for (const char* name : {"Unilang:", "German:"})
        AddColumn(s, name);
    const TLanguageList& langs = s.GetLanguages();
    TLanguageWord row;
    row.Words = {"open", "Oeffnen"};
    TLanguageItem* open = s.AddItem(row);
    row.Words = {"save", "Speichern"};
    s.AddItem(row);
    TStatusTranslate status;
    std::string result;
    s.TranslateWord(nullptr, nullptr, "open", status, langs[0], langs[1], result);
    EXPECT_EQ(result, "Oeffnen");
    open->SetWordIndex(langs[1], s.IndexOfWord("Speichern", langs[1]));
    s.TranslateWord(nullptr, nullptr, "open", status, langs[0], langs[1], result);
    EXPECT_EQ(status, TStatusTranslate::stOk);
    EXPECT_EQ(result, "Speichern");
    open->SetWordIndex(langs[1], -1);
    s.TranslateWord(nullptr, nullptr, "open", status, langs[0], langs[1], result);
    EXPECT_EQ(status, TStatusTranslate::stNo);
    EXPECT_EQ(result, "open");
}

// A word its item left by hand no longer names that item, so freeing the item
// later leaves no word pointing at it.
TEST(TranslationIndex, AWordLeftByItsItemForgetsIt)
{
    TItemSession s;
    for (const char* name : {"Unilang:", "German:"})
        AddColumn(s, name);
    const TLanguageList& langs = s.GetLanguages();
    TLanguageWord row;
    row.Words = {"open", "Oeffnen"};
    TLanguageItem* open = s.AddItem(row);
    row.Words = {"save", "Speichern"};
    s.AddItem(row);
    const int word = s.IndexOfWord("Oeffnen", langs[1]);
    open->SetWordIndex(langs[1], -1);
    EXPECT_EQ(s.GetItemByWordIndex(word, langs[1]), nullptr);
    s.DeleteItem(0);
    EXPECT_EQ(s.GetItemByWordIndex(s.IndexOfWord("Oeffnen", langs[1]), langs[1]), nullptr);
    EXPECT_EQ(s.FindItem("Oeffnen", langs[1]), nullptr);
    TStatusTranslate status;
    std::string result;
    s.TranslateWord(nullptr, nullptr, "Oeffnen", status, langs[1], langs[0], result);
    EXPECT_EQ(status, TStatusTranslate::stNo);
}
