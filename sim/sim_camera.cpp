// The camera's side of both packet protocols. The camera reads a byte stream: it waits until a
// request is complete, answers it at once, and throws away bytes that cannot start a request
// (a model-1 camera only knows the signature packet; models 2 and 3 also take the signature
// identify, set-speed and end commands that come before the model is known). Nothing here is
// shared with the PC side's packet code: the constants below are the camera's own.
#include "sim/sim_camera.h"

#include <cstdio>
#include <cstring>

#include "sim/sim_images.h"

namespace {

constexpr char kSigFromPc[] = "ZEK DSC PC  ";
constexpr char kSigToPc[] = "ZEK PC  DSC ";
constexpr size_t kSigLen = 12;
constexpr size_t kSigHeader = 17;
constexpr uint32_t kSigMaxData = 1024;  // the largest request data but an upload's
constexpr uint32_t kBlock = 1024;
constexpr size_t kModel1MaxImages = 100;

enum : uint8_t {
    kSigUpload = 0,
    kSigIdentify = 2,
    kSigSpeed = 4,
    kSigList = 7,
    kSigPlay = 16,
    kSigDelete = 17,
    kSigViewfinder = 20,
    kSigBeginUpload = 21,
    kSigSize = 26,
    kSigBlock = 30,
    kSigEnd = 31,
};
enum : uint8_t {
    kSigReplyBlock = 0,
    kSigReplyAck = 1,
    kSigReplyIdentify = 3,
    kSigReplyList = 8,
    kSigReplySize = 29,
};

enum : uint8_t { kFrameLong = 1, kFrameShort = 8, kFrameMedium = 16 };
enum : uint8_t {
    kSeqUploadBlock = 5,
    kSeqCount = 7,
    kSeqPlay = 16,
    kSeqDelete = 17,
    kSeqBeginUpload = 21,
    kSeqThumbSize = 22,
    kSeqSize = 26,
    kSeqBlock = 30,
    kSeqEnd = 31,
    kSeqSetClock = 52,
    kSeqReadClock = 53,
    kSeqProbe = 56,
};
enum : uint8_t {
    kSeqReplyAck = 1,
    kSeqReplyBlock = 5,
    kSeqReplyCount = 8,
    kSeqReplySize = 29,
    kSeqReplyValue = 54,
};

enum : uint8_t {
    kStatusOk = 0,
    kStatusCannot = 2,
    kStatusDataError = 3,
    kStatusFull = 4,
    kStatusNoThumbnail = 6,
};

constexpr uint8_t kNoSpeedChange = 0xFF;

uint32_t FrameData(uint8_t type) {
    return type == kFrameShort ? 10 : type == kFrameMedium ? 256 : type == kFrameLong ? 1024 : 0;
}

struct Request {
    bool sequenced = false;
    uint8_t frame_type = 0;  // sequenced only
    uint8_t seq = 0;         // sequenced only
    uint8_t command = 0;
    const uint8_t* data = nullptr;
    uint32_t length = 0;  // data bytes available
    uint8_t Byte(uint32_t i) const { return i < length ? data[i] : 0; }
};

std::string Hex(const std::vector<uint8_t>& b, size_t max_bytes = 24) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < b.size() && i < max_bytes; ++i) {
        snprintf(buf, sizeof buf, "%02X", b[i]);
        if (i) s += ' ';
        s += buf;
    }
    if (b.size() > max_bytes) s += " ...";
    return s;
}

