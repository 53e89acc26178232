// Masks, values and key strokes from arbitrary bytes: the input is split at the
// first two NUL bytes into a mask text, a value and a list of editing steps.
// Every operation must end and keep the shown text at the mask's length.
#include "e3/common/EditChars.h"
#include "e3/edits/EditInput.h"
#include "e3/edits/EditMask.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    auto take = [&rest]() {
        const std::size_t nul = rest.find('\0');
        std::string_view part = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
        return part;
    };
    const std::string_view maskText = take();
    const std::string_view value = take();
    const std::string_view steps = rest;

    const e3::EditMask mask(maskText);
    const std::size_t length = mask.length();
    // A refused step leaves the state as it was, even a selection set out of
    // range below; every step taken puts the caret inside the mask.
    auto check = [&](const e3::MaskedText& s, bool taken) {
        if (e3::DecodeUtf8(s.shown).size() != length || (taken && s.selStart > length))
            std::abort();
    };

    const std::string shown = mask.format(value);
    if (e3::DecodeUtf8(shown).size() != length)
        std::abort();
    if (mask.format(mask.extract(shown)) != shown && mask.saveLiterals())
        std::abort();
    (void)mask.firstMissingRequired(value);
    (void)e3::ChangeEditMask(e3::EditMask(value), mask, shown, value, true);

    e3::MaskedText state = mask.withCaret(shown, mask.firstFreePosition(shown));
    for (std::size_t i = 0; i + 1 < steps.size(); i += 2) {
        const auto op = static_cast<unsigned char>(steps[i]);
        const auto arg = static_cast<unsigned char>(steps[i + 1]);
        bool taken = true;
        switch (op % 8) {
        case 0:
            taken = mask.typeChar(state, arg);
            break;
        case 1:
            mask.backspace(state);
            break;
        case 2:
            mask.deleteChars(state);
            break;
        case 3:
            (void)mask.cut(state);
            break;
        case 4:
            (void)mask.paste(state, value);
            break;
        case 5:
            state.selStart = arg;
            state.selLength = op / 8;
            continue;
        case 6:
            state = mask.withCaret(state.shown, arg % 2 ? mask.nextPosition(state.selStart)
                                                        : mask.previousPosition(state.selStart));
            break;
        default:
            // The selection set above may lie anywhere; reading must cope.
            (void)mask.extract(state.shown);
            continue;
        }
        check(state, taken);
    }

    // The same bytes through the typed input of every edit type.
    e3::EditInputRules rules;
    rules.enumerationChar = std::string(maskText.substr(0, 8));
    rules.maxLength = static_cast<int>(steps.size() % 12);
    rules.decimalSeparator = steps.size() % 2 ? U',' : U'.';
    for (int type = e3::etString; type <= e3::etAlphaNumeric; ++type) {
        rules.editType = static_cast<e3::TEditTypes>(type);
        e3::EditState edit{std::string(value), value.size() % 7, steps.size() % 3};
        for (unsigned char key : steps) {
            const e3::KeyFilterResult r = e3::FilterKey(rules, edit, key);
            edit = r.state;
            if (r.key != e3::keys::Dropped && r.key != e3::keys::Rejected)
                edit.text = e3::ResultingText(edit, r.key, rules.maxLength);
        }
        (void)e3::IsValidText(rules, e3::TextAfterPaste(edit, maskText, rules.maxLength));
        (void)e3::IsValidText(rules, e3::ResultingTextForDelete(edit));
        (void)e3::TextOnLeaving(rules, edit.text);
    }
    return 0;
}
