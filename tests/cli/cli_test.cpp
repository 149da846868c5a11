// pixmarsh-cli as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "writers/writers.h"

using pixtest::TempDir;

namespace {
std::string cli() { return PIXMARSH_CLI; }

void makeJpeg(const std::string& path, int w, int h) {
    pix::Image img = pixtest::photoImage(w, h);
    ASSERT_TRUE(pix::saveimage(img, path));
}
}  // namespace

TEST(Cli, RunPrintsALinePerFileAndASummary) {
    TempDir dir;
    std::filesystem::create_directories(dir / "in");
    makeJpeg(dir / "in/a.jpg", 50, 40);
    makeJpeg(dir / "in/b.jpg", 2, 2);
    pixtest::writeFile(dir / "p.ini", "directory=\"" + (dir / "in") + "\"\r\nsavein=\"" + (dir / "out/") +
                                          "\"\r\nimageformat=\"jpg\"\r\ngrayscale\r\n");
    std::string out;
    EXPECT_EQ(pixtest::run(cli() + " run --profile " + (dir / "p.ini") + " 2>&1", &out), 0);
    EXPECT_NE(out.find("/2 " + (dir / "in/a.jpg") + " -> " + (dir / "out/a.jpg")), std::string::npos) << out;
    EXPECT_NE(out.find((dir / "in/b.jpg") + ": skipped"), std::string::npos) << out;
    EXPECT_NE(out.find("2 file(s) found, 1 written, 1 skipped"), std::string::npos) << out;
    EXPECT_TRUE(pixtest::exists(dir / "out/a.jpg"));
}

TEST(Cli, ErrorEndsTheRunWithStatusOne) {
    TempDir dir;
    std::filesystem::create_directories(dir / "in");
    pixtest::writeFile(dir / "in/bad.jpg", std::string("not a jpeg"));
    pixtest::writeFile(dir / "p.ini", "directory=\"" + (dir / "in") + "\"\r\n");
    std::string out;
    EXPECT_EQ(pixtest::run(cli() + " run --profile " + (dir / "p.ini") + " 2>&1", &out), 1);
    EXPECT_NE(out.find("error: " + (dir / "in/bad.jpg")), std::string::npos) << out;
    pixtest::writeFile(dir / "p.ini", "directory=\"" + (dir / "in") + "\"\r\nbrightness=\"x\"\r\n");
    makeJpeg(dir / "in/bad.jpg", 10, 10);
    EXPECT_EQ(pixtest::run(cli() + " run --profile " + (dir / "p.ini") + " 2>&1", &out), 1);
    EXPECT_NE(out.find("'x' is not a valid integer value"), std::string::npos) << out;
}

TEST(Cli, UsageVersionAndEmptyFolders) {
    std::string out;
    EXPECT_EQ(pixtest::run(cli() + " --version", &out), 0);
    EXPECT_EQ(out, "Version 1.43\n");
    EXPECT_EQ(pixtest::run(cli() + " 2>/dev/null"), 2);
    EXPECT_EQ(pixtest::run(cli() + " run --bogus 2>/dev/null"), 2);
    EXPECT_EQ(pixtest::run(cli() + " --help", &out), 0);
    TempDir dir;
    pixtest::writeFile(dir / "p.ini", "directory=\"" + (dir / "none") + "\"\r\n");
    EXPECT_EQ(pixtest::run(cli() + " run --profile " + (dir / "p.ini") + " 2>&1", &out), 0);
    EXPECT_NE(out.find("0 file(s) found"), std::string::npos) << out;
}

TEST(Cli, WatchEndsOnSigterm) {
    TempDir dir;
    pixtest::writeFile(dir / "p.ini", "directory=\"" + (dir / "none") + "\"\r\ninterval=\"5\"\r\n");
    std::string out;
    const std::string cmd = "(" + cli() + " watch --profile " + (dir / "p.ini") +
                            " 2>&1 & pid=$!; sleep 1; kill -TERM $pid; wait $pid; echo status=$?)";
    EXPECT_EQ(pixtest::run(cmd, &out), 0);
    EXPECT_NE(out.find("next run in 5 minute(s)"), std::string::npos) << out;
    EXPECT_NE(out.find("status=0"), std::string::npos) << out;
}
