// Whole-file reading and all-or-nothing writing for the tools: file_io.cpp
// on Linux, file_io_win.cpp on Windows, with the same messages. Messages
// name the file asked for, never the temporary one.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Reads a whole file; refuses files over maxBytes, and ones it has no
// memory for.
bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error);

// Reads the first headBytes of a file (all of a shorter one) and its size;
// refuses files over maxBytes.
bool ReadFileHead(const std::string& path, size_t headBytes, uint64_t maxBytes,
                  std::vector<uint8_t>& head, uint64_t& size, std::string& error);

// A piece of an output file: bytes in memory, or the whole file at
// copiedPath, which must still have copiedSize bytes; that one is copied a
// piece at a time, never held whole.
struct OutputPart {
    OutputPart(const std::vector<uint8_t>* data) : bytes(data) {}
    OutputPart(std::string path, uint64_t size) : copiedPath(std::move(path)), copiedSize(size) {}

    const std::vector<uint8_t>* bytes = nullptr;
    std::string copiedPath;
    uint64_t copiedSize = 0;
};

// Writes the parts, in order, to a temporary file beside path and renames it
// over path, so a failure leaves no partial output and no temporary file
// behind. executable: the file mode on Linux.
bool WriteFileAtomically(const std::string& path, const std::vector<OutputPart>& parts,
                         bool executable, std::string& error);

// The names of the files (not folders) in the folder at path, in no
// particular order; false when path is not a folder that can be read.
bool ListFolderFiles(const std::string& path, std::vector<std::string>& names);
