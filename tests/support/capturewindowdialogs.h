// Answers for the capture window's dialogs, set up before the message that
// opens one (tests only).
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>

#include "tests/support/eventloop.h"

namespace orvane::test {

// The format dialog will pick the size entry with this text ("352 x 288 YUY2")
// and answer OK.
inline void AnswerFormatDialog(const QString& size) {
  WhenModalShows<QDialog>([size](QDialog* dialog) {
    if (auto* sizes = dialog->findChild<QComboBox*>("size")) sizes->setCurrentText(size);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
}

// The compression dialog will pick this row (0 full frames, 1 Motion JPEG).
inline void AnswerCompressionDialog(int row) {
  WhenModalShows<QDialog>([row](QDialog* dialog) {
    if (auto* list = dialog->findChild<QListWidget*>("compressor")) list->setCurrentRow(row);
    dialog->accept();
  });
}

}  // namespace orvane::test
