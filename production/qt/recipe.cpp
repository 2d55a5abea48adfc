#include "production/qt/recipe.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cmath>

#include "platform/file_bytes.h"
#include "platform/scratch_file.h"
#include "production/record_location.h"

namespace tessimor::production {

namespace {

constexpr char kFormatKey[] = "tessimor-recipe";
constexpr int kFormat = 1;
constexpr char kCrcKey[] = "crc";
constexpr char kKeepExistingKey[] = "keep-existing";
// A JSON number is a double: integers beyond this are no longer exact.
constexpr double kLargestExact = 9007199254740992.0;

struct TextKey {
  const char* key;
  std::string Recipe::*member;
  bool path;  // taken from the recipe's folder
};

const std::array<TextKey, 8> kTextKeys{{
    {"image", &Recipe::image, true},
    {"image-sha256", &Recipe::image_sha256, false},
    {"serial", &Recipe::serial, false},
    {"serial-start", &Recipe::serial_start, false},
    {"serial-step", &Recipe::serial_step, false},
    {"serials", &Recipe::serials, true},
    {"db", &Recipe::db, true},
    {"on-fail", &Recipe::on_fail, false},
}};

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// A record on a server is named by its URL, which no folder changes.
bool IsFilePath(const TextKey& key, const std::string& text) {
  return key.path && !text.empty() && !IsServerUrl(text);
}

// A number where a count is meant reads as its digits, as the command line would give it.
std::optional<std::string> TextOf(const QJsonValue& value) {
  if (value.isString()) return value.toString().toStdString();
  if (value.isDouble()) {
    const double number = value.toDouble();
    if (number >= 0 && number <= kLargestExact && std::floor(number) == number) {
      return std::to_string(static_cast<std::uint64_t>(number));
    }
  }
  return std::nullopt;
}

}  // namespace

Checked<Recipe> LoadRecipe(const std::string& path) {
  const auto refuse = [&path](const std::string& why) {
    return Refusal{"Recipe " + path + ": " + why + "."};
  };
  std::string bytes;
  if (const FileProblem problem = ReadFileBytes(path, &bytes)) {
    return refuse(FileProblemReason(problem));
  }
  QJsonParseError parse;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parse);
  if (parse.error != QJsonParseError::NoError) {
    return refuse("not JSON, " + parse.errorString().toLower().toStdString() + " at byte " +
                  std::to_string(parse.offset));
  }
  if (!document.isObject()) return refuse("not a recipe, which is a JSON object");
  const QJsonObject object = document.object();
  const QJsonValue format = object.value(kFormatKey);
  if (!format.isDouble())
    return refuse(std::string("not a recipe, it has no \"") + kFormatKey + '"');
  if (format.toInt() > kFormat) {
    return refuse("made by a newer program (format " + std::to_string(format.toInt()) +
                  "; this one reads " + std::to_string(kFormat) + ")");
  }

  Recipe recipe;
  const QString folder = QFileInfo(Q(path)).path();
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string key = it.key().toStdString();
    if (key == kFormatKey) continue;
    if (key == kCrcKey) {
      if (!it->isArray()) return refuse("\"crc\" must be a list of texts");
      for (const QJsonValue& crc : it->toArray()) {
        if (!crc.isString()) return refuse("\"crc\" must be a list of texts");
        recipe.crcs.push_back(crc.toString().toStdString());
      }
      continue;
    }
    if (key == kKeepExistingKey) {
      if (!it->isBool()) return refuse("\"keep-existing\" must be true or false");
      recipe.keep_existing = it->toBool();
      continue;
    }
    const TextKey* known = nullptr;
    for (const TextKey& text_key : kTextKeys) {
      if (key == text_key.key) known = &text_key;
    }
    if (!known) return refuse("unknown key \"" + key + '"');
    const std::optional<std::string> text = TextOf(*it);
    if (!text) return refuse('"' + key + "\" must be text");
    recipe.*known->member = IsFilePath(*known, *text) && QDir::isRelativePath(Q(*text))
                                ? QDir::cleanPath(folder + '/' + Q(*text)).toStdString()
                                : *text;
  }
  // A line's record belongs with its recipe, wherever the station is started from.
  if (recipe.db.empty()) recipe.db = QDir::cleanPath(folder + '/' + kDefaultDb).toStdString();
  return recipe;
}

bool SaveRecipe(const Recipe& recipe, const std::string& path, std::string* error) {
  const QDir folder = QFileInfo(Q(path)).absoluteDir();
  QJsonObject object;
  object.insert(kFormatKey, kFormat);
  for (const TextKey& text_key : kTextKeys) {
    const std::string& text = recipe.*text_key.member;
    if (text.empty()) continue;
    object.insert(text_key.key, IsFilePath(text_key, text)
                                    ? folder.relativeFilePath(QFileInfo(Q(text)).absoluteFilePath())
                                    : Q(text));
  }
  QJsonArray crcs;
  for (const std::string& crc : recipe.crcs) crcs.append(Q(crc));
  if (!crcs.isEmpty()) object.insert(kCrcKey, crcs);
  object.insert(kKeepExistingKey, recipe.keep_existing);

  ScratchFile scratch = ScratchFile::Beside(path);
  if (!scratch.Valid()) {
    *error = "Recipe " + path + ": " + FileProblemReason(scratch.Problem()) + ".";
    return false;
  }
  if (!WriteFileBytes(scratch.path(),
                      QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString()) ||
      !scratch.Replace()) {
    *error = "Recipe " + path + ": could not be written whole.";
    return false;
  }
  return true;
}

}  // namespace tessimor::production
