#include "../TestContainer.h"
#include "e3/display/Bevel.h"
#include "e3/common/EditChars.h"
#include "e3/display/Gauge.h"
#include "e3/display/Image.h"
#include "e3/display/Label.h"
#include "e3/display/ProgressLabel.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3test::OrdinalByName;
using e3test::TestContainer;
using e3test::TextByName;
using e3test::WriteByName;

// A stand-in for font metrics: most characters 6 pixels, a few narrower or
// wider, so that which character goes first matters.
int FakeWidth(const std::string& text)
{
    int width = 0;
    for (char32_t c : e3::DecodeUtf8(text))
        width += c == U'i' ? 2 : c == U'W' ? 10 : 6;
    return width;
}

// The shortening as its rule reads: one character at a time.
std::string ShortenOneByOne(const std::string& text, int width, e3::TAlignment deleteAlign)
{
    std::u32string s = e3::DecodeUtf8(text);
    int margin = 4;
    bool removed = false;
    size_t at = 0;
    while (!s.empty() && FakeWidth(e3::EncodeUtf8(s)) > width - margin) {
        at = deleteAlign == e3::taLeftJustify ? 0 : deleteAlign == e3::taRightJustify ? s.size() - 1 : s.size() / 2;
        s.erase(at, 1);
        margin = FakeWidth("...") + 4;
        removed = true;
    }
    if (removed && !s.empty())
        s.insert(at, U"...");
    return e3::EncodeUtf8(s);
}

struct ShortenCase {
    std::string text;
    int width;
    e3::TAlignment deleteAlign;
    std::string shown;
};

TEST(LabelShortening, RemovesFromTheChosenSideAndMarksThePlace)
{
    const std::vector<ShortenCase> cases = {
        {"Hello", 60, e3::taRightJustify, "Hello"},                  // fits with the margin of 4
        {"abcdefghj", 58, e3::taRightJustify, "abcdefghj"},          // 54 = 58 - 4: still fits
        {"abcdefgh", 57, e3::taRightJustify, "abcdefgh"},
        {"abcdefghjk", 57, e3::taRightJustify, "abcde..."},          // from the first removal on the margin is 22
        {"Working hard today", 60, e3::taRightJustify, "Workin..."},
        {"Working hard today", 60, e3::taLeftJustify, "... today"},
        {"Working hard today", 60, e3::taCenter, "Wor...ay"},  // "i" is narrow: one more goes
        {"Grüße aus München", 60, e3::taRightJustify, "Grüße ..."}, // whole characters, not bytes
        {"Working hard today", 10, e3::taRightJustify, ""},          // nothing fits: no lone "..."
        {"", 0, e3::taRightJustify, ""},
    };
    for (const ShortenCase& c : cases)
        EXPECT_EQ(e3::ShortenText(c.text, c.width, c.deleteAlign, FakeWidth), c.shown)
            << c.text << " in " << c.width << " px, side " << c.deleteAlign;
}

TEST(LabelShortening, AgreesWithRemovingOneCharacterAtATime)
{
    const std::vector<std::string> texts = {"WiWiWiWiWiWiWiWi iiii WWWW", "Wiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii",
                                            "a", "ab", "Patent application for the Wild Widget"};
    for (const std::string& text : texts)
        for (e3::TAlignment side : {e3::taLeftJustify, e3::taRightJustify, e3::taCenter})
            for (int width = 0; width <= 260; width += 7)
                ASSERT_EQ(e3::ShortenText(text, width, side, FakeWidth), ShortenOneByOne(text, width, side))
                    << text << " in " << width << " px, side " << side;
}

// ---------------------------------------------------------------------------
// Controls on a white container, read back from what they draw.

class DisplayTest : public ::testing::Test {
protected:
    DisplayTest()
    {
        root.SetColor(fw::clWhite);
        root.SetBounds(0, 0, 400, 300);
    }

    QImage Snapshot() { return root.Widget()->grab().toImage(); }
    static QRgb Rgb(fw::TColor c) { return fw::ToQColor(c).rgb(); }
    static QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

