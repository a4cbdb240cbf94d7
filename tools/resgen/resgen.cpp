// resgen: draws the program icon and the nine navigation cursors and writes
// them as .ico and .cur files for the resource compiler, so no binary
// resource lives in git.
//   program.ico: 48, 32 and 16 pixels, each at 32 and at 8 bits per pixel
//   crleft.cur ... crrightdown.cur: arrows for the eight drag directions
//   navisize.cur: the neutral four-way navigation cursor
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/file_io.h"

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

using Image = std::vector<Rgba>;  // size x size, rows from the top

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void BitmapHeader(std::vector<uint8_t>& out, int size, int bits, unsigned imageBytes)
{
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size * 2);  // colour rows and mask rows
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);
    Put32(out, imageBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
}

int RowBytes(int size, int bits) { return ((size * bits + 31) / 32) * 4; }

// The AND mask: set where the image is transparent.
void AppendMask(std::vector<uint8_t>& out, const Image& image, int size)
{
    const int stride = RowBytes(size, 1);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < size; ++x) {
            if (image[y * size + x].a < 128) {
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::vector<uint8_t> IconImage32(const Image& image, int size)
{
    std::vector<uint8_t> out;
    BitmapHeader(out, size, 32, size * size * 4 + RowBytes(size, 1) * size);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Rgba& p = image[y * size + x];
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    }
    AppendMask(out, image, size);
    return out;
}

// 8 bits per pixel through a 6 x 6 x 6 colour cube.
std::vector<uint8_t> IconImage8(const Image& image, int size)
{
    std::vector<uint8_t> out;
    BitmapHeader(out, size, 8, RowBytes(size, 8) * size + RowBytes(size, 1) * size);
    for (int i = 0; i < 256; ++i) {
        const int r = i / 36 % 6, g = i / 6 % 6, b = i % 6;
        out.insert(out.end(), {static_cast<uint8_t>(i < 216 ? b * 51 : 0),
                               static_cast<uint8_t>(i < 216 ? g * 51 : 0),
                               static_cast<uint8_t>(i < 216 ? r * 51 : 0), 0});
    }
    const int stride = RowBytes(size, 8);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < size; ++x) {
            const Rgba& p = image[y * size + x];
            row[x] = static_cast<uint8_t>((p.r + 25) / 51 * 36 + (p.g + 25) / 51 * 6 + (p.b + 25) / 51);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    AppendMask(out, image, size);
    return out;
}

// A monochrome cursor: black outline, white inside.
std::vector<uint8_t> CursorImage(const Image& image)
{
    const int size = 32;
    std::vector<uint8_t> out;
    BitmapHeader(out, size, 1, RowBytes(size, 1) * size * 2);
    out.insert(out.end(), {0, 0, 0, 0, 255, 255, 255, 0});
    const int stride = RowBytes(size, 1);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < size; ++x) {
            if (image[y * size + x].r > 128) {
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    AppendMask(out, image, size);
    return out;
}

struct Entry {
    int size, colours, bits;
    int hotX, hotY;  // cursors only
    std::vector<uint8_t> data;
};

bool WriteIconFile(const std::string& path, bool cursor, const std::vector<Entry>& entries)
{
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, cursor ? 2 : 1);
    Put16(out, static_cast<unsigned>(entries.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(entries.size());
    for (const Entry& e : entries) {
        out.push_back(static_cast<uint8_t>(e.size));
        out.push_back(static_cast<uint8_t>(e.size));
        out.push_back(static_cast<uint8_t>(e.colours));
        out.push_back(0);
        Put16(out, cursor ? e.hotX : 1);
        Put16(out, cursor ? e.hotY : e.bits);
        Put32(out, static_cast<unsigned>(e.data.size()));
        Put32(out, offset);
        offset += static_cast<unsigned>(e.data.size());
    }
    for (const Entry& e : entries) {
        out.insert(out.end(), e.data.begin(), e.data.end());
    }
    std::string error;
    if (!WriteFileAtomically(path, {&out}, false, error)) {
        std::fprintf(stderr, "resgen: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The program icon: a round window onto a panorama, sky over hills.
Image DrawIcon(int size)
{
    Image image(size * size, Rgba{0, 0, 0, 0});
    const double c = (size - 1) / 2.0, radius = size / 2.0 - 0.5;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > radius) {
                continue;
            }
            const double u = static_cast<double>(x) / size, v = static_cast<double>(y) / size;
            const double hill = 0.62 - 0.08 * std::sin(u * 9.0) - 0.05 * std::sin(u * 4.0 + 1.0);
            Rgba p = v < hill ? Rgba{static_cast<uint8_t>(90 + 120 * v), static_cast<uint8_t>(150 + 80 * v), 235, 255}
                              : Rgba{40, static_cast<uint8_t>(120 - 40 * v), 50, 255};
            if (std::hypot(u - 0.7, v - 0.28) < 0.09) {
                p = Rgba{255, 220, 80, 255};
            }
            if (d > radius - std::max(1.0, size / 16.0)) {
                p = Rgba{30, 40, 60, 255};
            }
            image[y * size + x] = p;
        }
    }
    return image;
}

// An arrow pointing in direction (dirX, dirY) from the cursor's centre.
Image DrawArrow(double dirX, double dirY)
{
    const int size = 32;
    Image image(size * size, Rgba{0, 0, 0, 0});
    const double length = std::hypot(dirX, dirY);
    const double fx = dirX / length, fy = dirY / length;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x - 15.5, py = y - 15.5;
            const double along = px * fx + py * fy;    // towards the tip
            const double across = -px * fy + py * fx;  // sideways
            const double headWidth = 13.0 - along;     // the head narrows to the tip at 13
            const bool head = along >= 2 && along <= 13 && std::fabs(across) <= headWidth * 0.8;
            const bool shaft = along >= -12 && along < 2 && std::fabs(across) <= 2.5;
            const bool outlineHead = along >= 0.5 && along <= 14.5 && std::fabs(across) <= (14.5 - along) * 0.8 + 1;
            const bool outlineShaft = along >= -13.5 && along < 3 && std::fabs(across) <= 4;
            if (head || shaft) {
                image[y * size + x] = Rgba{255, 255, 255, 255};
            } else if (outlineHead || outlineShaft) {
                image[y * size + x] = Rgba{0, 0, 0, 255};
            }
        }
    }
    return image;
}

// Four short arrows around a dot: navigation without a direction yet.
Image DrawNaviSize()
{
    const int size = 32;
    Image image(size * size, Rgba{0, 0, 0, 0});
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = std::fabs(x - 15.5), py = std::fabs(y - 15.5);
            const double far = std::max(px, py), near = std::min(px, py);
            const bool arm = far <= 14 && near <= 1.5;
            const bool head = far >= 8 && far <= 14 && near <= (14 - far) * 0.9;
            const bool outline = far <= 15.5 && (near <= 3 || (far >= 7 && near <= (15.5 - far) * 0.9 + 1));
            if (arm || head) {
                image[y * size + x] = Rgba{255, 255, 255, 255};
            } else if (outline) {
                image[y * size + x] = Rgba{0, 0, 0, 255};
            }
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: resgen OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<Entry> icon;
    for (const int size : {48, 32, 16}) {
        const Image image = DrawIcon(size);
        icon.push_back(Entry{size, 0, 32, 0, 0, IconImage32(image, size)});
        icon.push_back(Entry{size, 0, 8, 0, 0, IconImage8(image, size)});
    }
    bool ok = WriteIconFile(dir + "/program.ico", false, icon);

    struct Arrow {
        const char* name;
        double dx, dy;
    };
    const Arrow arrows[] = {
        {"crleft", -1, 0},    {"crright", 1, 0},   {"crup", 0, -1},       {"crdown", 0, 1},
        {"crleftup", -1, -1}, {"crrightup", 1, -1}, {"crleftdown", -1, 1}, {"crrightdown", 1, 1},
    };
    for (const Arrow& a : arrows) {
        ok = ok && WriteIconFile(dir + "/" + a.name + ".cur", true,
                                 {Entry{32, 2, 1, 16, 16, CursorImage(DrawArrow(a.dx, a.dy))}});
    }
    ok = ok && WriteIconFile(dir + "/navisize.cur", true, {Entry{32, 2, 1, 16, 16, CursorImage(DrawNaviSize())}});
    return ok ? 0 : 1;
}
