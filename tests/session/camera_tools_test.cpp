// Delete, viewfinder preview, the status dialog and the clock dialog's rules, against the
// simulated camera on the fake clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/session/camera_tools.h"
#include "link/session/image_list.h"
#include "session_fakes.h"

namespace {

// Requests of a command in the signature protocol (model 1), as their first data byte.
std::vector<int> SigRequestArgs(const SimCamera& cam, uint8_t command) {
    std::vector<int> out;
    for (const auto& r : SigRequestsOf(cam, command))
        if (r.size() >= 18) out.push_back(r[17]);
    return out;
}
std::vector<int> SeqRequestArgs(const SimCamera& cam, uint8_t command) {
    std::vector<int> out;
    for (const auto& r : SeqRequestsOf(cam, command)) out.push_back(r[4]);
    return out;
}
// The commands of the signature requests in order, as "20:4" (command:first data byte).
std::vector<std::string> SigSequence(const SimCamera& cam) {
    std::vector<std::string> out;
    for (const auto& r : SimRequests(cam))
        if (r.size() >= 18 && r[0] == 'Z' && (r[16] == 17 || r[16] == 20))
            out.push_back(std::to_string(r[16]) + ":" + std::to_string(r[17]));
    return out;
}

// A view and prompts that note the fake clock's time of every text and every box.
struct TimedView : RecordingView {
    FakeClock* clock = nullptr;
    std::vector<uint32_t> times;
    // Sets the Cancel flag when this text is shown ("" never).
    std::string cancel_on;
    std::vector<bool> cancel_shown;
    void SetText(int field, const std::string& text) override {
        RecordingView::SetText(field, text);
        times.push_back(clock->now);
        if (!cancel_on.empty() && text == cancel_on) SetCancelRequested(true);
    }
    void ShowCancel(bool shown) override { cancel_shown.push_back(shown); }
    uint32_t TimeOf(int field, const std::string& text) const {
        for (size_t i = 0; i < texts.size(); ++i)
            if (texts[i] == std::make_pair(field, text)) return times[i];
        ADD_FAILURE() << "never shown: " << text;
        return 0;
    }
    bool Shown(int field, const std::string& text) const {
        return std::find(texts.begin(), texts.end(), std::make_pair(field, text)) != texts.end();
    }
};
struct TimedPrompts : RecordingPrompts {
    FakeClock* clock = nullptr;
    std::vector<uint32_t> times;
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override {
        times.push_back(clock->now);
        return RecordingPrompts::ShowBox(text, title, style, owner);
    }
};
// A pump that sets the Cancel flag the first time it is asked once armed.
struct CancelOncePump : MessagePump {
    bool armed = false;
    PumpResult PumpOne(bool) override {
        if (armed) SetCancelRequested(true);
        armed = false;
        return PumpResult::kEmpty;
    }
};

// A session on a simulated camera with timed seams installed over the fixture's.
struct ToolSession : SimSession {
    TimedView view;
    TimedPrompts prompts;
    ScopedPlatform scope;
    explicit ToolSession(int model, int images = 5, MessagePump* pump = nullptr)
        : SimSession(model, images),
          scope(Platform{&fp.clock, pump ? pump : &fp.pump, &prompts, &fp.settings, &view}) {
        view.clock = &fp.clock;
        prompts.clock = &fp.clock;
        SetCancelRequested(false);
    }
    ImageListModel List() {
        EXPECT_EQ(ReadImageList(s), kLinkOk);
        ImageListModel list;
        BuildImageList(s, &list);
        return list;
    }
};

std::vector<std::vector<uint8_t>> Images(const SimCamera& cam) {
    std::vector<std::vector<uint8_t>> out;
    for (int i = 1; i <= SimImageCount(cam); ++i) out.push_back(SimImage(cam, i));
    return out;
}

// --- status dialog -------------------------------------------------------------------------

TEST(StatusDialog, OpensWithCancelHiddenAndTextsCleared) {
    ToolSession t(1);
    EXPECT_EQ(ShowStatusDialog(t.s, true), kLinkOk);
    EXPECT_EQ(t.view.cancel_shown, std::vector<bool>{false});
    EXPECT_TRUE(t.view.Shown(303, ""));
    EXPECT_TRUE(t.view.Shown(304, ""));
    EXPECT_EQ(ShowStatusDialog(t.s, false), kLinkOk);
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"status open", "status close"}));
}

