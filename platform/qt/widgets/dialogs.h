#pragma once

#include <QWidget>

#include "platform/file_dialogs.h"
#include "platform/message_boxes.h"

namespace tessimor {

class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

  std::string AskSavePath(const std::string& filter) override;
  std::string AskOpenPath(const std::string& filter) override;

 private:
  QWidget* parent_;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  QtMessageBoxes(QWidget* parent, QString title) : parent_(parent), title_(std::move(title)) {}

  void ShowCritical(const std::string& text) override;

 private:
  QWidget* parent_;
  QString title_;
};

}  // namespace tessimor
