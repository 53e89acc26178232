// The mouse cursor a control's Cursor number puts on its widget.
#include "framework/Control.h"

#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

using namespace fw;

namespace {

// A control on a plain widget, or on an edit that brings its own cursor.
class TBox : public TWinControl {
public:
    explicit TBox(TComponent* owner, bool withWidget = true) : TWinControl(owner)
    {
        if (withWidget)
            MakeWidget();
    }
    void MakeWidget(QWidget* widget = new QWidget) { SetWidget(widget); }
};

TEST(Cursor, EachStockNumberShowsItsShape)
{
    const struct {
        TCursor cursor;
        Qt::CursorShape shape;
    } cases[] = {
        {crNone, Qt::BlankCursor},          {crArrow, Qt::ArrowCursor},          {crCross, Qt::CrossCursor},
        {crIBeam, Qt::IBeamCursor},         {crSizeNESW, Qt::SizeBDiagCursor},   {crSizeNS, Qt::SizeVerCursor},
        {crSizeNWSE, Qt::SizeFDiagCursor},  {crSizeWE, Qt::SizeHorCursor},       {crUpArrow, Qt::UpArrowCursor},
        {crHourGlass, Qt::WaitCursor},      {crDrag, Qt::DragMoveCursor},        {crNoDrop, Qt::ForbiddenCursor},
        {crHSplit, Qt::SplitHCursor},       {crVSplit, Qt::SplitVCursor},        {crMultiDrag, Qt::DragCopyCursor},
        {crSQLWait, Qt::WaitCursor},        {crNo, Qt::ForbiddenCursor},         {crAppStart, Qt::BusyCursor},
        {crHelp, Qt::WhatsThisCursor},      {crHandPoint, Qt::PointingHandCursor}, {crSizeAll, Qt::SizeAllCursor},
        // Numbers that name no stock cursor: the arrow.
        {-23, Qt::ArrowCursor},             {-5, Qt::ArrowCursor},               {7, Qt::ArrowCursor},
    };
    TBox box(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cursor);
        box.SetCursor(c.cursor);
        EXPECT_EQ(box.GetCursor(), c.cursor);
        EXPECT_TRUE(box.Widget()->testAttribute(Qt::WA_SetCursor));
        EXPECT_EQ(box.Widget()->cursor().shape(), c.shape);
    }
    EXPECT_EQ(crSize, crSizeAll);
}

TEST(Cursor, DefaultGivesTheWidgetItsOwnCursorBack)
{
    QWidget window;
    TBox plain(nullptr);
    TBox edit(nullptr, false);
    edit.MakeWidget(new QLineEdit);
    for (TBox* box : {&plain, &edit})
        box->Widget()->setParent(&window);
    EXPECT_EQ(plain.GetCursor(), crDefault);
    EXPECT_FALSE(plain.Widget()->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::IBeamCursor);
    for (TBox* box : {&plain, &edit}) {
        box->SetCursor(crHandPoint);
        box->SetCursor(crDefault);
    }
    EXPECT_FALSE(plain.Widget()->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(edit.Widget()->cursor().shape(), Qt::IBeamCursor);
}

TEST(Cursor, ANumberSetBeforeTheWidgetIsMadeIsShownOnIt)
{
    TBox box(nullptr, false);
    box.SetCursor(crSizeWE);
    box.MakeWidget();
    EXPECT_EQ(box.Widget()->cursor().shape(), Qt::SizeHorCursor);
}

} // namespace