TEST(StatusDialog, ThatCannotBeOpenedFails) {
    ToolSession t(1);
    t.ui.status_fails = true;
    EXPECT_EQ(ShowStatusDialog(t.s, true), kLinkFailed);
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"The error not to expect occurred."});
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    SelectLine(&list, 0, true);
    EXPECT_EQ(DeleteSelectedAsking(t.s, &list), kLinkFailed);
    EXPECT_EQ(SimImageCount(*t.cam), 5);
}

// --- preview -------------------------------------------------------------------------------

TEST(Preview, ShowsEachSelectedImageForFiveSeconds) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    SelectLine(&list, 3, true);
    SelectLine(&list, 1, true);
    const uint32_t start = t.fp.clock.now;
    EXPECT_EQ(PreviewSelected(t.s, &list), kLinkOk);
    EXPECT_EQ(SigRequestArgs(*t.cam, 20), (std::vector<int>{2, 4}));
    EXPECT_TRUE(t.view.Shown(303, "Now displaying image preview on Camera Viewfinder."));
    EXPECT_GE(t.view.TimeOf(304, "Image No.4 "), t.view.TimeOf(304, "Image No.2 ") + 5000);
    EXPECT_GE(t.fp.clock.now, start + 10000);
    // Cancel for the first image, hidden for the last.
    EXPECT_EQ(t.view.cancel_shown, (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(t.prompts.boxes.empty());
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"status open", "status close"}));
    EXPECT_EQ(SimImageCount(*t.cam), 5);
}

TEST(Preview, CancelAnsweredYesStops) {
    CancelOncePump pump;
    ToolSession t(1, 5, &pump);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    t.prompts.answers = {kBoxYes};
    pump.armed = true;
    EXPECT_EQ(PreviewSelected(t.s, &list), kLinkOk);
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"Cancel image preview?"});
    EXPECT_EQ(SigRequestArgs(*t.cam, 20), std::vector<int>{1});
    EXPECT_EQ(t.ui.events.back(), "status close");
}

TEST(Preview, CancelAnsweredNoGoesOn) {
    CancelOncePump pump;
    ToolSession t(1, 3, &pump);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    t.prompts.answers = {kBoxNo};
    pump.armed = true;
    EXPECT_EQ(PreviewSelected(t.s, &list), kLinkOk);
    EXPECT_EQ(SigRequestArgs(*t.cam, 20), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(CancelRequested());
}

TEST(Preview, NothingSelectedDoesNothing) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    EXPECT_EQ(PreviewSelected(t.s, &list), kLinkOk);
    EXPECT_TRUE(t.ui.events.empty());
    EXPECT_TRUE(SigRequestArgs(*t.cam, 20).empty());
}

TEST(Preview, AFailingViewfinderCommandEndsWithItsCode) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:20:2"));
    EXPECT_EQ(PreviewSelected(t.s, &list), kLinkCannotExecute);
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"Command cannot be executed."});
    EXPECT_EQ(t.ui.events.back(), "status close");
}

// --- model-1 delete ------------------------------------------------------------------------

