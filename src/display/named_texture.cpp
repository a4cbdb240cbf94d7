#include "display/named_texture.h"

#include <cstdlib>
#include <cstring>
#include <new>

NamedTexture* namedTextureList = nullptr;

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

// Containers left at exit go with the process's static clean-up.
struct RegistryCleanup {
    ~RegistryCleanup() { DestroyAllNamedTextures(); }
} registryCleanup;

}  // namespace

HRESULT CreateNamedTexture(const char* name, uint32_t width, uint32_t height, uint32_t stage,
                           uint32_t options)
{
    if (!name || std::strlen(name) >= kTextureNameCapacity) {
        return E_INVALIDARG;
    }
    if (FindNamedTexture(name)) {
        return E_FAIL;
    }
    auto* texture = new (std::nothrow) NamedTexture{};
    if (!texture) {
        return E_OUTOFMEMORY;
    }
    std::strcpy(texture->name, name);
    texture->stage = stage;
    texture->options = options;
    texture->width = width;
    texture->height = height;
    texture->depth = (options & TEXOPT_DEPTH32) ? 32 : 16;
    texture->alphaWanted = (options & TEXOPT_ALPHA) ? 1 : 0;
    texture->next = namedTextureList;
    namedTextureList = texture;
    return S_OK;
}

NamedTexture* FindNamedTexture(const char* name)
{
    if (!name) {
        return nullptr;
    }
    for (NamedTexture* texture = namedTextureList; texture; texture = texture->next) {
        if (SameName(texture->name, name)) {
            return texture;
        }
    }
    return nullptr;
}

void FreeMipLevels(NamedTexture& texture)
{
    for (uint32_t i = 0; i < texture.mipLevelCount; ++i) {
        std::free(texture.mipPixels[i]);
        texture.mipPixels[i] = nullptr;
    }
    texture.mipLevelCount = 0;
}

void FreeTexturePixels(NamedTexture& texture)
{
    std::free(texture.pixelBuffer);
    texture.pixelBuffer = nullptr;
    FreeMipLevels(texture);
}

void DestroyNamedTexture(NamedTexture* texture)
{
    if (!texture) {
        return;
    }
    if (texture->surface) {
        ReleaseTextureSurface(texture->surface);
        texture->surface = nullptr;
    }
    FreeTexturePixels(*texture);
    for (NamedTexture** link = &namedTextureList; *link; link = &(*link)->next) {
        if (*link == texture) {
            *link = texture->next;
            break;
        }
    }
    delete texture;
}

void DestroyAllNamedTextures()
{
    while (namedTextureList) {
        DestroyNamedTexture(namedTextureList);
    }
}
