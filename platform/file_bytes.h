#pragma once

#include <string>

#include "platform/file_problem.h"

namespace tessimor {

// Whole-file helpers. A read gives why the file could not be opened or read whole; a write is
// false when the file could not be written completely.
FileProblem ReadFileBytes(const std::string& path, std::string* contents);
bool WriteFileBytes(const std::string& path, const std::string& contents);

// "PATH: no such file." and the like, said after the line that names the failed file.
std::string FileProblemLine(const std::string& path, const FileProblem& problem);

}  // namespace tessimor
