// ShellExecute: opening a file or an address with the desktop's handler.
//
// The handler is `xdg-open`, found on PATH and started from an argument vector.
// A target with a scheme of two or more letters ("mailto:", "http://...") is
// passed on as it is; anything else is a Windows-form file path, mapped to the
// host first. The call waits a short while for xdg-open's verdict, since its
// exit status is the only way to learn that no handler exists; a handler still
// running after that counts as opened.
#pragma once

#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// verb: null or "open" (any case) opens; other verbs give SE_ERR_NOASSOC.
// parameters are ignored: xdg-open takes the target alone. directory, when
// given, is the handler's working directory, and a relative file target is
// taken in it. The owner and the show command have no effect. Blocks the
// calling thread for up to about two seconds. Returns a value above 32 on
// success, otherwise:
//   ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND  file target missing (path not
//                                                found too for a missing
//                                                directory or a too long path)
//   SE_ERR_NOASSOC (31)                          no handler (xdg-open missing or
//                                                reports no method / action failed)
//   SE_ERR_ASSOCINCOMPLETE (27)                  xdg-open refused its arguments
//   SE_ERR_ACCESSDENIED (5)                      the handler could not be started
//   0                                            empty target or no resources
HINSTANCE ShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                       int showCommand);
