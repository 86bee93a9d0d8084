#include <cstring>

#include "platform/dshow/dshowtypes.h"
#include "platform/system/taskmem.h"

void FreeMediaType(AM_MEDIA_TYPE& type) {
  CoTaskMemFree(type.pbFormat);
  type.pbFormat = nullptr;
  type.cbFormat = 0;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaType(*type);
  CoTaskMemFree(type);
}

BOOL SetMediaTypeFormat(AM_MEDIA_TYPE& type, const void* format, ULONG size) {
  BYTE* block = nullptr;
  if (size) {
    block = static_cast<BYTE*>(CoTaskMemAlloc(size));
    if (!block) return FALSE;
    std::memcpy(block, format, size);
  }
  FreeMediaType(type);
  type.pbFormat = block;
  type.cbFormat = size;
  return TRUE;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!type) return nullptr;
  *type = source;
  type->pbFormat = nullptr;
  type->cbFormat = 0;
  if (!SetMediaTypeFormat(*type, source.pbFormat, source.cbFormat)) {
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}