void PutLe(std::vector<uint8_t>* v, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v->push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void PutBe32(std::vector<uint8_t>* v, uint32_t value) {
    for (int i = 3; i >= 0; --i) v->push_back(static_cast<uint8_t>(value >> (8 * i)));
}
uint32_t Le32(const Request& r, uint32_t at) {
    return r.Byte(at) | r.Byte(at + 1) << 8 | r.Byte(at + 2) << 16 |
           static_cast<uint32_t>(r.Byte(at + 3)) << 24;
}

std::vector<uint8_t> SigReply(uint8_t code, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> p(kSigToPc, kSigToPc + kSigLen);
    PutBe32(&p, static_cast<uint32_t>(data.size()));
    p.push_back(code);
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

std::vector<uint8_t> SeqReply(uint8_t type, uint8_t seq, uint8_t code,
                              const std::vector<uint8_t>& data) {
    const uint32_t d = FrameData(type);
    std::vector<uint8_t> f(d + 6, 0);
    f[0] = type;
    f[1] = seq;
    f[2] = static_cast<uint8_t>(seq ^ 0xFF);
    f[3] = code;
    for (size_t i = 0; i < data.size() && i < d; ++i) f[4 + i] = data[i];
    uint32_t sum = 0;
    for (uint32_t i = 1; i <= 3 + d; ++i) sum += f[i];
    f[4 + d] = static_cast<uint8_t>(sum);
    return f;
}

// Upload acknowledgements carry sequence 0; every other reply the request's sequence.
uint8_t ReplySeq(const Request& r) {
    return r.command == kSeqUploadBlock ? 0 : r.seq;
}

std::vector<uint8_t> Ack(const Request& r, uint8_t status) {
    if (r.sequenced) return SeqReply(kFrameShort, ReplySeq(r), kSeqReplyAck, {status});
    return SigReply(kSigReplyAck, {status});
}

bool ValidSpeedCode(uint8_t code) {
    return SimBaudOfCode(code) != 0;
}

bool ValidImage(const SimCamera& cam, uint32_t number) {
    return number >= 1 && number <= cam.images.size();
}

bool IsJpeg(const std::vector<uint8_t>& b) {
    return b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return kDays[month - 1];
}

void StoreUpload(SimCamera& cam, std::vector<uint8_t> jpeg, uint8_t quality) {
    SimStoredImage img;
    img.jpeg = std::move(jpeg);
    img.quality = quality;
    img.seconds = SimSecondsOf(cam.clock);
    if (!SimThumbnailOf(img.jpeg, cam.cfg.model, img.seconds, &img.thumbnail))
        img.thumbnail.clear();
    cam.images.push_back(std::move(img));
    cam.selection = SimCamera::Selection::kNone;
}

void DeleteImage(SimCamera& cam, uint32_t number) {
    cam.images.erase(cam.images.begin() + (number - 1));
    // The numbers behind it move down by one: whatever was chosen for block reads is gone.
    cam.selection = SimCamera::Selection::kNone;
}

const std::vector<uint8_t>* SelectedBytes(const SimCamera& cam) {
    if (!ValidImage(cam, static_cast<uint32_t>(cam.selected))) return nullptr;
    const SimStoredImage& img = cam.images[cam.selected - 1];
    if (cam.selection == SimCamera::Selection::kImage) return &img.jpeg;
    if (cam.selection == SimCamera::Selection::kThumbnail) return &img.thumbnail;
    return nullptr;
}

SimFault* TakeEmptyLast(SimCamera& cam) {
    for (SimFault& f : cam.faults) {
        if (f.kind == SimFaultKind::kEmptyLast && f.remaining != 0) {
            if (f.remaining > 0) --f.remaining;
            return &f;
        }
    }
    return nullptr;
}

// --- signature protocol ------------------------------------------------------------------

std::vector<uint8_t> ServeSig(SimCamera& cam, const Request& r, uint8_t* new_speed) {
    const int model = cam.cfg.model;
    // Before the model is known the PC speaks to every camera in this protocol.
    if (model != 1 && r.command != kSigIdentify && r.command != kSigSpeed && r.command != kSigEnd)
        return Ack(r, kStatusCannot);
    switch (r.command) {
        case kSigIdentify:
            return SigReply(kSigReplyIdentify, {'D', 'S', 'C', static_cast<uint8_t>('0' + model)});
        case kSigSpeed:
            if (r.length < 1 || !ValidSpeedCode(r.data[0])) return Ack(r, kStatusCannot);
            *new_speed = r.data[0];
            return Ack(r, kStatusOk);
        case kSigList: {
            std::vector<uint8_t> pairs;
            for (size_t i = 0; i < cam.images.size() && i < kModel1MaxImages; ++i) {
                pairs.push_back(static_cast<uint8_t>(i + 1));
                pairs.push_back(cam.images[i].quality);
            }
            return SigReply(kSigReplyList, pairs);
        }
        case kSigPlay:
            return Ack(r, r.length >= 1 && r.data[0] == 0 ? kStatusOk : kStatusCannot);
        case kSigDelete:
            if (r.length < 1 || !ValidImage(cam, r.data[0])) return Ack(r, kStatusCannot);
            DeleteImage(cam, r.data[0]);
            return Ack(r, kStatusOk);
        case kSigViewfinder:
            return Ack(r, r.length >= 1 && ValidImage(cam, r.data[0]) ? kStatusOk : kStatusCannot);
        case kSigBeginUpload:
            if (r.length < 1 || r.data[0] > 3) return Ack(r, kStatusCannot);
            cam.sig_upload_ready = true;
            cam.sig_upload_class = r.data[0];
            return Ack(r, kStatusOk);
        case kSigSize: {
            std::vector<uint8_t> size;
            uint32_t bytes = 0;
            cam.selection = SimCamera::Selection::kNone;
            if (r.length >= 1 && ValidImage(cam, r.data[0])) {
                cam.selection = SimCamera::Selection::kImage;
                cam.selected = r.data[0];
                bytes = static_cast<uint32_t>(cam.images[r.data[0] - 1].jpeg.size());
            }
            PutBe32(&size, bytes);
            return SigReply(kSigReplySize, size);
        }
        case kSigBlock: {
            const std::vector<uint8_t>* src = SelectedBytes(cam);
            if (r.length < 2 || src == nullptr) return Ack(r, kStatusCannot);
            const size_t index = static_cast<size_t>(r.data[0]) << 8 | r.data[1];
            const size_t start = index * kBlock;
            if (start >= src->size()) return Ack(r, kStatusCannot);
            const size_t end = std::min(src->size(), start + kBlock);
            if (end == src->size() && TakeEmptyLast(cam)) return SigReply(kSigReplyBlock, {});
            return SigReply(kSigReplyBlock,
                            std::vector<uint8_t>(src->begin() + start, src->begin() + end));
        }
        case kSigUpload: {
            if (!cam.sig_upload_ready) return Ack(r, kStatusCannot);
            cam.sig_upload_ready = false;
            std::vector<uint8_t> jpeg(r.data, r.data + r.length);
            if (!IsJpeg(jpeg)) return Ack(r, kStatusCannot);
            if (cam.images.size() >= kModel1MaxImages ||
                SimUsedMemory(cam) + jpeg.size() > cam.cfg.memory_limit)
                return Ack(r, kStatusFull);
            static const uint8_t kQualityOfClass[4] = {0, 1, 2, 3};
            StoreUpload(cam, std::move(jpeg), kQualityOfClass[cam.sig_upload_class & 3]);
            return Ack(r, kStatusOk);
        }
        case kSigEnd:
            *new_speed = kSimSpeed9600;
            return Ack(r, kStatusOk);
        default:
            return Ack(r, kStatusCannot);
    }
}

// --- sequenced protocol ------------------------------------------------------------------

bool ClockSelector(int model, uint8_t selector, int* field) {
    const uint8_t base = model == 3 ? 0x40 : 0xC0;
    if (selector < base || selector > base + 2) return false;
    *field = selector - base;
    return true;
}

std::vector<uint8_t> ServeSeq(SimCamera& cam, const Request& r, uint8_t* new_speed) {
    const int model = cam.cfg.model;
    const uint8_t seq = ReplySeq(r);
    // Upload blocks come in long frames, everything else in short ones.
    if ((r.command == kSeqUploadBlock) != (r.frame_type == kFrameLong))
        return Ack(r, kStatusCannot);
    switch (r.command) {
        case kSeqCount: {
            std::vector<uint8_t> d;
            PutLe(&d, static_cast<uint32_t>(std::min<size_t>(cam.images.size(), 0xFFFF)), 2);
            return SeqReply(kFrameShort, seq, kSeqReplyCount, d);
        }
        case kSeqPlay:
            return Ack(r, r.Byte(0) == 0 ? kStatusOk : kStatusCannot);
        case kSeqDelete:
            if (!ValidImage(cam, r.Byte(0))) return Ack(r, kStatusCannot);
            DeleteImage(cam, r.Byte(0));
            return Ack(r, kStatusOk);
        case kSeqThumbSize: {
            const uint32_t n = Le32(r, 0);
            cam.selected = static_cast<int>(std::min<uint32_t>(n, 0x7FFFFFFF));
            if (!ValidImage(cam, n) || cam.images[n - 1].thumbnail.empty()) {
                cam.selection = SimCamera::Selection::kMissingThumbnail;
                return Ack(r, kStatusNoThumbnail);
            }
            cam.selection = SimCamera::Selection::kThumbnail;
            std::vector<uint8_t> d;
            PutLe(&d, static_cast<uint32_t>(cam.images[n - 1].thumbnail.size()), 4);
            return SeqReply(kFrameShort, seq, kSeqReplySize, d);
        }
        case kSeqSize: {
            uint32_t bytes = 0;
            cam.selection = SimCamera::Selection::kNone;
            if (ValidImage(cam, r.Byte(0))) {
                cam.selection = SimCamera::Selection::kImage;
                cam.selected = r.Byte(0);
                bytes = static_cast<uint32_t>(cam.images[r.Byte(0) - 1].jpeg.size());
            }
            std::vector<uint8_t> d;
            PutLe(&d, bytes, 4);
            return SeqReply(kFrameShort, seq, kSeqReplySize, d);
        }
        case kSeqBlock: {
            if (cam.selection == SimCamera::Selection::kMissingThumbnail)
                return Ack(r, kStatusNoThumbnail);
            const std::vector<uint8_t>* src = SelectedBytes(cam);
            const size_t start = static_cast<size_t>(r.Byte(0) | r.Byte(1) << 8) * kBlock;
            if (src == nullptr || start >= src->size()) return Ack(r, kStatusCannot);
            const size_t end = std::min(src->size(), start + kBlock);
            return SeqReply(kFrameLong, seq, kSeqReplyBlock,
                            std::vector<uint8_t>(src->begin() + start, src->begin() + end));
        }
        case kSeqBeginUpload: {
            const uint32_t size = Le32(r, 0);
            cam.seq_upload_active = false;
            if (size == 0 || size > kSimMaxFileBytes) return Ack(r, kStatusCannot);
            if (SimUsedMemory(cam) + size > cam.cfg.memory_limit) return Ack(r, kStatusFull);
            cam.seq_upload_active = true;
            cam.seq_upload_size = size;
            cam.seq_upload_next = 0;
            cam.seq_upload_data.clear();
            return Ack(r, kStatusOk);
        }
        case kSeqUploadBlock: {
            if (!cam.seq_upload_active || r.seq != (cam.seq_upload_next & 0xFF)) {
                cam.seq_upload_active = false;
                return Ack(r, kStatusCannot);
            }
            const uint32_t missing =
                cam.seq_upload_size - static_cast<uint32_t>(cam.seq_upload_data.size());
            const uint32_t take = std::min(missing, std::min(kBlock, r.length));
            cam.seq_upload_data.insert(cam.seq_upload_data.end(), r.data, r.data + take);
            ++cam.seq_upload_next;
            if (cam.seq_upload_data.size() < cam.seq_upload_size) return Ack(r, kStatusOk);
            cam.seq_upload_active = false;
            if (!IsJpeg(cam.seq_upload_data)) return Ack(r, kStatusCannot);
            StoreUpload(cam, std::move(cam.seq_upload_data), 1);
            cam.seq_upload_data.clear();
            return Ack(r, kStatusOk);
        }
        case kSeqSetClock: {
            int field = 0;
            if (!ClockSelector(model, r.Byte(0), &field) || r.Byte(1) != (model == 3 ? 1 : 0))
                return Ack(r, kStatusCannot);
            const int value = r.Byte(2) | r.Byte(3) << 8;
            const int hi = value >> 8, lo = value & 0xFF;
            SimClock& c = cam.clock;
            if (field == 0) {
                if (value < 1970 || value > 2099) return Ack(r, kStatusCannot);
                c.year = value;
                if (c.day > DaysInMonth(c.year, c.month)) c.day = DaysInMonth(c.year, c.month);
            } else if (field == 1) {
                if (hi < 1 || hi > 12 || lo < 1 || lo > DaysInMonth(c.year, hi))
                    return Ack(r, kStatusCannot);
                c.month = hi;
                c.day = lo;
            } else {
                if (hi > 23 || lo > 59) return Ack(r, kStatusCannot);
                c.hour = hi;
                c.minute = lo;
            }
            return Ack(r, kStatusOk);
        }
        case kSeqReadClock: {
            int field = 0;
            // Model 3 asks with the selector followed by 1, model 2 with the selector alone.
            if (!ClockSelector(model, r.Byte(0), &field) || r.Byte(1) != (model == 3 ? 1 : 0))
                return Ack(r, kStatusCannot);
            const SimClock& c = cam.clock;
            const uint32_t value = field == 0   ? static_cast<uint32_t>(c.year)
                                   : field == 1 ? static_cast<uint32_t>(c.month << 8 | c.day)
                                                : static_cast<uint32_t>(c.hour << 8 | c.minute);
            std::vector<uint8_t> d;
            PutLe(&d, value, 2);
            return SeqReply(kFrameShort, seq, kSeqReplyValue, d);
        }
        case kSeqProbe:
            if (r.Byte(0) != 14 || r.Byte(1) != 0) return Ack(r, kStatusCannot);
            return SeqReply(
                kFrameShort, seq, kSeqReplyValue,
                model == 3 ? std::vector<uint8_t>{0xFF, 0xFF} : std::vector<uint8_t>{0x02, 0x00});
        case kSeqEnd:
            *new_speed = kSimSpeed9600;
            return Ack(r, kStatusOk);
        default:
            return Ack(r, kStatusCannot);
    }
}

// --- faults and dispatch -------------------------------------------------------------------

std::string DescribeRequest(const Request& r, const std::vector<uint8_t>& raw) {
    char head[64];
    if (r.sequenced)
        snprintf(head, sizeof head, "<- seq cmd %u seq %u (%zu bytes): ", r.command, r.seq,
                 raw.size());
    else
        snprintf(head, sizeof head, "<- sig cmd %u len %u: ", r.command, r.length);
    return head + Hex(raw);
}

// The reply's code and sequence are read from the reply as built (before any fault changed
// it); the bytes shown are those sent.
std::string DescribeReply(bool sequenced, const std::vector<uint8_t>& built,
                          const std::vector<uint8_t>& sent, const char* note) {
    char head[96];
    if (sent.empty()) return std::string("-> no reply") + note;
    if (sequenced && built.size() >= 4)
        snprintf(head, sizeof head, "-> seq code %u seq %u (%zu bytes)%s: ", built[3], built[1],
                 sent.size(), note);
    else if (!sequenced && built.size() >= kSigHeader)
        snprintf(head, sizeof head, "-> sig code %u (%zu bytes)%s: ", built[16], sent.size(), note);
    else
        snprintf(head, sizeof head, "-> (%zu bytes)%s: ", sent.size(), note);
    return head + Hex(sent);
}

void Serve(SimCamera& cam, const Request& r, std::vector<uint8_t> raw) {
    cam.log.push_back(DescribeRequest(r, raw));
    cam.requests.push_back(std::move(raw));

    std::vector<const SimFault*> hits;
    for (SimFault& f : cam.faults) {
        if (f.kind == SimFaultKind::kEmptyLast || f.command != r.command || f.remaining == 0)
            continue;
        if (f.remaining > 0) --f.remaining;
        hits.push_back(&f);
    }
    const SimFault* status = nullptr;
    bool silent = false;
    for (const SimFault* f : hits) {
        if (f->kind == SimFaultKind::kStatus && status == nullptr) status = f;
        if (f->kind == SimFaultKind::kNoReply) silent = true;
        if (f->kind == SimFaultKind::kUnplug) {
            // The request arrived and is carried out; then the line is gone.
            silent = true;
            cam.unplugged = true;
        }
    }
    if (r.sequenced && r.command == kSeqEnd && cam.seq_upload_active) {
        char line[96];
        snprintf(line, sizeof line,
                 "!! protocol violation: end of session while the upload waits for block %u",
                 cam.seq_upload_next);
        cam.violations.push_back(line);
        cam.log.push_back(line);
    }

    uint8_t new_speed = kNoSpeedChange;
    std::vector<uint8_t> reply;
    if (status != nullptr)
        reply = Ack(r, static_cast<uint8_t>(status->arg));
    else
        reply = r.sequenced ? ServeSeq(cam, r, &new_speed) : ServeSig(cam, r, &new_speed);

    const std::vector<uint8_t> built = reply;
    std::string note;
    if (silent) {
        reply.clear();
        note = " (fault)";
    } else {
        for (const SimFault* f : hits) {
            if (f->kind == SimFaultKind::kCorrupt) {
                const size_t at = f->arg >= 0 ? static_cast<size_t>(f->arg) : r.sequenced ? 3 : 1;
                if (at < reply.size()) reply[at] ^= 0xFF;
                note += " corrupt";
            } else if (f->kind == SimFaultKind::kChecksum && r.sequenced && reply.size() >= 2) {
                reply[reply.size() - 2] = static_cast<uint8_t>(reply[reply.size() - 2] + 1);
                note += " checksum";
            }
        }
        for (const SimFault* f : hits) {
            if (f->kind == SimFaultKind::kDrop && !reply.empty()) {
                reply.resize(reply.size() / 2);
                note += " drop";
            }
        }
        for (const SimFault* f : hits) {
            if (f->kind == SimFaultKind::kNoise) {
                // Never 1, 8, 16 or 'Z': no noise byte can start a frame or a signature.
                std::vector<uint8_t> noise;
                for (int i = 0; i < f->arg; ++i)
                    noise.push_back(static_cast<uint8_t>(0xA0 + (i & 15)));
                reply.insert(reply.begin(), noise.begin(), noise.end());
                note += " noise";
            }
        }
        if (status != nullptr) note += " status";
        if (!note.empty()) note = " (fault:" + note + ")";
    }
    cam.log.push_back(DescribeReply(r.sequenced, built, reply, note.c_str()));
    cam.out.insert(cam.out.end(), reply.begin(), reply.end());

    // A new speed takes effect once the acknowledgement has gone out at the old one.
    if (new_speed != kNoSpeedChange && new_speed != cam.speed_code) {
        char line[64];
        snprintf(line, sizeof line, "   line speed %u -> %u bit/s", SimBaudOfCode(cam.speed_code),
                 SimBaudOfCode(new_speed));
        cam.log.push_back(line);
        cam.speed_code = new_speed;
    }
}

bool CanStartPacket(const SimCamera& cam, uint8_t b) {
    if (b == static_cast<uint8_t>(kSigFromPc[0])) return true;
    return cam.cfg.model != 1 && (b == kFrameShort || b == kFrameLong || b == kFrameMedium);
}

void Discard(SimCamera& cam, size_t from_at_least) {
    size_t n = from_at_least;
    while (n < cam.in.size() && !CanStartPacket(cam, cam.in[n])) ++n;
    n = std::min(n, cam.in.size());
    char line[64];
    snprintf(line, sizeof line, "   discarded %zu bytes: ", n);
    cam.log.push_back(line + Hex(std::vector<uint8_t>(cam.in.begin(), cam.in.begin() + n)));
    cam.in.erase(cam.in.begin(), cam.in.begin() + n);
}

// Serves the first complete request in the input, or drops bytes that cannot start one.
// False when the input holds nothing more to act on yet.
bool ServeNext(SimCamera& cam) {
    std::vector<uint8_t>& in = cam.in;
    if (in.empty()) return false;
    if (!CanStartPacket(cam, in[0])) {
        Discard(cam, 1);
        return true;
    }
    if (in[0] == static_cast<uint8_t>(kSigFromPc[0])) {
        const size_t have = std::min(in.size(), kSigLen);
        if (memcmp(in.data(), kSigFromPc, have) != 0) {
            Discard(cam, 1);
            return true;
        }
        if (in.size() < kSigHeader) return false;
        const uint32_t n =
            static_cast<uint32_t>(in[12]) << 24 | in[13] << 16 | in[14] << 8 | in[15];
        Request r;
        r.command = in[16];
        const uint32_t cap = r.command == kSigUpload ? kSimMaxFileBytes : kSigMaxData;
        if (n > cap || (r.command == kSigUpload && n == 0)) {
            // A length the camera cannot take: refuse the header; its data is then discarded.
            std::vector<uint8_t> raw(in.begin(), in.begin() + kSigHeader);
            in.erase(in.begin(), in.begin() + kSigHeader);
            r.length = 0;
            cam.log.push_back(DescribeRequest(r, raw) + " (length refused)");
            cam.requests.push_back(raw);
            const std::vector<uint8_t> reply = Ack(r, kStatusCannot);
            cam.log.push_back(DescribeReply(false, reply, reply, ""));
            cam.out.insert(cam.out.end(), reply.begin(), reply.end());
            return true;
        }
        if (in.size() < kSigHeader + n) return false;
        std::vector<uint8_t> raw(in.begin(), in.begin() + kSigHeader + n);
        in.erase(in.begin(), in.begin() + kSigHeader + n);
        r.data = raw.data() + kSigHeader;
        r.length = n;
        Serve(cam, r, std::move(raw));
        return true;
    }
    // A sequenced frame: type, sequence and its complement first.
    if (in.size() < 3) return false;
    if (in[2] != static_cast<uint8_t>(in[1] ^ 0xFF)) {
        Discard(cam, 1);
        return true;
    }
    const uint32_t d = FrameData(in[0]);
    if (in.size() < d + 6) return false;
    std::vector<uint8_t> raw(in.begin(), in.begin() + d + 6);
    in.erase(in.begin(), in.begin() + d + 6);
    Request r;
    r.sequenced = true;
    r.frame_type = raw[0];
    r.seq = raw[1];
    r.command = raw[3];
    r.data = raw.data() + 4;
    r.length = d;
    uint32_t sum = 0;
    for (uint32_t i = 1; i <= 3 + d; ++i) sum += raw[i];
    if (raw[4 + d] != static_cast<uint8_t>(sum) || raw[5 + d] != 0) {
        // A damaged frame is answered as a data error, whatever it asked for.
        cam.log.push_back(DescribeRequest(r, raw) + " (bad checksum)");
        cam.requests.push_back(raw);
        const std::vector<uint8_t> reply = Ack(r, kStatusDataError);
        cam.log.push_back(DescribeReply(true, reply, reply, ""));
        cam.out.insert(cam.out.end(), reply.begin(), reply.end());
        return true;
    }
    Serve(cam, r, std::move(raw));
    return true;
}

}  // namespace

uint32_t SimBaudOfCode(uint8_t code) {
    switch (code) {
        case kSimSpeed115200:
            return 115200;
        case kSimSpeed38400:
            return 38400;
        case kSimSpeed9600:
            return 9600;
        case kSimSpeed57600:
            return 57600;
        case kSimSpeed19200:
            return 19200;
        default:
            return 0;
    }
}

uint64_t SimUsedMemory(const SimCamera& cam) {
    uint64_t used = 0;
    for (const SimStoredImage& img : cam.images) used += img.jpeg.size();
    return used;
}

void SimFeed(SimCamera& cam, const uint8_t* data, size_t count, uint32_t pc_baud, uint32_t now_ms) {
    if (count == 0) return;
    const uint32_t cam_baud = SimBaudOfCode(cam.speed_code);
    if (pc_baud != cam_baud) {
        // On a real line these bytes arrive as garbage; the camera makes nothing of them.
        char line[96];
        snprintf(line, sizeof line, "   ignored %zu bytes sent at %u bit/s (camera at %u)", count,
                 pc_baud, cam_baud);
        cam.log.push_back(line);
        cam.in.clear();
        return;
    }
    if (!cam.in.empty() && now_ms - cam.last_in_ms > kSimStaleInputMs) {
        char line[64];
        snprintf(line, sizeof line, "   dropped %zu stale bytes", cam.in.size());
        cam.log.push_back(line);
        cam.in.clear();
    }
    cam.last_in_ms = now_ms;
    cam.in.insert(cam.in.end(), data, data + count);
    while (ServeNext(cam)) {
    }
    // A camera left running for days holds steady memory: only the latest records are kept.
    if (cam.log.size() > 2 * kSimRecordsKept)
        cam.log.erase(cam.log.begin(), cam.log.end() - kSimRecordsKept);
    if (cam.requests.size() > 2 * kSimRecordsKept)
        cam.requests.erase(cam.requests.begin(), cam.requests.end() - kSimRecordsKept);
}
