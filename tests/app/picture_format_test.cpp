// The kind of picture a chart is saved as, from the file name alone.
#include "app/picture_format.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(PictureFormat, ByTheExtensionAndJpegForAnyOtherName) {
    const std::pair<const char*, PictureFormat> cases[] = {
        {"chart.png", PictureFormat::png},
        {"chart.PNG", PictureFormat::png},
        {"chart.svg", PictureFormat::svg},
        {"chart.Svg", PictureFormat::svg},
        {"chart.jpg", PictureFormat::jpeg},
        {"chart.jpeg", PictureFormat::jpeg},
        {"chart.bmp", PictureFormat::jpeg},          // no picture type of ours
        {"chart", PictureFormat::jpeg},              // no extension at all
        {"chart.png.txt", PictureFormat::jpeg},      // only the last extension counts
        {"pictures.png/chart", PictureFormat::jpeg}, // a folder's extension is not the file's
        {"/home/user/pictures/chart.svg", PictureFormat::svg},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(pictureFormatOf(name), format) << name;
}

} // namespace
} // namespace nimbrel
