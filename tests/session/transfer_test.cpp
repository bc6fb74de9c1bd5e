#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/dir.h"
#include "base/files.h"
#include "base/pending_file.h"
#include "base/tempfile.h"
#include "codec/jpeg_codec.h"
#include "link/session/image_list.h"
#include "link/session/transfer.h"
#include "session_fakes.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void Touch(const std::string& path) {
    ScopedFile f(OpenFileBinary(path, "wb"));
    ASSERT_TRUE(f);
}

// A fresh empty folder under the temporary folder, removed with its files afterwards.
struct TempFolder {
    std::string path;
    TempFolder() {
        ScopedTempFile t;
        EXPECT_TRUE(t.Make());
        path = t.name() + ".d";
        EXPECT_TRUE(MakeFolder(path));
    }
    ~TempFolder() {
        std::vector<std::string> names;
        ListFolderFiles(path, &names);
        for (const std::string& n : names) std::remove(File(n).c_str());
        std::remove(path.c_str());
    }
    std::string File(const std::string& name) const { return FolderWithSeparator(path) + name; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        ListFolderFiles(path, &names);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(FolderRoom, NumberingContinuesFromTheHighestDscFile) {
    TempFolder dir;
    EXPECT_EQ(HighestDscNumber(dir.path), 0);
    Touch(dir.File("DSC0005.jpg"));
    Touch(dir.File("DSC0012.jpg"));
    Touch(dir.File("DSCabcd.jpg"));   // counts as 0
    Touch(dir.File("DSC00120.jpg"));  // not the pattern
    Touch(dir.File("IMG0500.jpg"));
    EXPECT_EQ(HighestDscNumber(dir.path), 12);
    EXPECT_FALSE(FileExists(dir.File("DSC9999.jpg"))) << "the probe file is removed again";
    FakePlatform fp;
    CameraSession s;
    s.transfer.folder = dir.path;
    Touch(dir.File("DSC9990.jpg"));
    EXPECT_TRUE(CheckFolderRoom(s, 9));
    EXPECT_EQ(s.transfer.last_file_number, 9990);
    EXPECT_FALSE(CheckFolderRoom(s, 10));
    EXPECT_EQ(fp.prompts.Texts(),
              std::vector<std::string>{"Cannot copy This Directory. Please Change Directory.\n"});
    Touch(dir.File("DSC9999.jpg"));
    EXPECT_EQ(HighestDscNumber(dir.path), 9999);
    EXPECT_FALSE(CheckFolderRoom(s, 1));
}

TEST(FolderRoom, AFolderThatCannotBeWrittenHasNoRoom) {
    TempFolder dir;
    EXPECT_EQ(HighestDscNumber(dir.File("missing")), 9999);
}

TEST(FolderNames, SeparatorRules) {
    const char sep = PathSeparator();
    EXPECT_EQ(FolderWithSeparator("a"), std::string("a") + sep);
    EXPECT_EQ(FolderWithSeparator("a\\"), "a\\");
    // 0x95 0x5C is one double-byte character: its second byte is not a separator.
    EXPECT_EQ(FolderWithSeparator("x\x95\\"), std::string("x\x95\\") + sep);
    EXPECT_EQ(FolderWithSeparator("\x95\\\\"), "\x95\\\\");
    const std::string chosen = std::string("C:") + sep + "photos" + sep + "ZEK";
    EXPECT_EQ(FolderOfChosenPath(chosen), std::string("C:") + sep + "photos" + sep);
    EXPECT_EQ(FolderOfChosenPath("D:ZEK"), std::string("D:") + sep);
    EXPECT_EQ(DscFileName(7), "DSC0007.jpg");
    EXPECT_EQ(DscFileName(9999), "DSC9999.jpg");
}

TEST(Transfer, Model2ImagesLandAsNumberedFilesInANewAlbum) {
    TempFolder dir;
    Touch(dir.File("DSC0005.jpg"));
    Touch(dir.File("DSC0012.jpg"));
    SimSession t(2, 4);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    ASSERT_TRUE(CheckFolderRoom(t.s, 2));
    ASSERT_EQ(TransferSelected(t.s, {2, 4}), kLinkOk);
    EXPECT_EQ(ReadAll(dir.File("DSC0013.jpg")), SimImage(*t.cam, 2));
    EXPECT_EQ(ReadAll(dir.File("DSC0014.jpg")), SimImage(*t.cam, 4));
    EXPECT_EQ(t.ui.albums_created, 1);
    EXPECT_EQ(t.ui.album,
              (std::vector<std::string>{dir.File("DSC0013.jpg"), dir.File("DSC0014.jpg")}));
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EXPECT_EQ(t.ui.events.front(), "progress open");
    EXPECT_EQ(t.ui.events.back(), "progress close");
    // The detail line names the image and its place in the run.
    bool seen = false;
    for (const auto& [field, text] : t.fp.view.texts)
        seen |= field == kFieldDetail && text == "Image No.4 ( 2 / 2 )";
    EXPECT_TRUE(seen);
}

// Presses Cancel when the meter first moves during the given image (counted from 1).
struct CancelDuringImage : RecordingView {
    int image = 0, at = 0;
    void SetText(int field, const std::string& text) override {
        if (field == kFieldDetail) ++image;
        RecordingView::SetText(field, text);
    }
    void SetMeterPos(uint32_t pos) override {
        if (pos == 1 && image == at) SetCancelRequested(true);
        RecordingView::SetMeterPos(pos);
    }
};

// Transfers images 1 to 3 into dir with Cancel pressed during the second and "Cancel image
// transfer?" answered Yes.
LinkError TransferCancelledAtTheSecond(SimSession& t, const TempFolder& dir) {
    CancelDuringImage view;
    view.at = 2;
    t.fp.prompts.answers = {kBoxYes};
    Platform p = Plat();
    p.view = &view;
    ScopedPlatform scope(p);
    EXPECT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    EXPECT_TRUE(CheckFolderRoom(t.s, 3));
    return TransferSelected(t.s, {1, 2, 3});
}

TEST(Transfer, CancelDuringTheSecondImageLetsItFinishThenAsks) {
    TempFolder dir;
    SimSession t(2, 3);
    // Models 2 and 3 ask after the read: Yes drops that image and ends the run.
    EXPECT_EQ(TransferCancelledAtTheSecond(t, dir), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Cancel image transfer?"});
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"DSC0001.jpg"});
}

TEST(Transfer, CancelThatKeepsWholeImagesSavesTheSecondThenStops) {
    TempFolder dir;
    SimSession t(2, 3);
    t.s.transfer.keep_whole_on_cancel = true;
    EXPECT_EQ(TransferCancelledAtTheSecond(t, dir), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Cancel image transfer?"});
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"DSC0001.jpg", "DSC0002.jpg"}));
    EXPECT_EQ(ReadAll(dir.File("DSC0002.jpg")), SimImage(*t.cam, 2));
}

