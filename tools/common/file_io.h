// Whole-file reading and all-or-nothing writing for the host tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file; refuses files over maxBytes.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error);

// Writes the parts, in order, to a temporary file beside path and renames it
// over path, so a failure leaves no partial output behind.
bool WriteFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& parts,
                         bool executable, std::string& error);
