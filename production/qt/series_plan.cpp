#include "production/qt/series_plan.h"

#include <QByteArray>
#include <QCryptographicHash>

namespace tessimor::production {

std::string Sha256Hex(const std::string& bytes) {
  return QCryptographicHash::hash(
             QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
             QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

SeriesPlan SeriesFor(const std::string& image_bytes, const Plan& plan,
                     const std::string& serials_bytes, bool new_series) {
  return SeriesPlan{Sha256Hex(image_bytes), LayoutText(plan.layout),
                    NumberingText(plan.numbering, Sha256Hex(serials_bytes)), new_series};
}

}  // namespace tessimor::production
