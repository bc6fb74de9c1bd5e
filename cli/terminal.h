// How vistrel-cli talks on the terminal. Results go to stdout; everything else to stderr:
// progress and remarks (none with --quiet), the link's bytes (only with --verbose), questions,
// and errors. Every error line is "vistrel-cli: " and one line of text, the program's own
// message where it has one, followed by the file or device and the system's reason where there
// is one: "vistrel-cli: File cannot be opened. (x.jpg: No such file or directory)".
#pragma once
#include <cstdint>
#include <string>

#include "base/operation_view.h"
#include "base/prompts.h"

// Set once from the command line.
void SetQuiet(bool on);
bool Quiet();
void SetVerbose(bool on);
bool Verbose();

// Prints an error line and counts it.
void PrintError(const std::string& text);
// Error lines printed since the last reset.
int ErrorsPrinted();
void ResetErrorsPrinted();
// The reason the next error line ends with: "(subject: the system's text for error_number)".
// A later note replaces it; printing an error uses it up.
void NoteErrorReason(const std::string& subject, int error_number);
void NoteErrorReasonText(const std::string& reason);
void ClearErrorReason();
// A remark on stderr (nothing with --quiet).
void PrintInfo(const std::string& text);
// The user pressed Ctrl-C during this run (set by the camera commands' message pump).
void NoteInterrupted();
bool Interrupted();
// The device the camera is on ("/dev/ttyS0"), named in the messages of a failing line.
void SetLineDevice(const std::string& device);
// What the command does, for the program's "Unexpected error has occurred during image
// transfer.": a delete or a clock setting names itself there (default "image transfer").
void SetOperationName(const std::string& what);
// The line failed (no answer, or the device went away) and said so once: the messages of the
// same failure that follow (the next command's, the end of the session's) are not repeated.
bool LineFailureReported();
// While held, error lines are counted but not printed (the end of a session that the caller
// reports in its own words); HeldErrors counts them since the hold began.
void HoldErrors(bool on);
int HeldErrors();
// A message text of the program on one line: its line breaks become blanks.
std::string OneLine(const std::string& text);

// The message boxes of the shared code. Errors are printed as above, information as remarks;
// questions are answered by --yes/--no (answer), else asked on the terminal, else (no terminal
// to ask on) answered No. A question whether to cancel, asked after the user pressed Ctrl-C, is
// answered Yes: the Ctrl-C was the answer.
struct TerminalPrompts : UserPrompts {
    int answer = 0;  // kBoxYes or kBoxNo for every question; 0 to ask
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override;
    void SetCursor(CursorKind) override {}
};

// The operation view as a progress bar per image on a terminal (one line of remarks per image
// otherwise). Each image's bar ends where its meter got to: the meter's return to zero for the
// step after the image is not drawn.
struct TerminalView : OperationView {
    bool tty = false;  // stderr is a terminal: draw the bar
    void SetText(int field, const std::string& text) override;
    void SetMeterRange(uint32_t range) override;
    void SetMeterPos(uint32_t pos) override;
    void ShowCancel(bool) override {}
    // Ends the bar's line, if one is drawn.
    void EndBar();

private:
    std::string title_;
    std::string detail_;
    uint32_t range_ = 0;
    uint32_t high_ = 0;  // furthest position of the current detail's meter
};
