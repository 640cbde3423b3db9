// The host's plug-in interface for filters, as the framework and the stand-in host use it: the
// filter record, selectors and result codes, the handle suite and the scripting-descriptor read
// and write suites. Written from what the plug-in side expects; where a field holds an address
// it is pointer-sized. Both sides are built from this header, so field order is the only
// contract.
#pragma once
#include <cstdint>

namespace host {

using int16 = std::int16_t;
using int32 = std::int32_t;
using OSErr = std::int16_t;
using DescriptorKey = std::uint32_t;   // four characters, the first in the high byte
using DescriptorType = std::uint32_t;  // the same

constexpr DescriptorKey FourCC(const char (&text)[5]) {
  return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
         std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint8_t(text[3]);
}

// Result codes.
constexpr OSErr noErr = 0;
constexpr OSErr userCanceledErr = -128;  // the host shows nothing for it
constexpr OSErr memFullErr = -108;
constexpr OSErr nilHandleErr = -109;
constexpr OSErr paramErr = -50;             // a record or value the callee cannot work with
constexpr OSErr filterFailedErr = -1;       // the filter failed inside; it reports nothing more
constexpr OSErr descriptorTypeErr = -1703;  // a descriptor value asked for as another type

// Selectors of the filter entry, in the host's order of calling.
enum FilterSelector : int16 {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

// Image modes.
constexpr int16 kModeGrayScale = 1;
constexpr int16 kModeRGB = 3;
constexpr int16 kModeGray16 = 10;
constexpr int16 kModeRGB48 = 11;
// 16-bit samples run 0 .. kMax16BitSample.
constexpr int kMax16BitSample = 32768;

struct Point16 {
  int16 v, h;
};

struct Rect16 {
  int16 top, left, bottom, right;
};

using Handle = struct OpaqueHandle*;

// The handle suite: version 1 with eight procedures.
struct HandleProcs {
  int16 handleProcsVersion;
  int16 numHandleProcs;
  Handle (*newProc)(int32 size);
  void (*disposeProc)(Handle handle);
  int32 (*getSizeProc)(Handle handle);
  OSErr (*setSizeProc)(Handle handle, int32 size);
  void* (*lockProc)(Handle handle, bool moveHigh);
  void (*unlockProc)(Handle handle);
  void (*recoverSpaceProc)(int32 size);
  void (*disposeRegularHandleProc)(Handle handle);
};
constexpr int16 kCurrentHandleProcsVersion = 1;
constexpr int16 kCurrentHandleProcsCount = 8;

// Scripting descriptors: a descriptor is a host handle; readers and writers are tokens.
using PIDescriptorHandle = Handle;
using PIReadDescriptor = struct OpaqueReadDescriptor*;
using PIWriteDescriptor = struct OpaqueWriteDescriptor*;

constexpr DescriptorType typeInteger = FourCC("long");
constexpr DescriptorType typeFloat = FourCC("doub");
constexpr DescriptorType typeBoolean = FourCC("bool");

// The read suite: version 0 with 18 procedures. A reader walks the descriptor's keys; each get
// reads the value of the key last returned.
struct ReadDescriptorProcs {
  int16 readDescriptorProcsVersion;
  int16 numReadDescriptorProcs;
  PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle descriptor, const DescriptorKey* keys);
  OSErr (*closeReadDescriptorProc)(PIReadDescriptor reader);
  bool (*getKeyProc)(PIReadDescriptor reader, DescriptorKey* key, DescriptorType* type, int32* flags);
  OSErr (*getIntegerProc)(PIReadDescriptor reader, int32* value);
  OSErr (*getFloatProc)(PIReadDescriptor reader, double* value);
  OSErr (*getUnitFloatProc)(PIReadDescriptor reader, DescriptorType* unit, double* value);
  OSErr (*getBooleanProc)(PIReadDescriptor reader, bool* value);
  OSErr (*getTextProc)(PIReadDescriptor reader, Handle* text);
  OSErr (*getAliasProc)(PIReadDescriptor reader, Handle* alias);
  OSErr (*getEnumeratedProc)(PIReadDescriptor reader, DescriptorType* value);
  OSErr (*getClassProc)(PIReadDescriptor reader, DescriptorType* value);
  OSErr (*getSimpleReferenceProc)(PIReadDescriptor reader, void* reference);
  OSErr (*getObjectProc)(PIReadDescriptor reader, DescriptorType* type, PIDescriptorHandle* value);
  OSErr (*getCountProc)(PIReadDescriptor reader, std::uint32_t* count);
  OSErr (*getStringProc)(PIReadDescriptor reader, unsigned char* text);
  OSErr (*getPinnedIntegerProc)(PIReadDescriptor reader, int32 min, int32 max, int32* value);
  OSErr (*getPinnedFloatProc)(PIReadDescriptor reader, const double* min, const double* max, double* value);
  OSErr (*getPinnedUnitFloatProc)(PIReadDescriptor reader, const double* min, const double* max,
                                  DescriptorType* unit, double* value);
};
constexpr int16 kCurrentReadDescriptorProcsVersion = 0;
constexpr int16 kCurrentReadDescriptorProcsCount = 18;

// The write suite: version 0 with 16 procedures.
struct WriteDescriptorProcs {
  int16 writeDescriptorProcsVersion;
  int16 numWriteDescriptorProcs;
  PIWriteDescriptor (*openWriteDescriptorProc)();
  OSErr (*closeWriteDescriptorProc)(PIWriteDescriptor writer, PIDescriptorHandle* newDescriptor);
  OSErr (*putIntegerProc)(PIWriteDescriptor writer, DescriptorKey key, int32 value);
  OSErr (*putFloatProc)(PIWriteDescriptor writer, DescriptorKey key, const double* value);
  OSErr (*putUnitFloatProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType unit,
                            const double* value);
  OSErr (*putBooleanProc)(PIWriteDescriptor writer, DescriptorKey key, bool value);
  OSErr (*putTextProc)(PIWriteDescriptor writer, DescriptorKey key, Handle text);
  OSErr (*putAliasProc)(PIWriteDescriptor writer, DescriptorKey key, Handle alias);
  OSErr (*putEnumeratedProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType type,
                             DescriptorType value);
  OSErr (*putClassProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType value);
  OSErr (*putSimpleReferenceProc)(PIWriteDescriptor writer, DescriptorKey key, const void* reference);
  OSErr (*putObjectProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType type,
                         PIDescriptorHandle value);
  OSErr (*putCountProc)(PIWriteDescriptor writer, DescriptorKey key, std::uint32_t count);
  OSErr (*putStringProc)(PIWriteDescriptor writer, DescriptorKey key, const unsigned char* text);
  OSErr (*putScopedClassProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType value);
  OSErr (*putScopedObjectProc)(PIWriteDescriptor writer, DescriptorKey key, DescriptorType type,
                               PIDescriptorHandle value);
};
constexpr int16 kCurrentWriteDescriptorProcsVersion = 0;
constexpr int16 kCurrentWriteDescriptorProcsCount = 16;

// Whether the plug-in shows its dialog when an action replays it.
enum PlayInfo : int16 { plugInDialogDontDisplay = 0, plugInDialogDisplay = 1, plugInDialogSilent = 2 };

struct PIDescriptorParameters {
  int16 descriptorParametersVersion;  // 0
  int16 playInfo;
  int16 recordInfo;
  PIDescriptorHandle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

// What the host hands the filter at every call.
struct FilterRecord {
  Handle parameters;
  Point16 imageSize;  // v: height, h: width
  int16 planes;
  Rect16 inRect, outRect, maskRect;
  int16 inLoPlane, inHiPlane, outLoPlane, outHiPlane;
  void* inData;
  void* outData;
  void* maskData;
  int32 inRowBytes, outRowBytes, maskRowBytes;
  std::uint8_t isFloating, haveMask, autoMask;
  int16 imageMode;
  void* platformData;
  HandleProcs* handleProcs;
  int16 inLayerPlanes, inTransparencyMask, inLayerMasks;
  PIDescriptorParameters* descriptorParameters;
};

// The one exported entry of a filter module.
using FilterEntry = void (*)(int16 selector, FilterRecord* record, std::intptr_t* data, int16* result);
constexpr const char* kFilterEntryName = "ENTRYPOINT";

}  // namespace host
