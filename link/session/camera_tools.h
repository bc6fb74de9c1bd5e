// The camera operations besides transfer and upload: deleting images (model 1 with a question
// per image or all at once, models 2 and 3 from the browser), showing images on a model-1
// camera's viewfinder, and the logic of the models-2/3 clock dialog. They show their progress
// in the status dialog through the operation view and read the Cancel flag only between
// images.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/link_error.h"
#include "link/session/camera_session.h"
#include "link/session/image_list.h"

// The status dialog: on opens it (Cancel hidden, texts 303 and 304 cleared); when it cannot be
// opened "The error not to expect occurred." and -1. Off closes it.
LinkError ShowStatusDialog(CameraSession& s, bool on);

// Model 1: shows the selected images on the viewfinder, 5 seconds each.
LinkError PreviewSelected(CameraSession& s, ImageListModel* list);
// Model 1: deletes the selected images from the highest down, each after its own question.
LinkError DeleteSelectedAsking(CameraSession& s, ImageListModel* list);
// Model 1: deletes every selected image without questions ("Delete all images?" was answered).
LinkError DeleteSelectedAll(CameraSession& s, ImageListModel* list);
// Models 2 and 3: deletes the given images from the last to the first; an entry that was not
// deleted is set to -1.
LinkError DeleteSelectedSequenced(CameraSession& s, std::vector<int>* images);

// --- clock dialog ------------------------------------------------------------------------

// Control ids of the clock dialog's fields.
enum ClockFieldId {
    kClockAm = 650,
    kClockPm = 651,
    kClockYear = 652,
    kClockMonth = 653,
    kClockDay = 654,
    kClockHour = 655,
    kClockMinute = 656,
    kClockFromPc = 657,
    kClockOk = 658,
};

// What the dialog shows: five texts and the AM/PM choice.
struct ClockTexts {
    std::string year, month, day, hour, minute;
    bool pm = false;
};

// The texts of a date and a 24-hour time: year and month/day "%d", the hour in 12-hour form
// "%02d" with AM below 12 and PM from 12, the minute "%02d". "Clock &PC" passes the PC's local
// date and time here.
ClockTexts ClockTextsOf(int year, int month, int day, int hour, int minute);

// Reads year, date and time from a model-2/3 camera into texts.
LinkError ReadCameraClock(CameraSession& s, ClockTexts* texts);

// The text a field keeps after an edit: the remembered one when the year holds more than 4
// characters or another field 3 or more, else the edited one.
std::string ClockEditedText(int field, const std::string& edited, const ClockTexts& remembered);

// A field's number: every character gives its low four bits as one decimal digit; empty is 0.
int ClockFieldNumber(const std::string& text);

// The selectors and variant flag of a model (2 or 3).
struct ClockSelectors {
    uint8_t year, date, time, variant;
};
ClockSelectors ClockSelectorsOf(int model);

// OK: checks and sends year, date and time in three steps, each sent as soon as it is valid.
struct ClockOkResult {
    LinkError code = kLinkOk;  // a failing set command's code (its message has been shown)
    int focus = 0;             // the field that failed its check, 0 for none
    bool close = false;        // everything was sent: the dialog closes
};
ClockOkResult ClockDialogOk(CameraSession& s, const ClockTexts& texts);
// Cancel: the hourglass for 1500 ms before the dialog closes.
void ClockDialogCancel();
