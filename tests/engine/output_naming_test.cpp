// Output names, extensions and folders.
#include <gtest/gtest.h>

#include "engine/output_naming.h"

using namespace pix;

TEST(OutputNaming, ExtensionTable) {
    const struct {
        const char* format;
        const char* ext;
        const char* out;
    } cases[] = {
        {"jpg", ".JPEG", ".JPEG"}, {"jpg", ".png", ".jpg"},   {" JPG ", ".jpeg", ".jpeg"}, {"jpg2000", ".jpg", ".jp2"},
        {"tiffg4", ".tiff", ".tiff"}, {"tiffg4", ".bmp", ".tif"}, {"xtiffx", ".TIF", ".TIF"}, {"bmp", ".dib", ".bmp"},
        {"pcx", ".jpg", ".pcx"},   {"png", ".PNG", ".PNG"},   {"gif", ".jpg", ".gif"},     {"", ".jpe", ".jpe"},
        {"webp", ".jpg", ".jpg"},  {"jpg", "", ".jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(outputExtension(c.format, c.ext), c.out) << c.format << " " << c.ext;
}

TEST(OutputNaming, SplitAndNewName) {
    PathParts p = splitPath("/in/a/p.q.jpg");
    EXPECT_EQ(p.folder, "/in/a/");
    EXPECT_EQ(p.name, "p.q.jpg");
    EXPECT_EQ(p.extension, ".jpg");
    EXPECT_EQ(p.stem, "p.q");
    applyNewName("report.png", p);
    EXPECT_EQ(p.stem, "report");
    EXPECT_EQ(p.extension, ".png");
    p = splitPath("/in/p.jpg");
    applyNewName("v1.2\\final", p);  // the dot stands before the last separator: no extension
    EXPECT_EQ(p.stem, "v1.2\\final");
    EXPECT_EQ(p.extension, ".jpg");
    p = splitPath("/in/noext");
    EXPECT_EQ(p.extension, "");
    EXPECT_EQ(p.stem, "noext");
}

TEST(OutputNaming, FolderTokens) {
    EXPECT_EQ(sourceDirectoryRule(folderText("[Source Directory]\\done\\"), "/in/"), "/in/done/");
    EXPECT_EQ(sourceDirectoryRule("[SOURCE DIRECTORY]/done", "/in/"), "/in/done");
    EXPECT_EQ(sourceDirectoryRule("[source directory]", "/in/"), "/in/");
    EXPECT_EQ(sourceDirectoryRule(" [source directory]/x", "/in/"), " [source directory]/x");
    EXPECT_EQ(sourceDirectoryRule("/out/", "/in/"), "/out/");
    // directory "/in" (no separator): the tail begins with one, doubled separators are harmless
    EXPECT_EQ(expandsubfolders("/out/[subfolders]", "/in/a/b/", 3), "/out//a/b/");
    EXPECT_EQ(expandsubfolders("/out/[SubFolders]/ignored", "/in/a/b/", 4), "/out/a/b/");
    EXPECT_EQ(expandsubfolders("/out/[subfolders]", "/in/", 4), "/out/");
}
