#include <gtest/gtest.h>

#include "client/ClassRegistry.h"
#include "client/FormReader.h"
#include "e3/display/Gauge.h"

#include <memory>

namespace {

struct CreateCase {
    const char* asked;
    const char* created;
};

TEST(DisplayRegistry, EngineNamesInAnyCaseCreateTheEngineClasses)
{
    const CreateCase cases[] = {
        {"Te3_Bevel", "Te3_Bevel"},           {"te3bevel", "Te3_Bevel"},
        {"TE3_LABEL", "Te3_Label"},           {"Te3Label", "Te3_Label"},
        {"Te3ProgressLabel", "Te3_ProgressLabel"}, {"te3_progresslabel", "Te3_ProgressLabel"},
        {"Te3Image", "Te3_Image"},            {"Te3_Gauge", "Te3_Gauge"},
        {"TE3GAUGE", "Te3_Gauge"},
    };
    for (const CreateCase& c : cases) {
        std::unique_ptr<fw::TComponent> made(client::CreateComponentByClassName(c.asked, nullptr));
        ASSERT_NE(made, nullptr) << c.asked;
        EXPECT_EQ(made->ClassName(), c.created) << c.asked;
    }
    for (const char* middle : {"Te3Bevel", "Te3Label", "Te3Image", "Te3Gauge", "Te3ProgressLabel"}) {
        const fw::TClassInfo* found = client::FindClass(middle);
        ASSERT_NE(found, nullptr) << middle;
        EXPECT_EQ(found->Name(), middle);
    }
}

// Values travel as text the way descriptions and replies carry them.
TEST(DisplayRegistry, PropertiesSetAndReadByPathAsText)
{
    struct PathCase {
        const char* className;
        const char* path;
        const char* written;
        const char* readPath;
        const char* read;
    };
    const PathCase cases[] = {
        {"Te3_Bevel", "Shape", "bsFrame", "SHAPE", "bsFrame"},
        {"Te3_Bevel", "Style", "1", "Style", "bsRaised"},
        {"Te3_Label", "LabelLayout", "tlTop", "Layout", "tlTop"},
        {"Te3_Label", "Caption", "Filing date", "caption", "Filing date"},
        {"Te3_Label", "Scale", "1", "Scale", "true"},
        {"Te3_ProgressLabel", "ShowProgress", "True", "ShowProgress", "true"},
        {"Te3_Image", "Stretch", "TRUE", "Stretch", "true"},
        {"Te3_Gauge", "Progress", "50", "Progress", "50"},
        {"Te3_Gauge", "TextFont.Height", "-16", "TextFont.Height", "-16"},
        {"Te3_Gauge", "BevelStyle", "bsRaised", "BevelStyle", "bsRaised"},
    };
    for (const PathCase& c : cases) {
        std::unique_ptr<fw::TComponent> made(client::CreateComponentByClassName(c.className, nullptr));
        client::SetPropertyByPath(made.get(), c.path, c.className, c.written);
        EXPECT_EQ(client::GetPropertyText(c.className, c.readPath, made.get()), c.read) << c.className << "." << c.path;
    }
}

TEST(DisplayRegistry, GaugeProgressOutsideTheRangeReadsBackUnchanged)
{
    std::unique_ptr<fw::TComponent> gauge(client::CreateComponentByClassName("Te3_Gauge", nullptr));
    client::SetPropertyByPath(gauge.get(), "Progress", "Te3_Gauge", "70");
    client::SetPropertyByPath(gauge.get(), "Progress", "Te3_Gauge", "150");
    client::SetPropertyByPath(gauge.get(), "MaxValue", "Te3_Gauge", "60");
    EXPECT_EQ(client::GetPropertyText("Te3_Gauge", "Progress", gauge.get()), "70");
    EXPECT_EQ(client::GetPropertyText("Te3_Gauge", "MaxValue", gauge.get()), "60");
    EXPECT_EQ(static_cast<e3::Te3_Gauge*>(gauge.get())->Fill().text, "100%");
}

} // namespace

#include "ClientFixture.h"
#include "e3/display/Image.h"
#include "u3/Base64.h"

#include <QBuffer>

namespace {

class ImagePictureTest : public e3test::ClientFixture {};

TEST_F(ImagePictureTest, APictureStepShowsTheEnginesPicture)
{
    QImage logo(4, 3, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    logo.save(&buffer, "PNG");
    engine->ServeFile("Image", "Logo", u3::StringToBase64(png.toStdString()));

    std::unique_ptr<fw::TComponent> image(client::CreateComponentByClassName("Te3_Image", nullptr));
    client::SetPropertyByPath(image.get(), "PICTURE", "Te3_Image", "Logo");
    const QImage& shown = static_cast<e3::Te3CustomImage*>(image.get())->GetPicture()->Image();
    EXPECT_EQ(shown.size(), QSize(4, 3));
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(Qt::blue));
}

} // namespace
