#include "e3/combos/CComboBox.h"

#include "framework/StandardProps.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QSignalBlocker>

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <map>
#include <set>
#include <memory>
#include <numeric>
#include <string_view>

namespace e3 {

const fw::TEnumType SortedTypeType {"TSortedType", {"stNone", "stCode", "stText"}};

namespace {

using Collator = std::unique_ptr<UCollator, decltype(&ucol_close)>;
constexpr uint16_t kNotSimple = 0xFFFF;

// The place of each character U+0000..U+00FF in the primary order of the
// collation QCollator uses for the locale (0: ignored altogether), for the
// characters that stand alone for one primary weight; kNotSimple for the
// others (expansions such as "\u00E6" and the first characters of
// contractions such as the Czech "ch"). Ranks come from ICU, the library
// under QCollator, so that they compare as its primary weights do.
struct PrimaryTable {
    std::array<uint16_t, 256> rank;
    // The characters that begin a contraction, with the characters that
    // follow them in one ("l" and the middle dot in most languages): a text
    // with such a pair has no simple first level.
    std::array<std::bitset<256>, 256> followers;
    std::bitset<256> starts;
};

PrimaryTable MakePrimaryTable(const QLocale& locale)
{
    PrimaryTable table;
    table.rank.fill(kNotSimple);
    const QByteArray name = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    Collator collator(ucol_open(name.constData(), &status), &ucol_close);
    if (U_FAILURE(status) || !collator)
        return table;
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setStrength(collator.get(), UCOL_PRIMARY);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status))
        return table;

    // special: 1 starts a contraction, 2 expands to several weights.
    std::array<int, 256> special {};
    std::unique_ptr<USet, decltype(&uset_close)> contractions(uset_openEmpty(), &uset_close);
    std::unique_ptr<USet, decltype(&uset_close)> expansions(uset_openEmpty(), &uset_close);
    ucol_getContractionsAndExpansions(collator.get(), contractions.get(), expansions.get(), true, &status);
    if (U_FAILURE(status))
        return table;
    for (USet* set : {expansions.get(), contractions.get()}) {
        const int mark = set == contractions.get() ? 1 : 2;
        const int32_t items = uset_getItemCount(set);
        for (int32_t i = 0; i < items; ++i) {
            UChar32 first = 0, last = 0;
            UChar text[64];
            UErrorCode itemStatus = U_ZERO_ERROR;
            const int32_t length = uset_getItem(set, i, &first, &last, text, 64, &itemStatus);
            if (length > 1) {
                if (text[0] < 256) {
                    table.starts.set(text[0]);
                    if (text[1] < 256)
                        table.followers[text[0]].set(text[1]);
                }
            } else if (length > 0 || itemStatus == U_BUFFER_OVERFLOW_ERROR) {
                if (text[0] < 256)
                    special[text[0]] = (length == 1 && mark == 2) ? 2 : 1;
            } else if (length == 0) {
                for (UChar32 c = first; c <= last && c < 256; ++c)
                    special[static_cast<size_t>(c)] = mark;
            }
        }
    }

    auto primaryKey = [&](int c, std::string& out) {
        const UChar u = static_cast<UChar>(c);
        uint8_t key[64];
        const int32_t size = ucol_getSortKey(collator.get(), &u, 1, key, sizeof key);
        if (size <= 0 || size > static_cast<int32_t>(sizeof key))
            return false;
        // The key ends with a zero byte; nothing before it means ignored.
        out.assign(reinterpret_cast<const char*>(key), static_cast<size_t>(size - 1));
        return true;
    };
    std::vector<std::pair<std::string, int>> keys;
    std::set<std::string> single;
    for (int c = 0; c < 256; ++c) {
        std::string key;
        if (special[static_cast<size_t>(c)] == 0 && primaryKey(c, key)) {
            single.insert(key);
            keys.emplace_back(std::move(key), c);
        }
    }
    // An expansion whose first level is one weight that a plain character has
    // (an accented letter: its letter, then its accent) counts as that one.
    for (int c = 0; c < 256; ++c) {
        std::string key;
        if (special[static_cast<size_t>(c)] == 2 && primaryKey(c, key) && (key.empty() || single.count(key)))
            keys.emplace_back(std::move(key), c);
    }
    std::sort(keys.begin(), keys.end());
    uint16_t rank = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].first.empty()) {
            table.rank[static_cast<size_t>(keys[i].second)] = 0;
            continue;
        }
        if (rank == 0 || keys[i].first != keys[i - 1].first)
            ++rank;
        // Ranks are kept in one byte each; Latin-1 has room for them.
        table.rank[static_cast<size_t>(keys[i].second)] = rank <= 255 ? rank : kNotSimple;
    }
    return table;
}

