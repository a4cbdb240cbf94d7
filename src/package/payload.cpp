#include "package/payload.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Raw read access to the executable; closes the file when it goes.
class PayloadFile {
public:
    explicit PayloadFile(const char* path) : file_(path ? std::fopen(path, "rb") : nullptr)
    {
        if (file_ && std::fseek(file_, 0, SEEK_END) == 0) {
            const long end = std::ftell(file_);
            size_ = end < 0 ? 0 : static_cast<uint64_t>(end);
        }
    }
    ~PayloadFile()
    {
        if (file_) {
            std::fclose(file_);
        }
    }
    PayloadFile(const PayloadFile&) = delete;
    PayloadFile& operator=(const PayloadFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    uint64_t Size() const { return size_; }
    uint64_t Position() const { return position_; }

    bool SeekTo(uint64_t position)
    {
        if (position > size_ || position > static_cast<uint64_t>(LONG_MAX)) {
            return false;
        }
        if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) {
            return false;
        }
        position_ = position;
        return true;
    }

    // Reads up to count bytes; returns how many arrived.
    size_t Read(void* buffer, size_t count)
    {
        const size_t got = std::fread(buffer, 1, count, file_);
        position_ += got;
        return got;
    }

    bool ReadU8(uint8_t& value) { return Read(&value, 1) == 1; }

    bool ReadU32(uint32_t& value)
    {
        uint8_t b[4];
        if (Read(b, 4) != 4) {
            return false;
        }
        value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
        return true;
    }

private:
    std::FILE* file_;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

enum class WalkResult { Found, NotFound };

// Walks the records until one of the wanted type; on Found the file is
// positioned at that record's length field. The type byte is examined before
// the running count is compared, so the first record is always looked at.
// Every step consumes at least five bytes of a file of known size and never
// seeks backwards or past the end, so the walk always ends.
WalkResult WalkPayload(PayloadFile& file, uint32_t payloadOffset, uint8_t wanted)
{
    uint32_t totalLength = 0;
    if (!file.SeekTo(payloadOffset) || !file.ReadU32(totalLength)) {
        return WalkResult::NotFound;
    }
    const int64_t limit = static_cast<int32_t>(totalLength);
    int64_t consumed = 0;
    for (;;) {
        uint8_t type = 0;
        if (!file.ReadU8(type)) {
            return WalkResult::NotFound;
        }
        consumed += 1;
        if (type == wanted) {
            return WalkResult::Found;
        }
        uint32_t length = 0;
        if (!file.ReadU32(length) || !file.SeekTo(file.Position() + length)) {
            return WalkResult::NotFound;
        }
        consumed += static_cast<int64_t>(length) + 4;
        if (consumed >= limit) {
            return WalkResult::NotFound;
        }
    }
}

}  // namespace

std::unique_ptr<PanoSettings> ReadPanoSettings(const char* exePath, uint32_t payloadOffset)
{
    PayloadFile file(exePath);
    if (!file.IsOpen() || WalkPayload(file, payloadOffset, PAYLOAD_SETTINGS) != WalkResult::Found) {
        return nullptr;
    }
    uint32_t length = 0;
    if (!file.ReadU32(length)) {
        return nullptr;
    }
    std::unique_ptr<PanoSettings> settings(new (std::nothrow) PanoSettings{});
    if (!settings) {
        return nullptr;
    }
    file.Read(settings.get(), sizeof(PanoSettings));
    return settings;
}

int32_t FindPanoImage(const char* exePath, uint32_t payloadOffset)
{
    PayloadFile file(exePath);
    if (!file.IsOpen()) {
        return 0;
    }
    uint32_t length = 0;
    if (WalkPayload(file, payloadOffset, PAYLOAD_IMAGE) != WalkResult::Found ||
        !file.ReadU32(length) || file.Position() > INT32_MAX) {
        return -1;
    }
    return static_cast<int32_t>(file.Position());
}

ViewerOptions ReadViewerOptions(const char* exePath, uint32_t payloadOffset)
{
    PayloadFile file(exePath);
    uint32_t length = 0;
    if (!file.IsOpen() || WalkPayload(file, payloadOffset, PAYLOAD_OPTIONS) != WalkResult::Found ||
        !file.ReadU32(length) || length > file.Size() - file.Position()) {
        return {};  // absent, or its length runs past the end of the file
    }
    uint8_t data[kOptionsSize];
    const size_t wanted = length < sizeof data ? length : sizeof data;
    if (file.Read(data, wanted) != wanted) {
        return {};
    }
    return ParseViewerOptions(data, wanted).value_or(ViewerOptions{});
}
