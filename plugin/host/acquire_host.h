// A host of our own for acquire modules, as an image editor runs one: it fills the acquire
// record, offers the buffer suite in plain memory with a free space of its choosing, the handle
// suite, the descriptor suites for recording and playback, the abort and progress procedures
// and advanceState (each of those can be left out), puts the delivered strips together into
// planes, and writes a readable log of every call: the selector, its result and the host
// procedures the module called meanwhile.
//
// Portable: the module's entry is a plain function pointer, so the whole acquire session runs
// natively against the module's own code; loading a module file and the host's main window are
// the Windows side's (plugin/host/win/). The host's procedures are plain C functions without
// a context, as the interface has them, so one host is current at a time.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plugin/host/descriptors.h"
#include "plugin/host_records.h"

using PluginEntryPoint = void (*)(short selector, void* record, intptr_t* data, short* result);

// The host's limits for a delivered picture (the module's sizes are 16-bit, but the planes are
// made from them and are kept sane).
constexpr int32_t kHostMaxPixels = 16 * 1024 * 1024;
constexpr int16_t kHostParamErr = -50;

struct HostHandle;

struct AcquireHost {
    explicit AcquireHost(PluginEntryPoint entry);
    ~AcquireHost();
    AcquireHost(const AcquireHost&) = delete;
    AcquireHost& operator=(const AcquireHost&) = delete;

    // Calls the module with a selector; logs the call. Start resets the received picture.
    int16_t Call(int16_t selector);
    // The about call with its own record.
    int16_t About();

    // What the host offers; change before a call.
    void OfferBufferSuite(bool on);
    void OfferAbort(bool on);
    void OfferProgress(bool on);
    void OfferAdvanceState(bool on);
    // Offers the descriptor suites; with a descriptor to play back when play is non-null.
    void OfferDescriptors(const Descriptor* play);
    // The descriptor the module left in the host's slot (after finalize), or null.
    const Descriptor* RecordedDescriptor() const;
    // Handles of the handle suite that the module has not disposed yet.
    int LiveHandles() const;

    PluginEntryPoint entry;
    host::AcquireRecord rec;
    host::BufferProcs procs;
    host::HandleProcs handle_procs;
    host::WriteDescriptorProcs write_procs;
    host::ReadDescriptorProcs read_procs;
    host::PIDescriptorParameters desc_params;
    host::PlatformData platform;
    intptr_t slot = 0;
    int32_t space = 4 << 20;
    int abort_after_rows = -1;  // abortProc says yes once this many rows were reported

    // What the module delivered since the last start: rows x columns of each plane.
    int rows = 0, columns = 0, plane_count = 0;
    std::vector<uint8_t> planes[3];
    int strips = 0;
    int bad_strips = 0;  // strips that did not fit the picture (refused with kHostParamErr)
    int progress_calls = 0;
    int buffers_allocated = 0, buffers_freed = 0, buffers_live = 0;
    int unknown_frees = 0;
    int overruns = 0;  // buffers freed with bytes written past their end  // frees or disposals of
                       // something the host never gave out

    // The log: every line is kept, and echoed to `echo` when set.
    std::string log;
    std::FILE* echo = nullptr;
    void Line(const std::string& text);
    // Counts one host procedure call for the current selector's log line.
    void Note(const char* proc);

    // The host's own bookkeeping (used by its procedures).
    std::vector<std::pair<std::string, int>> noted;
    std::map<host::BufferID, std::unique_ptr<std::vector<uint8_t>>> buffers;
    std::map<host::Handle, std::unique_ptr<HostHandle>> handles;
    std::vector<std::unique_ptr<Descriptor>> open_writes;
    struct ReadToken;
    std::vector<std::unique_ptr<ReadToken>> open_reads;
    host::Handle NewDescriptorHandle(const Descriptor& d);
    const Descriptor* DescriptorOf(host::Handle h) const;
};

// The current host (set by Call and About).
AcquireHost* CurrentHost();

// Selector names for the log ("prepare", ...; "selector N" for others).
std::string SelectorName(int16_t selector);

// How a session went.
struct SessionResult {
    int images = 0;       // pictures written
    bool failed = false;  // a call ended with an error other than the user's cancel, or a
                          // picture could not be written
};

// One session in the host's order: prepare, start, continue until the module clears data,
// finish, and again prepare, start, continue, finish while the module sets acquireAgain; then
// finalize. A start that fails (the user's Exit: -128) ends the cycles; prepare failing ends
// the session without finalize, as no start ran. Each delivered picture is written as
// out_dir/acquire-NNN.ppm (out_dir empty: the current folder). max_cycles bounds the cycles.
SessionResult RunAcquireSession(AcquireHost& h, const std::string& out_dir, int max_cycles);
