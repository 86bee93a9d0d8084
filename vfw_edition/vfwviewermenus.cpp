// VfwViewerDialog's pop-up menus (Record: the capture window's dialogs and
// the capture options; Link: the chat programs and the maker's site), the
// save directories, mail and help.
#include <QCursor>
#include <QMenu>

#include "chat/chatlauncher.h"
#include "platform/ui/menubuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowops.h"
#include "vfw_edition/capturedriver.h"
#include "vfw_edition/capturefilesdlg.h"
#include "vfw_edition/captureoptionsdlg.h"
#include "vfw_edition/recordoptions.h"
#include "vfw_edition/savedirsdlg.h"
#include "vfw_edition/vfwviewerdialog.h"

const char kFormatTooWide[] =
    "이 프로그램은 가로 길이가 320 이하인 포맷만 지원합니다.\n포맷에서 320 이하로 설정하십시요.";
const char kZentoraNotice[] =
    "이 프로그램을 사용하기 위해서는\n화면설정에서 24Bit RGB의 체크표시를 지우십시요.";

namespace {

constexpr int IDR_MENU = 132;
constexpr UINT ID_SOURCE = 32771, ID_FORMAT = 32772, ID_COMPRESSION = 32773, ID_CAPTURE = 32779,
               ID_NETMEETING = 32776, ID_CUSEEME = 32777, ID_ZENTORA = 32778;
constexpr int IDD_ABOUT = 100;

// Tracks pop-up index of menu 132 at the cursor; the chosen command or 0.
UINT TrackPopup(int index, QWidget* owner) {
  const orvane::ui::MenuTemplate* menu = orvane::ui::FindMenuResource(IDR_MENU);
  if (!menu || menu->items.size() <= static_cast<std::size_t>(index)) return 0;
  orvane::ui::PopupMenu popup =
      orvane::ui::CreatePopupMenu(menu->items[static_cast<std::size_t>(index)], owner);
  return orvane::ui::CommandIdOf(popup->exec(QCursor::pos()));
}

}  // namespace

void VfwViewerDialog::OnRecordMenu() {
  switch (TrackPopup(0, this)) {
    case ID_SOURCE:
      if (DriverCaps.fHasDlgVideoSource) {
        SendCaptureMessage(WM_CAP_DLG_VIDEOSOURCE, 0, 0);
        SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus);
      }
      break;
    case ID_FORMAT:
      LimitPreviewWidth = 0;
      InitialPreviewOffset = 0;
      if (DriverCaps.fHasDlgVideoFormat && SendCaptureMessage(WM_CAP_DLG_VIDEOFORMAT, 0, 0)) {
        SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus);
        if (CaptureStatus.uiImageWidth > 320)
          AfxMessageBox(kFormatTooWide);
        else
          LayoutPreview();
      }
      break;
    case ID_COMPRESSION:
      SendCaptureMessage(WM_CAP_DLG_VIDEOCOMPRESSION, 0, 0);
      SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus);
      break;
    case ID_CAPTURE: {
      CaptureOptionsDialog options(RecordOptions, this);
      if (options.DoModal() == IDOK) {
        RecordOptions.UseTimeLimit = options.m_TimeLimitChoice;
        RecordOptions.TimeLimit = options.m_Seconds;
        RecordOptions.CaptureAudio = options.m_AudioChoice;
        RecordOptions.FrameRate = options.m_FrameRate;  // widened with its sign
      }
      break;
    }
    default: break;
  }
  Rearm(1059);
}

void VfwViewerDialog::OnLinkMenu() {
  switch (TrackPopup(1, this)) {
    case ID_NETMEETING: LaunchChatProgram(chat::kNetMeeting); break;
    case ID_CUSEEME: LaunchChatProgram(chat::kCUSeeMe); break;
    case ID_ZENTORA:
      AfxMessageBox(kZentoraNotice);
      StopPreview();
      DisconnectCaptureWindow();
      m_WebLink.SetLinkTarget(kMakerSite);
      m_WebLink.SetUnderline(true);
      m_WebLink.OpenLink();
      close();
      return;
    default: break;
  }
  Rearm(1024);
}

void VfwViewerDialog::LaunchChatProgram(int kind) {
  if (IsWindow(CaptureWindow)) MoveWindow(CaptureWindow, 320, 240, 0, 0, FALSE);
  StopPreview();
  DisconnectCaptureWindow();
  showMinimized();
  // Blocks until the chat program ends, as the hand-over means to.
  chat::RunChatProgram(kind, nullptr, kind == chat::kNetMeeting);
  showNormal();
  InitialPreviewOffset = 0;
  ConnectCaptureWindow(this, FALSE);
  StartPreview();
  repaint();
}

void VfwViewerDialog::OnSaveDirs() {
  SaveDirsDialog dirs(StillPath, VideoPath, this);
  if (dirs.DoModal() == IDOK) {
    StillPath = dirs.m_PhotoDir;
    VideoPath = dirs.m_VideoDir;
  }
  Rearm(1042);
}

void VfwViewerDialog::OnMail() {
  m_MailLink.SetLinkTarget("mailto:");
  m_MailLink.SetUnderline(true);
  m_MailLink.OpenLink();
  Rearm(1061);
}

void VfwViewerDialog::OnHelp() {
  orvane::ui::CDialog about(IDD_ABOUT, this);
  about.setObjectName("about");
  about.DoModal();
  update();
}
