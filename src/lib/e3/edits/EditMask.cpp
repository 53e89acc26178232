#include "e3/edits/EditMask.h"

#include "e3/common/EditChars.h"

#include <algorithm>

namespace e3 {

namespace {

bool IsEscaped(const std::u32string& text, std::size_t pos)
{
    std::size_t backslashes = 0;
    while (pos > 0 && text[pos - 1] == U'\\') {
        ++backslashes;
        --pos;
    }
    return backslashes % 2 == 1;
}

bool IsSeparator(const std::u32string& text, std::size_t pos)
{
    return text[pos] == U';' && !IsEscaped(text, pos);
}

struct MaskFields {
    std::u32string body;
    std::u32string flag;
    std::u32string blank;
};

// The shapes the last four characters may take: "m;F;B", "m;;B", "m;F;", "m;;",
// "m;F" and "m;". Anything else leaves the whole text as the mask.
MaskFields SplitFields(const std::u32string& text)
{
    const std::size_t n = text.size();
    auto sepAt = [&](std::size_t fromEnd) { return n >= fromEnd && IsSeparator(text, n - fromEnd); };
    MaskFields f;
    if (sepAt(4) && sepAt(2)) {
        f.body = text.substr(0, n - 4);
        f.flag = text.substr(n - 3, 1);
        f.blank = text.substr(n - 1, 1);
    } else if (sepAt(3) && sepAt(1)) {
        f.body = text.substr(0, n - 3);
        f.flag = text.substr(n - 2, 1);
    } else if (sepAt(3) && sepAt(2)) {
        f.body = text.substr(0, n - 3);
        f.blank = text.substr(n - 1, 1);
    } else if (sepAt(2) && sepAt(1)) {
        f.body = text.substr(0, n - 2);
    } else if (sepAt(2)) {
        f.body = text.substr(0, n - 2);
        f.flag = text.substr(n - 1, 1);
    } else if (sepAt(1)) {
        f.body = text.substr(0, n - 1);
    } else {
        f.body = text;
    }
    return f;
}

bool IsSpace(char32_t c)
{
    return c == U' ';
}

} // namespace

EditMask::EditMask(std::string_view editMask, char32_t timeSeparator)
    : maskText_(editMask)
{
    const MaskFields fields = SplitFields(DecodeUtf8(editMask));
    saveLiterals_ = fields.flag != U"0";
    if (!fields.blank.empty())
        blank_ = fields.blank.front();

    CaseRule caseRule = CaseRule::Keep;
    const std::u32string& body = fields.body;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char32_t c = body[i];
        Cell cell;
        cell.caseRule = caseRule;
        switch (c) {
        case U'!':
            trimLeading_ = true;
            continue;
        case U'>':
            caseRule = CaseRule::Upper;
            continue;
        case U'<':
            if (i + 1 < body.size() && body[i + 1] == U'>') {
                caseRule = CaseRule::Keep;
                ++i;
            } else {
                caseRule = CaseRule::Lower;
            }
            continue;
        case U'\\':
            // A backslash at the very end has nothing to escape and is dropped.
            if (i + 1 >= body.size())
                continue;
            ++i;
            cell.literal = body[i];
            break;
        case U'L':
        case U'l':
            cell.kind = Kind::Letter;
            cell.required = c == U'L';
            break;
        case U'A':
        case U'a':
            cell.kind = Kind::LetterOrDigit;
            cell.required = c == U'A';
            break;
        case U'C':
        case U'c':
            cell.kind = Kind::AnyChar;
            cell.required = c == U'C';
            break;
        case U'0':
        case U'9':
            cell.kind = Kind::Digit;
            cell.required = c == U'0';
            break;
        case U'#':
            cell.kind = Kind::DigitOrSign;
            break;
        case U':':
            cell.literal = timeSeparator;
            break;
        default:
            cell.literal = c;
            break;
        }
        if (cell.kind == Kind::Literal)
            cell.caseRule = CaseRule::Keep;
        else
            inputIndex_.push_back(cells_.size());
        cells_.push_back(cell);
    }
    inputCount_ = inputIndex_.size();
}

bool EditMask::isInputPosition(std::size_t pos) const
{
    return pos < cells_.size() && cells_[pos].kind != Kind::Literal;
}

bool EditMask::fits(std::size_t pos, char32_t c) const
{
    if (!isInputPosition(pos))
        return false;
    switch (cells_[pos].kind) {
    case Kind::Digit:
        return IsDigitChar(c);
    case Kind::DigitOrSign:
        return IsDigitChar(c) || c == U' ' || c == U'+' || c == U'-';
    case Kind::Letter:
        return IsLetterChar(c);
    case Kind::LetterOrDigit:
        return IsLetterChar(c) || IsDigitChar(c);
    case Kind::AnyChar:
        // Control characters never become part of the shown text.
        return c >= 0x20 && c != 0x7F;
    case Kind::Literal:
        break;
    }
    return false;
}

