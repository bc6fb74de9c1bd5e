#include "plugin/acquire.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <new>
#include <type_traits>

#include "plugin/handle_memory.h"
#include "plugin/scripting.h"

static_assert(std::is_trivially_copyable<PluginState>::value,
              "the state is copied in and out of its block");

namespace {

PluginState* g_current = nullptr;

constexpr char kHandleTag[4] = {'Z', 'E', 'D', 'E'};

void FreeImage(PluginState& st) {
    delete st.image;
    st.image = nullptr;
}

// The warning for a buffer suite that is missing, too old or too new; false when it is fine.
bool WarnAboutBufferSuite(PluginState& st, PluginUi& ui) {
    switch (CheckBufferSuite(st.record->bufferProcs)) {
        case SuiteCheck::kPresent:
            return false;
        case SuiteCheck::kIncompatible:
            ui.HostWarning(16993, nullptr);
            return true;
        case SuiteCheck::kMissing:
            break;
    }
    ui.HostWarning(16992, "2.5");
    return true;
}

// Passes a descriptor code on as the call's result, except the missing-parameter code.
void TakeDescriptorCode(PluginState& st, int16_t code) {
    if (code != 0 && code != host::kErrMissingParameter) st.result = code;
}

void EndCycle(PluginState& st, PluginUi& ui) {
    st.show_dialog = false;
    ui.DestroyDialog(st);
    CloseReadDescriptor(st);
}

void DoPrepare(PluginState& st, PluginUi& ui) {
    host::AcquireRecord* rec = st.record;
    rec->maxData = 0;
    if (WarnAboutBufferSuite(st, ui)) st.result = host::kUserCanceledErr;
    rec->wantFinalize = 1;
    if (st.first_call) {
        ApplyPluginDefaults(st);
        st.first_call = false;
    }
    ScriptReadPrepare(st);
}

void WriteGeometry(PluginState& st) {
    host::AcquireRecord* rec = st.record;
    rec->imageSize.v = st.rows;
    rec->imageSize.h = st.columns;
    rec->imageMode = st.mode;
    rec->depth = st.mode == 0 ? 1 : 8;
    rec->planes = st.mode == 3 ? 3 : 1;
    const int32_t dpi = rec->depth == 1 ? 300 : 72;
    rec->imageHRes = dpi * 65536;
    rec->imageVRes = dpi * 65536;
    if (st.mode == 2) {
        for (int i = 0; i < 256; ++i) {
            rec->redLUT[i] = static_cast<unsigned char>(i);
            rec->greenLUT[i] = static_cast<unsigned char>(255 - i);
            rec->blueLUT[i] = static_cast<unsigned char>(i);
        }
    }
    rec->data = nullptr;
}

void DoStart(PluginState& st, PluginUi& ui) {
    host::AcquireRecord* rec = st.record;
    if (WarnAboutBufferSuite(st, ui)) {
        st.result = host::kUserCanceledErr;
        return;
    }
    st.got_image = false;
    rec->acquireAgain = 0;
    if (st.first_call) {
        ApplyPluginDefaults(st);
        st.first_call = false;
    }
    // A picture the host never asked for (no continue call came) goes now.
    FreeImage(st);
    ScriptReadNext(st);
    if (!ui.EnterDialog(st)) {
        st.show_dialog = false;
        CloseReadDescriptor(st);
        st.result = host::kMemFullErr;
        return;
    }
    if (ui.RunDialog(st) != 1) {
        EndCycle(st, ui);
        st.result = host::kUserCanceledErr;
        return;
    }
    st.got_image = true;
    if (!rec->canFinalize) {
        st.show_dialog = false;
        ui.DestroyDialog(st);
        TakeDescriptorCode(st, CloseReadDescriptor(st));
    }
    DibImage dib = ui.ExtractImage(st);
    DibImage* kept = dib ? new (std::nothrow) DibImage(std::move(dib)) : nullptr;
    if (!kept) {
        EndCycle(st, ui);
        st.result = host::kUserCanceledErr;
        return;
    }
    st.image = kept;
    st.rows = static_cast<int16_t>(DibHeight(*kept));
    st.columns = static_cast<int16_t>(DibWidth(*kept));
    st.mode = 3;
    WriteGeometry(st);
}

void DoFinish(PluginState& st) {
    st.record->acquireAgain = st.got_image ? 1 : 0;
    ScriptRecordImage(st);
    if (!st.record->canFinalize) ScriptWriteList(st);
}

void DoFinalize(PluginState& st, PluginUi& ui) {
    st.show_dialog = false;
    ui.DestroyDialog(st);
    FreeImage(st);
    ScriptWriteList(st);
}

}  // namespace