const PrimaryTable& PrimaryTableFor(const QLocale& locale)
{
    static std::map<QString, PrimaryTable> tables;
    const QString name = locale.bcp47Name();
    auto it = tables.find(name);
    if (it == tables.end())
        it = tables.emplace(name, MakePrimaryTable(locale)).first;
    return it->second;
}

// The primary ranks of a UTF-8 text whose characters are all simple ones
// below U+0100 (ignored characters left out); false otherwise.
bool PrimaryRanks(std::string_view text, const PrimaryTable& table, std::string& out)
{
    unsigned previous = 256;
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        unsigned code = c;
        if (c >= 0x80) {
            if ((c != 0xC2 && c != 0xC3) || i + 1 >= text.size())
                return false;
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = ((c & 0x1Fu) << 6) | (next & 0x3Fu);
            ++i;
        }
        const uint16_t rank = table.rank[code];
        if (rank == kNotSimple)
            return false;
        if (previous < 256 && table.starts[previous] && table.followers[previous][code])
            return false;
        previous = code;
        if (rank != 0)
            out.push_back(static_cast<char>(rank));
    }
    return true;
}

} // namespace

std::vector<size_t> CollatedOrder(const std::vector<std::string>& keys)
{
    return CollatedOrder(std::vector<std::string_view>(keys.begin(), keys.end()));
}

std::vector<size_t> CollatedOrder(const std::vector<std::string_view>& keys)
{
    // Without a language (the C locale) Qt collates by code point, which puts
    // every capital before every small letter and accented letters last;
    // the common Latin rules stand in for it.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t {0});
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    // The collation ignores letter case, so its first level alone orders texts
    // whose base letters differ. For texts of simple Latin-1 characters that
    // level is a string of ranks, compared without a collation key; only the
    // texts equal there are ordered by their whole keys.
    const PrimaryTable& table = PrimaryTableFor(locale);
    std::string ranks;
    ranks.reserve(keys.size() * 12);
    std::vector<size_t> start(keys.size() + 1);
    bool simple = true;
    for (size_t i = 0; i < keys.size() && simple; ++i) {
        start[i] = ranks.size();
        simple = PrimaryRanks(keys[i], table, ranks);
    }
    if (simple) {
        start[keys.size()] = ranks.size();
        auto primary = [&](size_t i) {
            return std::string_view(ranks.data() + start[i], start[i + 1] - start[i]);
        };
        // The first sixteen ranks as two numbers decide most comparisons;
        // they are sorted together with the position, without a lookup.
        struct Entry {
            uint64_t head, next;
            size_t index;
        };
        auto ranksAt = [&](size_t i, size_t from) {
            uint64_t h = 0;
            for (size_t k = from; k < from + 8; ++k)
                h = (h << 8) | (start[i] + k < start[i + 1] ? static_cast<unsigned char>(ranks[start[i] + k]) : 0u);
            return h;
        };
        std::vector<Entry> entries(keys.size());
        for (size_t i = 0; i < keys.size(); ++i)
            entries[i] = {ranksAt(i, 0), ranksAt(i, 8), i};
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.head != b.head)
                return a.head < b.head;
            if (a.next != b.next)
                return a.next < b.next;
            const int c = primary(a.index).compare(primary(b.index));
            return c != 0 ? c < 0 : a.index < b.index;
        });
        for (size_t i = 0; i < entries.size(); ++i)
            order[i] = entries[i].index;
        for (size_t from = 0; from < order.size();) {
            size_t to = from + 1;
            while (to < order.size() && primary(order[to]) == primary(order[from]))
                ++to;
            if (to - from > 1) {
                std::vector<std::pair<QCollatorSortKey, size_t>> tied;
                for (size_t k = from; k < to; ++k)
                    tied.emplace_back(collator.sortKey(QString::fromUtf8(keys[order[k]].data(),
                                                                         static_cast<qsizetype>(keys[order[k]].size()))),
                                      order[k]);
                std::stable_sort(tied.begin(), tied.end(),
                                 [](const auto& x, const auto& y) { return x.first.compare(y.first) < 0; });
                for (size_t k = from; k < to; ++k)
                    order[k] = tied[k - from].second;
            }
            from = to;
        }
        return order;
    }

    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(keys.size());
    for (std::string_view key : keys)
        sortKeys.push_back(collator.sortKey(QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return sortKeys[a].compare(sortKeys[b]) < 0; });
    return order;
}