TEST(Transfer, Model1CancelIsAskedAfterTheImageIsSaved) {
    TempFolder dir;
    SimSession t(1, 3);
    EXPECT_EQ(TransferCancelledAtTheSecond(t, dir), kLinkOk);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Cancel image transfer?"});
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"DSC0001.jpg", "DSC0002.jpg"}));
    EXPECT_EQ(ReadAll(dir.File("DSC0002.jpg")), SimImage(*t.cam, 2));
}

TEST(Transfer, Model2ImageOfSizeZeroStopsTheRun) {
    TempFolder dir;
    SimSession t(2, 2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    EXPECT_EQ(TransferSelected(t.s, {1, 9, 2}), kLinkZeroSize);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{"Selected image not saved.\nStop transfer."});
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"DSC0001.jpg"});
}

TEST(Transfer, Model1ImageOfSizeZeroStopsTheRunToo) {
    TempFolder dir;
    SimSession t(1, 2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    EXPECT_EQ(TransferSelected(t.s, {5, 1}), kLinkZeroSize);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{"Selected image not saved.\nStop transfer."});
    EXPECT_TRUE(dir.Names().empty());
}

TEST(Transfer, FailedReadLeavesNoFileAndModel2GoesOn) {
    TempFolder dir;
    SimSession t(2, 3);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:30:5*3"));
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    int copied = -1;
    // The run goes on, but a later success does not hide the failure.
    EXPECT_EQ(TransferSelected(t.s, {1, 2}, &copied), kLinkBadReplyCode);
    EXPECT_EQ(copied, 1);
    // The first image's first block failed three times and left nothing; the second image
    // was saved under the next number.
    EXPECT_EQ(t.fp.prompts.Texts(),
              (std::vector<std::string>{"Data error has occurred.",
                                        "Unexpected error has occurred during image transfer."}));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"DSC0002.jpg"});
    EXPECT_EQ(ReadAll(dir.File("DSC0002.jpg")), SimImage(*t.cam, 2));
}