TEST(DeleteAsking, DeletesFromTheHighestDownAndRenumbersTheList) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    const auto before = Images(*t.cam);
    ImageListModel list = t.List();
    SelectLine(&list, 1, true);
    SelectLine(&list, 3, true);
    t.prompts.answers = {kBoxYes, kBoxYes};
    EXPECT_EQ(DeleteSelectedAsking(t.s, &list), kLinkOk);
    EXPECT_EQ(t.prompts.Texts(),
              (std::vector<std::string>{"Are you sure you want to delete Image No.4?",
                                        "Are you sure you want to delete Image No.2?"}));
    EXPECT_EQ(t.prompts.boxes[0].style, BoxStyle::kYesNoCancel);
    // The viewfinder shows the very image that the question names, before it is asked.
    EXPECT_EQ(SigSequence(*t.cam), (std::vector<std::string>{"20:4", "17:4", "20:2", "17:2"}));
    EXPECT_EQ(t.ui.selected_lines, (std::vector<int>{3, 1}));
    // The delete comes 5 seconds after the question at the earliest.
    EXPECT_GE(t.view.TimeOf(304, "Image No.4 deleting."), t.prompts.times[0] + 5000);
    EXPECT_GE(t.view.TimeOf(304, "Image No.2 deleting."), t.prompts.times[1] + 5000);
    EXPECT_TRUE(t.view.Shown(303, "Now deleting images."));
    // Camera and list: images 1, 3 and 5 remain, now numbered 1 to 3.
    EXPECT_EQ(Images(*t.cam), (std::vector<std::vector<uint8_t>>{before[0], before[2], before[4]}));
    EXPECT_EQ(t.s.image_count, 3);
    ASSERT_EQ(list.lines.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.lines[i].rfind("Image No." + std::to_string(i + 1) + "::", 0), 0u)
            << list.lines[i];
    EXPECT_TRUE(SelectedLines(list).empty());
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"status open", "status close"}));
}

TEST(DeleteAsking, NoStillHoldsTheImageForFiveSeconds) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    SelectLine(&list, 1, true);
    SelectLine(&list, 3, true);
    t.prompts.answers = {kBoxNo, kBoxYes};
    EXPECT_EQ(DeleteSelectedAsking(t.s, &list), kLinkOk);
    EXPECT_EQ(SigSequence(*t.cam), (std::vector<std::string>{"20:4", "20:2", "17:2"}));
    EXPECT_GE(t.view.TimeOf(304, "Image No.2 "), t.prompts.times[0] + 5000);
    EXPECT_EQ(SimImageCount(*t.cam), 4);
    EXPECT_EQ(list.lines.size(), 4u);
}

TEST(DeleteAsking, CancelEndsAtOnce) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    SelectLine(&list, 1, true);
    SelectLine(&list, 3, true);
    t.prompts.answers = {kBoxCancel};
    EXPECT_EQ(DeleteSelectedAsking(t.s, &list), kLinkOk);
    EXPECT_EQ(SigSequence(*t.cam), std::vector<std::string>{"20:4"});
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_TRUE(SelectedLines(list).empty());
    EXPECT_EQ(t.ui.events.back(), "status close");
}

TEST(DeleteAsking, AFailingDeleteEndsWithItsCode) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    SelectLine(&list, 1, true);
    SelectLine(&list, 3, true);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:17:4"));
    t.prompts.answers = {kBoxYes, kBoxYes};
    EXPECT_EQ(DeleteSelectedAsking(t.s, &list), kLinkMemoryFull);
    EXPECT_EQ(t.prompts.Texts().back(), "Camera memory is full.");
    EXPECT_EQ(SigRequestArgs(*t.cam, 17), std::vector<int>{4}) << "no retry, no next image";
    EXPECT_EQ(list.lines.size(), 5u);
    EXPECT_EQ(t.ui.events.back(), "status close");
}

TEST(DeleteAll, DeletesEverySelectedImageWithoutQuestions) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    EXPECT_EQ(DeleteSelectedAll(t.s, &list), kLinkOk);
    EXPECT_TRUE(t.prompts.boxes.empty());
    EXPECT_EQ(SigRequestArgs(*t.cam, 17), (std::vector<int>{5, 4, 3, 2, 1}));
    EXPECT_TRUE(SigRequestArgs(*t.cam, 20).empty());
    EXPECT_EQ(SimImageCount(*t.cam), 0);
    EXPECT_EQ(t.s.image_count, 0);
    EXPECT_TRUE(list.lines.empty());
    EXPECT_EQ(t.ui.selected_lines, (std::vector<int>{4, 3, 2, 1, 0}));
    // Cancel shown for all but the lowest line.
    EXPECT_EQ(t.view.cancel_shown, (std::vector<bool>{false, true, true, true, true, false}));
}

