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

// Walks the records from the payload's start, finding the records of a type
// one after another. The type byte is examined before the running count is
// compared, so the first record is always looked at. Every step reads at
// least five bytes further into a file of known size and never seeks past
// its end, so a walk always ends.
class PayloadWalk {
public:
    PayloadWalk(PayloadFile& file, uint32_t payloadOffset) : file_(file)
    {
        uint32_t totalLength = 0;
        ended_ = !file.SeekTo(payloadOffset) || !file.ReadU32(totalLength);
        limit_ = static_cast<int32_t>(totalLength);
    }

    // Finds the next record of the wanted type and reads its length; the
    // file is then positioned at the record's data. False at the end.
    bool Next(uint8_t wanted, uint32_t& length)
    {
        if (ended_ || (found_ && !Skip(foundLength_))) {
            return false;
        }
        for (;;) {
            uint8_t type = 0;
            if (!file_.ReadU8(type)) {
                return End();
            }
            consumed_ += 1;
            if (!file_.ReadU32(length)) {
                return End();
            }
            dataStart_ = file_.Position();
            found_ = type == wanted;
            if (found_) {
                foundLength_ = length;
                return true;
            }
            if (!Skip(length)) {
                return false;
            }
        }
    }

private:
    // Moves past the record whose data starts at dataStart_; false when
    // that ends the walk.
    bool Skip(uint32_t length)
    {
        consumed_ += static_cast<int64_t>(length) + 4;
        if (!file_.SeekTo(dataStart_ + length) || consumed_ >= limit_) {
            return End();
        }
        return true;
    }

    bool End()
    {
        ended_ = true;
        return false;
    }

    PayloadFile& file_;
    int64_t limit_ = 0;
    int64_t consumed_ = 0;
    bool ended_ = false;
    bool found_ = false;  // the file is in a record of the wanted type
    uint32_t foundLength_ = 0;
    uint64_t dataStart_ = 0;
};

}  // namespace

std::unique_ptr<PanoSettings> ReadPanoSettings(const char* exePath, uint32_t payloadOffset)
{
    PayloadFile file(exePath);
    uint32_t length = 0;
    if (!file.IsOpen() || !PayloadWalk(file, payloadOffset).Next(PAYLOAD_SETTINGS, length)) {
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
    if (!PayloadWalk(file, payloadOffset).Next(PAYLOAD_IMAGE, length) ||
        file.Position() > INT32_MAX) {
        return -1;
    }
    return static_cast<int32_t>(file.Position());
}

ViewerOptions ReadViewerOptions(const char* exePath, uint32_t payloadOffset)
{
    PayloadFile file(exePath);
    uint32_t length = 0;
    if (!file.IsOpen() || !PayloadWalk(file, payloadOffset).Next(PAYLOAD_OPTIONS, length) ||
        length > file.Size() - file.Position()) {
        return {};  // absent, or its length runs past the end of the file
    }
    uint8_t data[kOptionsSize];
    const size_t wanted = length < sizeof data ? length : sizeof data;
    if (file.Read(data, wanted) != wanted) {
        return {};
    }
    return ParseViewerOptions(data, wanted).value_or(ViewerOptions{});
}

std::vector<FurtherPanorama> ReadFurtherPanoramas(const char* exePath, uint32_t payloadOffset)
{
    std::vector<FurtherPanorama> panoramas;
    PayloadFile file(exePath);
    if (!file.IsOpen()) {
        return panoramas;
    }
    PayloadWalk walk(file, payloadOffset);
    uint32_t length = 0;
    while (panoramas.size() < kMaxFurtherPanoramas && walk.Next(PAYLOAD_PANORAMA, length)) {
        FurtherPanorama panorama;
        const uint64_t image = file.Position() + sizeof panorama.settings;
        // A record too short for its settings, cut off by the end of the
        // file, or whose image the viewer cannot address, shows nothing.
        if (length <= sizeof panorama.settings || length > file.Size() - file.Position() ||
            image > INT32_MAX ||
            file.Read(&panorama.settings, sizeof panorama.settings) != sizeof panorama.settings) {
            continue;
        }
        panorama.imageOffset = static_cast<int32_t>(image);
        try {
            panoramas.push_back(panorama);
        } catch (const std::bad_alloc&) {
            break;  // the viewer shows the panoramas it has room to list
        }
    }
    return panoramas;
}
