// The name table, the embedded archive and the disk fallback.
#include "filestore/filestore.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "codecs/codec_log.h"
#include "codecs/image.h"

extern const EmbeddedArchive gTestArchive;

namespace {

// Runs each test in a fresh folder with the test archive in place.
class FileStore : public ::testing::Test {
protected:
    void SetUp() override {
        CodecLogSetSink(nullptr);
        SetEmbeddedArchive(&gTestArchive);
        previous_ = std::filesystem::current_path();
        folder_ = std::filesystem::temp_directory_path() / ("umbravel_filestore_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_ / "Files");
        std::filesystem::current_path(folder_);
        opened_ = OpenEmbeddedFileCount();
    }
    void TearDown() override {
        EXPECT_EQ(OpenEmbeddedFileCount(), opened_) << "every open is matched by a close";
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
        SetEmbeddedArchive(nullptr);
    }
    static void WriteDiskFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path previous_, folder_;
    int32_t opened_ = 0;
};

const std::string kModuleBytes = "IMPM Tenebrix test bytes\n";

}  // namespace

TEST(NameTable, HoldsTheNamesInOrderWithTheirIds) {
    const EmbeddedArchive& a = gEmbeddedArchive;
    ASSERT_EQ(a.length, 730);
    std::set<std::string> folded;
    for (int p = 1; p < a.length; ++p) {
        EXPECT_EQ(a.entries[p].resourceId, uint32_t(499 + p));
        EXPECT_EQ(std::strncmp(a.entries[p].name, "Files\\", 6), 0) << a.entries[p].name;
        std::string f = a.entries[p].name;
        for (char& c : f) c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(folded.insert(f).second) << "twice: " << a.entries[p].name;
    }
    struct Known {
        const char* name;
        uint32_t id;
    };
    for (Known k : {Known{"Files\\Link.lwo", 500}, Known{"Files\\Tenebrix.it", 501}, Known{"Files\\HeartTex.jpg", 520},
                    Known{"Files\\Video\\EH\\EH027.JPG", 521}, Known{"Files\\Video\\EH\\EH001.JPG", 522},
                    Known{"Files\\Video\\EH\\EH000.JPG", 548}, Known{"Files\\Video\\EH\\EH315.JPG", 836},
                    Known{"Files\\Video\\War\\WAR002.JPG", 837}, Known{"Files\\Video\\War\\WAR000.JPG", 839},
                    Known{"Files\\Video\\War\\WAR360.JPG", 1197}, Known{"Files\\Heart.lwo", 1198},
                    Known{"Files\\BrainF.jpg", 1217}, Known{"Files\\Sad09.jpg", 1218}, Known{"Files\\Sad18.jpg", 1227},
                    Known{"Files\\Gun1.lwo", 1228}}) {
        int32_t p = FindEmbeddedFile(k.name);
        ASSERT_GT(p, 0) << k.name;
        EXPECT_EQ(a.entries[p].resourceId, k.id) << k.name;
        EXPECT_STREQ(a.entries[p].name, k.name);
    }
    EXPECT_EQ(FindEmbeddedFile(""), 0) << "the placeholder is never searched";
}

TEST(NameTable, ComparesWithAsciiCaseFolding) {
    EXPECT_TRUE(NamesEqualFolded("Files\\Tenebrix.IT", "Files\\Tenebrix.it"));
    EXPECT_TRUE(NamesEqualFolded("FILES\\VIDEO\\EH\\eh000.jpg", "Files\\Video\\EH\\EH000.JPG"));
    EXPECT_FALSE(NamesEqualFolded("Files\\Tenebrix.it", "Files\\Tenebrix.i"));
    EXPECT_FALSE(NamesEqualFolded("Files\\Tenebrix.i", "Files\\Tenebrix.it"));
    EXPECT_FALSE(NamesEqualFolded("Files\\\xC4.jpg", "Files\\\xE4.jpg")) << "only A..Z fold";
    EXPECT_FALSE(NamesEqualFolded("Files/Link.lwo", "Files\\Link.lwo"));
    EXPECT_FALSE(NamesEqualFolded("[", "{")) << "'[' is 'Z' + 1, not a letter";
}

TEST_F(FileStore, EmbeddedFilesOpenWithoutCopyAndCloseOnePerOpen) {
    EXPECT_EQ(GetEmbeddedFileSize("Files\\Tenebrix.IT"), kModuleBytes.size());
    uint32_t opened = 0;
    const uint8_t* a = OpenEmbeddedFileSized("Files\\Tenebrix.IT", &opened);
    EXPECT_EQ(opened, kModuleBytes.size());
    const uint8_t* b = OpenEmbeddedFile("files\\tenebrix.it");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b) << "the archive's own bytes";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a), kModuleBytes.size()), kModuleBytes);
    int32_t open = OpenEmbeddedFileCount();
    CloseEmbeddedFile(a);
    EXPECT_EQ(OpenEmbeddedFileCount(), open - 1);
    uint8_t stranger = 0;
    CloseEmbeddedFile(&stranger);
    CloseEmbeddedFile(nullptr);
    EXPECT_EQ(OpenEmbeddedFileCount(), open - 1);
    CloseEmbeddedFile(b);

    // The content folder spells the frame "eh000.jpg"; the build found it by folding.
    EXPECT_EQ(GetEmbeddedFileSize("Files\\Video\\EH\\EH000.JPG"), 773u);
}