TEST(DeleteAll, CancelAnsweredYesStopsAfterTheCurrentImage) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    t.view.cancel_on = "Image No.4 ";
    t.prompts.answers = {kBoxYes};
    EXPECT_EQ(DeleteSelectedAll(t.s, &list), kLinkOk);
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"Cancel Delete Really?"});
    EXPECT_EQ(SigRequestArgs(*t.cam, 17), (std::vector<int>{5, 4}));
    EXPECT_EQ(SimImageCount(*t.cam), 3);
    EXPECT_EQ(list.lines.size(), 3u);
    EXPECT_TRUE(SelectedLines(list).empty());
}

TEST(DeleteAll, CancelAnsweredNoGoesOn) {
    ToolSession t(1);
    ASSERT_EQ(t.Open(), kLinkOk);
    ImageListModel list = t.List();
    ToggleSelectAll(&list);
    t.view.cancel_on = "Image No.4 ";
    t.prompts.answers = {kBoxNo};
    EXPECT_EQ(DeleteSelectedAll(t.s, &list), kLinkOk);
    EXPECT_EQ(SimImageCount(*t.cam), 0);
    EXPECT_FALSE(CancelRequested());
}

// --- models-2/3 delete ---------------------------------------------------------------------

TEST(DeleteSequenced, YesDeletesFromTheLastEntry) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.image_count = 5;
    const auto before = Images(*t.cam);
    std::vector<int> images = {2, 4};
    t.ui.delete_answers = {kDeleteYes, kDeleteYes};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(images, (std::vector<int>{2, 4}));
    EXPECT_EQ(SeqRequestArgs(*t.cam, 17), (std::vector<int>{4, 2}));
    EXPECT_EQ(t.s.image_count, 3);
    EXPECT_EQ(Images(*t.cam), (std::vector<std::vector<uint8_t>>{before[0], before[2], before[4]}));
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"status open", "ask delete 4 all",
                                                     "ask delete 2 all", "status close"}));
    EXPECT_TRUE(t.view.Shown(304, "Image No.4 deleting."));
    EXPECT_TRUE(t.view.Shown(303, "Now deleting images."));
}

TEST(DeleteSequenced, NoAndCancelMarkTheImagesThatStay) {
    ToolSession t(3);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.image_count = 5;
    std::vector<int> images = {1, 2, 3, 5};
    t.ui.delete_answers = {kDeleteNo, kDeleteYes, kDeleteCancel};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(images, (std::vector<int>{-1, -1, 3, -1}));
    EXPECT_EQ(SeqRequestArgs(*t.cam, 17), std::vector<int>{3});
    EXPECT_EQ(SimImageCount(*t.cam), 4);
    EXPECT_EQ(t.s.image_count, 4);
    EXPECT_EQ(t.ui.events.back(), "status close");
}

TEST(DeleteSequenced, DeleteAllTakesTheRestWithoutQuestions) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.image_count = 5;
    std::vector<int> images = {1, 3, 5};
    t.ui.delete_answers = {kDeleteNo, kDeleteAll};
    const uint32_t start = t.fp.clock.now;
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(images, (std::vector<int>{1, 3, -1}));
    EXPECT_EQ(SeqRequestArgs(*t.cam, 17), (std::vector<int>{3, 1}));
    EXPECT_EQ(SimImageCount(*t.cam), 3);
    EXPECT_EQ(t.s.image_count, 3);
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"status open", "ask delete 5 all",
                                                     "ask delete 3 all", "status close"}));
    EXPECT_GE(t.fp.clock.now, start + 600) << "300 ms after each delete";
}