namespace {

// A code in capitals: ASCII directly, anything else as Qt upper-cases it.
std::string UpperCode(std::string_view code)
{
    std::string out(code);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size())).toUpper().toStdString();
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace

std::string FoldFrenchAccents(const std::string& text)
{
    QString folded = QString::fromStdString(text);
    for (QChar& c : folded) {
        switch (c.unicode()) {
        case 0xE2:
        case 0xE6: c = QLatin1Char('a'); break;
        case 0xE7: c = QLatin1Char('c'); break;
        case 0xE8:
        case 0xE9: c = QLatin1Char('e'); break;
        case 0xEE: c = QLatin1Char('i'); break;
        case 0xF4: c = QLatin1Char('o'); break;
        case 0xFB: c = QLatin1Char('u'); break;
        default: break;
        }
    }
    return folded.toStdString();
}

// The code edit in front of the list. It is an edit of the engine's kind, but
// its enabled state is its combo box's: a container that passes Enabled or
// LockedEdit to its children reaches it as a sibling of the combo box, and
// must not unlock or enable the code of a locked or disabled combo box.
class TComboCodeEdit : public Te3_Edit {
    FW_CLASS()
public:
    explicit TComboCodeEdit(Te3CustomCComboBox* combo)
        : Te3_Edit(combo)
        , combo_(combo)
    {
    }

    void ForgetCombo() { combo_ = nullptr; }

    void SetEnabled(bool) override { Follow(); }

    void Follow()
    {
        const bool enabled = combo_ ? combo_->GetEnabled() : true;
        if (enabled == GetEnabled())
            return;
        TAlignEdit::SetEnabled(enabled);
        if (!HasState(fw::csLoading | fw::csReading | fw::csDesigning))
            SetColor(enabled ? NormalColor() : GetDisabledColor());
    }

    // The combo box locks its code by disabling it.
    void IgnoreLock(bool) {}

private:
    Te3CustomCComboBox* combo_;
};

const fw::TClassInfo& TComboCodeEdit::StaticClass()
{
    static const fw::TClassInfo info {
        "TComboCodeEdit",
        &Te3_Edit::StaticClass(),
        fw::TRows<TComboCodeEdit> {
            fw::prop::Boolean<TComboCodeEdit>("LockedEdit", &TComboCodeEdit::GetLockedEdit,
                                              &TComboCodeEdit::IgnoreLock),
        },
    };
    return info;
}

const fw::TClassInfo& Te3CustomCComboBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomCComboBox", &Te3CustomComboBox::StaticClass(), {}};
    return info;
}

Te3CustomCComboBox::Te3CustomCComboBox(fw::TComponent* owner)
    : Te3CustomComboBox(owner, csDropDownList)
{
    auto* edit = new TComboCodeEdit(this);
    codeEdit_ = edit;
    edit->SetAutoSize(false);
    edit->SetMaxLength(2);
    edit->OnKeyPress = [](fw::TObject*, char32_t& key) {
        if (key >= 0x20 && key < 0x10000)
            key = QChar(static_cast<char16_t>(key)).toUpper().unicode();
    };
    edit->OnChange = [this](fw::TObject*) { CodeEditChanged(); };
    edit->OnExit = [this](fw::TObject*) { CodeEditExited(); };
    SetWidth(185);
    LayoutCode();
}

Te3CustomCComboBox::~Te3CustomCComboBox()
{
    if (TComboCodeEdit* edit = codeEdit_.get()) {
        edit->ForgetCombo();
        edit->OnChange = nullptr;
        edit->OnExit = nullptr;
    }
}

Te3_Edit* Te3CustomCComboBox::CodeEdit() const
{
    return codeEdit_.get();
}

void Te3CustomCComboBox::FollowWithCode()
{
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->Follow();
}

void Te3CustomCComboBox::SetEnabled(bool value)
{
    Te3CustomComboBox::SetEnabled(value);
    FollowWithCode();
}

