#include "e3/buttons/ButtonFace.h"

#include <QAbstractButton>
#include <QPainter>
#include <QStyleOptionButton>

namespace e3 {

const fw::TEnumType VertAlignmentType {"TVertAlignment", {"vaTop", "vaCenter", "vaBottom"}};
const fw::TEnumType LeftRightType {"TLeftRight", {"taLeftJustify", "taRightJustify"}};
const fw::TEnumType CheckBoxStateType {"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}};

std::string DoubleAmpersands(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

std::string SingleAmpersands(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&')
            ++i;
    }
    return out;
}

QRect ReadOnlySquare(int width, int height, TAlignment alignment, TVertAlignment vertAlignment)
{
    const int left = alignment == taLeftJustify ? width - 11 : 2;
    const int top = vertAlignment == vaTop ? 2 : vertAlignment == vaBottom ? height - 13 : height / 2 - 4;
    return QRect(left, top, 10, 10);
}

ButtonFaceLayout LayOutButtonFace(int width, int height, QSize indicatorSize, TAlignment alignment,
                                  TVertAlignment vertAlignment)
{
    constexpr int spacing = 4;
    const QRect square = ReadOnlySquare(width, height, alignment, vertAlignment);
    ButtonFaceLayout layout;
    layout.indicator = QRect(square.topLeft() - QPoint(2, 2), indicatorSize);
    if (alignment == taLeftJustify)
        layout.text = QRect(0, 0, std::max(0, layout.indicator.left() - spacing), height);
    else {
        const int left = layout.indicator.right() + 1 + spacing;
        layout.text = QRect(left, 0, std::max(0, width - left), height);
    }
    const Qt::Alignment vertical = vertAlignment == vaTop ? Qt::AlignTop
        : vertAlignment == vaBottom                       ? Qt::AlignBottom
                                                          : Qt::AlignVCenter;
    layout.textAlignment = vertical | (alignment == taLeftJustify ? Qt::AlignRight : Qt::AlignLeft);
    return layout;
}

void PaintButtonFace(QAbstractButton& button, QPainter& painter, const ButtonFaceLook& look)
{
    QStyle* style = button.style();
    const int iw = style->pixelMetric(look.indicator == QStyle::PE_IndicatorRadioButton
                                          ? QStyle::PM_ExclusiveIndicatorWidth
                                          : QStyle::PM_IndicatorWidth,
                                      nullptr, &button);
    const int ih = style->pixelMetric(look.indicator == QStyle::PE_IndicatorRadioButton
                                          ? QStyle::PM_ExclusiveIndicatorHeight
                                          : QStyle::PM_IndicatorHeight,
                                      nullptr, &button);
    const ButtonFaceLayout layout = LayOutButtonFace(button.width(), button.height(), QSize(iw, ih),
                                                     look.alignment, look.vertAlignment);
    painter.fillRect(button.rect(), button.palette().brush(QPalette::Window));

    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = layout.indicator;
    option.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
    if (look.state == cbUnchecked)
        option.state |= QStyle::State_Off;
    else
        option.state |= QStyle::State_On;
    if (look.state == cbGrayed) {
        // A grey check mark, as the platform draws a grayed box.
        option.state &= ~QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    if (button.isDown())
        option.state |= QStyle::State_Sunken;
    style->drawPrimitive(look.indicator, &option, &painter, &button);

    int flags = static_cast<int>(layout.textAlignment) | Qt::TextShowMnemonic;
    if (look.wordWrap)
        flags |= Qt::TextWordWrap;
    style->drawItemText(&painter, layout.text, flags, button.palette(), button.isEnabled(), button.text(),
                        QPalette::WindowText);
    if (button.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&button);
        focus.rect = painter.boundingRect(layout.text, flags, button.text()).adjusted(-1, 0, 1, 0);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &button);
    }
}

} // namespace e3
