// Whole-file reading and all-or-nothing writing for panopack.exe. Paths are
// UTF-8 inside and go to the system's wide-character API as UTF-16; the
// messages are those of the Linux tools for the same failures.
#include "tools/common/file_io.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "tools/common/file_io_memory.h"
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
    // Gives the handle up to the caller.
    HANDLE Release()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
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

bool WriteAll(HANDLE file, const uint8_t* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = ChunkSize(size - done);
        DWORD written = 0;
        if (!WriteFile(file, data + done, chunk, &written, nullptr) || written == 0) {
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

// Opens path for reading: a regular file of at most maxBytes, whose size it
// gives; INVALID_HANDLE_VALUE with the reason otherwise.
HANDLE OpenForReading(const std::string& path, uint64_t maxBytes, uint64_t& size,
                      std::string& error)
{
    const std::wstring widePath = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = path + ": not a regular file";
        return INVALID_HANDLE_VALUE;
    }
    FileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        error = Reason(path, GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    LARGE_INTEGER length{};
    if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.Get(), &length)) {
        error = path + ": not a regular file";
        return INVALID_HANDLE_VALUE;
    }
    size = static_cast<uint64_t>(length.QuadPart);
    if (size > maxBytes) {
        error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
        return INVALID_HANDLE_VALUE;
    }
    return file.Release();
}

// Reads exactly count bytes into a buffer of that size.
bool ReadExactly(HANDLE file, uint8_t* data, size_t count)
{
    size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(file, data + done, ChunkSize(count - done), &got, nullptr) || got == 0) {
            return false;
        }
        done += got;
    }
    return true;
}

// Reads count bytes into data, resized to them; false with the reason.
bool ReadInto(HANDLE file, const std::string& path, size_t count, std::vector<uint8_t>& data,
              std::string& error)
{
    if (!ResizeFor(path, count, data, error)) {
        return false;
    }
    if (!ReadExactly(file, data.data(), count)) {
        error = path + ": read failed";
        return false;
    }
    return true;
}

// Copies all of the file at path, which must have size bytes, into output.
bool CopyInto(HANDLE output, const std::string& path, uint64_t size, DWORD& code,
              std::string& error)
{
    uint64_t now = 0;
    FileHandle file(OpenForReading(path, UINT64_MAX, now, error));
    if (!file.IsOpen()) {
        return false;
    }
    if (now != size) {
        error = path + ": changed while it was packed";
        return false;
    }
    std::vector<uint8_t> piece(kCopyPieceBytes);
    for (uint64_t left = size; left > 0;) {
        const size_t count = static_cast<size_t>(left < piece.size() ? left : piece.size());
        if (!ReadExactly(file.Get(), piece.data(), count)) {
            error = path + ": read failed";
            return false;
        }
        if (!WriteAll(output, piece.data(), count)) {
            code = GetLastError();
            return false;
        }
        left -= count;
    }
    return true;
}

}  // namespace

bool ReadFileHead(const std::string& path, size_t headBytes, uint64_t maxBytes,
                  std::vector<uint8_t>& head, uint64_t& size, std::string& error)
{
    FileHandle file(OpenForReading(path, maxBytes, size, error));
    return file.IsOpen() &&
           ReadInto(file.Get(), path, static_cast<size_t>(size < headBytes ? size : headBytes),
                    head, error);
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& data,
                   std::string& error)
{
    uint64_t size = 0;
    FileHandle file(OpenForReading(path, maxBytes, size, error));
    return file.IsOpen() && ReadInto(file.Get(), path, static_cast<size_t>(size), data, error);
}

// Windows runs any file named .exe or .scr: there is no executable mode to set.
bool WriteFileAtomically(const std::string& path, const std::vector<OutputPart>& parts, bool,
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
    DWORD code = ERROR_SUCCESS;
    for (const OutputPart& part : parts) {
        if (part.bytes) {
            ok = WriteAll(file.Get(), part.bytes->data(), part.bytes->size());
            code = ok ? ERROR_SUCCESS : GetLastError();
        } else {
            ok = CopyInto(file.Get(), part.copiedPath, part.copiedSize, code, error);
        }
        if (!ok) {
            break;
        }
    }
    if (ok && !FlushFileBuffers(file.Get())) {
        code = GetLastError();
        ok = false;
    }
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
        if (code != ERROR_SUCCESS) {
            error = Reason(path, code);
        }
        DeleteFileW(tempPath.c_str());
    }
    return ok;
}

bool ListFolderFiles(const std::string& path, std::vector<std::string>& names)
{
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WideFromUtf8(path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return true;  // an empty folder
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(Utf8FromWide(found.cFileName));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}