void Te3CustomCComboBox::SetLockedEdit(bool value)
{
    Te3CustomComboBox::SetLockedEdit(value);
    FollowWithCode();
}

void Te3CustomCComboBox::ApplyEnabled()
{
    Te3CustomComboBox::ApplyEnabled();
    FollowWithCode();
}

void Te3CustomCComboBox::SetParent(fw::TWinControl* parent)
{
    Te3CustomComboBox::SetParent(parent);
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->SetParent(parent);
    LayoutCode();
    FollowWithCode();
}

void Te3CustomCComboBox::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    Te3CustomComboBox::SetBounds(left, top, width, height);
    LayoutCode();
}

void Te3CustomCComboBox::SetVisible(bool visible)
{
    Te3CustomComboBox::SetVisible(visible);
    LayoutCode();
}

void Te3CustomCComboBox::ApplyFont()
{
    Te3CustomComboBox::ApplyFont();
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->GetFont()->Assign(*GetFont());
    LayoutCode();
}

void Te3CustomCComboBox::Ctl3DChanged()
{
    Te3CustomComboBox::Ctl3DChanged();
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->SetCtl3D(GetCtl3D());
    LayoutCode();
}

void Te3CustomCComboBox::LayoutCode()
{
    TComboCodeEdit* edit = codeEdit_.get();
    if (!edit)
        return;
    const int32_t shift = GetCtl3D() ? 0 : 1;
    edit->SetBounds(GetLeft() - codeWidth_ + shift, GetTop(), codeWidth_, visibleCode_ ? GetHeight() : 0);
    edit->SetVisible(GetVisible() && visibleCode_);
}

int32_t Te3CustomCComboBox::GetPairLeft() const
{
    return visibleCode_ ? GetLeft() - codeWidth_ : GetLeft();
}

void Te3CustomCComboBox::SetPairLeft(int32_t value)
{
    SetLeft(visibleCode_ ? value + codeWidth_ : value);
}

int32_t Te3CustomCComboBox::GetPairWidth() const
{
    return visibleCode_ ? GetWidth() + codeWidth_ : GetWidth();
}

void Te3CustomCComboBox::SetPairWidth(int32_t value)
{
    SetWidth(visibleCode_ ? value - codeWidth_ : value);
}

void Te3CustomCComboBox::SetCodeWidth(int32_t value)
{
    // The pair keeps where the engine put it: the list part moves with the
    // new width of the code in front of it.
    const bool visible = visibleCode_;
    const int32_t left = GetPairLeft();
    const int32_t width = GetPairWidth();
    visibleCode_ = false;
    codeWidth_ = value;
    visibleCode_ = visible;
    SetBounds(visible ? left + codeWidth_ : left, GetTop(), visible ? width - codeWidth_ : width, GetHeight());
}

void Te3CustomCComboBox::SetVisibleCode(bool value)
{
    visibleCode_ = value;
    LayoutCode();
}

int32_t Te3CustomCComboBox::GetCodeLength() const
{
    TComboCodeEdit* edit = codeEdit_.get();
    return edit ? edit->GetMaxLength() : 0;
}

void Te3CustomCComboBox::SetCodeLength(int32_t value)
{
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->SetMaxLength(value);
}

TAlignment Te3CustomCComboBox::GetCodeAlignment() const
{
    TComboCodeEdit* edit = codeEdit_.get();
    return edit ? edit->GetAlignment() : taLeftJustify;
}

void Te3CustomCComboBox::SetCodeAlignment(TAlignment value)
{
    if (TComboCodeEdit* edit = codeEdit_.get())
        edit->SetAlignment(value);
}

void Te3CustomCComboBox::PlaceCodeTab()
{
    TComboCodeEdit* edit = codeEdit_.get();
    if (!edit || !Parent() || edit->Parent() != Parent())
        return;
    const int32_t listPos = GetTabOrder();
    const int32_t codePos = edit->GetTabOrder();
    edit->SetTabOrder(codePos < listPos ? listPos - 1 : listPos);
}

void Te3CustomCComboBox::SetPairTabOrder(int32_t value)
{
    SetTabOrder(value);
    PlaceCodeTab();
}

void Te3CustomCComboBox::Loaded()
{
    Te3CustomComboBox::Loaded();
    PlaceCodeTab();
    LayoutCode();
}

std::string Te3CustomCComboBox::GetText() const
{
    return ItemText(GetItemIndex());
}

