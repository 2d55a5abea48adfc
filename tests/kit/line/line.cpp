#include "tests/kit/line/line.h"

#include <cstdlib>
#include <stdexcept>

namespace tessimor::testing {

namespace {

constexpr char kRecipe[] =
    R"({"tessimor-recipe": 1, "image": "golden.hex", "serial": "0x0010:u32le",
        "serial-start": 100000, "crc": ["0x001C:crc16:0x0000-0x001C"])";

}  // namespace

ProductionLine::ProductionLine(const std::string& db) {
  WriteWholeFile(dir.File("golden.hex"), kLineGolden);
  WriteWholeFile(dir.File("line.json"),
                 kRecipe + (db.empty() ? std::string() : ", \"db\": \"" + db + '"') + "}");
  const production::Checked<production::Recipe> recipe =
      production::LoadRecipe(dir.File("line.json"));
  std::string error;
  if (recipe.value) {
    production =
        production::OpenProduction(*recipe.value, false, {"", dir.File("journal.db")}, &error);
  }
  if (!production) throw std::runtime_error(recipe.error + error);
}

std::string ProductionLine::Sql(const std::string& query) const {
  const std::string out = dir.File("sql");
  const std::string line =
      "sqlite3 " + dir.File("tessimor-production.db") + " \"" + query + "\" >" + out + " 2>&1";
  return std::system(line.c_str()) == 0 ? ReadWholeFile(out)
                                        : "sqlite3 failed: " + ReadWholeFile(out);
}

SimulatedAdapters::SimulatedAdapters(std::size_t count, std::size_t faulty, PtyFaults faults) {
  for (std::size_t i = 0; i < count; ++i) {
    adapters_.push_back(std::make_unique<AdapterSimulator>());
    servers_.push_back(
        std::make_unique<PtyServer>(*adapters_.back(), i == faulty ? faults : PtyFaults{}));
    if (!servers_.back()->Start()) throw std::runtime_error("no pseudo-terminal to be had");
    ports.push_back(servers_.back()->SlavePath());
  }
}

}  // namespace tessimor::testing
