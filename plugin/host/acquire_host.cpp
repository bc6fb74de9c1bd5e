#include "plugin/host/acquire_host.h"

#include <algorithm>
#include <cstring>

#include "plugin/host/ppm.h"

// A handle of the handle suite: the word the module dereferences, its bytes, and the
// descriptor it stands for when it came from a closed write descriptor.
struct HostHandle {
    char* ptr = nullptr;
    std::vector<char> bytes;
    std::unique_ptr<Descriptor> desc;
};

// An open read descriptor: the items still to read, the current one, and where the next
// object comes from.
struct AcquireHost::ReadToken {
    const Descriptor* desc = nullptr;
    size_t next_item = 0;
    const DescItem* current = nullptr;
    size_t list_item = 0, list_object = 0;
};

namespace {

using host::FourCC;

AcquireHost* g_host = nullptr;

constexpr int32_t kMaxHandleSize = 64 << 20;
constexpr int16_t kErrWrongType = -1703;
constexpr int16_t kNotSupported = -1708;
constexpr size_t kGuardBytes = 64;
constexpr uint8_t kGuardByte = 0xA5;

AcquireHost& H() {
    return *g_host;
}

// --- buffers ------------------------------------------------------------------------------------

host::OSErr Allocate(int32_t size, host::BufferID* id) {
    H().Note("allocateProc");
    if (!id) return host::kMemFullErr;
    *id = nullptr;
    if (size <= 0 || size > H().space) return host::kMemFullErr;
    // A guard band after the buffer tells whether the module wrote past its end.
    auto bytes = std::make_unique<std::vector<uint8_t>>();
    bytes->resize(static_cast<size_t>(size) + kGuardBytes, kGuardByte);
    *id = reinterpret_cast<host::BufferID>(bytes.get());
    H().buffers[*id] = std::move(bytes);
    ++H().buffers_allocated;
    ++H().buffers_live;
    return 0;
}
char* LockBuffer(host::BufferID id, host::Boolean) {
    H().Note("lockProc");
    auto it = H().buffers.find(id);
    return it == H().buffers.end() ? nullptr : reinterpret_cast<char*>(it->second->data());
}
void UnlockBuffer(host::BufferID) {
    H().Note("unlockProc");
}
void FreeBuffer(host::BufferID id) {
    H().Note("freeProc");
    auto it = H().buffers.find(id);
    if (it == H().buffers.end()) {
        ++H().unknown_frees;
        return;
    }
    const std::vector<uint8_t>& b = *it->second;
    for (size_t i = b.size() - kGuardBytes; i < b.size(); ++i) {
        if (b[i] != kGuardByte) {
            ++H().overruns;
            H().Line("  freeProc: the module wrote past the end of its buffer");
            break;
        }
    }
    H().buffers.erase(it);
    ++H().buffers_freed;
    --H().buffers_live;
}
int32_t BufferSpace() {
    H().Note("spaceProc");
    return H().space;
}

// --- abort, progress, strips
// ----------------------------------------------------------------------

host::Boolean Abort() {
    H().Note("abortProc");
    return H().abort_after_rows >= 0 && H().progress_calls >= H().abort_after_rows;
}
void Progress(int32_t, int32_t) {
    H().Note("progressProc");
    ++H().progress_calls;
}

host::OSErr Advance() {
    AcquireHost& h = H();
    h.Note("advanceState");
    const host::AcquireRecord& r = h.rec;
    const host::Rect& rect = r.theRect;
    const bool fits = r.data && r.loPlane == r.hiPlane && r.loPlane >= 0 &&
                      r.loPlane < h.plane_count && r.colBytes == 1 && rect.top >= 0 &&
                      rect.top < rect.bottom && rect.bottom <= h.rows && rect.left >= 0 &&
                      rect.left < rect.right && rect.right <= h.columns &&
                      r.rowBytes >= rect.right - rect.left;
    char text[160];
    if (!fits) {
        ++h.bad_strips;
        std::snprintf(text, sizeof text,
                      "  advanceState: refused a strip that does not fit: plane %d-%d, rows "
                      "%d-%d, columns %d-%d, rowBytes %d",
                      r.loPlane, r.hiPlane, rect.top, rect.bottom, rect.left, rect.right,
                      static_cast<int>(r.rowBytes));
        h.Line(text);
        return kHostParamErr;
    }
    std::vector<uint8_t>& plane = h.planes[r.loPlane];
    const auto* src = static_cast<const uint8_t*>(r.data);
    const size_t width = static_cast<size_t>(rect.right - rect.left);
    for (int y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* row = src + static_cast<size_t>(r.rowBytes) * (y - rect.top);
        std::memcpy(&plane[static_cast<size_t>(y) * h.columns + rect.left], row, width);
    }
    ++h.strips;
    std::snprintf(text, sizeof text, "  advanceState: plane %d, rows %d-%d", r.loPlane, rect.top,
                  rect.bottom);
    h.Line(text);
    return 0;
}

// --- handles -------------------------------------------------------------------------------------

host::Handle NewHandle(int32_t size) {
    H().Note("newProc");
    if (size < 0 || size > kMaxHandleSize) return nullptr;
    auto hh = std::make_unique<HostHandle>();
    hh->bytes.resize(static_cast<size_t>(size) + 1);
    hh->ptr = hh->bytes.data();
    host::Handle h = &hh->ptr;
    H().handles[h] = std::move(hh);
    return h;
}
HostHandle* Find(host::Handle h) {
    auto it = H().handles.find(h);
    return it == H().handles.end() ? nullptr : it->second.get();
}
void DisposeHandle(host::Handle h) {
    H().Note("disposeProc");
    auto it = H().handles.find(h);
    if (it == H().handles.end()) {
        ++H().unknown_frees;
        return;
    }
    H().handles.erase(it);
}
int32_t HandleSize(host::Handle h) {
    H().Note("getSizeProc");
    HostHandle* hh = Find(h);
    return hh ? static_cast<int32_t>(hh->bytes.size() - 1) : 0;
}
host::OSErr SetHandleSize(host::Handle h, int32_t size) {
    H().Note("setSizeProc");
    HostHandle* hh = Find(h);
    if (!hh) return host::kNilHandleErr;
    if (size < 0 || size > kMaxHandleSize) return host::kMemFullErr;
    hh->bytes.resize(static_cast<size_t>(size) + 1);
    hh->ptr = hh->bytes.data();
    return 0;
}
char* LockHandle(host::Handle h, host::Boolean) {
    H().Note("lockProc (handle)");
    HostHandle* hh = Find(h);
    return hh ? hh->ptr : nullptr;
}
void UnlockHandle(host::Handle) {
    H().Note("unlockProc (handle)");
}
void RecoverSpace(int32_t) {
    H().Note("recoverSpaceProc");
}

// --- write descriptors
// -----------------------------------------------------------------------------

Descriptor* Writing(host::PIWriteDescriptor w) {
    for (auto& d : H().open_writes) {
        if (reinterpret_cast<host::PIWriteDescriptor>(d.get()) == w) return d.get();
    }
    return nullptr;
}

host::PIWriteDescriptor OpenWrite() {
    H().Note("openWriteDescriptorProc");
    H().open_writes.push_back(std::make_unique<Descriptor>());
    return reinterpret_cast<host::PIWriteDescriptor>(H().open_writes.back().get());
}
host::OSErr CloseWrite(host::PIWriteDescriptor w, host::Handle* out) {
    H().Note("closeWriteDescriptorProc");
    Descriptor* d = Writing(w);
    if (!d || !out) return host::kNilHandleErr;
    *out = H().NewDescriptorHandle(*d);
    auto& open = H().open_writes;
    open.erase(std::remove_if(open.begin(), open.end(),
                              [d](const std::unique_ptr<Descriptor>& p) { return p.get() == d; }),
               open.end());
    return 0;
}
host::OSErr Put(host::PIWriteDescriptor w, DescItem item) {
    Descriptor* d = Writing(w);
    if (!d) return host::kNilHandleErr;
    if (d->items.size() >= static_cast<size_t>(kDescriptorMaxItems)) return host::kMemFullErr;
    d->items.push_back(std::move(item));
    return 0;
}
host::OSErr PutInteger(host::PIWriteDescriptor w, host::DescriptorKeyID key, int32_t v) {
    H().Note("putIntegerProc");
    DescItem it;
    it.key = key;
    it.kind = DescItem::kInteger;
    it.number = v;
    return Put(w, std::move(it));
}
host::OSErr PutFloat(host::PIWriteDescriptor w, host::DescriptorKeyID key, const double* v) {
    H().Note("putFloatProc");
    if (!v) return kHostParamErr;
    DescItem it;
    it.key = key;
    it.kind = DescItem::kFloat;
    it.number = *v;
    return Put(w, std::move(it));
}
host::OSErr PutUnitFloat(host::PIWriteDescriptor w, host::DescriptorKeyID key,
                         host::DescriptorUnitID unit, const double* v) {
    H().Note("putUnitFloatProc");
    if (!v) return kHostParamErr;
    DescItem it;
    it.key = key;
    it.kind = DescItem::kUnitFloat;
    it.type = unit;
    it.number = *v;
    return Put(w, std::move(it));
}
host::OSErr PutBoolean(host::PIWriteDescriptor w, host::DescriptorKeyID key, host::Boolean b) {
    H().Note("putBooleanProc");
    DescItem it;
    it.key = key;
    it.kind = DescItem::kBoolean;
    it.number = b ? 1 : 0;
    return Put(w, std::move(it));
}
host::OSErr PutEnumerated(host::PIWriteDescriptor w, host::DescriptorKeyID key,
                          host::DescriptorTypeID type, host::DescriptorEnumID value) {
    H().Note("putEnumeratedProc");
    DescItem it;
    it.key = key;
    it.kind = DescItem::kEnum;
    it.type = type;
    it.value = value;
    return Put(w, std::move(it));
}
host::OSErr PutCount(host::PIWriteDescriptor w, host::DescriptorKeyID key, uint32_t count) {
    H().Note("putCountProc");
    DescItem it;
    it.key = key;
    it.kind = DescItem::kList;
    it.count = count;
    return Put(w, std::move(it));
}
host::OSErr PutObject(host::PIWriteDescriptor w, host::DescriptorKeyID key,
                      host::DescriptorTypeID cls, host::Handle h) {
    H().Note("putObjectProc");
    Descriptor* d = Writing(w);
    const Descriptor* object = H().DescriptorOf(h);
    if (!d) return host::kNilHandleErr;
    if (!object) return kHostParamErr;
    // The object goes into the list of that key (made when no count came first).
    DescItem* list = nullptr;
    for (auto it = d->items.rbegin(); it != d->items.rend(); ++it) {
        if (it->key == key && it->kind == DescItem::kList) {
            list = &*it;
            break;
        }
    }
    if (!list) {
        DescItem it;
        it.key = key;
        it.kind = DescItem::kList;
        if (Put(w, std::move(it)) != 0) return host::kMemFullErr;
        list = &d->items.back();
    }
    if (list->objects.size() >= static_cast<size_t>(kDescriptorMaxItems)) {
        return host::kMemFullErr;
    }
    list->objects.push_back(DescObject{cls, *object});
    return 0;
}
// What the module does not use is there (the suite counts its procedures) and says so.
host::OSErr PutHandleNo(host::PIWriteDescriptor, host::DescriptorKeyID, host::Handle) {
    H().Note("put (unsupported)");
    return kNotSupported;
}
host::OSErr PutClassNo(host::PIWriteDescriptor, host::DescriptorKeyID, host::DescriptorTypeID) {
    H().Note("put (unsupported)");
    return kNotSupported;
}
host::OSErr PutRefNo(host::PIWriteDescriptor, host::DescriptorKeyID, const void*) {
    H().Note("put (unsupported)");
    return kNotSupported;
}
host::OSErr PutStringNo(host::PIWriteDescriptor, host::DescriptorKeyID, const unsigned char*) {
    H().Note("put (unsupported)");
    return kNotSupported;
}
host::OSErr PutScopedObjectNo(host::PIWriteDescriptor, host::DescriptorKeyID,
                              host::DescriptorTypeID, host::Handle) {
    H().Note("put (unsupported)");
    return kNotSupported;
}

// --- read descriptors
// -------------------------------------------------------------------------------

AcquireHost::ReadToken* Reading(host::PIReadDescriptor r) {
    for (auto& t : H().open_reads) {
        if (reinterpret_cast<host::PIReadDescriptor>(t.get()) == r) return t.get();
    }
    return nullptr;
}

host::PIReadDescriptor OpenRead(host::Handle h, host::DescriptorKeyID*) {
    H().Note("openReadDescriptorProc");
    const Descriptor* d = H().DescriptorOf(h);
    if (!d) return nullptr;
    auto t = std::make_unique<AcquireHost::ReadToken>();
    t->desc = d;
    H().open_reads.push_back(std::move(t));
    return reinterpret_cast<host::PIReadDescriptor>(H().open_reads.back().get());
}
host::OSErr CloseRead(host::PIReadDescriptor r) {
    H().Note("closeReadDescriptorProc");
    AcquireHost::ReadToken* t = Reading(r);
    if (!t) return host::kNilHandleErr;
    auto& open = H().open_reads;
    open.erase(std::remove_if(
                   open.begin(), open.end(),
                   [t](const std::unique_ptr<AcquireHost::ReadToken>& p) { return p.get() == t; }),
               open.end());
    return 0;
}
host::Boolean GetKey(host::PIReadDescriptor r, host::DescriptorKeyID* key,
                     host::DescriptorTypeID* type, int32_t* flags) {
    H().Note("getKeyProc");
    AcquireHost::ReadToken* t = Reading(r);
    if (!t || t->next_item >= t->desc->items.size()) return 0;
    const DescItem& it = t->desc->items[t->next_item++];
    t->current = &it;
    static const host::OSType kTypes[] = {FourCC("long"), FourCC("doub"), FourCC("UntF"),
                                          FourCC("bool"), FourCC("enum"), FourCC("VlLs")};
    if (key) *key = it.key;
    if (type) *type = kTypes[it.kind];
    if (flags) *flags = 0;
    return 1;
}
const DescItem* Current(host::PIReadDescriptor r, DescItem::Kind kind) {
    AcquireHost::ReadToken* t = Reading(r);
    if (!t || !t->current || t->current->kind != kind) return nullptr;
    return t->current;
}
host::OSErr GetInteger(host::PIReadDescriptor r, int32_t* v) {
    H().Note("getIntegerProc");
    const DescItem* it = Current(r, DescItem::kInteger);
    if (!it || !v) return kErrWrongType;
    *v = static_cast<int32_t>(it->number);
    return 0;
}
host::OSErr GetFloat(host::PIReadDescriptor r, double* v) {
    H().Note("getFloatProc");
    const DescItem* it = Current(r, DescItem::kFloat);
    if (!it || !v) return kErrWrongType;
    *v = it->number;
    return 0;
}
host::OSErr GetUnitFloat(host::PIReadDescriptor r, host::DescriptorUnitID* unit, double* v) {
    H().Note("getUnitFloatProc");
    const DescItem* it = Current(r, DescItem::kUnitFloat);
    if (!it || !v) return kErrWrongType;
    if (unit) *unit = it->type;
    *v = it->number;
    return 0;
}
host::OSErr GetBoolean(host::PIReadDescriptor r, host::Boolean* v) {
    H().Note("getBooleanProc");
    const DescItem* it = Current(r, DescItem::kBoolean);
    if (!it || !v) return kErrWrongType;
    *v = it->number != 0;
    return 0;
}
host::OSErr GetEnumerated(host::PIReadDescriptor r, host::DescriptorEnumID* v) {
    H().Note("getEnumeratedProc");
    const DescItem* it = Current(r, DescItem::kEnum);
    if (!it || !v) return kErrWrongType;
    *v = it->value;
    return 0;
}
host::OSErr GetCount(host::PIReadDescriptor r, uint32_t* v) {
    H().Note("getCountProc");
    const DescItem* it = Current(r, DescItem::kList);
    if (!it || !v) return kErrWrongType;
    *v = it->count;
    return 0;
}
// The next object of the descriptor's lists, in order, each as a new handle.
host::OSErr GetObject(host::PIReadDescriptor r, host::DescriptorTypeID* cls, host::Handle* out) {
    H().Note("getObjectProc");
    AcquireHost::ReadToken* t = Reading(r);
    if (!t || !out) return host::kNilHandleErr;
    *out = nullptr;
    const auto& items = t->desc->items;
    while (t->list_item < items.size()) {
        const DescItem& it = items[t->list_item];
        if (it.kind == DescItem::kList && t->list_object < it.objects.size()) {
            const DescObject& o = it.objects[t->list_object++];
            if (cls) *cls = o.cls;
            *out = H().NewDescriptorHandle(o.desc);
            return *out ? 0 : host::kMemFullErr;
        }
        ++t->list_item;
        t->list_object = 0;
    }
    return host::kErrMissingParameter;
}
host::OSErr GetPinnedInteger(host::PIReadDescriptor r, int32_t lo, int32_t hi, int32_t* v) {
    H().Note("getPinnedIntegerProc");
    const DescItem* it = Current(r, DescItem::kInteger);
    if (!it || !v) return kErrWrongType;
    *v = static_cast<int32_t>(std::min<double>(std::max<double>(it->number, lo), hi));
    return 0;
}
host::OSErr GetPinnedFloat(host::PIReadDescriptor r, const double* lo, const double* hi,
                           double* v) {
    H().Note("getPinnedFloatProc");
    const DescItem* it = Current(r, DescItem::kFloat);
    if (!it || !v || !lo || !hi) return kErrWrongType;
    *v = std::min(std::max(it->number, *lo), *hi);
    return 0;
}
host::OSErr GetPinnedUnitFloat(host::PIReadDescriptor r, const double* lo, const double* hi,
                               host::DescriptorUnitID* unit, double* v) {
    H().Note("getPinnedUnitFloatProc");
    const DescItem* it = Current(r, DescItem::kUnitFloat);
    if (!it || !v || !lo || !hi) return kErrWrongType;
    if (unit && *unit != 0 && *unit != it->type) return kErrWrongType;
    *v = std::min(std::max(it->number, *lo), *hi);
    return 0;
}
host::OSErr GetHandleNo(host::PIReadDescriptor, host::Handle*) {
    H().Note("get (unsupported)");
    return kNotSupported;
}
host::OSErr GetClassNo(host::PIReadDescriptor, host::DescriptorTypeID*) {
    H().Note("get (unsupported)");
    return kNotSupported;
}
host::OSErr GetRefNo(host::PIReadDescriptor, void*) {
    H().Note("get (unsupported)");
    return kNotSupported;
}
host::OSErr GetStringNo(host::PIReadDescriptor, host::Str255*) {
    H().Note("get (unsupported)");
    return kNotSupported;
}

std::string ResultText(int16_t result) {
    switch (result) {
        case 0:
            return "0";
        case host::kUserCanceledErr:
            return "-128 (user cancelled)";
        case host::kMemFullErr:
            return "-108 (out of memory)";
        case host::kAcquireBadParameters:
            return "-30000 (bad parameters)";
        default:
            return std::to_string(result);
    }
}

}  // namespace

