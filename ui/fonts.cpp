#include "ui/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace tessimor {

namespace {

constexpr double kShrinkStep = 0.25;
constexpr double kSmallestPointSize = 6;

bool Fits(const QFont& font, const QString& text, double width, double height) {
  const QFontMetricsF metrics(font);
  return metrics.horizontalAdvance(text) <= width && metrics.height() <= height;
}

QFont Shrunk(QFont font, const QString& text, double width, double height) {
  while (!Fits(font, text, width, height) &&
         font.pointSizeF() - kShrinkStep >= kSmallestPointSize) {
    font.setPointSizeF(font.pointSizeF() - kShrinkStep);
  }
  return font;
}

}  // namespace

QFont DesignFont(std::string_view family, double point_size, bool bold) {
  QFont font(QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size())));
  font.setPointSizeF(point_size);
  font.setBold(bold);
  if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) != 0) {
    // Left to fontconfig, a missing family may become a serif or fixed font.
    font.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
  }
  return font;
}

void FitCaption(QPushButton& button) {
  const QStyle* style = button.style();
  const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
  const int inner = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button) + 2 * frame;
  button.setFont(
      Shrunk(button.font(), button.text(), button.width() - inner, button.height() - 2 * frame));
}

void FitLabel(QLabel& label, const QString& sample) {
  const int inner = 2 * (label.frameWidth() + label.margin());
  label.setFont(Shrunk(label.font(), sample, label.width() - inner, label.height() - inner));
}

}  // namespace tessimor
