#include "tools/common/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::vector<uint8_t>& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
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

}  // namespace

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = Reason(path);
        return false;
    }
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        std::fclose(file);
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        std::fclose(file);
        return false;
    }
    data.resize(static_cast<size_t>(info.st_size));
    const size_t got = std::fread(data.data(), 1, data.size(), file);
    const bool ok = got == data.size() && !std::ferror(file);
    std::fclose(file);
    if (!ok) {
        error = path + ": read failed";
    }
    return ok;
}

bool WriteFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& parts,
                         bool executable, std::string& error)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = Reason(path);
        return false;
    }
    bool ok = true;
    for (const std::vector<uint8_t>* part : parts) {
        ok = ok && WriteAll(fd, *part);
    }
    ok = ok && fchmod(fd, executable ? 0755 : 0644) == 0 && fsync(fd) == 0;
    if (!ok) {
        error = Reason(path);
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
