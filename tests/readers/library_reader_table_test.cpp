// The load through the extension table for the PNG, GIF, TIFF and JPEG 2000
// rows: every listed extension reaches its reader, and each load starts with
// empty metadata lists.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "support/library_readers_support.h"

using namespace pixtest;

namespace {

TEST(LibraryReaderTable, EveryExtensionReachesItsReader) {
    const struct {
        const char* extensions;
        pix::ReadFn read;
    } rows[] = {
        {"jp2", pix::readJp2},
        {"j2k jpc j2c", pix::readJ2k},
        {"gif", pix::readGif},
        {"tif tiff fax g3n g3f xif", pix::readTiff},
        {"png", pix::readPng},
    };
    for (const auto& row : rows) {
        std::istringstream list(row.extensions);
        for (std::string ext; list >> ext;) {
            EXPECT_EQ(pix::findReader("/in/a." + ext), row.read) << ext;
            for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(pix::findReader("/in/A." + ext), row.read) << ext;
        }
    }
    EXPECT_EQ(pix::findReader("/in/a.png.bak"), nullptr);
    EXPECT_EQ(pix::findReader("/in/a.tiff2"), nullptr);
}

TEST(LibraryReaderTable, LoadEmptiesTheMetadataOfThePreviousFile) {
    pix::Image img;
    img.params.Exif = {1, 2, 3};
    img.params.IptcList.push_back({4});
    img.params.GifComments.push_back("old");
    for (const char* name : {"png_rgb8.png", "gif_red_yellow.gif", "tiff_rgb_lzw.tif", "jp2_rgb.jp2"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(pix::loadImage(dataPath(name), img));
        EXPECT_TRUE(img.params.Exif.empty());
        EXPECT_TRUE(img.params.IptcList.empty());
        EXPECT_TRUE(img.params.GifComments.empty());
    }
}

}  // namespace
