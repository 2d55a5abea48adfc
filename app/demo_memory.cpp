#include "app/demo_memory.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

#include "sim/memory_image.h"

namespace tessimor {

namespace {

constexpr const char* kImageName = "demo-eeprom.bin";

}  // namespace

DemoMemory::DemoMemory()
    : path_(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/" + kImageName) {}

void DemoMemory::Load(AdapterSimulator::Memory& memory) {
  const ImageLoad result = LoadMemoryImage(path_.toStdString(), memory);
  if (result == ImageLoad::kWrongSize || result == ImageLoad::kUnreadable) {
    std::fprintf(stderr, "%s: not a %zu-byte EEPROM image; starting erased\n", qPrintable(path_),
                 memory.size());
  }
  loaded_ = memory;
}

bool DemoMemory::Save(const AdapterSimulator::Memory& memory) {
  if (memory == loaded_) return true;
  if (!QDir().mkpath(QFileInfo(path_).absolutePath()) ||
      !SaveMemoryImage(path_.toStdString(), memory)) {
    std::fprintf(stderr, "%s: could not keep the simulated EEPROM\n", qPrintable(path_));
    return false;
  }
  loaded_ = memory;
  return true;
}

}  // namespace tessimor
