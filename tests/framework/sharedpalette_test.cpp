#include "framework/Graphics.h"

#include <QPalette>
#include <gtest/gtest.h>

using namespace fw;

namespace {

QPalette WithColour(QPalette::ColorGroup group, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette;
    palette.setColor(group, role, colour);
    return palette;
}

// Palettes built apart with the same brushes come back as one (one cache
// key); one brush apart, in any group, they stay apart. What comes back
// always has the brushes that went in.
TEST(SharedPaletteTest, EqualBrushesShareOneKeyAndOthersKeepTheirOwn)
{
    const QPalette a = WithColour(QPalette::All, QPalette::Button, QColor(10, 20, 30));
    const QPalette b = WithColour(QPalette::All, QPalette::Button, QColor(10, 20, 30));
    ASSERT_NE(a.cacheKey(), b.cacheKey());
    const QPalette sharedA = SharedPalette(a);
    const QPalette sharedB = SharedPalette(b);
    EXPECT_EQ(sharedA.cacheKey(), sharedB.cacheKey());
    EXPECT_EQ(sharedA, a);

    QPalette disabledApart = b;
    disabledApart.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(1, 2, 3));
    QPalette textureApart = b;
    textureApart.setBrush(QPalette::Button, QBrush(QColor(10, 20, 30), Qt::Dense4Pattern));
    for (const QPalette& other : {disabledApart, textureApart}) {
        const QPalette shared = SharedPalette(other);
        EXPECT_EQ(shared, other);
        EXPECT_NE(shared.cacheKey(), sharedA.cacheKey());
    }
}

// Many different palettes (past the point where the table starts over)
// each come back with their own brushes, and equal ones still meet.
TEST(SharedPaletteTest, ManyPalettesKeepTheirBrushes)
{
    for (int i = 0; i < 600; ++i) {
        const QColor colour(i % 256, i / 256, 7);
        const QPalette first = SharedPalette(WithColour(QPalette::All, QPalette::Base, colour));
        const QPalette second = SharedPalette(WithColour(QPalette::All, QPalette::Base, colour));
        ASSERT_EQ(first.color(QPalette::Base), colour) << i;
        ASSERT_EQ(first.cacheKey(), second.cacheKey()) << i;
    }
}

} // namespace
