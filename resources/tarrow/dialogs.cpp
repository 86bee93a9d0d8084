#include "platform/ui/windowstyles.h"
#include "resources/tarrow/tarrowresources.h"

namespace orvane::resources {

namespace {

using namespace orvane::ui;
using K = ControlKind;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOwnerDraw = kChild | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kText = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kFirstRadio = kChild | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kRightEdit = kChild | WS_TABSTOP | WS_BORDER | ES_RIGHT | ES_AUTOHSCROLL;
constexpr DWORD kSunkenText = kChild | SS_LEFT | SS_SUNKEN;
// A folder: shortened in the middle when it does not fit.
constexpr DWORD kFolderText = kSunkenText | SS_PATHELLIPSIS;
constexpr DWORD kModal = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

// Main window. The template names no point size; 9 points gives the base
// units (7 x 14) at which the controls fit the skin's 55 x 25 and 99 x 28
// faces and the 304 x 202 picture control is the 532 x 376 background.
DialogTemplate Main() {
  return {102,
          "Orvane Viewer",
          kModal,
          0,
          "Arial",
          9,
          317,
          218,
          {
              {1001, K::kOwnerDrawButton, "start", kOwnerDraw, {121, 175, 32, 15}},
              {1002, K::kOwnerDrawButton, "stop", kOwnerDraw, {158, 175, 32, 15}},
              {1005, K::kOwnerDrawButton, "snap", kOwnerDraw, {194, 175, 32, 15}},
              {1, K::kOwnerDrawButton, "exit", kOwnerDraw, {17, 11, 10, 9}},
              {1035, K::kOwnerDrawButton, "myhelp", kOwnerDraw, {8, 22, 9, 10}},
              {1041, K::kOwnerDrawButton, "option", kOwnerDraw, {233, 27, 9, 11}},
              {1043, K::kOwnerDrawButton, "noption", kOwnerDraw, {225, 27, 8, 11}},
              {1059, K::kOwnerDrawButton, "set", kOwnerDraw, {246, 16, 54, 15}},
              {1024, K::kOwnerDrawButton, "chat", kOwnerDraw, {246, 33, 54, 15}},
              {1042, K::kOwnerDrawButton, "file", kOwnerDraw, {246, 50, 54, 15}},
              {1061, K::kOwnerDrawButton, "mail", kOwnerDraw, {246, 67, 54, 15}},
              {1017, K::kStatic, "time", kChild | SS_CENTER, {155, 6, 27, 10}},
              {-1, K::kStatic, "#143", kChild | SS_BITMAP, {0, 0, 304, 202}},
          }};
}

DialogTemplate SaveDirs() {
  return {139,
          "파일 저장 디렉토리 선택",
          kModal,
          0,
          "Arial",
          9,
          235,
          85,
          {
              {-1, K::kGroupBox, "파일 저장 디렉토리", kGroup, {7, 3, 225, 53}},
              {-1, K::kStatic, "사진 :", kText, {14, 20, 26, 9}},
              {1050, K::kStatic, "snap shot directory", kFolderText, {46, 18, 134, 12}},
              {1024, K::kButton, "설정 ...", kPush, {189, 17, 31, 14}},
              {-1, K::kStatic, "비디오 :", kText, {10, 39, 31, 10}},
              {1051, K::kStatic, "video directory", kFolderText, {46, 37, 134, 13}},
              {1052, K::kButton, "설정 ...", kPush, {189, 36, 31, 14}},
              {1, K::kButton, "확인", kDefPush, {64, 62, 35, 14}},
              {2, K::kButton, "취소", kPush, {130, 62, 34, 14}},
          }};
}

DialogTemplate CaptureOptions() {
  return {
      141,
      "시간 제한 옵션, 오디오 기능 & 프레임 수",
      kModal,
      0,
      "Arial",
      9,
      150,
      147,
      {
          {-1, K::kGroupBox, "시간 제한", kGroup, {7, 4, 136, 35}},
          {1030, K::kRadioButton, "시간 제한을 사용하지 않음", kFirstRadio, {11, 13, 120, 10}},
          {1031, K::kRadioButton, "시간 제한을 사용함 .", kRadio, {11, 25, 80, 10}},
          {1023, K::kEdit, "", kRightEdit, {94, 22, 15, 12}},
          {-1, K::kStatic, "초", kText, {113, 25, 11, 8}},
          {-1, K::kGroupBox, "오디오 기능", kGroup, {7, 42, 136, 38}},
          {1054, K::kRadioButton, "오디오 기능을 사용하지 않음", kFirstRadio, {12, 52, 122, 10}},
          {1055, K::kRadioButton, "오디오 기능을 사용함", kRadio, {12, 65, 91, 10}},
          {-1, K::kGroupBox, "초당 프레임 수", kGroup, {7, 85, 136, 33}},
          {1026, K::kEdit, "", kRightEdit, {16, 97, 18, 14}},
          {-1, K::kStatic, "프레임 / 초", kText, {38, 100, 52, 8}},
          {1, K::kButton, "확인", kDefPush, {37, 122, 29, 14}},
          {2, K::kButton, "취소", kPush, {92, 122, 29, 14}},
      }};
}

DialogTemplate CaptureFiles() {
  return {198,
          "캡쳐 파일 윈도우",
          WS_POPUP | WS_CAPTION | DS_SETFONT,
          0,
          "Arial",
          9,
          371,
          104,
          {
              {-1, K::kGroupBox, "캡쳐 파일 미리보기", kGroup | BS_CENTER, {13, 7, 283, 88}},
              {1046, K::kStatic, "", kChild | SS_BLACKFRAME, {16, 16, 277, 72}},
              {1024, K::kButton, "보기", kPush, {307, 9, 50, 13}},
              {1047, K::kButton, "저장변경", kPush, {307, 27, 50, 13}},
              {1048, K::kButton, "삭제", kPush, {307, 45, 50, 13}},
              {1049, K::kButton, "모두 삭제", kPush, {307, 63, 50, 13}},
              {1, K::kButton, "닫기", kDefPush, {307, 82, 50, 13}},
          }};
}

// About: the icon, the program's name and version, its maker.
DialogTemplate About() {
  return {100,
          "Orvane  Viewer",
          kModal,
          0,
          "Arial",
          9,
          190,
          62,
          {
              {-1, K::kStatic, "#128", kChild | SS_ICON, {11, 10, 20, 20}},
              {-1, K::kStatic, "Orvane Viewer 버전 1.5.1.2", kText, {40, 10, 140, 9}},
              {-1, K::kStatic, "Copyright (C) Lumitrex", kText, {40, 24, 140, 9}},
              {1, K::kButton, "확인", kDefPush, {133, 41, 50, 14}},
          }};
}

}  // namespace

std::vector<ui::DialogTemplate> TarrowDialogs() {
  return {Main(), SaveDirs(), CaptureOptions(), CaptureFiles(), About()};
}

}  // namespace orvane::resources
