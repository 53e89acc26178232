#include "e3/combos/FontList.h"

#include <fontconfig/fontconfig.h>

#include <QString>

#include <algorithm>
#include <memory>

namespace e3 {

namespace {

std::vector<std::string> FontconfigFamilies()
{
    std::vector<std::string> families;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return families;
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(), &FcPatternDestroy);
    std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(FcObjectSetBuild(FC_FAMILY, nullptr),
                                                                        &FcObjectSetDestroy);
    std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> set(
        pattern && objects ? FcFontList(config, pattern.get(), objects.get()) : nullptr, &FcFontSetDestroy);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            // A font may carry its family name in several languages; each is
            // a name a form may ask for.
            FcChar8* family = nullptr;
            for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch; ++n)
                families.emplace_back(reinterpret_cast<const char*>(family));
        }
    }
    FcConfigDestroy(config);
    return families;
}

} // namespace

bool IsSymbolFontName(std::string_view family)
{
    const QString lower = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size())).toLower();
    return lower.contains(QLatin1String("webdings")) || lower.contains(QLatin1String("wingding"));
}

std::vector<std::string> FontNameList(std::vector<std::string> families)
{
    std::erase_if(families, [](const std::string& f) { return f.empty() || IsSymbolFontName(f); });
    const auto folded = [](const std::string& s) { return QString::fromStdString(s).toCaseFolded(); };
    std::sort(families.begin(), families.end(), [&](const std::string& a, const std::string& b) {
        const int c = QString::compare(folded(a), folded(b));
        return c != 0 ? c < 0 : a < b;
    });
    families.erase(std::unique(families.begin(), families.end(),
                               [&](const std::string& a, const std::string& b) { return folded(a) == folded(b); }),
                   families.end());
    return families;
}

const std::vector<std::string>& ScreenFontNames()
{
    static const std::vector<std::string> names = FontNameList(FontconfigFamilies());
    return names;
}

} // namespace e3
