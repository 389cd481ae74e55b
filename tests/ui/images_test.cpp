// The painted pictures: drawn at every size and pixel ratio asked for, and
// each one its own.

#include <QImage>
#include <QPixmap>

#include "ui/images.h"
#include "ui/main_window_support.h"

namespace vy::uitest {
namespace {

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                ++count;
    return count;
}

std::vector<QIcon> AllImages()
{
    std::vector<QIcon> icons;
    for (int i = 0; i < ToolImageCount; ++i)
        icons.push_back(ToolImage(i));
    for (int i = 0; i < TreeImageCount; ++i)
        icons.push_back(TreeImage(i));
    icons.push_back(WindowImage());
    return icons;
}

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(ImagesTest, EveryImageIsDrawnAtEachSizeAndPixelRatio)
{
    const std::vector<QIcon> icons = AllImages();
    ASSERT_EQ(icons.size(), 13u);
    for (std::size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(icons[i].isNull());
        for (int size : {16, 24, 32, 48}) {
            const QImage image = icons[i].pixmap(size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size));
            // Something is drawn, and not a full square.
            const int opaque = OpaquePixels(image);
            EXPECT_GT(opaque, size * size / 10);
            EXPECT_LT(opaque, size * size);
        }
        const QPixmap sharp = icons[i].pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(sharp.size(), QSize(32, 32));
        EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
        // Drawn afresh at the device size, not a scaled-up small picture.
        EXPECT_EQ(sharp.toImage().convertToFormat(QImage::Format_ARGB32),
                  icons[i].pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32));
    }
}

TEST_F(ImagesTest, ImagesDifferFromEachOther)
{
    const std::vector<QIcon> icons = AllImages();
    for (std::size_t a = 0; a < icons.size(); ++a)
        for (std::size_t b = a + 1; b < icons.size(); ++b)
            EXPECT_NE(icons[a].pixmap(16).toImage(), icons[b].pixmap(16).toImage()) << a << " " << b;
}

TEST_F(ImagesTest, DisabledImagesAreFainter)
{
    const QIcon icon = ToolImage(1);
    const QImage normal = icon.pixmap(QSize(16, 16), QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(16, 16), QIcon::Disabled).toImage();
    EXPECT_GT(OpaquePixels(normal), OpaquePixels(disabled));
}

TEST_F(ImagesTest, IndexesOutsideTheListsGiveNoImage)
{
    EXPECT_TRUE(ToolImage(-1).isNull());
    EXPECT_TRUE(ToolImage(3).isNull());
    EXPECT_TRUE(TreeImage(-1).isNull());
    EXPECT_TRUE(TreeImage(9).isNull());
}

}  // namespace
}  // namespace vy::uitest
