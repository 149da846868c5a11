// The batch run end to end on real files: names, folders, roads, redating,
// deletion and the data-safety rules.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "engine/batch_engine.h"
#include "engine/file_helpers.h"
#include "image/error.h"
#include "support/test_support.h"
#include "writers/writers.h"

using namespace pix;
using pixtest::TempDir;
namespace fs = std::filesystem;

namespace {

void makeJpeg(const std::string& path, int w = 64, int h = 48, int quality = 90) {
    fs::create_directories(fs::path(path).parent_path());
    Image img = pixtest::photoImage(w, h);
    img.params.JpegQuality = quality;
    ASSERT_TRUE(saveimage(img, path));
}

struct Recorder : BatchObserver {
    std::vector<std::string> outputs, skipped, notWritten, roads;
    void fileSkipped(const std::string& p, const std::string&) override { skipped.push_back(p); }
    void fileWritten(const std::string&, const std::string& out, int64_t, int64_t, const std::string& road) override {
        outputs.push_back(out);
        roads.push_back(road);
    }
    void fileNotWritten(const std::string& in, const std::string&) override { notWritten.push_back(in); }
};

// Runs the batch over files with the given profile lines; returns what it reported.
Recorder runWith(const std::vector<std::string>& lines, const std::vector<std::string>& files) {
    BatchEngine engine;
    engine.profile().setLines(lines);
    engine.jobFiles() = files;
    Recorder r;
    engine.runbatch(&r);
    return r;
}

std::vector<std::string> leftovers(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename();
        if (name.rfind("temp_", 0) == 0 || name.find(".pixmarsh-") != std::string::npos) found.push_back(name);
    }
    return found;
}

}  // namespace

