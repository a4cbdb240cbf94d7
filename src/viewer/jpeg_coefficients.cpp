#include "viewer/jpeg_coefficients.h"

uint64_t CoefficientBufferBytes(j_decompress_ptr cinfo)
{
    if (!jpeg_has_multiple_scans(cinfo)) {
        return 0;
    }
    const auto roundUp = [](uint64_t value, uint64_t step) { return (value + step - 1) / step * step; };
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& component = cinfo->comp_info[c];
        blocks += roundUp(component.width_in_blocks, component.h_samp_factor) *
                  roundUp(component.height_in_blocks, component.v_samp_factor);
    }
    return blocks * DCTSIZE2 * sizeof(JCOEF);
}
