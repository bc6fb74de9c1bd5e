#include "base/pending_file.h"

#include <cerrno>
#include <vector>

#include "base/files.h"
#include "base/messages.h"

namespace {
// Bytes that pending files may still write before they fail like a full disk; negative: no
// limit. Only tests set it.
int64_t g_write_budget = -1;
}  // namespace

void SetPendingWriteBudgetForTests(int64_t bytes) {
    g_write_budget = bytes;
}

bool PendingFile::Begin(const std::string& target, bool keep_open) {
    Discard();
    failed_ = false;
    special_ = false;
    target_ = target;
    if (target.empty()) {
        NoteFileFailure(target, ENOENT);
        return false;
    }
    if (!ResolveWriteTarget(target, &final_)) {
        NoteFileFailure(target, errno);
        return false;
    }
    special_ = IsSpecialFile(final_);
    f_ = special_ ? CreateStandInFor(final_, &temp_) : CreateFileBeside(final_, &temp_);
    if (!f_) {
        NoteFileFailure(target, errno);
        temp_.clear();
        return false;
    }
    if (!keep_open) {
        // Nothing was written, so a failing close loses nothing; the file stays reserved.
        std::fclose(f_);
        f_ = nullptr;
    }
    return true;
}

bool PendingFile::Open(const std::string& target) {
    return Begin(target, true);
}

bool PendingFile::Reserve(const std::string& target) {
    return Begin(target, false);
}

bool PendingFile::Write(const void* data, size_t n) {
    if (failed_ || !f_) {
        failed_ = true;
        return false;
    }
    size_t allowed = n;
    if (g_write_budget >= 0 && static_cast<uint64_t>(g_write_budget) < n)
        allowed = static_cast<size_t>(g_write_budget);
    size_t done = allowed ? std::fwrite(data, 1, allowed, f_) : 0;
    if (g_write_budget >= 0) g_write_budget -= static_cast<int64_t>(done);
    if (done != n) {
        NoteFileFailure(target_, done == allowed ? ENOSPC : errno);
        failed_ = true;
        return false;
    }
    return true;
}

CommitResult PendingFile::Commit() {
    if (temp_.empty()) return CommitResult::kWriteFailed;
    if (f_) {
        const bool flushed = std::fflush(f_) == 0 && !std::ferror(f_);
        const int flush_error = errno;
        const bool closed = std::fclose(f_) == 0;
        const int close_error = errno;
        f_ = nullptr;
        if (!failed_ && (!flushed || !closed)) {
            NoteFileFailure(target_, !flushed ? flush_error : close_error);
            failed_ = true;
        }
    }
    if (failed_) {
        Discard();
        return CommitResult::kWriteFailed;
    }
    if (special_) {
        const CommitResult r = CopyIntoSpecial();
        Discard();
        return r;
    }
    if (!ReplaceFileWith(temp_, final_)) {
        NoteFileFailure(target_, errno);
        Discard();
        return CommitResult::kReplaceFailed;
    }
    temp_.clear();
    return CommitResult::kDone;
}

CommitResult PendingFile::CopyIntoSpecial() {
    ScopedFile in(OpenFileBinary(temp_, "rb"));
    if (!in) {
        NoteFileFailure(target_, errno);
        return CommitResult::kWriteFailed;
    }
    ScopedFile out(OpenSpecialForWriting(final_));
    if (!out) {
        NoteFileFailure(target_, errno);
        return CommitResult::kReplaceFailed;
    }
    std::vector<char> buffer(kFileChunk);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        if (std::fwrite(buffer.data(), 1, n, out.get()) != n) {
            NoteFileFailure(target_, errno);
            return CommitResult::kWriteFailed;
        }
    }
    if (std::ferror(in.get())) {
        NoteFileFailure(target_, errno);
        return CommitResult::kWriteFailed;
    }
    if (std::fflush(out.get()) != 0 || !out.Close()) {
        NoteFileFailure(target_, errno);
        return CommitResult::kWriteFailed;
    }
    return CommitResult::kDone;
}

void PendingFile::Discard() {
    if (f_) {
        std::fclose(f_);
        f_ = nullptr;
    }
    if (!temp_.empty()) {
        const int saved = errno;  // keep the reason of the failure that led here
        RemoveFile(temp_);
        errno = saved;
        temp_.clear();
    }
}

bool WritePieces(PendingFile* f, const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const size_t piece = n < kFileChunk ? n : kFileChunk;
        if (!f->Write(p, piece)) return false;
        p += piece;
        n -= piece;
    }
    return true;
}

bool OpenInputAndOutput(const std::string& input, const std::string& output, ScopedFile* in,
                        PendingFile* out, bool show_input_failure) {
    in->Reset(OpenFileBinary(input, "rb"));
    if (!*in) {
        if (show_input_failure) ShowError(kMsgFileOpenFailed);
        return false;
    }
    if (!out->Open(output)) {
        ShowError(kMsgFileOpenFailed);
        return false;
    }
    return true;
}

int CommitOrShow(PendingFile* f, int write_failed) {
    switch (f->Commit()) {
        case CommitResult::kDone:
            return 1;
        case CommitResult::kWriteFailed:
            ShowError(write_failed);
            return 0;
        case CommitResult::kReplaceFailed:
            break;
    }
    ShowError(kMsgFileOpenFailed);
    return 0;
}