    TestContainer root {nullptr};
};

TEST_F(DisplayTest, LabelDefaultsCaptionAndLayoutByName)
{
    e3::Te3_Label label(nullptr);
    EXPECT_EQ(label.GetWidth(), 120);
    EXPECT_EQ(label.GetHeight(), 16);
    EXPECT_FALSE(label.GetAutoSize());
    EXPECT_EQ(OrdinalByName(label, "Layout"), e3::tlCenter);
    EXPECT_EQ(OrdinalByName(label, "DeleteAlign"), e3::taRightJustify);
    EXPECT_EQ(OrdinalByName(label, "Scale"), 0);

    WriteByName(label, "LabelLayout", int64_t {e3::tlBottom});
    EXPECT_EQ(OrdinalByName(label, "Layout"), e3::tlBottom);
    WriteByName(label, "Layout", int64_t {e3::tlTop});
    EXPECT_EQ(OrdinalByName(label, "LabelLayout"), e3::tlTop);

    WriteByName(label, "Caption", std::string("Applicant"));
    EXPECT_EQ(TextByName(label, "Caption"), "Applicant");
}

TEST_F(DisplayTest, ScaledLabelShowsTheStartOfALongCaptionWithoutChangingIt)
{
    e3::Te3_Label label(nullptr);
    label.SetParent(&root);
    label.SetWidth(60);
    const std::string caption = "Representative of the applicant for this filing";
    label.SetText(caption);
    EXPECT_EQ(label.ShownText(), caption) << "shortened only with Scale";

    label.SetScale(true);
    const std::string shown = label.ShownText();
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    EXPECT_EQ(caption.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0) << shown;
    EXPECT_EQ(label.GetText(), caption);

    label.SetWordWrap(true);
    EXPECT_EQ(label.ShownText(), caption) << "a wrapped label shows everything";
    label.SetWordWrap(false);
    label.SetAutoSize(true);
    EXPECT_EQ(label.ShownText(), caption) << "an auto-sized label grows instead";
    EXPECT_GT(label.GetWidth(), 60);

    // Without a caption it is as wide and as high as one blank.
    label.SetText("");
    const QFontMetrics metrics(label.GetFont()->ToQFont());
    const QRect blank = metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::AlignLeft | Qt::AlignTop, " ");
    EXPECT_GT(label.GetWidth(), 0);
    EXPECT_EQ(label.GetWidth(), blank.width());
    EXPECT_EQ(label.GetHeight(), blank.height());
}

TEST_F(DisplayTest, LabelFollowsItsContainerAndKeepsItsOwnWish)
{
    auto* box = new TestContainer(&root);
    box->SetParent(&root);
    auto* follows = new e3::Te3_Label(&root);
    follows->SetParent(box);
    auto* off = new e3::Te3_Label(&root);
    off->SetParent(box);
    off->SetEnabled(false);

    box->SetEnabled(false);
    EXPECT_FALSE(follows->GetEnabled());
    EXPECT_FALSE(off->GetEnabled());
    follows->SetEnabled(true); // the wish is kept while the container is off
    EXPECT_FALSE(follows->GetEnabled());

    box->SetEnabled(true);
    EXPECT_TRUE(follows->GetEnabled());
    EXPECT_FALSE(off->GetEnabled());
}

TEST_F(DisplayTest, LabelRaisesHoverAndContextEvents)
{
    e3::Te3_Label label(nullptr);
    label.SetParent(&root);
    std::vector<std::string> seen;
    WriteByName(label, "OnMouseEnter", std::any(fw::TNotifyEvent([&](fw::TObject*) { seen.push_back("enter"); })));
    WriteByName(label, "OnMouseLeave", std::any(fw::TNotifyEvent([&](fw::TObject*) { seen.push_back("leave"); })));
    WriteByName(label, "OnContextPopup", std::any(fw::TContextPopupEvent([&](fw::TObject*, fw::TPoint p, bool&) {
                    seen.push_back("popup " + std::to_string(p.x) + "," + std::to_string(p.y));
                })));
    QWidget* w = label.Widget();
    QEnterEvent enter(QPointF(3, 4), QPointF(3, 4), QPointF(3, 4));
    QApplication::sendEvent(w, &enter);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(7, 5), w->mapToGlobal(QPoint(7, 5)));
    QApplication::sendEvent(w, &menu);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    EXPECT_EQ(seen, (std::vector<std::string> {"enter", "popup 7,5", "leave"}));
}