TEST(DeleteSequenced, CancelDuringDeleteAllMarksTheRest) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    t.s.image_count = 5;
    std::vector<int> images = {1, 3, 5};
    t.ui.delete_answers = {kDeleteAll};
    t.view.cancel_on = "Image No.3 deleting.";
    t.prompts.answers = {kBoxYes};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"Cancel Delete Really?"});
    EXPECT_EQ(images, (std::vector<int>{-1, -1, 5}));
    EXPECT_EQ(SeqRequestArgs(*t.cam, 17), std::vector<int>{5});
}

TEST(DeleteSequenced, OneImageHasNoDeleteAll) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    std::vector<int> images = {3};
    t.ui.delete_answers = {kDeleteNo};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(images, std::vector<int>{-1});
    EXPECT_EQ(t.ui.events,
              (std::vector<std::string>{"status open", "ask delete 3", "status close"}));
}

TEST(DeleteSequenced, AFailureMarksWhatWasNotDeleted) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:17:2*1"));
    std::vector<int> images = {1, 2, 3};
    t.ui.delete_answers = {kDeleteYes};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkCannotExecute);
    EXPECT_EQ(images, (std::vector<int>{-1, -1, -1}));
    EXPECT_EQ(SimImageCount(*t.cam), 5);
    EXPECT_EQ(t.ui.events.back(), "status close");
}

// The camera carries a delete out and renumbers before it answers; whatever happens to the
// answer, exactly the asked image goes and the session's count follows the camera.
TEST(DeleteWithDamagedReply, OnlyTheAskedImageGoesOnEitherProtocol) {
    for (int model : {1, 2}) {
        for (const char* fault :
             {"noreply:17*1", "drop:17*1", "corrupt:17*1", "checksum:17*1", "noise:17:7*1"}) {
            SCOPED_TRACE(std::string(fault) + " model " + std::to_string(model));
            ToolSession t(model);
            ASSERT_EQ(t.Open(), kLinkOk);
            const auto before = Images(*t.cam);
            ASSERT_TRUE(AddSimFault(*t.cam, fault));
            if (model == 1) {
                ImageListModel list = t.List();
                SelectLine(&list, 2, true);
                EXPECT_EQ(DeleteSelectedAll(t.s, &list), kLinkOk);
                EXPECT_EQ(list.lines.size(), 4u);
            } else {
                ASSERT_EQ(ReadImageCount(t.s), kLinkOk);
                std::vector<int> images = {3};
                t.ui.delete_answers = {kDeleteYes};
                EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
                EXPECT_EQ(images, std::vector<int>{3});
            }
            EXPECT_EQ(Images(*t.cam), (std::vector<std::vector<uint8_t>>{before[0], before[1],
                                                                         before[3], before[4]}));
            EXPECT_EQ(t.s.image_count, 4);
            EXPECT_TRUE(t.prompts.boxes.empty()) << t.prompts.Texts()[0];
        }
    }
}

TEST(DeleteSequenced, NumbersOneByteCannotNameAreNeverSent) {
    ToolSession t(2, 5);
    ASSERT_EQ(t.Open(), kLinkOk);
    std::vector<int> images = {2, 258};  // 258 would go out as 2
    t.ui.delete_answers = {kDeleteYes};
    EXPECT_EQ(DeleteSelectedSequenced(t.s, &images), kLinkOk);
    EXPECT_EQ(images, (std::vector<int>{2, -1}));
    EXPECT_EQ(SeqRequestArgs(*t.cam, 17), std::vector<int>{2});
    EXPECT_EQ(t.prompts.Texts(), std::vector<std::string>{"Command cannot be executed."});
}

// --- clock ---------------------------------------------------------------------------------

