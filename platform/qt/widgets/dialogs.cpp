#include "platform/qt/widgets/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tessimor {

std::string QtFileDialogs::AskSavePath(const std::string& filter) {
  return QFileDialog::getSaveFileName(parent_, QString(), QString(), QString::fromStdString(filter),
                                      nullptr, QFileDialog::DontConfirmOverwrite)
      .toStdString();
}

std::string QtFileDialogs::AskOpenPath(const std::string& filter) {
  // getOpenFileName only accepts files that exist.
  return QFileDialog::getOpenFileName(parent_, QString(), QString(), QString::fromStdString(filter))
      .toStdString();
}

void QtMessageBoxes::ShowCritical(const std::string& text) {
  QMessageBox::critical(parent_, title_, QString::fromStdString(text), QMessageBox::Ok);
}

}  // namespace tessimor