TEST(BatchRun, OutputNamesFoldersAndRoads) {
    const struct {
        const char* input;
        std::vector<std::string> lines;
        const char* output;  // relative to the temp folder
        const char* road;
    } cases[] = {
        {"in/p.JPEG", {"imageformat=jpg", "suffix=_s"}, "in/p_s.JPEG", "copied"},
        {"in/p.jpg", {"grayscale", "prefix=g_"}, "in/g_p.jpg", "encoded"},
        {"in/p.jpg", {"savein=\"[Source Directory]\\done\\\""}, "in/done/p.jpg", "copied"},
        {"in/p.jpg", {"savein=[SOURCE DIRECTORY]/done"}, "in/done/p.jpg", "copied"},
        {"in/p.jpg", {"savein=@/out"}, "out/p.jpg", "copied"},
        {"in/a/b/p.jpg", {"directory=@/in", "savein=@/out/[subfolders]"}, "out/a/b/p.jpg", "copied"},
        {"in/a/b/p.jpg", {"directory=@/in/", "savein=@/out/[SubFolders]"}, "out/a/b/p.jpg", "copied"},
        {"in/p.jpg", {"newname=report.jpeg"}, "in/report.jpeg", "encoded"},
        {"in/p.jpg", {"newname=renamed", "suffix=_x"}, "in/renamed_x.jpg", "copied"},
        {"in/p.jpg", {"colordepth=24", "suffix=_d"}, "in/p_d.jpg", "encoded"},
        {"in/p.jpg", {"colordepth=AsIs", "suffix=_d"}, "in/p_d.jpg", "copied"},
        {"in/p.jpg", {"orientation=Left90", "suffix=_o"}, "in/p_o.jpg", "encoded"},
        {"in/p.jpg", {"brightness=0", "suffix=_b"}, "in/p_b.jpg", "encoded"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string input = dir / c.input;
        makeJpeg(input);
        std::vector<std::string> lines;
        for (std::string l : c.lines) {
            const size_t at = l.find('@');
            if (at != std::string::npos) l.replace(at, 2, dir.path());
            lines.push_back(l);
        }
        const Recorder r = runWith(lines, {input});
        ASSERT_EQ(r.outputs.size(), 1u) << c.output;
        EXPECT_TRUE(fs::equivalent(r.outputs[0], dir / c.output)) << r.outputs[0] << " vs " << c.output;
        EXPECT_EQ(r.roads[0], c.road) << c.output;
        if (std::string(c.road) == "copied") {
            EXPECT_EQ(pixtest::readFile(r.outputs[0]), pixtest::readFile(input)) << c.output;
        }
        EXPECT_TRUE(leftovers(dir.path()).empty());
    }
}

TEST(BatchRun, EncodedOutputIsAValidJpegWithSettings) {
    TempDir dir;
    makeJpeg(dir / "p.jpg", 200, 120);
    const Recorder r = runWith({"brightness=10", "quality=50", "dpi=150", "suffix=_e", "progressivejpeg"},
                               {dir / "p.jpg"});
    ASSERT_EQ(r.outputs.size(), 1u);
    std::string out;
    ASSERT_EQ(pixtest::run("/usr/bin/identify -format '%w %h %x %y %[interlace] %Q' '" + r.outputs[0] + "'", &out), 0);
    EXPECT_EQ(out, "200 120 150 150 JPEG 50");
}

TEST(BatchRun, SameNewNameForEveryFileKeepsTheLast) {
    TempDir dir;
    makeJpeg(dir / "a.jpg", 40, 30);
    makeJpeg(dir / "b.jpg", 50, 30);
    const Recorder r = runWith({"newname=report.jpg"}, {dir / "a.jpg", dir / "b.jpg"});
    ASSERT_EQ(r.outputs.size(), 2u);
    std::string out;
    pixtest::run("/usr/bin/identify -format '%w' '" + (dir / "report.jpg") + "'", &out);
    EXPECT_EQ(out, "50");
}

TEST(BatchRun, FavourSizeKeepsTheSmallerFile) {
    TempDir dir;
    makeJpeg(dir / "small.jpg", 120, 90, 20);
    makeJpeg(dir / "big.jpg", 120, 90, 100);
    Recorder r = runWith({"favorfilesize", "quality=100", "brightness=1", "suffix=_f"}, {dir / "small.jpg"});
    EXPECT_EQ(r.roads.at(0), "kept input");
    EXPECT_EQ(pixtest::readFile(dir / "small_f.jpg"), pixtest::readFile(dir / "small.jpg"));
    r = runWith({"favorfilesize", "quality=10", "suffix=_f"}, {dir / "big.jpg"});
    EXPECT_EQ(r.roads.at(0), "encoded");
    EXPECT_LT(fs::file_size(dir / "big_f.jpg"), fs::file_size(dir / "big.jpg"));
    // A format change keeps the encoded file whatever its size.
    r = runWith({"favorfilesize", "quality=100", "newname=changed.jpeg"}, {dir / "small.jpg"});
    EXPECT_EQ(r.roads.at(0), "encoded");
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(BatchRun, FavourSizeWithoutWriterEndsTheRunAndLeavesNoTemporaryFile) {
    TempDir dir;
    makeJpeg(dir / "p.jpg");
    try {
        runWith({"favorfilesize", "newname=x.unknown"}, {dir / "p.jpg"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "temp_x.unknown"));
    }
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST(BatchRun, CopyOfTheOriginalAndRedating) {
    TempDir dir;
    makeJpeg(dir / "in/p.jpg");
    setfiledate(dir / "in/p.jpg", 1000000001);
    const Recorder r =
        runWith({"moveoriginalto=" + (dir / "orig/"), "retainoriginaldate", "grayscale", "suffix=_r"}, {dir / "in/p.jpg"});
    ASSERT_EQ(r.outputs.size(), 1u);
    EXPECT_EQ(pixtest::readFile(dir / "orig/p.jpg"), pixtest::readFile(dir / "in/p.jpg"));
    EXPECT_EQ(filedateof(dir / "orig/p.jpg"), 1000000000);
    EXPECT_EQ(filedateof(dir / "in/p_r.jpg"), 1000000000);
}

TEST(BatchRun, CopyOntoTheInputItselfFailsWithoutHarm) {
    TempDir dir;
    makeJpeg(dir / "p.jpg");
    const auto before = pixtest::readFile(dir / "p.jpg");
    for (const std::vector<std::string>& lines : {std::vector<std::string>{"moveoriginalto=[Source Directory]\\"},
                                                  std::vector<std::string>{"deleteoriginal"}}) {
        try {
            runWith(lines, {dir / "p.jpg"});
            FAIL();
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "p.jpg"));
        }
        EXPECT_EQ(pixtest::readFile(dir / "p.jpg"), before);
    }
}

TEST(BatchRun, DeletionNeedsAnOutputOfItsOwn) {
    TempDir dir;
    makeJpeg(dir / "a.jpg");
    makeJpeg(dir / "b.jpg");
    makeJpeg(dir / "c.jpg");
    makeJpeg(dir / "tiny.jpg", 1, 1);
    // Normal case: the input goes.
    runWith({"deleteoriginal=false", "suffix=_d"}, {dir / "a.jpg", dir / "tiny.jpg"});
    EXPECT_FALSE(pixtest::exists(dir / "a.jpg"));
    EXPECT_TRUE(pixtest::exists(dir / "a_d.jpg"));
    EXPECT_TRUE(pixtest::exists(dir / "tiny.jpg"));  // skipped, not deleted
    // No writer for the output: nothing written, the input stays.
    Recorder r = runWith({"deleteoriginal", "newname=out.xyz"}, {dir / "b.jpg"});
    EXPECT_EQ(r.notWritten.size(), 1u);
    EXPECT_TRUE(pixtest::exists(dir / "b.jpg"));
    EXPECT_FALSE(pixtest::exists(dir / "out.xyz"));
    // The output is the input: encoded in place and kept.
    const auto original = pixtest::readFile(dir / "c.jpg");
    r = runWith({"deleteoriginal", "grayscale"}, {dir / "c.jpg"});
    ASSERT_EQ(r.outputs.size(), 1u);
    ASSERT_TRUE(pixtest::exists(dir / "c.jpg"));
    EXPECT_NE(pixtest::readFile(dir / "c.jpg"), original);
}

TEST(BatchRun, SkipsFilesWithoutReaderOrTooSmall) {
    TempDir dir;
    makeJpeg(dir / "ok.jpg");
    makeJpeg(dir / "wide.jpg", 100, 2);
    pixtest::writeFile(dir / "x.jpg.bak", std::string("not read"));
    const Recorder r = runWith({"suffix=_s"}, {dir / "x.jpg.bak", dir / "wide.jpg", dir / "ok.jpg"});
    EXPECT_EQ(r.skipped, (std::vector<std::string>{dir / "x.jpg.bak", dir / "wide.jpg"}));
    EXPECT_EQ(r.outputs.size(), 1u);
}

TEST(BatchRun, ErrorsEndTheRunAndNameTheCause) {
    TempDir dir;
    makeJpeg(dir / "a.jpg");
    pixtest::writeFile(dir / "broken.jpg", std::string("\xFF\xD8\xFF\xE0garbage", 11));
    makeJpeg(dir / "c.jpg");
    try {
        runWith({"suffix=_s", "grayscale"}, {dir / "a.jpg", dir / "broken.jpg", dir / "c.jpg"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(dir / "broken.jpg"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(pixtest::exists(dir / "a_s.jpg"));
    EXPECT_FALSE(pixtest::exists(dir / "c_s.jpg"));
    try {
        runWith({"brightness=abc"}, {dir / "a.jpg"});
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_THROW(runWith({}, {dir / "vanished.jpg"}), Error);
}

namespace {
// Limits the size of files this process may write, as a full disk would.
struct FileSizeLimit {
    rlimit saved{};
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit l = saved;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};
}  // namespace

TEST(BatchRun, FullDiskIsAnErrorAndLeavesNothingBehind) {
    TempDir dir;
    makeJpeg(dir / "p.jpg", 400, 300, 95);
    const auto before = pixtest::readFile(dir / "p.jpg");
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{"grayscale", "quality=100", "suffix=_e", "deleteoriginal"},
          std::vector<std::string>{"suffix=_c", "deleteoriginal"},
          std::vector<std::string>{"favorfilesize", "grayscale", "quality=100", "suffix=_f", "deleteoriginal"},
          std::vector<std::string>{"grayscale", "quality=100", "deleteoriginal"}}) {
        FileSizeLimit limit(4096);
        EXPECT_THROW(runWith(lines, {dir / "p.jpg"}), Error) << lines[1];
    }
    EXPECT_EQ(pixtest::readFile(dir / "p.jpg"), before);  // nothing lost, also when writing in place
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);
}
