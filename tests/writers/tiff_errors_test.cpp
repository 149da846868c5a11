// A write that cannot store its bytes (a full disk) ends the TIFF writing
// with an error, and no partial file is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "image/error.h"
#include "support/test_support.h"
#include "writers/writers.h"

namespace {

// A sink that stores the first `limit` bytes and then fails like a full disk.
class FullSink : public pix::MemorySink {
public:
    explicit FullSink(uint64_t limit) : limit_(limit) {}
    void write(const void* data, size_t n) override {
        if (tell() + n > limit_) throw pix::Error("Cannot write file \"x.tif\". No space left on device");
        pix::MemorySink::write(data, n);
    }

private:
    uint64_t limit_;
};

TEST(TiffErrors, SinkFailureAtAnyPointIsAnError) {
    pix::Image img = pixtest::photoImage(300, 200);
    for (uint8_t code : {pix::kTiffNone, pix::kTiffLzw, pix::kTiffPackBits, pix::kTiffG4}) {
        img.params.TiffCompression = code;
        img.params.BitsPerSample = code == pix::kTiffG4 ? 1 : 8;
        img.params.SamplesPerPixel = code == pix::kTiffG4 ? 1 : 3;
        pix::MemorySink whole;
        pix::writeTiff(img, whole);
        const uint64_t size = whole.bytes().size();
        for (uint64_t limit : {uint64_t(0), uint64_t(8), uint64_t(24), size / 2, size - 1}) {
            FullSink sink(limit);
            EXPECT_THROW(pix::writeTiff(img, sink), pix::Error) << int(code) << " after " << limit;
        }
    }
}

// A small tmpfs stands in for a full disk (needs root; skipped otherwise).
class TinyDisk {
public:
    explicit TinyDisk(const std::string& path) : path_(path) {
        std::filesystem::create_directory(path);
        mounted_ = pixtest::run("mount -t tmpfs -o size=64k tmpfs '" + path + "' 2>/dev/null") == 0;
    }
    ~TinyDisk() {
        if (mounted_) pixtest::run("umount '" + path_ + "' 2>/dev/null");
    }
    bool mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};

TEST(TiffErrors, FullDiskLeavesNoPartialFile) {
    pixtest::TempDir dir;
    TinyDisk disk(dir / "disk");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string target = dir / "disk/out.tif";
    pixtest::writeFile(target, std::string("old"));
    pix::Image img = pixtest::photoImage(300, 200);  // 180 kB of raw rows
    img.params.TiffCompression = pix::kTiffNone;
    try {
        pix::saveimage(img, target);
        FAIL() << "the write should fail";
    } catch (const pix::Error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
    }
    // Only the file that stood there before remains, unchanged.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "disk")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(pixtest::readText(target), "old");
}

}  // namespace
