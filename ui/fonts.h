#pragma once

#include <QFont>
#include <QString>
#include <string_view>

class QPushButton;
class QLabel;

namespace tessimor {

// The designed font where the system has it, otherwise the platform's sans font at the same
// size and weight.
QFont DesignFont(std::string_view family, double point_size, bool bold);

// Shrinks the button's font until its caption fits inside the button.
void FitCaption(QPushButton& button);

// Shrinks the label's font until `sample` fits its width and the line its height.
void FitLabel(QLabel& label, const QString& sample);

}  // namespace tessimor