void Te3CustomCComboBox::SetText(const std::string& text)
{
    fw::TControl::SetText(text);
    SetItemIndex(Combo()->findText(QString::fromStdString(text), Qt::MatchFixedString));
}

void Te3CustomCComboBox::SetItemIndex(int32_t value)
{
    const int32_t old = GetItemIndex();
    Te3CustomComboBox::SetItemIndex(value);
    const int32_t now = GetItemIndex();
    SetCode(now >= 0 && static_cast<size_t>(now) < codes_.size() ? codes_[static_cast<size_t>(now)] : std::string());
    if (now != old)
        Change();
}

std::string Te3CustomCComboBox::GetCode() const
{
    TComboCodeEdit* edit = codeEdit_.get();
    return edit ? edit->GetText() : std::string();
}

void Te3CustomCComboBox::SetCode(const std::string& value)
{
    if (inHandler_)
        return;
    TComboCodeEdit* edit = codeEdit_.get();
    if (!edit)
        return;
    const std::string code = QString::fromStdString(value).toUpper().toStdString();
    if (code == edit->GetText())
        return;
    // The edit's change selects the item of the code.
    edit->SetText(code);
}

int32_t Te3CustomCComboBox::IndexOfCode(const std::string& code) const
{
    const QString wanted = QString::fromStdString(code);
    for (size_t i = 0; i < codes_.size(); ++i)
        if (QString::fromStdString(codes_[i]).compare(wanted, Qt::CaseInsensitive) == 0)
            return static_cast<int32_t>(i);
    return -1;
}

void Te3CustomCComboBox::SelectByCode(const std::string& code)
{
    const bool outer = inHandler_;
    inHandler_ = true;
    struct Restore {
        bool& flag;
        bool old;
        ~Restore() { flag = old; }
    } restore {inHandler_, outer};
    SetItemIndex(IndexOfCode(code));
}

void Te3CustomCComboBox::CodeEditChanged()
{
    if (TComboCodeEdit* edit = codeEdit_.get())
        SelectByCode(edit->GetText());
}

void Te3CustomCComboBox::CodeEditExited()
{
    const int32_t index = GetItemIndex();
    if (index >= 0 && index < Count())
        return;
    if (TComboCodeEdit* edit = codeEdit_.get()) {
        const bool outer = inHandler_;
        inHandler_ = true;
        edit->SetText(std::string());
        inHandler_ = outer;
    }
    Change();
}

void Te3CustomCComboBox::UserSelected(int32_t index)
{
    SetCode(index >= 0 && static_cast<size_t>(index) < codes_.size() ? codes_[static_cast<size_t>(index)]
                                                                      : std::string());
    Te3CustomComboBox::UserSelected(index);
}

bool Te3CustomCComboBox::DeletePressed()
{
    SetItemIndex(-1);
    return true;
}

std::string Te3CustomCComboBox::GetItemsText() const
{
    std::string text;
    const int32_t count = Count();
    for (int32_t i = 0; i < count; ++i) {
        if (i)
            text += "\r\n";
        if (static_cast<size_t>(i) < codes_.size())
            text += codes_[static_cast<size_t>(i)];
        text += '=';
        text += ItemText(i);
    }
    return text;
}

void Te3CustomCComboBox::SetItemsText(const std::string& value)
{
    ClearAll();
    std::string text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size();) {
        const size_t mark = value.find("<|>", i);
        const size_t end = mark == std::string::npos ? value.size() : mark;
        text.append(value, i, end - i);
        if (mark == std::string::npos)
            break;
        text += '=';
        i = mark + 3;
    }
    // The texts stay views into the joined text until they become the list.
    std::vector<std::string_view> items;
    const std::vector<std::string_view> lines = SplitLineViews(text);
    items.reserve(lines.size());
    codes_.reserve(lines.size());
    for (std::string_view line : lines) {
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            // A line without "=" has neither name nor value.
            codes_.emplace_back();
            items.emplace_back();
            continue;
        }
        codes_.push_back(UpperCode(line.substr(0, eq)));
        items.push_back(line.substr(eq + 1));
    }
    // Sorted before the list is filled, so that the window is filled once.
    SortPairs(items);
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (std::string_view item : items)
        list.append(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
    LoadItems(std::move(list));
}

