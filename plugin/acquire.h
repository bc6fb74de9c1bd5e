// The acquire module's side of the host protocol, without windows: the one state block that
// lives in the host's data slot, the selector handling, the checks of the host's suites, the
// delivery of the fetched picture in strips of three 8-bit planes, and the recording and
// playback of what was acquired. The dialog, the camera and the picture's extraction are
// behind PluginUi, so that the whole protocol runs natively against a fake host.
#pragma once
#include <cstddef>
#include <cstdint>

#include "codec/dib.h"
#include "plugin/host_records.h"

constexpr int kScriptListCapacity = 50;
constexpr int kPortNameChars = 259;

// The module's whole working state. Plain data: it is copied out of its block at the start of
// every call and back at the end.
struct PluginState {
    int16_t result;
    host::AcquireRecord* record;  // the current call's record (not owned)
    intptr_t dialog;              // the camera dialog's window, 0 while there is none
    int32_t script_count;
    host::Handle script_list[kScriptListCapacity];
    int16_t rows, columns, mode;
    bool invert, show_dialog, first_call, got_image;
    host::PIReadDescriptor read_token;  // open read descriptor, or none
    int32_t objects_to_read;
    intptr_t instance;
    int32_t port_radio;  // 10..13
    char port_name[kPortNameChars];
    int32_t baud_radio;  // 14..18
    void* session;       // the dialog's camera session (owned by the dialog)
    void* grid;          // the dialog's thumbnail grid (owned by the dialog)
    DibImage* image;     // the fetched picture until it is delivered (owned)
    bool meter_cancel;   // the progress dialog's Cancel was pressed
    intptr_t saved_owner;
    uint8_t dither[64];
    bool range_edit;
    int32_t language;
};

// PluginHandle: the two-word record whose address sits in the host's data slot. Word 0 points
// to the block, word 1 holds "ZEDE".
struct PluginHandle {
    void* data;
    char tag[4];
};

// The memory of handles: zero-filled global memory on Windows, the C heap elsewhere. The
// module-wide status is 0 after every successful operation, -108 when an allocation failed,
// -109 for a size query or release of a null record, -111 for a resize of a null record.
PluginHandle* NewPluginHandle(size_t size);
size_t PluginHandleSize(PluginHandle* h);
bool ResizePluginHandle(PluginHandle* h, size_t size);
void FreePluginHandle(PluginHandle* h);
int PluginMemoryStatus();

// What the protocol needs from the platform.
struct PluginUi {
    virtual ~PluginUi() = default;
    // The about box, owned by the host window of the about record's platform data.
    virtual void About(const void* platform_data) = 0;
    // String 16992 with ^1 = version, or 16993; no owner, warning icon.
    virtual void HostWarning(int string_id, const char* version) = 0;
    // Opens the camera dialog or brings it back; false when it cannot be made.
    virtual bool EnterDialog(PluginState& st) = 0;
    // Runs the dialog until an image was fetched (1) or the user quit (-1).
    virtual int RunDialog(PluginState& st) = 0;
    virtual void DestroyDialog(PluginState& st) = 0;
    // Decodes the fetched file into a 24-bit picture; empty (after its message) on failure.
    virtual DibImage ExtractImage(PluginState& st) = 0;
};

// The host's one entry. data points to the host's slot (pointer-sized), result to its result.
void PluginEntry(int16_t selector, void* record, intptr_t* data, int16_t* result, PluginUi& ui);

// The state of the current call (none outside a call).
PluginState* CurrentPluginState();

// --- the parts, for tests ---------------------------------------------------------------------

enum class SuiteCheck { kPresent, kMissing, kIncompatible };
SuiteCheck CheckBufferSuite(const host::BufferProcs* procs);
bool DescriptorSuitesPresent(const host::AcquireRecord* rec);

// The defaults of a first prepare call.
void ApplyPluginDefaults(PluginState& st);

// Strip height for a free space and row width: space / row_bytes - 300, at most rows, at
// least 1. 0 when the space holds no single row.
int32_t StripRows(int32_t space, int32_t row_bytes, int32_t rows);

// Delivers the state's picture through the host's buffer suite and advanceState; frees the
// picture. Returns the call's result.
int16_t DeliverImage(PluginState& st, PluginUi& ui);
