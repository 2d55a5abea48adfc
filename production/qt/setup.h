#pragma once

#include <memory>
#include <string>

#include "engine/image.h"
#include "production/plan.h"
#include "production/qt/part_run.h"
#include "production/qt/recipe.h"
#include "production/qt/record.h"

namespace tessimor::production {

// Everything the parts of a run share: the golden image, the plan, and the record with its run
// begun on the series.
struct Production {
  std::string image_path;
  EepromImage golden;
  Plan plan;
  std::unique_ptr<Record> record;
  RunSettings settings;
  int interrupted = 0;  // parts of ended runs marked interrupted when the run began
};

// A recipe's files read and checked, before any record is touched.
struct PlannedRecipe {
  std::string image_bytes;
  std::string image_sha256;
  EepromImage golden;
  std::string serials_bytes;
  Plan plan;
};

// The image read and, when the recipe holds its hash, found unchanged; the fields and numbers
// checked. Refused with one sentence (or the file's name, then why) otherwise.
Checked<PlannedRecipe> PlanRecipe(const Recipe& recipe);

// The recipe as PlanRecipe finds it, with its image's SHA-256 taken, ready to be saved.
Checked<Recipe> SealRecipe(Recipe recipe);

// PlanRecipe, then the record opened for `station` and the run begun, with a number left to hand
// out. nullptr with *error set otherwise.
std::unique_ptr<Production> OpenProduction(const Recipe& recipe, bool new_series,
                                           const StationSettings& station, std::string* error);

// What is said when a run began by marking parts of ended runs interrupted.
std::string InterruptedText(int parts);

}  // namespace tessimor::production
