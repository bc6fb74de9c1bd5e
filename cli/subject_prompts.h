// The error messages of a command that works on several files name the file each one is about:
// the reason of the file call that failed, or else the file the command was working on.
#pragma once
#include <string>

#include "base/files.h"
#include "base/path.h"
#include "base/platform.h"
#include "cli/terminal.h"

// Passes every box on to the terminal; an error ends with the reason of the file call that
// failed, or else with the file the command was working on ("(x.alb)").
class SubjectPrompts : public UserPrompts {
public:
    explicit SubjectPrompts(UserPrompts* inner) : inner_(inner) {}
    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override {
        if (style == BoxStyle::kError) {
            const FileFailure f = TakeFileFailure();
            if (f.error != 0 && IsTempBeside(f.path))
                NoteErrorReason(subject, f.error);  // the file being made for the subject
            else if (f.error != 0)
                NoteErrorReason(f.path, f.error);
            else if (!subject.empty())
                NoteErrorReasonText(subject);
        }
        return inner_->ShowBox(text, title, style, owner);
    }
    void SetCursor(CursorKind kind) override { inner_->SetCursor(kind); }

    std::string subject;

private:
    // The program's temporary names ("ZEK", four hex digits, ".TMP") in the subject's folder.
    bool IsTempBeside(const std::string& path) const {
        if (subject.empty() || PathFolder(path) != PathFolder(subject)) return false;
        const std::string leaf = PathFileName(path);
        return leaf.size() == 11 && leaf.compare(0, 3, "ZEK") == 0 &&
               leaf.compare(7, 4, ".TMP") == 0;
    }

    UserPrompts* inner_;  // not owned
};

class SubjectScope {
public:
    SubjectScope() : prompts_(Plat().prompts), scoped_(With()) { TakeFileFailure(); }
    void Set(const std::string& path) {
        prompts_.subject = path;
        TakeFileFailure();
    }

private:
    Platform With() {
        Platform p = Plat();
        p.prompts = &prompts_;
        return p;
    }
    SubjectPrompts prompts_;
    ScopedPlatform scoped_;
};
