#include "framework/Graphics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>

#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace fw {

const TEnumType FontStyleType {"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};

bool IsSystemColor(TColor color)
{
    return (static_cast<uint32_t>(color) & 0xFF000000u) == 0xFF000000u;
}

int SystemColorRole(TColor color)
{
    switch (static_cast<uint32_t>(color) & 0xFFu) {
    case 1: case 12: return QPalette::Dark;
    case 2: case 13: case 26: case 27: case 29: return QPalette::Highlight;
    case 3: case 11: case 28: return QPalette::Mid;
    case 4: case 15: case 30: return QPalette::Button;
    case 5: return QPalette::Base;
    case 6: case 21: return QPalette::Shadow;
    case 7: case 18: return QPalette::ButtonText;
    case 8: return QPalette::Text;
    case 9: case 14: return QPalette::HighlightedText;
    case 10: case 0: return QPalette::Window;
    case 16: return QPalette::Dark;
    case 17: return QPalette::PlaceholderText;
    case 19: return QPalette::WindowText;
    case 20: return QPalette::Light;
    case 22: return QPalette::Midlight;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return QPalette::Window;
    }
}

QColor ToQColor(TColor color)
{
    if (IsSystemColor(color)) {
        const QPalette palette = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
        if ((static_cast<uint32_t>(color) & 0xFFu) == 17)
            return palette.color(QPalette::Disabled, QPalette::Text);
        return palette.color(QPalette::Active, static_cast<QPalette::ColorRole>(SystemColorRole(color)));
    }
    const uint32_t v = static_cast<uint32_t>(color);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

QPalette SharedPalette(const QPalette& palette)
{
    // Keyed on the colours of every group and role; equal keys are checked
    // brush by brush, and a palette whose key is taken by another goes back
    // unshared. The table is dropped whole when it grows past a few hundred
    // palettes, so a form that sets colours one by one cannot grow it without
    // bound.
    static std::unordered_map<uint64_t, QPalette> shared;
    uint64_t key = 1469598103934665603ull;
    for (int group = 0; group < int(QPalette::NColorGroups); ++group)
        for (int role = 0; role < int(QPalette::NColorRoles); ++role) {
            const QBrush& brush = palette.brush(QPalette::ColorGroup(group), QPalette::ColorRole(role));
            key = (key ^ brush.color().rgba()) * 1099511628211ull;
            key = (key ^ uint64_t(brush.style())) * 1099511628211ull;
        }
    if (const auto found = shared.find(key); found != shared.end())
        return found->second == palette ? found->second : palette;
    if (shared.size() >= 256)
        shared.clear();
    return shared.emplace(key, palette).first->second;
}

const TClassInfo& TFont::StaticClass()
{
    static const TClassInfo info {
        "TFont",
        &TPersistent::StaticClass(),
        fw::TRows<TFont> {
            prop::Integer("Charset", &TFont::GetCharset, &TFont::SetCharset),
            prop::Integer("Color", &TFont::GetColor, &TFont::SetColor),
            prop::Integer("Height", &TFont::GetHeight, &TFont::SetHeight),
            prop::String("Name", &TFont::GetName, &TFont::SetName),
            prop::Integer("Size", &TFont::GetSize, &TFont::SetSize),
            prop::Set("Style", FontStyleType, &TFont::GetStyle, &TFont::SetStyle),
        },
    };
    return info;
}

TFont::TFont() = default;

void TFont::Changed()
{
    if (OnChange)
        OnChange();
}

void TFont::SetName(const std::string& name)
{
    if (name.empty() || name == name_)
        return;
    name_ = name;
    Changed();
}

int32_t TFont::GetSize() const
{
    // Points from pixels at 96 dots per inch, rounded as the original does.
    return static_cast<int32_t>(std::lround(-height_ * 72.0 / 96.0));
}

void TFont::SetSize(int32_t points)
{
    SetHeight(static_cast<int32_t>(-std::lround(points * 96.0 / 72.0)));
}

void TFont::SetHeight(int32_t height)
{
    if (height == height_)
        return;
    height_ = height;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    style &= 0xF;
    if (style == style_)
        return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(int32_t charset)
{
    if (charset == charset_)
        return;
    charset_ = charset;
    Changed();
}

void TFont::Assign(const TFont& other)
{
    // Like the setters, an assignment that changes nothing is no change.
    if (name_ == other.name_ && height_ == other.height_ && style_ == other.style_ && color_ == other.color_
        && charset_ == other.charset_)
        return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    charset_ = other.charset_;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont font(QString::fromStdString(name_));
    // A negative height is the character height without internal leading.
    font.setPixelSize(std::max(1, std::abs(height_)));
    font.setBold(style_ & (1u << fsBold));
    font.setItalic(style_ & (1u << fsItalic));
    font.setUnderline(style_ & (1u << fsUnderline));
    font.setStrikeOut(style_ & (1u << fsStrikeOut));
    return font;
}

} // namespace fw