namespace {

char32_t ApplyCase(EditMask::CaseRule rule, char32_t c)
{
    switch (rule) {
    case EditMask::CaseRule::Upper:
        return ToUpperChar(c);
    case EditMask::CaseRule::Lower:
        return ToLowerChar(c);
    case EditMask::CaseRule::Keep:
        break;
    }
    return c;
}

} // namespace

std::string EditMask::format(std::string_view value) const
{
    const std::u32string v = DecodeUtf8(value);
    const std::size_t n = cells_.size();
    std::u32string out(n, blank_);

    // Walks cells and value characters in the fill direction; index k counts
    // steps from the start (or from the end with "!").
    // Both indexes only move forward, so the walk is linear in cells plus value.
    std::size_t vi = 0;
    auto valueAt = [&](std::size_t i) { return v[trimLeading_ ? v.size() - 1 - i : i]; };
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t pos = trimLeading_ ? n - 1 - k : k;
        const Cell& cell = cells_[pos];
        if (cell.kind == Kind::Literal) {
            out[pos] = cell.literal;
            if (vi < v.size() && valueAt(vi) == cell.literal)
                ++vi;
            continue;
        }
        // Characters that fit no position (a "." where the new mask has "/")
        // are dropped rather than leaving holes in the text.
        while (vi < v.size()) {
            const char32_t c = ApplyCase(cell.caseRule, valueAt(vi++));
            // A space is how Text hands out an empty position (also in "#",
            // where a typed space is a character of its own but reads back
            // the same).
            if (c == blank_ || IsSpace(c))
                break;
            if (fits(pos, c)) {
                out[pos] = c;
                break;
            }
        }
    }
    return EncodeUtf8(out);
}

std::u32string EditMask::normalized(std::string_view shown) const
{
    const std::u32string s = DecodeUtf8(shown);
    std::u32string out(cells_.size(), blank_);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        if (cells_[i].kind == Kind::Literal)
            out[i] = cells_[i].literal;
        else if (i < s.size())
            out[i] = s[i];
    }
    return out;
}

std::string EditMask::normalize(std::string_view shown) const
{
    return EncodeUtf8(normalized(shown));
}

std::string EditMask::extract(std::string_view shown) const
{
    const std::u32string s = normalized(shown);
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (cells_[i].kind == Kind::Literal) {
            if (saveLiterals_)
                out.push_back(s[i]);
            continue;
        }
        out.push_back(s[i] == blank_ ? U' ' : s[i]);
    }
    if (!saveLiterals_) {
        if (trimLeading_) {
            const auto first = out.find_first_not_of(U' ');
            out.erase(0, first == std::u32string::npos ? out.size() : first);
        } else {
            const auto last = out.find_last_not_of(U' ');
            out.erase(last == std::u32string::npos ? 0 : last + 1);
        }
    }
    return EncodeUtf8(out);
}

std::size_t EditMask::firstInputPosition() const
{
    return inputIndex_.empty() ? 0 : inputIndex_.front();
}

std::size_t EditMask::endPosition() const
{
    return inputIndex_.empty() ? 0 : inputIndex_.back() + 1;
}

std::size_t EditMask::caretPosition(std::size_t pos) const
{
    const auto it = std::lower_bound(inputIndex_.begin(), inputIndex_.end(), pos);
    return it == inputIndex_.end() ? endPosition() : *it;
}

std::size_t EditMask::nextPosition(std::size_t pos) const
{
    const auto it = std::upper_bound(inputIndex_.begin(), inputIndex_.end(), pos);
    return it == inputIndex_.end() ? endPosition() : *it;
}

std::size_t EditMask::previousPosition(std::size_t pos) const
{
    if (inputIndex_.empty())
        return 0;
    const auto it = std::lower_bound(inputIndex_.begin(), inputIndex_.end(), pos);
    return it == inputIndex_.begin() ? inputIndex_.front() : *std::prev(it);
}

std::size_t EditMask::firstFreePosition(std::string_view shown) const
{
    const std::u32string s = normalized(shown);
    for (std::size_t pos : inputIndex_) {
        if (s[pos] == blank_)
            return pos;
    }
    return firstInputPosition();
}

MaskedText EditMask::finish(const std::u32string& text, std::size_t caret) const
{
    MaskedText state;
    state.shown = EncodeUtf8(text);
    state.selStart = caretPosition(caret);
    state.selLength = isInputPosition(state.selStart) ? 1 : 0;
    return state;
}

MaskedText EditMask::withCaret(std::string shown, std::size_t pos) const
{
    return finish(normalized(shown), pos);
}