// --- handles --------------------------------------------------------------------------------

PluginHandle* NewPluginHandle(size_t size) {
    PluginHandle* h = static_cast<PluginHandle*>(NewHandleRecord());
    if (!h) {
        SetPluginMemoryStatus(host::kMemFullErr);
        return nullptr;
    }
    h->data = NewHandleBlock(size);
    if (!h->data) {
        FreeHandleRecord(h);
        SetPluginMemoryStatus(host::kMemFullErr);
        return nullptr;
    }
    std::memcpy(h->tag, kHandleTag, sizeof kHandleTag);
    SetPluginMemoryStatus(0);
    return h;
}

size_t PluginHandleSize(PluginHandle* h) {
    if (!h || !h->data) {
        SetPluginMemoryStatus(host::kNilHandleErr);
        return 0;
    }
    SetPluginMemoryStatus(0);
    return HandleBlockSize(h->data);
}

bool ResizePluginHandle(PluginHandle* h, size_t size) {
    if (!h || !h->data) {
        SetPluginMemoryStatus(host::kMemWZErr);
        return false;
    }
    void* moved = ResizeHandleBlock(h->data, size);
    if (!moved) {
        SetPluginMemoryStatus(host::kMemFullErr);
        return false;
    }
    h->data = moved;
    SetPluginMemoryStatus(0);
    return true;
}

void FreePluginHandle(PluginHandle* h) {
    if (!h || !h->data) {
        SetPluginMemoryStatus(host::kNilHandleErr);
        return;
    }
    FreeHandleBlock(h->data);
    FreeHandleRecord(h);
    SetPluginMemoryStatus(0);
}

// --- checks ---------------------------------------------------------------------------------

SuiteCheck CheckBufferSuite(const host::BufferProcs* p) {
    if (!p) return SuiteCheck::kMissing;
    if (p->bufferProcsVersion >= 3) return SuiteCheck::kIncompatible;
    if (p->bufferProcsVersion <= 1 || p->numBufferProcs <= 4) return SuiteCheck::kMissing;
    if (!p->allocateProc || !p->lockProc || !p->unlockProc || !p->freeProc || !p->spaceProc) {
        return SuiteCheck::kMissing;
    }
    return SuiteCheck::kPresent;
}

void ApplyPluginDefaults(PluginState& st) {
    st.rows = 256;
    st.columns = 256;
    st.mode = 3;
    st.invert = false;
    st.got_image = false;
    st.script_count = 0;
    st.read_token = nullptr;
    st.objects_to_read = 0;
    st.saved_owner = 0;
    std::fill(std::begin(st.script_list), std::end(st.script_list), nullptr);
    st.port_radio = 10;
    st.baud_radio = 16;
    st.meter_cancel = false;
}

int32_t StripRows(int32_t space, int32_t row_bytes, int32_t rows) {
    if (row_bytes <= 0 || space < row_bytes) return 0;
    int32_t strip = space / row_bytes - 300;
    if (strip > rows) strip = rows;
    if (strip < 1) strip = 1;
    return strip;
}

