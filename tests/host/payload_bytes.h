// Builds payload bytes for tests, well-formed or not.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "package/pano_settings.h"

class PayloadBytes {
public:
    PayloadBytes& U8(uint8_t value)
    {
        bytes_.push_back(value);
        return *this;
    }
    PayloadBytes& U32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes_.push_back(static_cast<uint8_t>(value >> shift));
        }
        return *this;
    }
    PayloadBytes& Raw(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
        return *this;
    }
    PayloadBytes& Fill(uint8_t value, size_t count)
    {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    // A record whose length field matches its data.
    PayloadBytes& Record(uint8_t type, const void* data, size_t size)
    {
        return U8(type).U32(static_cast<uint32_t>(size)).Raw(data, size);
    }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

inline PanoSettings SettingsNamed(const char* title)
{
    PanoSettings s{};
    s.windowWidth = 800;
    s.windowHeight = 400;
    std::strncpy(s.title, title, sizeof s.title - 1);
    return s;
}