// A line that stops answering (or goes away) in the middle of a run stops it at once: the
// images after it are not even asked for, and the failure is said once.
TEST(Transfer, LineFailureStopsTheRunAtOnce) {
    for (int model : {1, 2}) {
        for (const char* fault : {"noreply:30", "unplug:30*1", "noreply:26", "unplug:26*1"}) {
            SCOPED_TRACE(std::string(fault) + " model " + std::to_string(model));
            TempFolder dir;
            SimSession t(model, 3);
            ASSERT_EQ(t.Open(), kLinkOk);
            ASSERT_TRUE(AddSimFault(*t.cam, fault));
            t.s.transfer.folder = dir.path;
            int copied = -1;
            const LinkError r = TransferSelected(t.s, {1, 2, 3}, &copied);
            EXPECT_TRUE(IsLineFailure(r)) << r;
            EXPECT_EQ(copied, 0);
            EXPECT_TRUE(dir.Names().empty());
            EXPECT_EQ(t.fp.prompts.boxes.size(), 1u);
            const size_t sizes =
                model == 1 ? SigRequestsOf(*t.cam, 26).size() : SeqRequestsOf(*t.cam, 26).size();
            EXPECT_LE(sizes, 3u) << "only the first image was asked for";
        }
    }
}

TEST(Transfer, AFullDiskLeavesNoPartOfTheImageAndSaysSo) {
    TempFolder dir;
    SimSession t(2, 2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    SetPendingWriteBudgetForTests(1000);  // the disk fills part-way through the first image
    int copied = -1;
    const LinkError r = TransferSelected(t.s, {1}, &copied);
    SetPendingWriteBudgetForTests(-1);
    EXPECT_EQ(r, kLinkFailed);
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Disk is full."});
    EXPECT_TRUE(dir.Names().empty()) << "neither the DSC file nor its temporary";
}

TEST(Transfer, Model1TruncatedImageIsMendedIntoADecodableFile) {
    TempFolder dir;
    SimSession t(1, 1);
    ASSERT_TRUE(AddSimFault(*t.cam, "emptylast"));
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    ASSERT_EQ(TransferSelected(t.s, {1}), kLinkOk);
    // Kept, and said so: which image, and how much of it arrived.
    const uint32_t size = uint32_t(SimImage(*t.cam, 1).size());
    const uint32_t arrived = (size - 1) / 1024 * 1024;
    EXPECT_EQ(t.ui.notices, std::vector<std::string>{
                                "Image No.1 arrived short (" + std::to_string(arrived) + " of " +
                                std::to_string(size) +
                                " bytes); its end was completed and it was saved as DSC0001.jpg."});
    std::vector<uint8_t> file = ReadAll(dir.File("DSC0001.jpg"));
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file[file.size() - 1], 0xD9);
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(dir.File("DSC0001.jpg"), &info), 1);
    EXPECT_EQ(info.h_samp[0], 4);  // re-encoded in the camera's own sampling
    ScopedTempFile bmp;
    ASSERT_TRUE(bmp.Make());
    EXPECT_EQ(DecodeJpegFile(dir.File("DSC0001.jpg"), bmp.name(), 0, JpegProgress{}), 1);
}

