// Editing a dictionary in place: columns renamed and swapped, remark words
// replaced, searches, duplicate lists and the switch to sorted lists. After
// every edit each word must still name the item whose entry points at it.
#include "e3/dictionary/ItemSession.h"

#include <gtest/gtest.h>

using namespace e3;

namespace {

TLanguage* AddColumn(TItemSession& s, const std::string& name, bool remark = false)
{
    auto lang = std::make_unique<TLanguage>();
    lang->Name = name;
    lang->Caption = name + " caption";
    lang->Prefix = "-" + name + ":";
    lang->IsRemark = remark;
    return s.AddLanguage(lang);
}

void Add(TItemSession& s, std::vector<std::string> words)
{
    TLanguageWord row;
    row.Words = std::move(words);
    s.AddItem(row);
}

TLanguageWord Row(std::vector<std::string> words)
{
    TLanguageWord row;
    row.Words = std::move(words);
    return row;
}

// Every word's item points back at the word, and every item entry at a word
// that the item owns.
void ExpectLinksHold(const TItemSession& s)
{
    const TLanguageList& langs = s.GetLanguages();
    for (int c = 0; c < langs.Count(); ++c) {
        const TLanguage* lang = langs[c];
        for (int p = 0; p < s.GetWordCount(lang); ++p) {
            const TLanguageItem* item = s.GetItemByWordIndex(p, lang);
            ASSERT_NE(item, nullptr) << lang->Name << " word " << p;
            EXPECT_EQ(item->GetWordIndex(lang), p) << lang->Name << " word " << s.GetWord(p, lang);
        }
        for (int i = 0; i < s.GetItemCount(); ++i) {
            const TLanguageItem* item = s.GetItem(i);
            const int p = item->GetWordIndex(lang);
            if (p >= 0) {
                EXPECT_EQ(s.GetItemByWordIndex(p, lang), item) << lang->Name << " item " << i;
            }
        }
    }
}

std::string Words(const TItemSession& s, const TLanguage* lang)
{
    std::string out;
    for (int p = 0; p < s.GetWordCount(lang); ++p)
        out += (p ? "," : "") + s.GetWord(p, lang);
    return out;
}

std::string ItemWords(const TItemSession& s, int item)
{
    std::string out;
    for (int c = 0; c < s.GetLanguages().Count(); ++c)
        out += (c ? "|" : "") + s.GetItem(item)->GetWord(s.GetLanguages()[c]);
    return out;
}

} // namespace

TEST(DictionaryEditing, ChangeLanguageRenamesTheColumnAndKeepsItsWords)
{
    TItemSession s;
    TLanguage* en = AddColumn(s, "English:");
    AddColumn(s, "German:");
    Add(s, {"door", "Tuer"});
    s.Modified = false;

    TLanguage attributes;
    attributes.Name = "British:";
    attributes.Caption = "British";
    attributes.Prefix = "-British:";
    attributes.Visible = false;
    attributes.ReservedFlag = true;
    s.ChangeLanguage(en, attributes);

    EXPECT_TRUE(s.Modified);
    EXPECT_EQ(s.GetLanguages().FindLanguage("British:"), en);
    EXPECT_EQ(s.GetLanguages().FindLanguage("English:"), nullptr);
    EXPECT_EQ(en->Prefix, "-British:");
    EXPECT_EQ(en->VisibleNumber, -1);
    EXPECT_TRUE(en->ReservedFlag);
    EXPECT_EQ(en->Index, 0);
    EXPECT_EQ(s.FindItem("door", en), s.GetItem(0));

    TLanguage stranger;
    stranger.Name = "Klingon:";
    stranger.Caption = "Klingon";
    try {
        s.ChangeLanguage(&stranger, attributes);
        FAIL() << "no error for a language of no column";
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Language \"Klingon\" is not registered.");
    }
}

TEST(DictionaryEditing, ExchangeLanguagesSwapsWholeColumns)
{
    TItemSession s;
    TLanguage* a = AddColumn(s, "A");
    AddColumn(s, "B");
    TLanguage* c = AddColumn(s, "C");
    Add(s, {"a1", "b1", "c1"});
    Add(s, {"a2", "", "c2"});

    s.ExchangeLanguages(0, 2);

    EXPECT_EQ(s.GetLanguages()[0], c);
    EXPECT_EQ(s.GetLanguages()[2], a);
    EXPECT_EQ(c->Index, 0);
    EXPECT_EQ(a->Index, 2);
    EXPECT_EQ(ItemWords(s, 0), "c1|b1|a1");
    EXPECT_EQ(ItemWords(s, 1), "c2||a2");
    EXPECT_EQ(Words(s, a), "a1,a2");
    ExpectLinksHold(s);

    for (auto [x, y, named] : {std::tuple{0, 3, 3}, std::tuple{-1, 1, -1}}) {
        try {
            s.ExchangeLanguages(x, y);
            FAIL() << "no error for position " << named;
        } catch (const ELangException& e) {
            EXPECT_EQ(std::string(e.what()), "Language \"Number " + std::to_string(named) + "\" is not registered.");
        }
    }
}

