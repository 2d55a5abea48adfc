#pragma once

#include <string>
#include <vector>

#include "production/checked.h"

namespace tessimor::production {

// A production set-up as a file, so the station and the command-line tool start from the same
// one. Its keys are named like the command-line options; relative paths in the file are taken
// from the file's own folder, so a line's folder can move as a whole.
struct Recipe {
  std::string image;
  std::string image_sha256;  // of the image's bytes when saved; empty: not checked
  std::string serial;        // ADDR:ENCODING
  std::string serial_start;
  std::string serial_step;
  std::string serials;  // a serials file instead of a start
  std::vector<std::string> crcs;
  std::string db;
  std::string on_fail;  // void or reuse; empty: void
  bool keep_existing = false;
};

inline constexpr char kDefaultDb[] = "tessimor-production.db";
inline constexpr char kOnFailVoid[] = "void";
inline constexpr char kOnFailReuse[] = "reuse";

// With no record named, the record is kDefaultDb beside the recipe. Refused with one sentence
// naming the file: unreadable, not JSON, a key it does not know, a value
// of the wrong kind, a recipe of a newer program.
Checked<Recipe> LoadRecipe(const std::string& path);
// Paths as the caller gave them, each made relative to the recipe's folder; the file replaced
// whole or not at all.
bool SaveRecipe(const Recipe& recipe, const std::string& path, std::string* error);

}  // namespace tessimor::production
