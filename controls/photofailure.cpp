#include "controls/photofailure.h"

#include "platform/system/winerror.h"

std::string PhotoFailureText(const std::string& path, DWORD lastError) {
  std::string why;
  switch (static_cast<LONG>(lastError)) {
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      why = "Its folder does not exist, or its name cannot be used for a folder.";
      break;
    case ERROR_ACCESS_DENIED:
      why = "The folder is read-only, or something that is not a file has that name.";
      break;
    case ERROR_DISK_FULL:
      why = "The disk is full.";
      break;
    default:
      why = "The disk may be full or read-only.";
      break;
  }
  return "The photo could not be saved as " + path + ". " + why;
}
