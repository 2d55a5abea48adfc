#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "platform/file_dialogs.h"
#include "production/qt/recipe.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tessimor {

// Builds a recipe when the station starts without one: the image, the serial number's field and
// numbers, the checksums and the record. Saving checks it as a recipe is checked and keeps the
// dialog open on a refusal, saying why; accepted, it has saved the recipe.
class SetupDialog : public QDialog {
  Q_OBJECT

 public:
  // `dialogs` null: Qt's own file dialogs.
  explicit SetupDialog(QWidget* parent = nullptr, std::unique_ptr<FileDialogs> dialogs = {});
  ~SetupDialog() override;

  // The recipe the fields make now, without its image's hash.
  production::Recipe RecipeNow() const;
  // Checks, asks where, fills the image's hash and saves, then accepts.
  void Save();
  // Where the recipe was saved, once accepted.
  const std::string& SavedPath() const { return saved_path_; }
  // Why the last save was refused; empty when none was.
  std::string Refusal() const;

 private:
  // A path's field with its Browse..., `lead` in front when given.
  QLineEdit* AddPathRow(QFormLayout& form, const char* label, const char* name, const char* filter,
                        bool save, QWidget* lead = nullptr);
  void ShowNumberChoice();

  std::unique_ptr<FileDialogs> dialogs_;
  QLineEdit* image_;
  QLineEdit* serial_;
  QRadioButton* counted_;
  QLineEdit* start_;
  QLineEdit* step_;
  QRadioButton* from_file_;
  QLineEdit* serials_;
  QPlainTextEdit* crcs_;
  QLineEdit* db_;
  QComboBox* on_fail_;
  QCheckBox* keep_existing_;
  QLabel* refusal_;
  std::string saved_path_;
};

}  // namespace tessimor