TEST_F(FileStore, TableNamesWithoutContentAreMissingResources) {
    // A table name that was not embedded fails like a missing resource, even with a disk
    // file of that name beside the program.
    WriteDiskFile("Files/Heart.lwo", "on the disk");
    EXPECT_EQ(OpenEmbeddedFile("Files\\Heart.lwo"), nullptr);
    EXPECT_EQ(GetEmbeddedFileSize("Files\\Heart.lwo"), 0u);
    uint32_t size = 99;
    EXPECT_EQ(LoadFileCopy("Heart.lwo", &size), nullptr);
    EXPECT_EQ(size, 0u);

    // An embedded empty file opens, but has nothing to copy or decode.
    const uint8_t* empty = OpenEmbeddedFile("Files\\Beep.pcm");
    EXPECT_NE(empty, nullptr);
    CloseEmbeddedFile(empty);
    EXPECT_EQ(LoadFileCopy("Beep.pcm", &size), nullptr);
}

TEST_F(FileStore, OtherNamesComeFromTheDisk) {
    EXPECT_EQ(OpenEmbeddedFile("Files\\Nowhere.bin"), nullptr);
    EXPECT_EQ(GetEmbeddedFileSize("Files\\Nowhere.bin"), 0u);
    EXPECT_EQ(FileExistsOnDisk("Files\\Nowhere.bin"), 0);
    EXPECT_EQ(FileExistsOnDisk("Files"), 0) << "a folder is no file";

    WriteDiskFile("Files/Extra.bin", "disk bytes");
    EXPECT_EQ(FileExistsOnDisk("Files\\Extra.bin"), 1);
    EXPECT_EQ(GetEmbeddedFileSize("Files\\Extra.bin"), 10u);
    const uint8_t* a = OpenEmbeddedFile("Files\\Extra.bin");
    const uint8_t* b = OpenEmbeddedFile("Files\\Extra.bin");
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b) << "each open reads its own copy";
    EXPECT_EQ(std::memcmp(a, "disk bytes", 10), 0);
    CloseEmbeddedFile(b);
    // The bytes handed out come with their count, also after the file changed.
    WriteDiskFile("Files/Extra.bin", "disk");
    uint32_t size = 0;
    b = OpenEmbeddedFileSized("Files\\Extra.bin", &size);
    EXPECT_EQ(size, 4u);
    CloseEmbeddedFile(b);  // closing frees the copy (the sanitizer build checks)
    CloseEmbeddedFile(a);

    WriteDiskFile("Files/Empty.bin", "");
    const uint8_t* empty = OpenEmbeddedFile("Files\\Empty.bin");
    EXPECT_NE(empty, nullptr);
    CloseEmbeddedFile(empty);
}

TEST_F(FileStore, ShortNameLoaders) {
    uint32_t size = 0;
    uint8_t* copy = LoadFileCopy("Tenebrix.it", &size);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(size, kModuleBytes.size());
    EXPECT_EQ(std::memcmp(copy, kModuleBytes.data(), size), 0);
    std::free(copy);

    RgbImage* frame = LoadJpegImage("Video\\EH\\EH000.JPG");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width, 24);
    EXPECT_EQ(frame->height, 16);
    DestroyRgbImage(frame);

    RgbImage* logo = LoadTgaImage("LogoW1.tga");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->width, 3);
    EXPECT_EQ(logo->height, 2);
    EXPECT_EQ(logo->pixels[0], 100) << "the file's last row is the top";
    DestroyRgbImage(logo);

    EXPECT_EQ(LoadJpegImage("Tenebrix.it"), nullptr) << "the decoder refuses it";
    EXPECT_EQ(LoadTgaImage("Tenebrix.it"), nullptr);
    EXPECT_EQ(LoadJpegImage("Missing.jpg"), nullptr);

    std::string longName(250, 'a');
    WriteDiskFile("Files/" + longName, "x");
    EXPECT_EQ(LoadFileCopy(longName.c_str(), &size), nullptr) << "\"Files\\\" + 250 characters do not fit";
    longName.pop_back();
    WriteDiskFile("Files/" + longName, "x");
    copy = LoadFileCopy(longName.c_str(), &size);
    EXPECT_NE(copy, nullptr);
    std::free(copy);
}