void Te3CustomCComboBox::ClearAll()
{
    Te3CustomComboBox::ClearAll();
    codes_.clear();
    if (TComboCodeEdit* edit = codeEdit_.get()) {
        const bool outer = inHandler_;
        inHandler_ = true;
        edit->SetText(std::string());
        inHandler_ = outer;
    }
}

void Te3CustomCComboBox::SetSortedType(TSortedType value)
{
    if (value == sortedType_)
        return;
    sortedType_ = value;
    Sort();
}

template <class Text>
bool Te3CustomCComboBox::SortPairs(std::vector<Text>& items)
{
    if (sortedType_ == stNone || items.empty() || codes_.empty() || items.size() != codes_.size())
        return false;
    const std::vector<size_t> order = sortedType_ == stCode
        ? CollatedOrder(codes_)
        : CollatedOrder(std::vector<std::string_view>(items.begin(), items.end()));
    std::vector<Text> sortedItems;
    std::vector<std::string> sortedCodes;
    sortedItems.reserve(order.size());
    sortedCodes.reserve(order.size());
    for (size_t i : order) {
        sortedItems.push_back(std::move(items[i]));
        sortedCodes.push_back(std::move(codes_[i]));
    }
    codes_ = std::move(sortedCodes);
    items = std::move(sortedItems);
    return true;
}

void Te3CustomCComboBox::Sort()
{
    std::vector<std::string> items = Items();
    if (!SortPairs(items))
        return;
    LoadItems(items);
    SelectByCode(GetCode());
}

void Te3CustomCComboBox::SetFrench(bool value)
{
    french_ = value;
    std::string text = GetText();
    if (value)
        text = FoldFrenchAccents(text);
    SetText(text);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CComboBox::StaticClass()
{
    using C = Te3CComboBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3CComboBox",
        &Te3CustomCComboBox::StaticClass(),
        fw::TRows<Te3CComboBox> {
            fw::prop::Boolean("AutoHint", &C::GetAutoHint, &C::SetAutoHint),
            fw::prop::String("Code", &C::GetCode, &C::SetCode),
            fw::prop::Enum("CodeAlignment", AlignmentType, &C::GetCodeAlignment, &C::SetCodeAlignment),
            fw::prop::Integer("CodeWidth", &C::GetCodeWidth, &C::SetCodeWidth),
            fw::prop::Integer("CodeLength", &C::GetCodeLength, &C::SetCodeLength),
            fw::prop::Boolean("French", &C::GetFrench, &C::SetFrench),
            fw::prop::Integer("Left", &C::GetPairLeft, &C::SetPairLeft),
            fw::prop::Integer<C>("Top", &C::GetTop, &C::SetTop),
            fw::prop::Integer("Width", &C::GetPairWidth, &C::SetPairWidth),
            fw::prop::Integer<C>("Height", &C::GetHeight, &C::SetHeight),
            fw::prop::Object("Items", fw::TStrings::StaticClass(), &C::GetItemStrings, nullptr),
            sp::TabStop(),
            fw::prop::Integer<C>("TabOrder", &C::GetTabOrder, &C::SetPairTabOrder),
            sp::Text(),
            sp::Visible(),
            fw::prop::Boolean("VisibleCode", &C::GetVisibleCode, &C::SetVisibleCode),
            sp::Enabled(),
            fw::prop::Enum("Sorted", SortedTypeType, &C::GetSortedType, &C::SetSortedType),
            sp::Font(),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
        },
        fw::MakeFactory<Te3CComboBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_CComboBox::StaticClass()
{
    using C = Te3_CComboBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_CComboBox",
        &Te3CComboBox::StaticClass(),
        fw::TRows<Te3_CComboBox> {
            sp::Align(),
            sp::Ctl3D(),
            fw::prop::Boolean("DroppedDown", &C::GetDroppedDown, &C::SetDroppedDown),
            sp::ImeMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentShowHint(),
            sp::ParentFont(),
            sp::PopupMenu(),
            sp::Color(),
            sp::ShowHint(),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::String("_Items", &C::GetItemsText, &C::SetItemsText),
            fw::prop::StringAction("_SetDroppedWidth", &C::SetDroppedWidth),
            fw::prop::Boolean<C>("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::String("ItemsString", &C::GetItemsString, &C::SetItemsString),
            sp::KeyEvents(),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::MouseEvents(),
            sp::FocusEvents(),
        },
        fw::MakeFactory<Te3_CComboBox>(),
    };
    return info;
}

} // namespace e3