TEST(Clock, TextsOfADateAndTime) {
    ClockTexts t = ClockTextsOf(2001, 3, 4, 15, 7);
    EXPECT_EQ(t.year, "2001");
    EXPECT_EQ(t.month, "3");
    EXPECT_EQ(t.day, "4");
    EXPECT_EQ(t.hour, "03");
    EXPECT_EQ(t.minute, "07");
    EXPECT_TRUE(t.pm);
    t = ClockTextsOf(2010, 12, 31, 0, 0);
    EXPECT_EQ(t.hour, "00");
    EXPECT_FALSE(t.pm);
    t = ClockTextsOf(2010, 12, 31, 12, 59);
    EXPECT_EQ(t.hour, "00");
    EXPECT_TRUE(t.pm);
    EXPECT_EQ(ClockTextsOf(2010, 1, 1, 11, 0).hour, "11");
}

TEST(Clock, ReadsTheThreeFieldsOfModel2And3) {
    for (int model : {2, 3}) {
        ToolSession t(model);
        ASSERT_EQ(t.Open(), kLinkOk);
        t.s.model = model;
        SimSetClock(*t.cam, 2002, 11, 9, 21, 5);
        ClockTexts texts;
        ASSERT_EQ(ReadCameraClock(t.s, &texts), kLinkOk);
        EXPECT_EQ(texts.year, "2002");
        EXPECT_EQ(texts.month, "11");
        EXPECT_EQ(texts.day, "9");
        EXPECT_EQ(texts.hour, "09");
        EXPECT_EQ(texts.minute, "05");
        EXPECT_TRUE(texts.pm);
        auto reads = SeqRequestsOf(*t.cam, 53);
        ASSERT_EQ(reads.size(), 3u);
        const uint8_t base = model == 3 ? 0x40 : 0xC0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(reads[i][4], base + i);
            EXPECT_EQ(reads[i][5], model == 3 ? 1 : 0);
        }
    }
}

TEST(Clock, AFailingReadIsReturned) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:53"));
    ClockTexts texts;
    EXPECT_EQ(ReadCameraClock(t.s, &texts), kLinkTimeout);
    EXPECT_EQ(SeqRequestsOf(*t.cam, 53).size(), 3u) << "three attempts";
}

TEST(Clock, EditLengthRule) {
    ClockTexts remembered = ClockTextsOf(2001, 3, 4, 15, 7);
    EXPECT_EQ(ClockEditedText(kClockYear, "2002", remembered), "2002");
    EXPECT_EQ(ClockEditedText(kClockYear, "20021", remembered), "2001");
    EXPECT_EQ(ClockEditedText(kClockMonth, "12", remembered), "12");
    EXPECT_EQ(ClockEditedText(kClockMonth, "123", remembered), "3");
    EXPECT_EQ(ClockEditedText(kClockDay, "311", remembered), "4");
    EXPECT_EQ(ClockEditedText(kClockHour, "111", remembered), "03");
    EXPECT_EQ(ClockEditedText(kClockMinute, "590", remembered), "07");
    EXPECT_EQ(ClockEditedText(kClockMinute, "", remembered), "");
}

TEST(Clock, FieldsAreReadByTheLowFourBitsOfEachCharacter) {
    EXPECT_EQ(ClockFieldNumber("2001"), 2001);
    EXPECT_EQ(ClockFieldNumber(""), 0);
    EXPECT_EQ(ClockFieldNumber("07"), 7);
    EXPECT_EQ(ClockFieldNumber("a1"), 11);  // 'a' is 0x61
    EXPECT_EQ(ClockFieldNumber(" 5"), 5);   // ' ' is 0x20
    EXPECT_GT(ClockFieldNumber("99999999999999999999"), 2096) << "saturates, never wraps";
}

struct ClockCase {
    ClockTexts texts;
    int focus;
    bool close;
    int sets;  // set commands sent
};

ClockTexts Texts(const char* y, const char* mo, const char* d, const char* h, const char* mi,
                 bool pm = false) {
    ClockTexts t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.pm = pm;
    return t;
}