TEST(DictionaryEditing, RemarksAreReplacedAndRemovedWithRenumbering)
{
    TItemSession s;
    TLanguage* key = AddColumn(s, "Key");
    TLanguage* note = AddColumn(s, "Note", true);
    TLanguage* other = AddColumn(s, "Other", true);
    Add(s, {"k1", "m", "x"});
    Add(s, {"k2", "n", ""});
    Add(s, {"k3", "p", "y"});

    // "a" sorts before every note: the notes behind it move up one place.
    s.UpdateRemarks(1, Row({"ignored", "a", ""}));
    EXPECT_EQ(ItemWords(s, 1), "k2|a|");
    EXPECT_EQ(Words(s, note), "a,m,p");
    EXPECT_EQ(Words(s, key), "k1,k2,k3") << "a language column is never touched";
    ExpectLinksHold(s);

    // An empty remark entry takes the word away.
    s.UpdateRemarks(0, Row({"", "z", ""}));
    EXPECT_EQ(ItemWords(s, 0), "k1|z|");
    EXPECT_EQ(Words(s, other), "y");
    ExpectLinksHold(s);

    try {
        s.UpdateRemarks(0, Row({"k9", "", ""}));
        FAIL() << "a row without remarks was taken";
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Remark not found. Operation aborted.");
    }
    EXPECT_EQ(ItemWords(s, 0), "k1|z|");

    s.DeleteRemarks(2);
    EXPECT_EQ(ItemWords(s, 2), "k3||");
    ExpectLinksHold(s);

    s.DeleteRemarksByWordIndex(s.IndexOfWord("k2", key), key);
    EXPECT_EQ(ItemWords(s, 1), "k2||");
    EXPECT_EQ(Words(s, note), "z");
    ExpectLinksHold(s);

    TLanguage stranger;
    stranger.Name = "Gone";
    stranger.Caption = "Gone caption";
    try {
        s.DeleteRemarksByWordIndex(0, &stranger);
        FAIL() << "no error for a foreign column";
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Remark \"Gone caption\" is not registered.");
    }
}

TEST(DictionaryEditing, SearchWordInItsFourModes)
{
    TItemSession s;
    s.SetSortedMode(false);
    TLanguage* key = AddColumn(s, "Key");
    TLanguage* text = AddColumn(s, "Text");
    Add(s, {"k-one", "zebra"});
    Add(s, {"k-two", "Abacus"});
    Add(s, {"abc", "yak"});

    struct Case {
        const char* text;
        bool byItem, allLanguages;
        int expected;
    };
    const Case cases[] = {
        // Every column, column by column: "abc" in Key comes before "Abacus".
        {"ab", true, true, 2},
        {"ZEB", true, true, 0},
        // Key only, by item.
        {"k-t", true, false, 1},
        {"zeb", true, false, -1},
        // Text's words in order, each item tested in every column: "zebra"
        // (position 0) has no match, "Abacus" (1) does.
        {"ab", false, true, 1},
        // Text's words in order, each item tested in Key only: "yak" (2) owns "abc".
        {"AB", false, false, 2},
        {"q", false, true, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.SearchWord(c.text, c.byItem, c.allLanguages, text, key), c.expected)
            << c.text << " byItem " << c.byItem << " all " << c.allLanguages;
}

TEST(DictionaryEditing, ListDuplicateWordsPerLanguageColumn)
{
    TItemSession s;
    s.SetSortedMode(false);
    AddColumn(s, "A");
    AddColumn(s, "B");
    AddColumn(s, "R", true);
    Add(s, {"x", "u", "r"});
    Add(s, {"x", "v", "r"});
    Add(s, {"y", "w", "r"});
    Add(s, {"x", "", ""});

    std::vector<std::string> lines {"kept"};
    s.ListDuplicateWords(lines);
    // The last "x" is not next to the others; B has no run; the remark column is left out.
    EXPECT_EQ(lines, (std::vector<std::string> {"kept", "A caption", "  x:2"}));
}

TEST(DictionaryEditing, SwitchingToSortedSortsEveryListWithItsItems)
{
    TItemSession s;
    s.SetSortedMode(false);
    TLanguage* a = AddColumn(s, "A");
    TLanguage* b = AddColumn(s, "B");
    Add(s, {"pear", "4"});
    Add(s, {"Apple", "3"});
    Add(s, {"fig", "2"});
    Add(s, {"banana", "1"});
    Add(s, {"cherry", ""});
    EXPECT_EQ(Words(s, a), "pear,Apple,fig,banana,cherry");

    s.SetSortedMode(true);
    EXPECT_TRUE(s.SortedMode());
    EXPECT_EQ(Words(s, a), "Apple,banana,cherry,fig,pear") << "letter case is ignored";
    EXPECT_EQ(Words(s, b), "1,2,3,4");
    EXPECT_EQ(ItemWords(s, 0), "pear|4");
    EXPECT_EQ(ItemWords(s, 1), "Apple|3");
    ExpectLinksHold(s);

    // New words now go to their sorted places.
    Add(s, {"date", "0"});
    EXPECT_EQ(Words(s, b), "0,1,2,3,4");
    ExpectLinksHold(s);

    TItemSession other;
    AddColumn(other, "A");
    Add(other, {"one"});
    Add(other, {"two"});
    try {
        s.ExchangeLangWords(other.GetWordList(other.GetLanguages()[0]), 0, 1);
        FAIL() << "a foreign list was sorted";
    } catch (const ELangException&) {
        FAIL() << "the wrong kind of error";
    } catch (const u3::Exception& e) {
        EXPECT_STREQ(e.what(), "Language not found");
    }
}