// --- the host
// ----------------------------------------------------------------------------------------

AcquireHost* CurrentHost() {
    return g_host;
}

std::string SelectorName(int16_t selector) {
    switch (selector) {
        case host::kSelectorAbout:
            return "about";
        case host::kSelectorStart:
            return "start";
        case host::kSelectorContinue:
            return "continue";
        case host::kSelectorFinish:
            return "finish";
        case host::kSelectorPrepare:
            return "prepare";
        case host::kSelectorFinalize:
            return "finalize";
        default:
            return "selector " + std::to_string(selector);
    }
}

AcquireHost::AcquireHost(PluginEntryPoint e) : entry(e) {
    std::memset(&rec, 0, sizeof rec);
    std::memset(&write_procs, 0, sizeof write_procs);
    std::memset(&read_procs, 0, sizeof read_procs);
    std::memset(&desc_params, 0, sizeof desc_params);
    procs = {2, 5, Allocate, LockBuffer, UnlockBuffer, FreeBuffer, BufferSpace};
    handle_procs = {1,           7,
                    NewHandle,   DisposeHandle,
                    HandleSize,  SetHandleSize,
                    LockHandle,  UnlockHandle,
                    RecoverSpace};
    platform.hwnd = 0;
    rec.platformData = &platform;
    rec.bufferProcs = &procs;
    rec.handleProcs = &handle_procs;
    rec.abortProc = Abort;
    rec.progressProc = Progress;
    rec.advanceState = Advance;
    rec.canFinalize = 1;
    rec.maxData = 1 << 20;
    rec.hostSig = FourCC("VSTR");

    host::WriteDescriptorProcs& w = write_procs;
    w.writeDescriptorProcsVersion = 0;
    w.numWriteDescriptorProcs = 16;
    w.openWriteDescriptorProc = OpenWrite;
    w.closeWriteDescriptorProc = CloseWrite;
    w.putIntegerProc = PutInteger;
    w.putFloatProc = PutFloat;
    w.putUnitFloatProc = PutUnitFloat;
    w.putBooleanProc = PutBoolean;
    w.putTextProc = PutHandleNo;
    w.putAliasProc = PutHandleNo;
    w.putEnumeratedProc = PutEnumerated;
    w.putClassProc = PutClassNo;
    w.putSimpleReferenceProc = PutRefNo;
    w.putObjectProc = PutObject;
    w.putCountProc = PutCount;
    w.putStringProc = PutStringNo;
    w.putScopedClassProc = PutClassNo;
    w.putScopedObjectProc = PutScopedObjectNo;
    host::ReadDescriptorProcs& r = read_procs;
    r.readDescriptorProcsVersion = 0;
    r.numReadDescriptorProcs = 18;
    r.openReadDescriptorProc = OpenRead;
    r.closeReadDescriptorProc = CloseRead;
    r.getKeyProc = GetKey;
    r.getIntegerProc = GetInteger;
    r.getFloatProc = GetFloat;
    r.getUnitFloatProc = GetUnitFloat;
    r.getBooleanProc = GetBoolean;
    r.getTextProc = GetHandleNo;
    r.getAliasProc = GetHandleNo;
    r.getEnumeratedProc = GetEnumerated;
    r.getClassProc = GetClassNo;
    r.getSimpleReferenceProc = GetRefNo;
    r.getObjectProc = GetObject;
    r.getCountProc = GetCount;
    r.getStringProc = GetStringNo;
    r.getPinnedIntegerProc = GetPinnedInteger;
    r.getPinnedFloatProc = GetPinnedFloat;
    r.getPinnedUnitFloatProc = GetPinnedUnitFloat;
    desc_params.writeDescriptorProcs = &write_procs;
    desc_params.readDescriptorProcs = &read_procs;
    g_host = this;
}

