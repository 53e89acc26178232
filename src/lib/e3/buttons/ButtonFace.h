#pragma once
// What check boxes and radio buttons share: the box (or circle) and caption
// placed by Alignment and VertAlignment, the wrapped caption, and the caption
// text that shows every ampersand as it is.
#include "e3/edits/Edit.h"

#include <QRect>
#include <QStyle>

#include <optional>
#include <string>
#include <string_view>

class QAbstractButton;
class QPainter;

namespace e3 {

enum TVertAlignment { vaTop, vaCenter, vaBottom };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

extern const fw::TEnumType VertAlignmentType;
// Caption left (taLeftJustify) or right (taRightJustify) of the box.
extern const fw::TEnumType LeftRightType;
extern const fw::TEnumType CheckBoxStateType;

// Every "&" doubled, so that none makes an accelerator; and back.
std::string DoubleAmpersands(std::string_view text);
std::string SingleAmpersands(std::string_view text);

// The light square that covers the box of a read-only, unchecked check box.
QRect ReadOnlySquare(int width, int height, TAlignment alignment, TVertAlignment vertAlignment);

struct ButtonFaceLayout {
    QRect indicator;
    QRect text;
    Qt::Alignment textAlignment;
};
// The box stands where the read-only square covers it; the caption takes the
// rest of the width.
ButtonFaceLayout LayOutButtonFace(int width, int height, QSize indicatorSize, TAlignment alignment,
                                  TVertAlignment vertAlignment);

struct ButtonFaceLook {
    TAlignment alignment = taRightJustify;
    TVertAlignment vertAlignment = vaCenter;
    bool wordWrap = true;
    QStyle::PrimitiveElement indicator = QStyle::PE_IndicatorCheckBox;
    // Checked, unchecked, or grayed: a grey check mark.
    TCheckBoxState state = cbUnchecked;
};
// Paints background, box and caption of button as our controls show them.
void PaintButtonFace(QAbstractButton& button, QPainter& painter, const ButtonFaceLook& look);

} // namespace e3
