#include "cli/terminal.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/messages.h"

namespace {

bool g_quiet = false;
bool g_verbose = false;
int g_errors = 0;
bool g_interrupted = false;
std::string g_reason;
std::string g_line_device;
std::string g_operation = "image transfer";
bool g_line_failed = false;
bool g_hold = false;
std::string g_last_error;  // the program's text of the last error line printed
int g_held = 0;
// Percentage of the progress bar drawn on the current line, -1 when there is none: anything else
// printed on stderr first ends that line.
int g_bar_percent = -1;

void EndOpenBar() {
    if (g_bar_percent >= 0) std::fputc('\n', stderr);
    g_bar_percent = -1;
}

bool IsCancelQuestion(const std::string& text) {
    for (int q : {kAskCancelDelete, kAskCancelPreview, kAskCancelTransfer, kAskCancelTransferPath})
        if (text == QuestionText(q)) return true;
    return false;
}

bool IsFileMessage(const std::string& text) {
    for (int m :
         {kMsgFileReadFailed, kMsgFileOpenFailed, kMsgCannotCreateFile, kMsgDiskFull, kMsgNotReady})
        if (text == ErrorText(m)) return true;
    return false;
}

// The messages that say the line itself failed, as the exchanges show them.
bool IsLineMessage(const std::string& text) {
    for (int m : {kMsgCannotAccess, kMsgReadFailed, kMsgWriteFailed, kMsgTransferError})
        if (text == ErrorText(m)) return true;
    return false;
}

}  // namespace

void SetLineDevice(const std::string& device) {
    g_line_device = device;
}
void SetOperationName(const std::string& what) {
    g_operation = what;
}
bool LineFailureReported() {
    return g_line_failed;
}
void HoldErrors(bool on) {
    g_hold = on;
    g_held = 0;
}
int HeldErrors() {
    return g_held;
}

void SetQuiet(bool on) {
    g_quiet = on;
}
bool Quiet() {
    return g_quiet;
}
void SetVerbose(bool on) {
    g_verbose = on;
}
bool Verbose() {
    return g_verbose;
}

void NoteInterrupted() {
    g_interrupted = true;
}
bool Interrupted() {
    return g_interrupted;
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!out.empty() && out.back() != ' ') out += ' ';
            continue;
        }
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void PrintError(const std::string& text) {
    std::string line = "vistrel-cli: " + OneLine(text);
    if (!g_reason.empty()) line += " (" + g_reason + ")";
    g_reason.clear();
    EndOpenBar();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    ++g_errors;
}

int ErrorsPrinted() {
    return g_errors;
}
void ResetErrorsPrinted() {
    g_errors = 0;
}

void NoteErrorReason(const std::string& subject, int error_number) {
    g_reason = subject + ": " + FileErrorText(error_number);
}
void NoteErrorReasonText(const std::string& reason) {
    g_reason = reason;
}
void ClearErrorReason() {
    g_reason.clear();
}

void PrintInfo(const std::string& text) {
    if (g_quiet) return;
    EndOpenBar();
    std::fprintf(stderr, "%s\n", text.c_str());
}

namespace {

// An error box of the program, said as one error line (or held back, or left out as a repeat).
void SayError(const std::string& text) {
    if (g_hold) {
        ++g_held;
        g_reason.clear();
        return;
    }
    if (IsLineMessage(text)) {
        // One failure of the line is said once, with the device it is on.
        if (g_line_failed) {
            g_reason.clear();
            return;
        }
        std::string said = text;
        if (text == ErrorText(kMsgTransferError)) {
            const std::string transfer = "image transfer";
            const size_t at = said.find(transfer);
            if (at != std::string::npos) said.replace(at, transfer.size(), g_operation);
            // Also the end of a block read that failed three times with damaged replies,
            // said right after their "Data error has occurred.": no failure of the line.
            const bool after_data_error = g_last_error == ErrorText(kMsgDataError);
            if (!after_data_error) g_line_failed = true;
            if (g_reason.empty())
                g_reason = g_line_device +
                           (after_data_error ? "" : ": the line failed or the device went away");
        } else {
            g_line_failed = true;
            if (g_reason.empty() && !g_line_device.empty())
                g_reason = g_line_device + (text == ErrorText(kMsgCannotAccess)
                                                ? ": no answer from the camera"
                                                : ": the device failed or went away");
        }
        PrintError(said);
        return;
    }
    // A file message of the program gets the file call that failed, where the shared
    // code's file helpers noted one and nothing more particular was noted here.
    const FileFailure f = TakeFileFailure();
    if (g_reason.empty() && f.error != 0 && IsFileMessage(text)) NoteErrorReason(f.path, f.error);
    PrintError(text);
}

}  // namespace

int TerminalPrompts::ShowBox(const std::string& text, const std::string&, BoxStyle style,
                             BoxOwner) {
    if (style == BoxStyle::kError) {
        const bool held = g_hold;
        SayError(text);
        if (!held) g_last_error = text;
        return kBoxOk;
    }
    if (style == BoxStyle::kInfo) {
        PrintInfo(OneLine(text));
        return kBoxOk;
    }
    const std::string question = OneLine(text);
    const bool cancel = style == BoxStyle::kYesNoCancel;
    if (g_interrupted && IsCancelQuestion(text)) {
        PrintInfo(question + " yes (Ctrl-C)");
        return kBoxYes;
    }
    if (answer != 0) {
        PrintInfo(question + (answer == kBoxYes ? " yes" : " no"));
        return answer;
    }
    if (!isatty(STDIN_FILENO)) {
        PrintInfo(question + " no (no terminal to ask; use --yes)");
        return kBoxNo;
    }
    EndOpenBar();
    for (;;) {
        std::fprintf(stderr, "%s [y/n%s] ", question.c_str(), cancel ? "/c" : "");
        char line[32];
        if (!std::fgets(line, sizeof line, stdin)) return cancel ? kBoxCancel : kBoxNo;
        if (line[0] == 'y' || line[0] == 'Y') return kBoxYes;
        if (line[0] == 'n' || line[0] == 'N') return kBoxNo;
        if (cancel && (line[0] == 'c' || line[0] == 'C')) return kBoxCancel;
    }
}

void TerminalView::EndBar() {
    EndOpenBar();
}

void TerminalView::SetText(int field, const std::string& text) {
    if (field == kFieldDetail || field == kFieldStatusDetail) {
        if (text == detail_) return;
        EndBar();
        detail_ = text;
        high_ = 0;
        if (!tty && !text.empty()) PrintInfo(text);
        return;
    }
    // The title is said once, however often an operation sets it again.
    if (text.empty() || text == title_) return;
    EndBar();
    title_ = text;
    PrintInfo(text);
}

void TerminalView::SetMeterRange(uint32_t range) {
    range_ = range;
}

void TerminalView::SetMeterPos(uint32_t pos) {
    if (!tty || Quiet() || range_ == 0 || detail_.empty()) return;
    if (pos < high_) return;
    high_ = pos;
    const uint32_t width = 30;
    const uint32_t filled = pos >= range_ ? width : uint32_t(uint64_t(pos) * width / range_);
    const int percent = pos >= range_ ? 100 : int(uint64_t(pos) * 100 / range_);
    if (percent == g_bar_percent) return;
    std::fprintf(stderr, "\r%-28s [%s%s] %3d%%", detail_.c_str(), std::string(filled, '#').c_str(),
                 std::string(width - filled, '.').c_str(), percent);
    std::fflush(stderr);
    g_bar_percent = percent;
}