void EditMask::clearRange(std::u32string& text, std::size_t from, std::size_t to) const
{
    to = std::min(to, cells_.size());
    for (std::size_t i = from; i < to; ++i) {
        if (cells_[i].kind != Kind::Literal)
            text[i] = blank_;
    }
}

bool EditMask::typeInto(std::u32string& text, std::size_t& caret, char32_t c) const
{
    caret = caretPosition(caret);
    if (caret >= endPosition())
        return false;
    const char32_t shown = ApplyCase(cells_[caret].caseRule, c);
    if (fits(caret, shown)) {
        text[caret] = shown;
        caret = nextPosition(caret);
        return true;
    }
    // Users type the literals along ("12.03.2024" into a date): the literal the
    // caret has just passed is taken without effect, and the next literal
    // ahead moves the caret behind it.
    for (std::size_t i = caret; i > 0 && cells_[i - 1].kind == Kind::Literal; --i) {
        if (cells_[i - 1].literal == c)
            return true;
    }
    for (std::size_t i = caret + 1; i < cells_.size(); ++i) {
        if (cells_[i].kind != Kind::Literal)
            continue;
        if (cells_[i].literal != c)
            return false;
        // Only the first literal after the caret counts, however many
        // literals stand together.
        std::size_t behind = caretPosition(i);
        if (behind >= endPosition())
            return false;
        caret = behind;
        return true;
    }
    return false;
}

bool EditMask::typeChar(MaskedText& state, char32_t c) const
{
    std::u32string text = normalized(state.shown);
    // The one-character selection is the caret itself; a wider selection is
    // cleared when the character is taken, not when it is refused.
    if (state.selLength > 1)
        clearRange(text, state.selStart, state.selStart + state.selLength);
    std::size_t caret = state.selStart;
    if (!typeInto(text, caret, c))
        return false;
    state = finish(text, caret);
    return true;
}

void EditMask::backspace(MaskedText& state) const
{
    std::u32string text = normalized(state.shown);
    if (state.selLength > 1) {
        clearRange(text, state.selStart, state.selStart + state.selLength);
        state = finish(text, state.selStart);
        return;
    }
    const std::size_t caret = caretPosition(state.selStart);
    auto it = std::lower_bound(inputIndex_.begin(), inputIndex_.end(), caret);
    if (it == inputIndex_.begin()) {
        state = finish(text, caret);
        return;
    }
    const std::size_t pos = *std::prev(it);
    text[pos] = blank_;
    state = finish(text, pos);
}

void EditMask::deleteChars(MaskedText& state) const
{
    std::u32string text = normalized(state.shown);
    if (state.selLength > 1) {
        clearRange(text, state.selStart, state.selStart + state.selLength);
    } else {
        const std::size_t pos = caretPosition(state.selStart);
        clearRange(text, pos, pos + 1);
    }
    state = finish(text, state.selStart);
}

std::string EditMask::cut(MaskedText& state) const
{
    std::u32string text = normalized(state.shown);
    const std::size_t from = std::min(state.selStart, text.size());
    const std::size_t to = std::min(state.selStart + state.selLength, text.size());
    std::string copied = EncodeUtf8(text.substr(from, to - from));
    clearRange(text, from, to);
    state = finish(text, from);
    return copied;
}

bool EditMask::paste(MaskedText& state, std::string_view pasted) const
{
    std::u32string text = normalized(state.shown);
    std::size_t caret = state.selStart;
    bool all = true;
    for (char32_t c : DecodeUtf8(pasted)) {
        if (!typeInto(text, caret, c)) {
            all = false;
            break;
        }
    }
    state = finish(text, caret);
    return all;
}

std::optional<std::size_t> EditMask::firstMissingRequired(std::string_view shown) const
{
    const std::u32string s = normalized(shown);
    for (std::size_t pos : inputIndex_) {
        const Cell& cell = cells_[pos];
        if (!cell.required)
            continue;
        if (s[pos] == blank_ || (IsSpace(s[pos]) && cell.kind != Kind::AnyChar))
            return pos;
    }
    return std::nullopt;
}

EditMaskChange ChangeEditMask(const EditMask& oldMask, const EditMask& newMask, std::string_view shown,
                              std::string_view lastTextWritten, bool saveText)
{
    EditMaskChange change;
    if (oldMask.maskText() == newMask.maskText()) {
        change.shown = newMask.empty() ? std::string(shown) : newMask.normalize(shown);
        return change;
    }
    std::string held;
    if (oldMask.empty())
        held = shown;
    else if (oldMask.normalize(shown) == oldMask.emptyText())
        held = lastTextWritten;
    else
        held = oldMask.extract(shown);

    change.shown = newMask.emptyText();
    if (saveText && !held.empty() && held != change.shown)
        change.shown = newMask.empty() ? held : newMask.format(held);
    change.raiseExit = !saveText;
    return change;
}

} // namespace e3
