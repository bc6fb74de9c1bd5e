// The records the image editor hands an acquire module, declared field for field as the
// editor's maker publishes them (acquire interface 4.0 with its general and descriptor
// declarations). Only the fields the module uses are named in the code, but every field is
// here so that the offsets come out as the host lays them out: natural alignment, 32-bit
// pointers on x86, 64-bit pointers on x86-64. The checks at the end prove both layouts at
// compile time; the 32-bit table is the one the hosts of the module's era rely on.
//
// Plain declarations only: the module's portable core, its Windows side and the test host all
// include this file.
#pragma once
#include <cstddef>
#include <cstdint>

namespace host {

using Boolean = uint8_t;
using Fixed = int32_t;
using OSErr = int16_t;
using OSType = uint32_t;  // four characters, first in the high byte
using Handle = char**;
using BufferID = struct PSBuffer*;
using Str255 = unsigned char[256];
using LookUpTable = unsigned char[256];
using PlaneMap = int16_t[16];

struct Point {
    int16_t v, h;
};
struct Rect {
    int16_t top, left, bottom, right;
};
struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

// The procedure types; on Windows they use the C calling convention.
using TestAbortProc = Boolean (*)();
using ProgressProc = void (*)(int32_t done, int32_t total);
using HostProc = void (*)(int16_t selector, int32_t* data);
using SpaceProc = int32_t (*)();
using AllocateBufferProc = OSErr (*)(int32_t size, BufferID* buffer);
using LockBufferProc = char* (*)(BufferID buffer, Boolean move_high);
using UnlockBufferProc = void (*)(BufferID buffer);
using FreeBufferProc = void (*)(BufferID buffer);
using BufferSpaceProc = int32_t (*)();
using NewPIHandleProc = Handle (*)(int32_t size);
using DisposePIHandleProc = void (*)(Handle h);
using GetPIHandleSizeProc = int32_t (*)(Handle h);
using SetPIHandleSizeProc = OSErr (*)(Handle h, int32_t size);
using LockPIHandleProc = char* (*)(Handle h, Boolean move_high);
using UnlockPIHandleProc = void (*)(Handle h);
using RecoverSpaceProc = void (*)(int32_t size);
using ProcessEventProc = void (*)(void* event);
using DisplayPixelsProc = OSErr (*)(const void* source, const void* rect, int32_t row, int32_t col,
                                    void* context);
using AdvanceStateProc = OSErr (*)();
using ColorServicesProc = OSErr (*)(void* info);

struct BufferProcs {
    int16_t bufferProcsVersion;
    int16_t numBufferProcs;
    AllocateBufferProc allocateProc;
    LockBufferProc lockProc;
    UnlockBufferProc unlockProc;
    FreeBufferProc freeProc;
    BufferSpaceProc spaceProc;
};

struct HandleProcs {
    int16_t handleProcsVersion;
    int16_t numHandleProcs;
    NewPIHandleProc newProc;
    DisposePIHandleProc disposeProc;
    GetPIHandleSizeProc getSizeProc;
    SetPIHandleSizeProc setSizeProc;
    LockPIHandleProc lockProc;
    UnlockPIHandleProc unlockProc;
    RecoverSpaceProc recoverSpaceProc;
};

// --- descriptors (recording and playback) ---------------------------------------------------

using PIWriteDescriptor = struct PIOpaqueWriteDescriptor*;
using PIReadDescriptor = struct PIOpaqueReadDescriptor*;
using DescriptorKeyID = uint32_t;
using DescriptorTypeID = uint32_t;
using DescriptorUnitID = uint32_t;
using DescriptorEnumID = uint32_t;

using OpenWriteDescriptorProc = PIWriteDescriptor (*)();
using CloseWriteDescriptorProc = OSErr (*)(PIWriteDescriptor, Handle*);
using PutIntegerProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, int32_t);
using PutFloatProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, const double*);
using PutUnitFloatProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorUnitID,
                                   const double*);
using PutBooleanProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, Boolean);
using PutTextProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, Handle);
using PutAliasProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, Handle);
using PutEnumeratedProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID,
                                    DescriptorEnumID);
using PutClassProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
using PutSimpleReferenceProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, const void*);
using PutObjectProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, Handle);
using PutCountProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, uint32_t);
using PutStringProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, const unsigned char*);
using PutScopedClassProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID);
using PutScopedObjectProc = OSErr (*)(PIWriteDescriptor, DescriptorKeyID, DescriptorTypeID, Handle);

