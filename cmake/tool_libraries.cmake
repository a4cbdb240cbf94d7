# JPEG helpers and the sample pattern, shared by the host tools and the tests
# of both trees.
add_library(pano_jpeg_io STATIC tools/common/jpeg_io.cpp)
target_include_directories(pano_jpeg_io PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(pano_jpeg_io PUBLIC pano_core ${PANO_JPEG_LIBRARY})
pano_warnings(pano_jpeg_io)

add_library(pano_samples STATIC tools/samplegen/sample_pattern.cpp)
target_link_libraries(pano_samples PUBLIC pano_jpeg_io)
pano_warnings(pano_samples)