TEST(Transfer, Model1AlbumFailureAsksWhetherToGoOnWithoutIt) {
    TempFolder dir;
    SimSession t(1, 2);
    t.ui.album_create_ok = false;
    t.fp.prompts.answers = {kBoxNo};
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    EXPECT_EQ(TransferSelected(t.s, {1, 2}), kLinkFailed);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Does it Transfer Only Image(s)?"});
    EXPECT_TRUE(dir.Names().empty()) << "No deletes the file just written";
    t.fp.prompts.boxes.clear();
    t.fp.prompts.answers = {kBoxYes};
    t.s.transfer.last_file_number = 0;
    EXPECT_EQ(TransferSelected(t.s, {1, 2}), kLinkOk);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"DSC0001.jpg", "DSC0002.jpg"}));
    EXPECT_EQ(t.fp.prompts.boxes.size(), 1u);  // asked once, then images only
}

TEST(Transfer, EveryHundredImagesStartANewAlbum) {
    TempFolder dir;
    SimSession t(2, 250);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.transfer.folder = dir.path;
    std::vector<int> all;
    for (int i = 1; i <= 250; ++i) all.push_back(i);
    ASSERT_EQ(TransferSelected(t.s, all), kLinkOk);
    EXPECT_EQ(t.ui.albums_created, 3);
    EXPECT_EQ(t.ui.album.size(), 250u);
    EXPECT_EQ(dir.Names().size(), 250u);
}

TEST(Thumbnails, FetchWritesTheWholeFileOrNone) {
    TempFolder dir;
    SimSession t(2, 3);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_EQ(FetchThumbnail(t.s, 2, dir.File("dt2.jpg")), kLinkOk);
    EXPECT_EQ(ReadAll(dir.File("dt2.jpg")), SimThumbnail(*t.cam, 2));
    EXPECT_EQ(FetchThumbnail(t.s, 7, dir.File("dt7.jpg")), kLinkNoImage);
    EXPECT_FALSE(FileExists(dir.File("dt7.jpg")));
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:30"));
    EXPECT_EQ(FetchThumbnail(t.s, 1, dir.File("dt1.jpg")), kLinkTimeout);
    EXPECT_FALSE(FileExists(dir.File("dt1.jpg")));
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{"Unexpected error has occurred during image transfer."});
}

TEST(ImageList, LinesSelectionAndRenumbering) {
    FakePlatform fp;
    CameraSession s;
    s.quality.fill(255);
    s.quality[0] = 1;
    s.quality[1] = 0;
    s.quality[2] = 3;
    s.quality[3] = 2;
    s.image_count = 4;
    ImageListModel list;
    BuildImageList(s, &list);
    EXPECT_EQ(list.lines, (std::vector<std::string>{
                              "Image No.1::Fine Mode", "Image No.2::Normal Mode",
                              "Image No.3::Super Fine Mode", "Image No.4::Super Fine Mode"}));
    EXPECT_TRUE(ToggleSelectAll(&list));
    EXPECT_EQ(SelectedLines(list).size(), 4u);
    SelectLine(&list, 0, false);
    EXPECT_FALSE(list.select_all);
    EXPECT_EQ(SelectedLines(list), (std::vector<int>{1, 2, 3}));
    RemoveDeletedImage(s, &list, 1);
    EXPECT_EQ(s.image_count, 3);
    EXPECT_EQ(list.lines,
              (std::vector<std::string>{"Image No.1::Fine Mode", "Image No.2::Super Fine Mode",
                                        "Image No.3::Super Fine Mode"}));
    EXPECT_EQ(s.quality[3], 255);
}

TEST(ImageList, Model1ListReplyFillsTheQualityTable) {
    SimSession t(1, 3);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_EQ(ReadImageList(t.s), kLinkOk);
    EXPECT_EQ(t.s.image_count, 3);
    for (int i = 0; i < 3; ++i) EXPECT_LE(t.s.quality[i], 3);
    EXPECT_EQ(t.s.quality[3], 255);
}

}  // namespace