TEST(Clock, OkChecksAndSendsInThreeSteps) {
    const ClockCase cases[] = {
        {Texts("2000", "2", "29", "10", "30"), 0, true, 3},
        {Texts("2096", "2", "29", "10", "30"), 0, true, 3},
        {Texts("1999", "2", "29", "10", "30"), kClockDay, false, 1},
        {Texts("1999", "2", "28", "10", "30"), 0, true, 3},
        {Texts("2001", "12", "31", "11", "59"), 0, true, 3},
        {Texts("1997", "1", "1", "00", "00"), 0, true, 3},
        {Texts("1996", "1", "1", "00", "00"), kClockYear, false, 0},
        {Texts("2097", "1", "1", "00", "00"), kClockYear, false, 0},
        {Texts("2001", "13", "1", "00", "00"), kClockMonth, false, 1},
        {Texts("2001", "0", "1", "00", "00"), kClockMonth, false, 1},
        {Texts("2001", "4", "31", "00", "00"), kClockDay, false, 1},
        {Texts("2001", "4", "", "00", "00"), kClockDay, false, 1},
        {Texts("2001", "4", "30", "12", "00"), kClockHour, false, 2},
        {Texts("2001", "4", "30", "11", "60"), kClockMinute, false, 2},
    };
    for (const ClockCase& c : cases) {
        ToolSession t(2);
        ASSERT_EQ(t.Open(), kLinkOk);
        SCOPED_TRACE(c.texts.year + "-" + c.texts.month + "-" + c.texts.day + " " + c.texts.hour +
                     ":" + c.texts.minute);
        const uint32_t start = t.fp.clock.now;
        ClockOkResult r = ClockDialogOk(t.s, c.texts);
        EXPECT_EQ(r.code, kLinkOk);
        EXPECT_EQ(r.focus, c.focus);
        EXPECT_EQ(r.close, c.close);
        EXPECT_EQ(static_cast<int>(SeqRequestsOf(*t.cam, 52).size()), c.sets);
        if (c.close) {
            EXPECT_GE(t.fp.clock.now, start + 1500);
        }
        EXPECT_TRUE(t.prompts.boxes.empty());
    }
}

TEST(Clock, SetsTheCameraClockWithTheModelsSelectors) {
    for (int model : {2, 3}) {
        ToolSession t(model);
        ASSERT_EQ(t.Open(), kLinkOk);
        t.s.model = model;
        ClockOkResult r = ClockDialogOk(t.s, Texts("2000", "2", "29", "11", "45", true));
        ASSERT_TRUE(r.close);
        int y, mo, d, h, mi;
        SimGetClock(*t.cam, &y, &mo, &d, &h, &mi);
        EXPECT_EQ(y, 2000);
        EXPECT_EQ(mo, 2);
        EXPECT_EQ(d, 29);
        EXPECT_EQ(h, 23) << "PM with 11";
        EXPECT_EQ(mi, 45);
        auto sets = SeqRequestsOf(*t.cam, 52);
        ASSERT_EQ(sets.size(), 3u);
        const uint8_t base = model == 3 ? 0x40 : 0xC0;
        const uint8_t flag = model == 3 ? 1 : 0;
        const std::vector<std::vector<uint8_t>> want = {
            {uint8_t(base), flag, 0xD0, 0x07},  // 2000
            {uint8_t(base + 1), flag, 29, 2},   // month * 256 + day
            {uint8_t(base + 2), flag, 45, 23},  // hour * 256 + minute
        };
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(std::vector<uint8_t>(sets[i].begin() + 4, sets[i].begin() + 8), want[i]);
    }
}

TEST(Clock, AFailingSetLeavesTheDialogOpen) {
    ToolSession t(2);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:52:2"));
    ClockOkResult r = ClockDialogOk(t.s, Texts("2001", "1", "1", "00", "00"));
    EXPECT_EQ(r.code, kLinkCannotExecute);
    EXPECT_FALSE(r.close);
    EXPECT_EQ(r.focus, 0);
    EXPECT_EQ(SeqRequestsOf(*t.cam, 52).size(), 1u);
}

TEST(Clock, CancelWaits1500Ms) {
    FakePlatform fp;
    const uint32_t start = fp.clock.now;
    ClockDialogCancel();
    EXPECT_GE(fp.clock.now, start + 1500);
}

}  // namespace
