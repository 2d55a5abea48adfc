#include "production/qt/setup.h"

#include "engine/image_formats.h"
#include "link/messages.h"
#include "platform/file_bytes.h"
#include "production/qt/series_plan.h"

namespace tessimor::production {

namespace {

// Whole, or the line naming the file and the reason.
std::optional<std::string> ReadWhole(const std::string& path, std::string* error) {
  std::string bytes;
  if (const FileProblem problem = ReadFileBytes(path, &bytes)) {
    *error =
        std::string(messages::kCouldNotOpenText) + path + '\n' + FileProblemLine(path, problem);
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

Checked<PlannedRecipe> PlanRecipe(const Recipe& recipe) {
  const auto refuse = [](std::string why) { return Refusal{std::move(why)}; };
  if (recipe.image.empty()) return refuse("The recipe names no image file.");
  if (recipe.serial.empty()) return refuse("The recipe names no serial field.");
  if (recipe.serial_start.empty() == recipe.serials.empty()) {
    return refuse("The recipe needs either a first serial number or a serials file.");
  }
  if (!recipe.on_fail.empty() && recipe.on_fail != kOnFailVoid && recipe.on_fail != kOnFailReuse) {
    return refuse("on-fail must be void or reuse, not " + recipe.on_fail + ".");
  }
  std::string error;
  PlannedRecipe planned;
  const std::optional<std::string> image = ReadWhole(recipe.image, &error);
  if (!image) return refuse(error);
  planned.image_bytes = *image;
  planned.image_sha256 = Sha256Hex(planned.image_bytes);
  if (!recipe.image_sha256.empty() && recipe.image_sha256 != planned.image_sha256) {
    return refuse(recipe.image + " has changed since the recipe was saved: its SHA-256 was " +
                  recipe.image_sha256 + ", now " + planned.image_sha256 + ".");
  }
  ImageInput input = ReadImage(FormatOf(recipe.image), planned.image_bytes, recipe.image);
  if (!input.error.empty()) return refuse(input.error);
  planned.golden = std::move(input.image);

  PlanRequest request{recipe.serial, recipe.crcs, recipe.serial_start, recipe.serial_step, {}, {}};
  if (!recipe.serials.empty()) {
    const std::optional<std::string> serials = ReadWhole(recipe.serials, &error);
    if (!serials) return refuse(error);
    planned.serials_bytes = *serials;
    request.serials_name = recipe.serials;
    request.serials_text = planned.serials_bytes;
  }
  Checked<Plan> plan = MakePlan(planned.golden, request);
  if (!plan.value) return refuse(plan.error);
  planned.plan = std::move(*plan.value);
  return planned;
}

Checked<Recipe> SealRecipe(Recipe recipe) {
  const Checked<PlannedRecipe> planned = PlanRecipe(recipe);
  if (!planned.value) return Refusal{planned.error};
  recipe.image_sha256 = planned.value->image_sha256;
  return recipe;
}

std::unique_ptr<Production> OpenProduction(const Recipe& recipe, bool new_series,
                                           const StationSettings& station, std::string* error) {
  Checked<PlannedRecipe> planned = PlanRecipe(recipe);
  if (!planned.value) {
    *error = planned.error;
    return nullptr;
  }
  auto production = std::make_unique<Production>();
  production->image_path = recipe.image;
  production->golden = std::move(planned.value->golden);
  production->plan = std::move(planned.value->plan);
  production->settings.keep_existing = recipe.keep_existing;
  production->record = Record::Open(recipe.db.empty() ? kDefaultDb : recipe.db, error, station);
  if (!production->record) return nullptr;
  const FailPolicy policy = recipe.on_fail == kOnFailReuse ? FailPolicy::kReuse : FailPolicy::kVoid;
  if (!production->record->BeginRun(SeriesFor(planned.value->image_bytes, production->plan,
                                              planned.value->serials_bytes, new_series),
                                    policy, error, &production->interrupted)) {
    return nullptr;
  }
  if (!production->record->NextNumber(NumbersOf(production->plan), error)) {
    // What the run's beginning found is still news.
    if (production->interrupted > 0)
      *error = InterruptedText(production->interrupted) + '\n' + *error;
    return nullptr;
  }
  return production;
}

std::string InterruptedText(int parts) {
  return std::to_string(parts) + (parts == 1 ? " part" : " parts") +
         " of a run that ended without finishing marked interrupted; their numbers are not handed "
         "out again.";
}

}  // namespace tessimor::production
