// Reading a small text file whole, as a text-mode stream reads it on Windows.
#ifndef QUORVANE_DIAG_TEXT_FILE_H
#define QUORVANE_DIAG_TEXT_FILE_H

#include <filesystem>
#include <optional>
#include <string>

namespace qir {

// The file's bytes with every CR LF pair turned into LF; nothing when the file cannot
// be opened. The file is opened for reading only and others may keep writing it.
std::optional<std::string> ReadTextFile(const std::filesystem::path& path);

// CR LF pairs to LF; a lone CR stays.
std::string NormalizeLineBreaks(std::string text);

}  // namespace qir

#endif
