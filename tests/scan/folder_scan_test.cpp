// The folder scan, the extension filter and the scan-and-run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "profile/form_model.h"
#include "scan/folder_scan.h"
#include "scan/scan_run.h"
#include "support/test_support.h"

using namespace pix;
using pixtest::TempDir;
namespace fs = std::filesystem;

namespace {
void touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    pixtest::writeFile(path, std::string("x"));
}
}  // namespace

TEST(Wildcard, Matching) {
    const struct {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "noext", true},   {"*.jpg", "a.JPG", true},  {"*.jpg", "a.jpg.txt", false}, {"a?c.*", "abc.x", true},
        {"a?c.*", "ac.x", false}, {"*", ".hidden", true},    {"*.j*g", "x.jpeg", true},      {"p*q*r", "pqqr", true},
        {"P*.TIF", "photo.tif", true}, {"*.png", "png", false},
    };
    for (const auto& c : cases) EXPECT_EQ(wildcardMatch(c.mask, c.name), c.match) << c.mask << " " << c.name;
}

TEST(FolderScan, BreadthFirstWithMaskAndHiddenFiles) {
    TempDir dir;
    touch(dir / "top/a.jpg");
    touch(dir / "top/.hidden.jpg");
    touch(dir / "top/skip.txt");
    touch(dir / "top/sub1/b.JPG");
    touch(dir / "top/sub1/deeper/c.jpg");
    touch(dir / "top/zz.nomatch/d.jpg");
    const auto found = scanFolder(dir / "top", "*.jpg", true);
    ASSERT_EQ(found.size(), 5u);
    // Top folder first (any order), then the subfolders' files, then one level deeper.
    std::set<std::string> top(found.begin(), found.begin() + 2);
    EXPECT_EQ(top, (std::set<std::string>{dir / "top/a.jpg", dir / "top/.hidden.jpg"}));
    std::set<std::string> level1(found.begin() + 2, found.begin() + 4);
    EXPECT_EQ(level1, (std::set<std::string>{dir / "top/sub1/b.JPG", dir / "top/zz.nomatch/d.jpg"}));
    EXPECT_EQ(found[4], dir / "top/sub1/deeper/c.jpg");
    EXPECT_EQ(scanFolder(dir / "top/", "*.jpg", false), scanFolder(dir / "top", "*.jpg", false));
    EXPECT_EQ(scanFolder(dir / "top", "*.jpg", false).size(), 2u);
    EXPECT_TRUE(scanFolder("", "*.*", true).empty());
    EXPECT_TRUE(scanFolder(dir / "missing", "*.*", true).empty());
}

TEST(FolderScan, LinksBackUpDoNotLoop) {
    TempDir dir;
    touch(dir / "top/a.jpg");
    fs::create_directories(dir / "top/sub");
    fs::create_directory_symlink(dir / "top", dir / "top/sub/up");
    const auto found = scanFolder(dir / "top", "*.*", true);
    EXPECT_EQ(found, (std::vector<std::string>{dir / "top/a.jpg"}));
}

TEST(ExtensionFilter, SubstringRule) {
    const std::vector<std::string> in = {"/x/photo.JPG", "/x/photo.jpg.txt", "/x/pics.png/readme.txt", "/x/a.j2k",
                                         "/x/b.jp2",     "/x/c.Tiff",        "/x/d.pcx",               "/x/e.jpe"};
    EXPECT_EQ(filterImagePaths(in), (std::vector<std::string>{"/x/photo.JPG", "/x/photo.jpg.txt",
                                                              "/x/pics.png/readme.txt", "/x/b.jp2", "/x/c.Tiff",
                                                              "/x/e.jpe"}));
}

namespace {
struct RecordingView : SchedulerView {
    std::vector<std::string> events;
    void runStarting() override { events.push_back(kTooltipProcessing); }
    void processPendingEvents() override { events.push_back("events"); }
    void runFinished() override { events.push_back(kTooltipTimerOn); }
};
struct CountingObserver : BatchObserver {
    size_t started = 0;
    void fileStarted(size_t, size_t, const std::string&) override { ++started; }
};
}  // namespace

TEST(ScanRun, RunsTheBatchOnlyWhenImagesWereFound) {
    TempDir dir;
    touch(dir / "in/readme.txt");
    FormModel form;
    form.directory = dir / "in";
    form.searchfor = "*.*";
    saveprofile(form, dir / "default.ini");
    BatchEngine engine;
    RecordingView view;
    CountingObserver obs;
    EXPECT_EQ(doprocess(engine, dir / "default.ini", dir.path(), false, view, &obs).filesFound, 0u);
    EXPECT_EQ(obs.started, 0u);
    EXPECT_EQ(view.events, (std::vector<std::string>{kTooltipProcessing, "events", kTooltipTimerOn}));
    touch(dir / "in/tiny.jpg");  // not a real image: the reader's error ends the run
    view.events.clear();
    EXPECT_THROW(doprocess(engine, dir / "default.ini", dir.path(), false, view, &obs), std::exception);
    EXPECT_EQ(view.events, (std::vector<std::string>{kTooltipProcessing, "events"}));
}