AcquireHost::~AcquireHost() {
    if (g_host == this) g_host = nullptr;
}

void AcquireHost::OfferBufferSuite(bool on) {
    rec.bufferProcs = on ? &procs : nullptr;
}
void AcquireHost::OfferAbort(bool on) {
    rec.abortProc = on ? Abort : nullptr;
}
void AcquireHost::OfferProgress(bool on) {
    rec.progressProc = on ? Progress : nullptr;
}
void AcquireHost::OfferAdvanceState(bool on) {
    rec.advanceState = on ? Advance : nullptr;
}

void AcquireHost::OfferDescriptors(const Descriptor* play) {
    g_host = this;
    rec.descriptorParameters = &desc_params;
    desc_params.playInfo = 1;  // play with the module's dialog
    desc_params.recordInfo = 0;
    desc_params.descriptor = play ? NewDescriptorHandle(*play) : nullptr;
}

const Descriptor* AcquireHost::RecordedDescriptor() const {
    return rec.descriptorParameters ? DescriptorOf(desc_params.descriptor) : nullptr;
}

int AcquireHost::LiveHandles() const {
    return static_cast<int>(handles.size());
}

host::Handle AcquireHost::NewDescriptorHandle(const Descriptor& d) {
    auto hh = std::make_unique<HostHandle>();
    hh->bytes.resize(1);
    hh->ptr = hh->bytes.data();
    hh->desc = std::make_unique<Descriptor>(d);
    host::Handle h = &hh->ptr;
    handles[h] = std::move(hh);
    return h;
}

