// Whole-file reading and all-or-nothing writing for panopack.exe. Paths are
// UTF-8 inside and go to the system's wide-character API as UTF-16; the
// messages are those of the Linux tools for the same failures.
#include "tools/common/file_io.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "tools/common/utf8_win.h"

namespace {

// ReadFile and WriteFile take DWORD counts: large files go in chunks.
constexpr size_t kChunkBytes = size_t{1} << 24;

DWORD ChunkSize(size_t left)
{
    return static_cast<DWORD>(left < kChunkBytes ? left : kChunkBytes);
}

// Closes the handle it owns.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close()
    {
        const bool ok = !IsOpen() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

// The C library's text for the common failures, as the Linux tools print
// them; the system's own text for the rest.
std::string Reason(const std::string& path, DWORD code)
{
    int number = 0;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        number = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        number = EACCES;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        number = ENOSPC;
        break;
    default:
        break;
    }
    if (number != 0) {
        return path + ": " + std::strerror(number);
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L'.' || message.back() == L' ')) {
        message.pop_back();
    }
    return path + ": " + (message.empty() ? "error " + std::to_string(code) : Utf8FromWide(message));
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = ChunkSize(data.size() - done);
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// A new, empty file beside the target: its name plus six random letters.
HANDLE CreateTempBeside(const std::string& path, std::wstring& tempPath)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::minstd_rand random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + ".";
        for (int i = 0; i < 6; ++i) {
            name += kLetters[pick(random)];
        }
        tempPath = WideFromUtf8(name);
        HANDLE file = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error)
{
    const std::wstring widePath = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = path + ": not a regular file";
        return false;
    }
    FileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        error = Reason(path, GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.Get(), &size)) {
        error = path + ": not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(size.QuadPart) > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = ChunkSize(data.size() - done);
        DWORD got = 0;
        if (!ReadFile(file.Get(), data.data() + done, chunk, &got, nullptr) || got == 0) {
            error = path + ": read failed";
            return false;
        }
        done += got;
    }
    return true;
}

// Windows runs any file named .exe or .scr: there is no executable mode to set.
bool WriteFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& parts, bool,
                         std::string& error)
{
    // Windows refuses to replace a read-only file; asking before anything
    // is written gives that answer on every system that runs us (Wine
    // would replace it).
    const std::wstring widePath = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = Reason(path, ERROR_ACCESS_DENIED);
        return false;
    }
    std::wstring tempPath;
    FileHandle file(CreateTempBeside(path, tempPath));
    if (!file.IsOpen()) {
        error = Reason(path, GetLastError());
        return false;
    }
    bool ok = true;
    for (const std::vector<uint8_t>* part : parts) {
        ok = ok && WriteAll(file.Get(), *part);
    }
    ok = ok && FlushFileBuffers(file.Get());
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    if (!file.Close() && ok) {
        code = GetLastError();
        ok = false;
    }
    if (ok && !MoveFileExW(tempPath.c_str(), widePath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = GetLastError();
        ok = false;
    }
    if (!ok) {
        error = Reason(path, code);
        DeleteFileW(tempPath.c_str());
    }
    return ok;
}
