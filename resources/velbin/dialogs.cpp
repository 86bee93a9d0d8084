#include "platform/ui/windowstyles.h"
#include "resources/velbin/velbinresources.h"

namespace orvane::resources {

namespace {

using namespace orvane::ui;
using K = ControlKind;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOwnerDraw = kChild | WS_TABSTOP | BS_OWNERDRAW;  // 0x5001000B
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kText = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kCentredEdit = kChild | WS_TABSTOP | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;
constexpr DWORD kEdit = kChild | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kBorderedText = kChild | WS_BORDER | SS_LEFT;
// A folder: shortened in the middle when it does not fit.
constexpr DWORD kFolderText = kBorderedText | SS_PATHELLIPSIS;

// Main window: the skinned control panel.
DialogTemplate Main() {
  return {102,
          "",
          WS_POPUP | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT,
          WS_EX_APPWINDOW,
          "Arial",
          8,
          273,
          87,
          {
              {1, K::kOwnerDrawButton, "Ok", kOwnerDraw, {7, 61, 10, 12}},
              {1005, K::kOwnerDrawButton, "Start", kOwnerDraw, {50, 59, 17, 22}},
              {1006, K::kOwnerDrawButton, "Stop", kOwnerDraw, {77, 59, 17, 22}},
              {1007, K::kOwnerDrawButton, "Photo", kOwnerDraw, {105, 59, 17, 22}},
              {1008, K::kOwnerDrawButton, "Set", kOwnerDraw, {132, 59, 17, 22}},
              {1021, K::kStatic, "", WS_CHILD | WS_DISABLED | SS_BLACKFRAME, {8, 10, 187, 46}},
              {1022, K::kOwnerDrawButton, "See", kOwnerDraw, {208, 43, 12, 12}},
              {1023, K::kOwnerDrawButton, "Rename", kOwnerDraw, {213, 27, 12, 12}},
              {1024, K::kOwnerDrawButton, "Delete", kOwnerDraw, {227, 15, 11, 12}},
              {1025, K::kOwnerDrawButton, "Deleteall", kOwnerDraw, {247, 12, 11, 12}},
              {1028, K::kOwnerDrawButton, "Security", kOwnerDraw, {160, 59, 18, 22}},
              {1029, K::kOwnerDrawButton, "Mail", kOwnerDraw, {186, 59, 18, 22}},
              {1030, K::kOwnerDrawButton, "About", kOwnerDraw, {21, 61, 10, 12}},
          }};
}

// Video frame window; resized at initialisation anyway.
DialogTemplate VideoFrame() {
  return {129,
          "",
          WS_POPUP | WS_THICKFRAME | DS_SETFONT,
          0,
          "Arial",
          9,
          239,
          167,
          {
              {1037, K::kOwnerDrawButton, "MaxOrg", kOwnerDraw, {228, 1, 8, 7}},
              {1038, K::kOwnerDrawButton, "Min", kOwnerDraw, {228, 9, 8, 7}},
          }};
}

DialogTemplate Settings() {
  return {
      134,
      "Setting...",
      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
      0,
      "Arial",
      8,
      180,
      195,
      {
          {-1, K::kGroupBox, "Audio Function", kGroup, {7, 1, 165, 22}},
          {1009, K::kCheckBox, "Use Audio Function", kCheck, {13, 11, 83, 10}},
          {1032, K::kButton, "Audio...", kPush, {116, 10, 39, 10}},
          {-1, K::kGroupBox, "Frame Rate", kGroup, {7, 28, 165, 36}},
          {1010, K::kCheckBox, "Use Frame Rate", kCheck, {13, 38, 69, 10}},
          {1012, K::kEdit, "", kCentredEdit, {93, 36, 16, 12}},
          {-1, K::kStatic, "Frame/Sec", kText, {115, 39, 37, 8}},
          {1033, K::kButton, "Source...", kPush, {13, 51, 66, 10}},
          {1034, K::kButton, "Format ...", kPush, {96, 51, 66, 10}},
          {-1, K::kGroupBox, "Time Limit", kGroup, {7, 67, 71, 39}},
          {1011, K::kCheckBox, "Use Time Limit", kCheck, {13, 77, 58, 10}},
          {1013, K::kEdit, "", kCentredEdit, {13, 90, 16, 12}},
          {-1, K::kStatic, "Sec", kText, {34, 93, 17, 8}},
          {-1, K::kGroupBox, "Sequential Photos", kGroup, {98, 67, 74, 39}},
          {-1, K::kStatic, "every", kText, {104, 81, 18, 8}},
          {1027, K::kEdit, "", kEdit, {127, 79, 16, 12}},
          {-1, K::kStatic, "Sec", kText, {148, 82, 16, 8}},
          {-1, K::kGroupBox, "Set Save Directory", kGroup, {7, 112, 165, 58}},
          {-1, K::kStatic, "Video :", kText, {11, 126, 23, 8}},
          {1015, K::kStatic, "C:\\Lumitrex Images\\Video", kFolderText, {41, 125, 105, 11}},
          {1017, K::kButton, "Set ...", kPush, {149, 125, 22, 11}},
          {-1, K::kStatic, "Photo :", kText, {11, 140, 22, 8}},
          {1016, K::kStatic, "C:\\Lumitrex Images\\Photo", kFolderText, {41, 140, 106, 10}},
          {1018, K::kButton, "Set ...", kPush, {149, 139, 22, 12}},
          {-1, K::kStatic, "S-Photo :", kText, {11, 154, 29, 8}},
          {1019, K::kStatic, "C:\\Lumitrex Images\\Security", kFolderText, {41, 154, 106, 10}},
          {1020, K::kButton, "Set ...", kPush, {149, 153, 22, 12}},
          {1, K::kButton, "OK", kPush, {7, 177, 74, 10}},
          {2, K::kButton, "Cancel", kPush, {98, 177, 74, 10}},
      }};
}

// The prompt before a recording begins.
DialogTemplate StartCapture() {
  return {135,
          "Start Capture Dialog",
          WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
          0,
          "Arial",
          8,
          91,
          31,
          {
              {-1, K::kStatic, "Start Capture", kText, {23, 4, 48, 10}},
              {1, K::kButton, "Ok", kPush, {11, 16, 70, 11}},
          }};
}

// About: the program's name and version and its maker.
DialogTemplate About() {
  return {138,
          "About Velbin ...",
          WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
          0,
          "Arial",
          8,
          200,
          62,
          {
              {-1, K::kStatic, "Orvane Viewer Version 2.0", kText, {14, 10, 170, 8}},
              {-1, K::kStatic, "Lumitrex camera software", kText, {14, 22, 170, 8}},
              {-1, K::kStatic, "Copyright (C) Lumitrex", kText, {14, 32, 170, 8}},
              {1, K::kButton, "OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, {143, 43, 50, 14}},
          }};
}

}  // namespace

std::vector<ui::DialogTemplate> VelbinDialogs() {
  return {Main(), VideoFrame(), Settings(), StartCapture(), About()};
}

}  // namespace orvane::resources