const Descriptor* AcquireHost::DescriptorOf(host::Handle h) const {
    if (!h) return nullptr;
    auto it = handles.find(h);
    return it == handles.end() ? nullptr : it->second->desc.get();
}

void AcquireHost::Line(const std::string& text) {
    log += text;
    log += '\n';
    if (echo) {
        std::fputs(text.c_str(), echo);
        std::fputc('\n', echo);
        std::fflush(echo);
    }
}

void AcquireHost::Note(const char* proc) {
    for (auto& n : noted) {
        if (n.first == proc) {
            ++n.second;
            return;
        }
    }
    noted.emplace_back(proc, 1);
}

int16_t AcquireHost::Call(int16_t selector) {
    g_host = this;
    noted.clear();
    if (selector == host::kSelectorStart) {
        for (auto& p : planes) p.clear();
        rows = columns = plane_count = 0;
        strips = 0;
    }
    short result = 12345;
    entry(selector, &rec, &slot, &result);
    g_host = this;
    std::string line = SelectorName(selector) + ": " + ResultText(result);
    if (selector == host::kSelectorStart && result == 0) {
        char geometry[96];
        std::snprintf(geometry, sizeof geometry, " (%d rows x %d columns, mode %d, %d planes)",
                      rec.imageSize.v, rec.imageSize.h, rec.imageMode, rec.planes);
        line += geometry;
        // The planes the strips will fill, when the geometry is one a host can take.
        const int r = rec.imageSize.v, c = rec.imageSize.h, p = rec.planes;
        if (r > 0 && c > 0 && (p == 1 || p == 3) && rec.depth == 8 &&
            static_cast<int64_t>(r) * c <= kHostMaxPixels) {
            rows = r;
            columns = c;
            plane_count = p;
            for (int i = 0; i < p; ++i) planes[i].assign(static_cast<size_t>(r) * c, 0);
        } else {
            line += " - a picture this host cannot take";
        }
    }
    if (selector == host::kSelectorFinish) {
        line += rec.acquireAgain ? " (acquireAgain 1)" : " (acquireAgain 0)";
    }
    if (!noted.empty()) {
        line += " [";
        for (size_t i = 0; i < noted.size(); ++i) {
            if (i) line += ", ";
            line += noted[i].first + " " + std::to_string(noted[i].second);
        }
        line += "]";
    }
    Line(line);
    return result;
}

