#include "vfw_edition/captureoptionsdlg.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <limits>
#include <type_traits>

#include "platform/ui/dataexchange.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"

namespace {
constexpr int IDC_NOLIMIT = 1030, IDC_LIMIT = 1031, IDC_SECONDS = 1023, IDC_NOAUDIO = 1054,
              IDC_AUDIO = 1055, IDC_FRAMERATE = 1026;
}  // namespace

const char kEnterAnInteger[] = "정수를 입력하십시오.";
const char kEnterAnIntegerBetween[] = "%1와(과) %2 사이의 정수를 입력하십시오.";

CaptureOptionsDialog::CaptureOptionsDialog(const RecordingOptions& options, QWidget* parent)
    : CDialog(IDD, parent),
      m_TimeLimitChoice(options.UseTimeLimit ? 1 : 0),
      m_Seconds(options.TimeLimit),
      m_AudioChoice(options.CaptureAudio ? 1 : 0),
      m_FrameRate(static_cast<short>(options.FrameRate)) {
  setObjectName("captureOptions");
}

BOOL CaptureOptionsDialog::OnInitDialog() {
  auto button = [this](int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id));
  };
  const struct {
    int id;
    void (CaptureOptionsDialog::*handler)(int);
    int choice;
  } radios[] = {{IDC_NOLIMIT, &CaptureOptionsDialog::OnTimeLimitChoice, 0},
                {IDC_LIMIT, &CaptureOptionsDialog::OnTimeLimitChoice, 1},
                {IDC_NOAUDIO, &CaptureOptionsDialog::OnAudioChoice, 0},
                {IDC_AUDIO, &CaptureOptionsDialog::OnAudioChoice, 1}};
  for (const auto& r : radios)
    if (QAbstractButton* b = button(r.id))
      connect(b, &QAbstractButton::clicked, this,
              [this, handler = r.handler, choice = r.choice] { (this->*handler)(choice); });
  // Only what the user types is checked: the dialog's own writes are not.
  for (int id : {IDC_SECONDS, IDC_FRAMERATE})
    if (auto* edit = qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(this, id)))
      connect(edit, &QLineEdit::textEdited, this, [this] { UpdateData(TRUE); });
  UpdateData(FALSE);
  if (auto* seconds = qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(this, IDC_SECONDS)))
    seconds->setText(QString::number(static_cast<unsigned>(m_Seconds)));
  return TRUE;
}

void CaptureOptionsDialog::OnTimeLimitChoice(int choice) {
  m_TimeLimitChoice = choice;
  UpdateData(FALSE);
  if (QWidget* seconds = orvane::ui::GetDlgItem(this, IDC_SECONDS)) seconds->setVisible(choice);
}

void CaptureOptionsDialog::OnAudioChoice(int choice) {
  m_AudioChoice = choice;
  UpdateData(FALSE);
}

BOOL CaptureOptionsDialog::UpdateData(BOOL saveAndValidate) {
  auto button = [this](int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, id));
  };
  auto edit = [this](int id) { return qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(this, id)); };
  if (!saveAndValidate) {
    if (auto* b = button(m_TimeLimitChoice == 1 ? IDC_LIMIT : IDC_NOLIMIT)) b->setChecked(true);
    if (auto* e = edit(IDC_SECONDS)) e->setText(QString::number(m_Seconds));
    if (auto* b = button(m_AudioChoice == 1 ? IDC_AUDIO : IDC_NOAUDIO)) b->setChecked(true);
    if (auto* e = edit(IDC_FRAMERATE)) e->setText(QString::number(m_FrameRate));
    return TRUE;
  }
  // A box takes the focus and the user may type on behind it: one at a time.
  if (m_validating) return FALSE;
  m_validating = true;
  // Each field is read into its member in turn; the first that fails stops
  // the reading. fitsShort: the frame rate is kept in 16 bits.
  auto integer = [&](int id, int low, int high, bool fitsShort, auto* member) {
    QLineEdit* e = edit(id);
    if (!e) return true;
    int value = 0;
    QString text;
    if (!orvane::ui::ParseDialogInteger(e->text().toStdString(), &value) ||
        (fitsShort &&
         (value < std::numeric_limits<short>::min() || value > std::numeric_limits<short>::max())))
      text = QString::fromUtf8(kEnterAnInteger);
    else if (value < low || value > high)
      text = QString::fromUtf8(kEnterAnIntegerBetween).arg(low).arg(high);
    if (text.isEmpty()) {
      *member = static_cast<std::remove_reference_t<decltype(*member)>>(value);
      return true;
    }
    AfxMessageBox(text.toUtf8().constData(), MB_OK | MB_ICONEXCLAMATION);
    e->setFocus();
    e->selectAll();
    return false;
  };
  auto radio = [&](int first, int second, int* member) {
    QAbstractButton* a = button(first);
    QAbstractButton* b = button(second);
    if (a && b) *member = a->isChecked() ? 0 : b->isChecked() ? 1 : -1;
  };
  radio(IDC_NOLIMIT, IDC_LIMIT, &m_TimeLimitChoice);
  bool ok = integer(IDC_SECONDS, kMinSeconds, kMaxSeconds, false, &m_Seconds);
  if (ok) {
    radio(IDC_NOAUDIO, IDC_AUDIO, &m_AudioChoice);
    ok = integer(IDC_FRAMERATE, kMinFrameRate, kMaxFrameRate, true, &m_FrameRate);
  }
  m_validating = false;
  return ok ? TRUE : FALSE;
}

void CaptureOptionsDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}
