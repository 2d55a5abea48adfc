#include "ui/controls.h"

namespace tessimor {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Place(QWidget& widget, const layout::Control& control) {
  widget.setObjectName(ToQString(control.name));
  widget.setGeometry(layout::Pixels(control.left), layout::Pixels(control.top),
                     layout::Pixels(control.width), layout::Pixels(control.height));
}

QPushButton* MakeButton(QWidget& parent, const layout::Control& control) {
  auto* button = new QPushButton(ToQString(control.caption), &parent);
  button->setAutoDefault(false);
  button->setDefault(false);
  Place(*button, control);
  return button;
}

}  // namespace tessimor