int16_t DeliverImage(PluginState& st, PluginUi& ui) {
    host::AcquireRecord* rec = st.record;
    const host::BufferProcs* procs = rec->bufferProcs;
    struct Owned {
        PluginState& st;
        const host::BufferProcs* procs;
        host::BufferID buffer = nullptr;
        bool locked = false;
        ~Owned() {
            if (buffer) {
                if (locked) procs->unlockProc(buffer);
                procs->freeProc(buffer);
            }
            FreeImage(st);
        }
    } owned{st, procs};

    if (!st.image || CheckBufferSuite(procs) != SuiteCheck::kPresent) {
        return host::kUserCanceledErr;
    }
    // Our own decoder writes 24 bits for colour; anything else is brought there first.
    if (DibBitCount(*st.image) != 24) {
        DibImage wide = ExpandTo24(*st.image);
        if (!wide) return host::kMemFullErr;
        *st.image = std::move(wide);
    }
    DibLayout layout;
    if (!GetDibLayout(*st.image, &layout) || layout.header.bit_count != 24) {
        return host::kUserCanceledErr;
    }
    const int32_t rows = std::min<int32_t>(layout.header.height, st.rows);
    const int32_t columns = std::min<int32_t>(layout.header.width, st.columns);
    const int planes = rec->planes == 3 ? 3 : 1;
    const int32_t row_bytes = rec->depth == 1 ? (columns + 7) / 8 : columns;
    int32_t total = planes * rows;
    if (st.invert && rec->canReadBack) total *= 3;
    if (rows <= 0 || columns <= 0) return host::kUserCanceledErr;

    const int32_t space = procs->spaceProc();
    int32_t strip = StripRows(space, row_bytes, rows);
    if (strip == 0) return host::kMemFullErr;
    strip = std::min(strip, space / row_bytes);
    host::OSErr err = 0;
    for (int32_t h = strip; h >= 1; --h) {
        err = procs->allocateProc(row_bytes * h, &owned.buffer);
        if (err == 0 && owned.buffer) {
            strip = h;
            break;
        }
        owned.buffer = nullptr;
    }
    if (!owned.buffer) return err != 0 ? err : host::kMemFullErr;
    uint8_t* buffer = reinterpret_cast<uint8_t*>(procs->lockProc(owned.buffer, 0));
    owned.locked = true;
    if (!buffer) return host::kMemFullErr;

    const uint8_t* pixels = st.image->data() + layout.pixel_offset;
    int32_t done = 0;
    for (int plane = 0; plane < planes; ++plane) {
        const int channel = 2 - plane;  // blue, green, red in the file
        for (int32_t top = 0; top < rows; top += strip) {
            const int32_t bottom = std::min(rows, top + strip);
            for (int32_t y = top; y < bottom; ++y) {
                if (rec->abortProc && rec->abortProc()) return host::kUserCanceledErr;
                if (rec->progressProc) rec->progressProc(done, total);
                ++done;
                const uint8_t* src = pixels + layout.stride * static_cast<size_t>(rows - 1 - y);
                uint8_t* dst = buffer + static_cast<size_t>(row_bytes) * (y - top);
                for (int32_t x = 0; x < columns; ++x) dst[x] = src[3 * x + channel];
            }
            rec->data = buffer;
            rec->theRect = {static_cast<int16_t>(top), 0, static_cast<int16_t>(bottom),
                            static_cast<int16_t>(columns)};
            rec->loPlane = rec->hiPlane = static_cast<int16_t>(plane);
            rec->colBytes = 1;
            rec->rowBytes = row_bytes;
            rec->planeBytes = 0;
            rec->wantReadBack = 0;
            if (!rec->advanceState) {
                rec->data = nullptr;
                ui.HostWarning(16992, "3.0");
                return host::kUserCanceledErr;
            }
            const host::OSErr r = rec->advanceState();
            rec->data = nullptr;
            if (r != 0) return r;
        }
    }
    rec->data = nullptr;
    rec->theRect = {0, 0, 0, 0};
    return 0;
}

// --- the entry ------------------------------------------------------------------------------

PluginState* CurrentPluginState() {
    return g_current;
}

void PluginEntry(int16_t selector, void* record, intptr_t* data, int16_t* result, PluginUi& ui) {
    if (!data || !result) return;
    if (*data == 0) {
        PluginHandle* h = NewPluginHandle(sizeof(PluginState));
        if (!h) {
            *result = host::kMemFullErr;
            return;
        }
        auto* fresh = static_cast<PluginState*>(h->data);
        fresh->first_call = true;
        fresh->show_dialog = true;
        *data = reinterpret_cast<intptr_t>(h);
    }
    auto* h = reinterpret_cast<PluginHandle*>(*data);
    PluginState st;
    std::memcpy(&st, h->data, sizeof st);
    PluginState* saved = g_current;
    g_current = &st;
    st.record = static_cast<host::AcquireRecord*>(record);
    st.result = 0;

    // Every selector but about works on the host's record; a host that passes none gets the
    // bad-parameters result and nothing else happens.
    const bool needs_record =
        selector >= host::kSelectorStart && selector <= host::kSelectorFinalize;
    if (needs_record && !record) selector = -1;

    switch (selector) {
        case host::kSelectorAbout: {
            const auto* about = static_cast<const host::AboutRecord*>(record);
            ui.About(about ? about->platformData : nullptr);
            break;
        }
        case host::kSelectorStart:
            DoStart(st, ui);
            break;
        case host::kSelectorContinue:
            st.result = DeliverImage(st, ui);
            break;
        case host::kSelectorFinish:
            DoFinish(st);
            break;
        case host::kSelectorPrepare:
            DoPrepare(st, ui);
            break;
        case host::kSelectorFinalize:
            DoFinalize(st, ui);
            break;
        default:
            st.result = host::kAcquireBadParameters;
            break;
    }
    *result = st.result;
    std::memcpy(h->data, &st, sizeof st);
    g_current = saved;
}
