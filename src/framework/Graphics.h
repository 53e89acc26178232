#pragma once
// Colours are the 32-bit BGR values the engine sends; a value with the high byte
// 0xFF is a system colour (index in the low byte), mapped onto a palette role.
#include "framework/Object.h"

#include <QColor>
#include <QFont>
#include <QPalette>

#include <functional>

namespace fw {

using TColor = int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<unsigned>(index)); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                 clInactiveCaption = SystemColor(3), clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7), clWindowText = SystemColor(8),
                 clCaptionText = SystemColor(9), clActiveBorder = SystemColor(10),
                 clInactiveBorder = SystemColor(11), clAppWorkSpace = SystemColor(12),
                 clHighlight = SystemColor(13), clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                 clInactiveCaptionText = SystemColor(19), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24), clHotLight = SystemColor(26),
                 clGradientActiveCaption = SystemColor(27), clGradientInactiveCaption = SystemColor(28),
                 clMenuHighlight = SystemColor(29), clMenuBar = SystemColor(30);

bool IsSystemColor(TColor color);
// The colour as shown: system colours through the application palette.
QColor ToQColor(TColor color);
// The palette role a system colour stands for (QPalette::Window when unknown).
int SystemColorRole(TColor color);

// One palette for all that have the same brushes. Styles cache what they draw
// under the palette's cache key, and every widget with a palette of its own
// holds a private copy with a key of its own; a widget that hands the style
// this palette instead lets equal controls share the drawings.
QPalette SharedPalette(const QPalette& palette);

// Font style bits, in the order of their ordinals.
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = uint32_t; // bit (1 << TFontStyle)
extern const TEnumType FontStyleType;

// A control's font: the sub-object behind the published Font property. Pixel
// sizes assume 96 dots per inch.
class TFont : public TPersistent {
    FW_CLASS()
public:
    TFont();

    std::string GetName() const { return name_; }
    void SetName(const std::string& name);
    int32_t GetSize() const;
    void SetSize(int32_t points);
    int32_t GetHeight() const { return height_; }
    void SetHeight(int32_t height);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    int32_t GetCharset() const { return charset_; }
    void SetCharset(int32_t charset);

    void Assign(const TFont& other);
    QFont ToQFont() const;

    // Called after every change (the owning control repaints).
    std::function<void()> OnChange;

private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    int32_t height_ = -11; // 8 points
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    int32_t charset_ = 1;
};

} // namespace fw
