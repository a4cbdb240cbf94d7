#include "bench_figures.h"

#include <map>
#include <utility>

LoadFigures& LoadFiguresOf(uint32_t width, uint32_t height)
{
    static std::map<std::pair<uint32_t, uint32_t>, LoadFigures> figures;
    LoadFigures& found = figures[{width, height}];
    found.width = width;
    found.height = height;
    return found;
}
