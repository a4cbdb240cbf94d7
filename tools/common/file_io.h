// Whole-file reading and all-or-nothing writing for the tools: file_io.cpp
// on Linux, file_io_win.cpp on Windows, with the same messages. Messages
// name the file asked for, never the temporary one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file; refuses files over maxBytes.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error);

// Writes the parts, in order, to a temporary file beside path and renames it
// over path, so a failure leaves no partial output and no temporary file
// behind. executable: the file mode on Linux.
bool WriteFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& parts,
                         bool executable, std::string& error);