int16_t AcquireHost::About() {
    g_host = this;
    noted.clear();
    host::AboutRecord about{};
    about.platformData = &platform;
    short result = 12345;
    entry(host::kSelectorAbout, &about, &slot, &result);
    Line("about: " + ResultText(result));
    return result;
}

SessionResult RunAcquireSession(AcquireHost& h, const std::string& out_dir, int max_cycles) {
    SessionResult s;
    for (int cycle = 0; cycle < max_cycles; ++cycle) {
        const int16_t prepared = h.Call(host::kSelectorPrepare);
        if (prepared != 0) {
            s.failed = true;
            if (cycle == 0) return s;  // no start ran: nothing to finalize
            break;
        }
        const int16_t started = h.Call(host::kSelectorStart);
        if (started != 0) {
            s.failed = started != host::kUserCanceledErr;
            break;
        }
        // Continue until the module clears data (the module may deliver all in one call).
        int16_t delivered = 0;
        int calls = 0;
        do {
            delivered = h.Call(host::kSelectorContinue);
        } while (delivered == 0 && h.rec.data != nullptr && ++calls < 100000);
        if (delivered == 0 && h.bad_strips == 0 && h.plane_count > 0) {
            const std::string path = AcquiredFileName(out_dir, s.images + 1);
            if (WritePpmFile(path, h.rows, h.columns, h.planes, h.plane_count)) {
                ++s.images;
                h.Line("  wrote " + path);
            } else {
                h.Line("  could not write " + path);
                s.failed = true;
            }
        } else if (delivered != 0) {
            s.failed = s.failed || delivered != host::kUserCanceledErr;
        }
        const int16_t finished = h.Call(host::kSelectorFinish);
        if (finished != 0) s.failed = true;
        if (delivered != 0 || finished != 0 || !h.rec.acquireAgain) break;
    }
    const int16_t finalized = h.Call(host::kSelectorFinalize);
    // An empty recording list ends finalize with -128: the module's way to say "nothing".
    if (finalized != 0 && finalized != host::kUserCanceledErr) s.failed = true;
    if (h.overruns != 0) s.failed = true;
    if (h.buffers_live != 0) {
        h.Line("  buffers the module did not free: " + std::to_string(h.buffers_live));
        s.failed = true;
    }
    return s;
}