TEST_F(DisplayTest, ProgressLabelAddsDotsThenStartsAgain)
{
    e3::Te3_ProgressLabel label(nullptr);
    EXPECT_EQ(OrdinalByName(label, "Interval"), 1000);
    EXPECT_EQ(OrdinalByName(label, "MaxDotCount"), 20);
    WriteByName(label, "Caption", std::string("Working"));
    WriteByName(label, "MaxDotCount", int64_t {3});
    std::vector<std::string> shown;
    for (int i = 0; i < 5; ++i) {
        label.Tick();
        shown.push_back(label.GetText());
    }
    EXPECT_EQ(shown, (std::vector<std::string> {"Working.", "Working..", "Working...", "Working", "Working."}));
}

TEST_F(DisplayTest, ProgressLabelTimerTicksInTheGuiLoopAndStopsOnTheBaseCaption)
{
    e3::Te3_ProgressLabel label(nullptr);
    label.SetText("Sending");
    label.SetInterval(5);
    label.SetShowProgress(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.GetText() == "Sending.."; }, 2000)) << label.GetText();

    // A new caption while running becomes the caption the dots follow.
    label.SetText("Receiving");
    ASSERT_TRUE(QTest::qWaitFor([&] { return label.GetText().rfind("Receiving.", 0) == 0; }, 2000));

    WriteByName(label, "ShowProgress", int64_t {0});
    EXPECT_EQ(label.GetText(), "Receiving");
    const int32_t dots = label.DotCount();
    EXPECT_GT(dots, 0) << "switching off keeps the count";
    QTest::qWait(30);
    EXPECT_EQ(label.GetText(), "Receiving");
    EXPECT_EQ(label.DotCount(), dots);
}

// ---------------------------------------------------------------------------

struct DestCase {
    bool stretch, proportional, center;
    int picW, picH;
    QRect dest;
};

TEST(ImagePlacement, StretchProportionalAndCentre)
{
    const std::vector<DestCase> cases = {
        {false, false, false, 200, 100, QRect(0, 0, 200, 100)},
        {true, false, false, 200, 100, QRect(0, 0, 100, 100)},
        {false, true, false, 200, 100, QRect(0, 0, 100, 50)},
        {false, true, true, 200, 100, QRect(0, 25, 100, 50)},
        {false, true, true, 60, 300, QRect(40, 0, 20, 100)},
        {false, true, false, 50, 20, QRect(0, 0, 50, 20)}, // smaller: proportional alone keeps the size
        {true, true, false, 50, 20, QRect(0, 0, 100, 40)},  // with Stretch it grows, keeping its shape
        {false, false, true, 50, 20, QRect(25, 40, 50, 20)},
    };
    for (const DestCase& c : cases)
        EXPECT_EQ(e3::PictureDestRect(c.picW, c.picH, 100, 100, c.stretch, c.proportional, c.center), c.dest)
            << c.stretch << c.proportional << c.center << " " << c.picW << "x" << c.picH;
}

QImage TwoColourPicture()
{
    // Blue with a red bottom row: the bottom-left colour is red.
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int x = 0; x < 10; ++x)
        picture.setPixel(x, 9, qRgb(255, 0, 0));
    return picture;
}

