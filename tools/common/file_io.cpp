// Whole-file reading and all-or-nothing writing on Linux: a temporary file beside the target,
// synced, then renamed over it. file_io_win.cpp is the Windows counterpart.
#include "tools/common/file_io.h"
#include "tools/common/file_io_memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens path for reading: a regular file of at most maxBytes, whose size it
// gives; null with the reason otherwise.
std::FILE* OpenForReading(const std::string& path, uint64_t maxBytes, uint64_t& size,
                          std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = Reason(path);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        std::fclose(file);
        return nullptr;
    }
    size = static_cast<uint64_t>(info.st_size);
    if (size > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        std::fclose(file);
        return nullptr;
    }
    return file;
}

// Reads count bytes into data, resized to them; false with the reason.
bool ReadInto(std::FILE* file, const std::string& path, size_t count, std::vector<uint8_t>& data,
              std::string& error)
{
    if (!ResizeFor(path, count, data, error)) {
        return false;
    }
    if (std::fread(data.data(), 1, count, file) != count || std::ferror(file)) {
        error = path + ": read failed";
        return false;
    }
    return true;
}

// Copies all of the file at path, which must have size bytes, into fd.
bool CopyInto(int fd, const std::string& path, uint64_t size, const std::string& output,
              std::string& error)
{
    uint64_t now = 0;
    std::FILE* file = OpenForReading(path, UINT64_MAX, now, error);
    if (!file) {
        return false;
    }
    if (now != size) {
        std::fclose(file);
        error = path + ": changed while it was packed";
        return false;
    }
    std::vector<uint8_t> piece(kCopyPieceBytes);
    bool ok = true;
    for (uint64_t left = size; ok && left > 0;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(left, piece.size()));
        if (std::fread(piece.data(), 1, count, file) != count) {
            error = path + ": read failed";
            ok = false;
        } else if (!WriteAll(fd, piece.data(), count)) {
            error = Reason(output);
            ok = false;
        }
        left -= count;
    }
    std::fclose(file);
    return ok;
}

}  // namespace

bool ReadFileHead(const std::string& path, size_t headBytes, uint64_t maxBytes,
                  std::vector<uint8_t>& head, uint64_t& size, std::string& error)
{
    std::FILE* file = OpenForReading(path, maxBytes, size, error);
    if (!file) {
        return false;
    }
    const bool ok =
        ReadInto(file, path, static_cast<size_t>(std::min<uint64_t>(size, headBytes)), head, error);
    std::fclose(file);
    return ok;
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error)
{
    uint64_t size = 0;
    std::FILE* file = OpenForReading(path, maxBytes, size, error);
    if (!file) {
        return false;
    }
    const bool ok = ReadInto(file, path, static_cast<size_t>(size), data, error);
    std::fclose(file);
    return ok;
}

bool WriteFileAtomically(const std::string& path, const std::vector<OutputPart>& parts,
                         bool executable, std::string& error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    bool ok = true;
    for (const OutputPart& part : parts) {
        if (part.bytes) {
            ok = WriteAll(fd, part.bytes->data(), part.bytes->size());
            if (!ok) {
                error = Reason(path);
            }
        } else {
            ok = CopyInto(fd, part.copiedPath, part.copiedSize, path, error);
        }
        if (!ok) {
            break;
        }
    }
    if (ok && (fchmod(fd, executable ? 0755 : 0644) != 0 || fsync(fd) != 0)) {
        error = Reason(path);
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        error = Reason(path);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = Reason(path);
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
    }
    return ok;
}

bool ListFolderFiles(const std::string& path, std::vector<std::string>& names)
{
    DIR* folder = opendir(path.c_str());
    if (!folder) {
        return false;
    }
    while (const dirent* entry = readdir(folder)) {
        struct stat status;
        const std::string name = entry->d_name;
        if (stat((path + "/" + name).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            names.push_back(name);
        }
    }
    closedir(folder);
    return true;
}
