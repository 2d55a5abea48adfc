#include "station/setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/qt/widgets/dialogs.h"
#include "production/qt/setup.h"

namespace tessimor {

namespace {

constexpr char kTitle[] = "Set up the station";
constexpr char kBrowse[] = "Browse...";
constexpr char kSaveRecipe[] = "Save recipe...";
constexpr char kImageFilter[] =
    "Images (*.hex *.ihex *.eep *.srec *.s19 *.s28 *.s37 *.mot *.bin *.txt);;All Files (*)";
constexpr char kSerialsFilter[] = "Text Files (*.txt);;All Files (*)";
constexpr char kDbFilter[] = "Production records (*.db);;All Files (*)";
constexpr char kRecipeFilter[] = "Recipes (*.json);;All Files (*)";
constexpr char kSerialExample[] = "0x0010:u32le";
constexpr char kStepDefault[] = "1";
constexpr char kCrcExample[] = "0x001C:crc16:0x0000-0x001C, one a line";
// A line of stations shares a record on a server, named by its URL instead of a file.
constexpr char kDbBeside[] =
    "tessimor-production.db, beside the recipe; or a server's postgresql://USER@HOST/DB";
constexpr char kRefusalStyle[] = "QLabel { color: #b71c1c; }";
constexpr int kCrcLines = 3;

std::string Text(const QLineEdit& field) {
  return field.text().trimmed().toStdString();
}

}  // namespace

SetupDialog::SetupDialog(QWidget* parent, std::unique_ptr<FileDialogs> dialogs)
    : QDialog(parent),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtFileDialogs>(this)) {
  setWindowTitle(kTitle);
  auto* form = new QFormLayout;
  image_ = AddPathRow(*form, "Golden image:", "image", kImageFilter, false);

  serial_ = new QLineEdit(this);
  serial_->setObjectName("serial");
  serial_->setPlaceholderText(kSerialExample);
  form->addRow("Serial field:", serial_);

  counted_ = new QRadioButton("Counted from", this);
  start_ = new QLineEdit(this);
  start_->setObjectName("serial-start");
  step_ = new QLineEdit(kStepDefault, this);
  step_->setObjectName("serial-step");
  auto* counted_row = new QHBoxLayout;
  counted_row->addWidget(counted_);
  counted_row->addWidget(start_, 1);
  counted_row->addWidget(new QLabel("step", this));
  counted_row->addWidget(step_);
  form->addRow("Numbers:", counted_row);
  from_file_ = new QRadioButton("From a file", this);
  serials_ = AddPathRow(*form, "", "serials", kSerialsFilter, false, from_file_);
  counted_->setChecked(true);
  connect(counted_, &QRadioButton::toggled, this, &SetupDialog::ShowNumberChoice);
  ShowNumberChoice();

  crcs_ = new QPlainTextEdit(this);
  crcs_->setObjectName("crc");
  crcs_->setPlaceholderText(kCrcExample);
  crcs_->setTabChangesFocus(true);
  crcs_->setFixedHeight(crcs_->fontMetrics().lineSpacing() * (kCrcLines + 1));
  form->addRow("Checksums:", crcs_);

  db_ = AddPathRow(*form, "Production record:", "db", kDbFilter, true);
  db_->setPlaceholderText(kDbBeside);

  on_fail_ = new QComboBox(this);
  on_fail_->setObjectName("on-fail");
  on_fail_->addItem("void the number", production::kOnFailVoid);
  on_fail_->addItem("reuse the number", production::kOnFailReuse);
  form->addRow("A failed part:", on_fail_);
  keep_existing_ = new QCheckBox("Keep the number a part already has", this);
  keep_existing_->setObjectName("keep-existing");
  form->addRow("", keep_existing_);

  refusal_ = new QLabel(this);
  refusal_->setObjectName("refusal");
  refusal_->setTextFormat(Qt::PlainText);
  refusal_->setWordWrap(true);
  refusal_->setStyleSheet(kRefusalStyle);
  refusal_->hide();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  QPushButton* save = buttons->addButton(kSaveRecipe, QDialogButtonBox::ActionRole);
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, &SetupDialog::Save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* column = new QVBoxLayout(this);
  column->addLayout(form);
  column->addWidget(refusal_);
  column->addWidget(buttons);
}

SetupDialog::~SetupDialog() = default;

QLineEdit* SetupDialog::AddPathRow(QFormLayout& form, const char* label, const char* name,
                                   const char* filter, bool save, QWidget* lead) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  auto* browse = new QPushButton(kBrowse, this);
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, [this, field, filter, save] {
    const std::string path = save ? dialogs_->AskSavePath(filter) : dialogs_->AskOpenPath(filter);
    if (!path.empty()) field->setText(QString::fromStdString(path));
  });
  auto* row = new QHBoxLayout;
  if (lead != nullptr) row->addWidget(lead);
  row->addWidget(field, 1);
  row->addWidget(browse);
  form.addRow(label, row);
  return field;
}

void SetupDialog::ShowNumberChoice() {
  const bool counted = counted_->isChecked();
  start_->setEnabled(counted);
  step_->setEnabled(counted);
  serials_->setEnabled(!counted);
}

production::Recipe SetupDialog::RecipeNow() const {
  production::Recipe recipe;
  recipe.image = Text(*image_);
  recipe.serial = Text(*serial_);
  if (counted_->isChecked()) {
    recipe.serial_start = Text(*start_);
    recipe.serial_step = Text(*step_);
  } else {
    recipe.serials = Text(*serials_);
  }
  for (const QString& line : crcs_->toPlainText().split('\n', Qt::SkipEmptyParts)) {
    if (!line.trimmed().isEmpty()) recipe.crcs.push_back(line.trimmed().toStdString());
  }
  recipe.db = Text(*db_);
  recipe.on_fail = on_fail_->currentData().toString().toStdString();
  recipe.keep_existing = keep_existing_->isChecked();
  return recipe;
}

void SetupDialog::Save() {
  const production::Checked<production::Recipe> sealed = production::SealRecipe(RecipeNow());
  std::string error = sealed.error;
  if (sealed.value) {
    refusal_->hide();
    const std::string path = dialogs_->AskSavePath(kRecipeFilter);
    if (path.empty()) return;
    if (production::SaveRecipe(*sealed.value, path, &error)) {
      saved_path_ = path;
      accept();
      return;
    }
  }
  refusal_->setText(QString::fromStdString(error));
  refusal_->show();
}

std::string SetupDialog::Refusal() const {
  return refusal_->isHidden() ? "" : refusal_->text().toStdString();
}

}  // namespace tessimor