using OpenReadDescriptorProc = PIReadDescriptor (*)(Handle, DescriptorKeyID*);
using CloseReadDescriptorProc = OSErr (*)(PIReadDescriptor);
using GetKeyProc = Boolean (*)(PIReadDescriptor, DescriptorKeyID*, DescriptorTypeID*, int32_t*);
using GetIntegerProc = OSErr (*)(PIReadDescriptor, int32_t*);
using GetFloatProc = OSErr (*)(PIReadDescriptor, double*);
using GetUnitFloatProc = OSErr (*)(PIReadDescriptor, DescriptorUnitID*, double*);
using GetBooleanProc = OSErr (*)(PIReadDescriptor, Boolean*);
using GetTextProc = OSErr (*)(PIReadDescriptor, Handle*);
using GetAliasProc = OSErr (*)(PIReadDescriptor, Handle*);
using GetEnumeratedProc = OSErr (*)(PIReadDescriptor, DescriptorEnumID*);
using GetClassProc = OSErr (*)(PIReadDescriptor, DescriptorTypeID*);
using GetSimpleReferenceProc = OSErr (*)(PIReadDescriptor, void*);
using GetObjectProc = OSErr (*)(PIReadDescriptor, DescriptorTypeID*, Handle*);
using GetCountProc = OSErr (*)(PIReadDescriptor, uint32_t*);
using GetStringProc = OSErr (*)(PIReadDescriptor, Str255*);
using GetPinnedIntegerProc = OSErr (*)(PIReadDescriptor, int32_t, int32_t, int32_t*);
using GetPinnedFloatProc = OSErr (*)(PIReadDescriptor, const double*, const double*, double*);
using GetPinnedUnitFloatProc = OSErr (*)(PIReadDescriptor, const double*, const double*,
                                         DescriptorUnitID*, double*);

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    OpenWriteDescriptorProc openWriteDescriptorProc;
    CloseWriteDescriptorProc closeWriteDescriptorProc;
    PutIntegerProc putIntegerProc;
    PutFloatProc putFloatProc;
    PutUnitFloatProc putUnitFloatProc;
    PutBooleanProc putBooleanProc;
    PutTextProc putTextProc;
    PutAliasProc putAliasProc;
    PutEnumeratedProc putEnumeratedProc;
    PutClassProc putClassProc;
    PutSimpleReferenceProc putSimpleReferenceProc;
    PutObjectProc putObjectProc;
    PutCountProc putCountProc;
    PutStringProc putStringProc;
    PutScopedClassProc putScopedClassProc;
    PutScopedObjectProc putScopedObjectProc;
};

struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    OpenReadDescriptorProc openReadDescriptorProc;
    CloseReadDescriptorProc closeReadDescriptorProc;
    GetKeyProc getKeyProc;
    GetIntegerProc getIntegerProc;
    GetFloatProc getFloatProc;
    GetUnitFloatProc getUnitFloatProc;
    GetBooleanProc getBooleanProc;
    GetTextProc getTextProc;
    GetAliasProc getAliasProc;
    GetEnumeratedProc getEnumeratedProc;
    GetClassProc getClassProc;
    GetSimpleReferenceProc getSimpleReferenceProc;
    GetObjectProc getObjectProc;
    GetCountProc getCountProc;
    GetStringProc getStringProc;
    GetPinnedIntegerProc getPinnedIntegerProc;
    GetPinnedFloatProc getPinnedFloatProc;
    GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;
    int16_t recordInfo;
    Handle descriptor;
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};

// --- the acquire record ---------------------------------------------------------------------

struct AcquireRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    int32_t maxData;
    int16_t imageMode;
    Point imageSize;
    int16_t depth;
    int16_t planes;
    Fixed imageHRes;
    Fixed imageVRes;
    LookUpTable redLUT;
    LookUpTable greenLUT;
    LookUpTable blueLUT;
    void* data;
    Rect theRect;
    int16_t loPlane;
    int16_t hiPlane;
    int16_t colBytes;
    int32_t rowBytes;
    int32_t planeBytes;
    Str255 filename;
    int16_t vRefNum;
    Boolean dirty;
    OSType hostSig;
    HostProc hostProc;
    int32_t hostModes;
    PlaneMap planeMap;
    Boolean canTranspose;
    Boolean needTranspose;
    Handle duotoneInfo;
    int32_t diskSpace;
    SpaceProc spaceProc;
    PlugInMonitor monitor;
    void* platformData;
    BufferProcs* bufferProcs;
    void* resourceProcs;
    ProcessEventProc processEvent;
    Boolean canReadBack;
    Boolean wantReadBack;
    Boolean acquireAgain;
    Boolean canFinalize;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean wantFinalize;
    char reserved1[3];
    ColorServicesProc colorServices;
    AdvanceStateProc advanceState;
    void* imageServicesProcs;
    int16_t tileWidth;
    int16_t tileHeight;
    Point tileOrigin;
    void* propertyProcs;
    PIDescriptorParameters* descriptorParameters;
    Str255* errorString;
    char reserved[192];
};