TEST_F(DisplayTest, ImageDrawsItsPictureAndLeavesOutTheTransparentColour)
{
    auto* image = new e3::Te3_Image(&root);
    image->SetParent(&root);
    EXPECT_EQ(image->GetWidth(), 105);
    EXPECT_EQ(image->GetHeight(), 105);
    image->AssignImage(TwoColourPicture());
    QImage shot = Snapshot();
    EXPECT_EQ(At(shot, 5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(At(shot, 5, 9), qRgb(255, 0, 0));
    EXPECT_EQ(At(shot, 50, 50), Rgb(fw::clWhite)) << "outside the picture the parent shows";

    WriteByName(*image, "Transparent", int64_t {1});
    shot = Snapshot();
    EXPECT_EQ(At(shot, 5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(At(shot, 5, 9), Rgb(fw::clWhite));

    WriteByName(*image, "Stretch", int64_t {1});
    shot = Snapshot();
    EXPECT_EQ(At(shot, 100, 50), qRgb(0, 0, 255));
}

TEST_F(DisplayTest, ImagePictureIsCopiedAndAutoSizeFitsIt)
{
    e3::Te3_Image image(nullptr);
    WriteByName(image, "AutoSize", int64_t {1});
    {
        e3::TPicture given;
        given.SetImage(TwoColourPicture());
        WriteByName(image, "Picture", static_cast<fw::TObject*>(&given));
    }
    ASSERT_FALSE(image.GetPicture()->Empty()) << "the picture outlives the one it was copied from";
    EXPECT_EQ(image.GetWidth(), 10);
    EXPECT_EQ(image.GetHeight(), 10);
}

// ---------------------------------------------------------------------------

struct FillCase {
    int32_t progress, minValue, maxValue, boxCount;
    int filled;
    std::string text;
};

TEST(GaugeFill, ShareOfTheRangeHeldToZeroToHundred)
{
    const std::vector<FillCase> cases = {
        {50, 0, 100, 20, 10, "50%"},
        {29, 0, 100, 20, 5, "29%"}, // no floating-point loss: not 28 %
        {100, 0, 100, 20, 20, "100%"},
        {0, 0, 100, 20, 0, "0%"},
        {7, 7, 7, 20, 0, "0%"},        // empty range
        {150, 0, 100, 20, 20, "100%"}, // a range narrowed below the progress
        {-5, 0, 100, 20, 0, "0%"},
        {25, 100, 0, 20, 15, "75%"},   // range written backwards
        {2147483647, -2147483647 - 1, 2147483647, 8, 8, "100%"},
        {0, -2147483647 - 1, 2147483647, 8, 4, "50%"},
    };
    for (const FillCase& c : cases) {
        const e3::GaugeFill fill = e3::ComputeGaugeFill(c.progress, c.minValue, c.maxValue, c.boxCount);
        EXPECT_EQ(fill.filledBoxes, c.filled) << c.progress << " in " << c.minValue << ".." << c.maxValue;
        EXPECT_EQ(fill.text, c.text) << c.progress << " in " << c.minValue << ".." << c.maxValue;
        EXPECT_GE(fill.percent, 0.0);
        EXPECT_LE(fill.percent, 100.0);
    }
}

TEST_F(DisplayTest, GaugeKeepsWhatTheEngineWroteAndIgnoresProgressOutsideTheRange)
{
    e3::Te3_Gauge gauge(nullptr);
    WriteByName(gauge, "Progress", int64_t {50});
    WriteByName(gauge, "Progress", int64_t {150});
    EXPECT_EQ(OrdinalByName(gauge, "Progress"), 50);

    // Narrowing the range leaves the progress as written; only the drawing
    // is held to a full bar.
    WriteByName(gauge, "MaxValue", int64_t {40});
    EXPECT_EQ(OrdinalByName(gauge, "Progress"), 50);
    EXPECT_EQ(OrdinalByName(gauge, "MaxValue"), 40);
    EXPECT_EQ(gauge.Fill().text, "100%");
    EXPECT_EQ(gauge.Fill().filledBoxes, gauge.GetBoxCount());

    WriteByName(gauge, "MinValue", int64_t {60});
    EXPECT_EQ(OrdinalByName(gauge, "MinValue"), 60);
    EXPECT_EQ(OrdinalByName(gauge, "MaxValue"), 40);
    EXPECT_EQ(OrdinalByName(gauge, "Progress"), 50);
    WriteByName(gauge, "Progress", int64_t {45}); // no value lies in 60..40
    EXPECT_EQ(OrdinalByName(gauge, "Progress"), 50);
}

TEST_F(DisplayTest, GaugeFitsWholeBoxesAndARepeatedBoxCountChangesNothing)
{
    e3::Te3_Gauge gauge(nullptr);
    EXPECT_EQ(gauge.GetHeight(), 24);
    gauge.SetBounds(0, 0, 100, 24);
    EXPECT_EQ(gauge.GetBoxCount(), 8);
    EXPECT_EQ(gauge.GetWidth(), 99);

    WriteByName(gauge, "BoxCount", int64_t {8});
    EXPECT_EQ(OrdinalByName(gauge, "BoxCount"), 8);
    EXPECT_EQ(gauge.GetWidth(), 99);

    WriteByName(gauge, "BoxCount", int64_t {10});
    EXPECT_EQ(gauge.GetWidth(), 123);
    WriteByName(gauge, "BoxWidth", int64_t {5});
    EXPECT_EQ(gauge.GetWidth(), 53);
    EXPECT_EQ(gauge.GetBoxCount(), 10);
    WriteByName(gauge, "BoxCount", int64_t {0});
    EXPECT_EQ(gauge.GetBoxCount(), 1);

    gauge.SetBounds(0, 0, 2, 2);
    EXPECT_EQ(gauge.GetWidth(), 8) << "at least one box";
    EXPECT_EQ(gauge.GetHeight(), 5) << "at least one pixel inside";

    gauge.SetAlign(fw::alTop);
    gauge.SetBounds(0, 0, 100, 24);
    EXPECT_EQ(gauge.GetWidth(), 100) << "an aligned gauge keeps the width it is given";
    EXPECT_EQ(gauge.GetBoxCount(), 19);
}

TEST_F(DisplayTest, SmoothGaugeHasOnePixelBoxesAndIgnoresBoxCount)
{
    e3::Te3_Gauge gauge(nullptr);
    gauge.SetBounds(0, 0, 100, 24);
    WriteByName(gauge, "Smooth", int64_t {1});
    EXPECT_EQ(gauge.GetBoxWidth(), 1);
    EXPECT_EQ(gauge.GetBoxCount(), 99);
    WriteByName(gauge, "BoxCount", int64_t {5});
    EXPECT_EQ(gauge.GetBoxCount(), 99);
    EXPECT_EQ(gauge.GetWidth(), 99);
}

TEST_F(DisplayTest, GaugeTakesTheSizeItIsGivenWhileLoading)
{
    e3::Te3_Gauge gauge(nullptr);
    gauge.BeginLoading();
    gauge.SetBounds(0, 0, 100, 30);
    EXPECT_EQ(gauge.GetWidth(), 100);
    EXPECT_EQ(gauge.GetBoxCount(), 20);
}

TEST_F(DisplayTest, GaugeDrawsTheFilledBoxesAndThePercentage)
{
    auto* gauge = new e3::Te3_Gauge(&root);
    gauge->SetParent(&root);
    gauge->SetColor(fw::clWhite);
    WriteByName(*gauge, "Progress", int64_t {50});
    // 20 boxes of 12 pixels: box 9 ends at 2 + 9 * 12 + 10, box 10 is empty.
    QImage shot = Snapshot();
    EXPECT_EQ(At(shot, 2 + 9 * 12 + 5, 12), Rgb(fw::clHighlight));
    EXPECT_EQ(At(shot, 2 + 10 * 12 + 5, 12), Rgb(fw::clWhite));
    EXPECT_EQ(At(shot, 2 + 9 * 12 + 11, 12), Rgb(fw::clWhite)) << "a one-pixel gap between boxes";

    gauge->SetEnabled(false);
    shot = Snapshot();
    EXPECT_EQ(At(shot, 2 + 9 * 12 + 5, 12), Rgb(fw::clInactiveCaption));
    gauge->SetEnabled(true);

    // The percentage straddles both parts: dark over the empty part, light
    // over the boxes.
    gauge->SetColor(fw::clSilver);
    gauge->GetTextFont()->SetColor(fw::clBlack);
    gauge->GetTextFont()->SetHeight(-16);
    WriteByName(*gauge, "ShowText", int64_t {1});
    shot = Snapshot();
    auto dark = [&](int x, int y) {
        const QColor c = QColor::fromRgb(At(shot, x, y));
        return c.red() < 80 && c.green() < 80 && c.blue() < 80;
    };
    auto light = [&](int x, int y) {
        const QColor c = QColor::fromRgb(At(shot, x, y));
        return c.red() > 220 && c.green() > 220 && c.blue() > 220;
    };
    bool darkRight = false, lightLeft = false, darkLeft = false;
    const int middle = 2 + 10 * 12;
    for (int y = 2; y < 22; ++y) {
        for (int x = middle - 30; x < middle; ++x) {
            lightLeft |= light(x, y);
            darkLeft |= dark(x, y);
        }
        for (int x = middle; x < middle + 30; ++x)
            darkRight |= dark(x, y);
    }
    EXPECT_FALSE(darkLeft);
    EXPECT_TRUE(lightLeft);
    EXPECT_TRUE(darkRight);
}

// ---------------------------------------------------------------------------

struct BevelCase {
    e3::TBevelShape shape;
    std::vector<QPoint> black;
    std::vector<QPoint> clear;
};

TEST_F(DisplayTest, PlainBevelDrawsOnePixelLinesInFrame2DColor)
{
    const std::vector<BevelCase> cases = {
        {e3::bsBox, {{0, 0}, {49, 0}, {0, 49}, {49, 49}}, {{1, 1}, {25, 25}, {48, 48}}},
        {e3::bsFrame, {{0, 0}, {49, 49}}, {{1, 1}, {25, 25}}},
        {e3::bsTopLine, {{0, 0}, {49, 0}}, {{0, 1}, {0, 49}}},
        {e3::bsBottomLine, {{0, 49}, {48, 49}}, {{49, 49}, {0, 48}}}, // the end point stays out
        {e3::bsLeftLine, {{0, 0}, {0, 49}}, {{1, 0}, {49, 0}}},
        {e3::bsRightLine, {{49, 0}, {49, 48}}, {{49, 49}, {48, 0}}},
        {e3::bsSpacer, {}, {{0, 0}, {49, 49}, {25, 25}}},
    };
    auto* bevel = new e3::Te3_Bevel(&root);
    bevel->SetParent(&root);
    bevel->SetLeft(10);
    bevel->SetTop(10);
    EXPECT_EQ(bevel->GetWidth(), 50);
    EXPECT_EQ(bevel->GetHeight(), 50);
    for (const BevelCase& c : cases) {
        WriteByName(*bevel, "Shape", int64_t {c.shape});
        const QImage shot = Snapshot();
        for (QPoint p : c.black)
            EXPECT_EQ(At(shot, 10 + p.x(), 10 + p.y()), Rgb(fw::clBlack)) << c.shape << " at " << p.x() << "," << p.y();
        for (QPoint p : c.clear)
            EXPECT_EQ(At(shot, 10 + p.x(), 10 + p.y()), Rgb(fw::clWhite)) << c.shape << " at " << p.x() << "," << p.y();
    }

    WriteByName(*bevel, "Shape", int64_t {e3::bsBox});
    WriteByName(*bevel, "Frame2DColor", int64_t {fw::clRed});
    EXPECT_EQ(At(Snapshot(), 10, 10), Rgb(fw::clRed));
    WriteByName(*bevel, "Ctl3D", int64_t {1});
    EXPECT_EQ(At(Snapshot(), 10, 10), Rgb(fw::clBtnShadow)) << "lowered: shadow top-left";
    EXPECT_EQ(At(Snapshot(), 59, 59), Rgb(fw::clBtnHighlight));
    WriteByName(*bevel, "Style", int64_t {e3::bsRaised});
    EXPECT_EQ(At(Snapshot(), 10, 10), Rgb(fw::clBtnHighlight));
}

// ---------------------------------------------------------------------------

struct NamesCase {
    const fw::TClassInfo* engine;
    const fw::TClassInfo* design;
    std::vector<const char*> shown;
    std::vector<const char*> engineOnly; // published by the engine class, not the design class
    std::vector<const char*> hidden;
};

TEST(DisplayNames, EachClassPublishesItsNamesInAnyCase)
{
    const std::vector<NamesCase> cases = {
        {&e3::Te3_Bevel::StaticClass(), &e3::Te3Bevel::StaticClass(),
         {"ctl3d", "FRAME2DCOLOR", "Shape", "style", "Visible", "Name", "Hint", "ShowHint"},
         {"Align", "Anchors", "Constraints", "Enabled", "Parent", "ParentShowHint"},
         {"Color", "Font", "OnClick", "objectName", "geometry"}},
        {&e3::Te3_Label::StaticClass(), &e3::Te3Label::StaticClass(),
         {"caption", "Color", "Font", "Transparent", "WordWrap", "DeleteAlign", "scale"},
         {"Alignment", "AutoSize", "Layout", "LabelLayout", "ShowAccelChar", "ParentFont", "OnClick", "OnMouseEnter",
          "OnMouseLeave", "OnContextPopup", "OnMouseMove", "OnDblClick", "Enabled"},
         {"Text", "text_", "OnChange", "TabStop"}},
        {&e3::Te3_Image::StaticClass(), &e3::Te3Image::StaticClass(),
         {"Center", "Enabled", "IncrementalDisplay", "picture", "Proportional", "Stretch", "Transparent", "Visible"},
         {"Align", "AutoSize", "OnProgress", "OnClick", "ParentShowHint"},
         {"Caption", "Color", "pixmap"}},
        {&e3::Te3_Gauge::StaticClass(), &e3::Te3Gauge::StaticClass(),
         {"BoxColor", "Color", "MinValue", "maxvalue", "PROGRESS", "Smooth", "TextFont", "ShowText", "Visible"},
         {"BevelStyle", "BoxCount", "BoxWidth", "Enabled", "Parent", "ParentColor", "Align"},
         {"Font", "Caption", "OnClick", "value"}},
    };
    for (const NamesCase& c : cases) {
        for (const char* name : c.shown)
            EXPECT_NE(c.engine->FindProperty(name), nullptr) << c.engine->Name() << "." << name;
        for (const char* name : c.engineOnly) {
            EXPECT_NE(c.engine->FindProperty(name), nullptr) << c.engine->Name() << "." << name;
            EXPECT_EQ(c.design->FindProperty(name), nullptr) << c.design->Name() << "." << name;
        }
        for (const char* name : c.hidden)
            EXPECT_EQ(c.engine->FindProperty(name), nullptr) << c.engine->Name() << "." << name;
        EXPECT_TRUE(c.engine->InheritsFrom(*c.design));
        EXPECT_NE(c.engine->Factory(), nullptr);
    }
    const fw::TClassInfo& progress = e3::Te3_ProgressLabel::StaticClass();
    EXPECT_TRUE(progress.InheritsFromName("Te3ProgressLabel"));
    EXPECT_TRUE(progress.InheritsFromName("Te3_Label"));
    for (const fw::TClassInfo* c : {&progress, &e3::Te3ProgressLabel::StaticClass()})
        for (const char* name : {"Caption", "MaxDotCount", "Interval", "ShowProgress"})
            EXPECT_NE(c->FindProperty(name), nullptr) << name;
    EXPECT_EQ(e3::BevelShapeType.OrdinalOf("bsSpacer"), 6);
    EXPECT_EQ(e3::BevelStyleType.OrdinalOf("bsRaised"), 1);
    EXPECT_EQ(e3::TextLayoutType.OrdinalOf("tlBottom"), 2);
}

// ---------------------------------------------------------------------------

TEST_F(DisplayTest, FormWithEveryDisplayControlIsSavedAsAPicture)
{
    root.SetColor(fw::clBtnFace);
    auto* bevel = new e3::Te3_Bevel(&root);
    bevel->SetParent(&root);
    bevel->SetBounds(8, 8, 384, 120);
    WriteByName(*bevel, "Ctl3D", int64_t {1});
    WriteByName(*bevel, "Shape", int64_t {e3::bsFrame});

    auto* label = new e3::Te3_Label(&root);
    label->SetParent(&root);
    label->SetBounds(16, 16, 150, 16);
    label->SetText("Application &number");
    auto* scaled = new e3::Te3_Label(&root);
    scaled->SetParent(&root);
    scaled->SetBounds(16, 36, 90, 16);
    scaled->SetScale(true);
    scaled->SetText("A caption far too long for its place");

    auto* progress = new e3::Te3_ProgressLabel(&root);
    progress->SetParent(&root);
    progress->SetBounds(16, 56, 150, 16);
    progress->SetText("Sending");
    progress->Tick();
    progress->Tick();

    auto* image = new e3::Te3_Image(&root);
    image->SetParent(&root);
    image->SetBounds(300, 16, 64, 64);
    image->SetStretch(true);
    image->AssignImage(TwoColourPicture());

    auto* gauge = new e3::Te3_Gauge(&root);
    gauge->SetParent(&root);
    gauge->SetBounds(16, 140, 250, 24);
    gauge->SetShowText(true);
    gauge->SetProgress(60);

    const QImage shot = Snapshot();
    const QString path = QDir(QStringLiteral(E3_BUILD_DIR)).filePath(QStringLiteral("display_controls.png"));
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < saved.height(); y += 2)
        for (int x = 0; x < saved.width(); x += 2)
            colours.insert(saved.pixel(x, y));
    EXPECT_GT(colours.size(), 1);
}

} // namespace

// The caption's accelerator gives the focus to FocusControl, only while the
// label shows its accelerator character and is enabled.
TEST(LabelFocusControl, TheAcceleratorFocusesTheNamedControl)
{
    TestContainer root {nullptr};
    root.SetBounds(0, 0, 300, 100);
    auto* label = new e3::Te3_Label(&root);
    label->SetParent(&root);
    label->SetText("&Name");
    auto* first = new e3::Te3_Edit(&root);
    first->SetParent(&root);
    first->SetBounds(0, 20, 100, 20);
    auto* named = new e3::Te3_Edit(&root);
    named->SetParent(&root);
    named->SetBounds(0, 50, 100, 20);
    WriteByName(*label, "FocusControl", static_cast<fw::TObject*>(named));
    EXPECT_EQ(std::get<fw::TObject*>(e3test::ReadByName(*label, "FocusControl")), static_cast<fw::TObject*>(named));

    root.Widget()->show();
    root.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(root.Widget()));
    QWindow* window = root.Widget()->windowHandle();
    const auto pressAltN = [&] {
        first->Widget()->setFocus();
        QTest::keyClick(window, Qt::Key_N, Qt::AltModifier);
        QApplication::processEvents();
        return named->Widget()->hasFocus();
    };
    EXPECT_TRUE(pressAltN());

    label->SetShowAccelChar(false);
    EXPECT_FALSE(pressAltN());
    label->SetShowAccelChar(true);
    label->SetEnabled(false);
    EXPECT_FALSE(pressAltN());
    label->SetEnabled(true);
    label->SetText("&Applicant");
    EXPECT_FALSE(pressAltN()) << "the accelerator follows the caption";

    delete named; // the reference clears itself
    EXPECT_EQ(label->GetFocusControl(), nullptr);
    QTest::keyClick(window, Qt::Key_A, Qt::AltModifier);
}