// The about call's record: only its first field is used.
struct AboutRecord {
    void* platformData;
    char reserved[252];
};

// What platformData points to: the host's main window first.
struct PlatformData {
    intptr_t hwnd;
};

// Selectors and results.
enum : int16_t {
    kSelectorAbout = 0,
    kSelectorStart = 1,
    kSelectorContinue = 2,
    kSelectorFinish = 3,
    kSelectorPrepare = 4,
    kSelectorFinalize = 5,
};
constexpr int16_t kUserCanceledErr = -128;
constexpr int16_t kMemFullErr = -108;
constexpr int16_t kNilHandleErr = -109;
constexpr int16_t kMemWZErr = -111;
constexpr int16_t kAcquireBadParameters = -30000;
constexpr int16_t kErrMissingParameter = -1715;

constexpr OSType FourCC(const char (&c)[5]) {
    return (OSType(uint8_t(c[0])) << 24) | (OSType(uint8_t(c[1])) << 16) |
           (OSType(uint8_t(c[2])) << 8) | OSType(uint8_t(c[3]));
}

// --- the layouts ------------------------------------------------------------------------------

constexpr bool kPointers32 = sizeof(void*) == 4;
constexpr bool kPointers64 = sizeof(void*) == 8;

#define VISTREL_AT(field, at32, at64)                                                        \
    static_assert(!kPointers32 || offsetof(AcquireRecord, field) == (at32), #field " (32)"); \
    static_assert(!kPointers64 || offsetof(AcquireRecord, field) == (at64), #field " (64)")

VISTREL_AT(abortProc, 4, 8);
VISTREL_AT(progressProc, 8, 16);
VISTREL_AT(maxData, 12, 24);
VISTREL_AT(imageMode, 16, 28);
VISTREL_AT(imageSize.v, 18, 30);
VISTREL_AT(imageSize.h, 20, 32);
VISTREL_AT(depth, 22, 34);
VISTREL_AT(planes, 24, 36);
VISTREL_AT(imageHRes, 28, 40);
VISTREL_AT(imageVRes, 32, 44);
VISTREL_AT(redLUT, 36, 48);
VISTREL_AT(greenLUT, 292, 304);
VISTREL_AT(blueLUT, 548, 560);
VISTREL_AT(data, 804, 816);
VISTREL_AT(theRect, 808, 824);
VISTREL_AT(loPlane, 816, 832);
VISTREL_AT(hiPlane, 818, 834);
VISTREL_AT(colBytes, 820, 836);
VISTREL_AT(rowBytes, 824, 840);
VISTREL_AT(planeBytes, 828, 844);
VISTREL_AT(platformData, 1192, 1224);
VISTREL_AT(bufferProcs, 1196, 1232);
VISTREL_AT(canReadBack, 1208, 1256);
VISTREL_AT(wantReadBack, 1209, 1257);
VISTREL_AT(acquireAgain, 1210, 1258);
VISTREL_AT(canFinalize, 1211, 1259);
VISTREL_AT(handleProcs, 1216, 1272);
VISTREL_AT(wantFinalize, 1220, 1280);
VISTREL_AT(advanceState, 1228, 1296);
VISTREL_AT(descriptorParameters, 1248, 1328);
static_assert(!kPointers32 || sizeof(AcquireRecord) == 1448, "record size (32)");
static_assert(!kPointers64 || sizeof(AcquireRecord) == 1536, "record size (64)");
static_assert(!kPointers32 || offsetof(BufferProcs, spaceProc) == 20, "buffer suite (32)");
static_assert(!kPointers64 || offsetof(BufferProcs, spaceProc) == 40, "buffer suite (64)");
static_assert(!kPointers32 || offsetof(PIDescriptorParameters, readDescriptorProcs) == 16,
              "descriptor parameters (32)");
static_assert(!kPointers64 || offsetof(PIDescriptorParameters, readDescriptorProcs) == 24,
              "descriptor parameters (64)");

#undef VISTREL_AT

}  // namespace host
