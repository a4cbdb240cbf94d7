# Host tree: the portable core, the packer and the host tests.
find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
include(GoogleTest)

target_sources(pano_core PRIVATE src/platform/null/texture_surface_null.cpp)
target_link_libraries(pano_core PUBLIC JPEG::JPEG)

set(PANO_JPEG_LIBRARY JPEG::JPEG)
include(cmake/tool_libraries.cmake)

add_library(pano_file_io STATIC tools/common/file_io.cpp)
target_include_directories(pano_file_io PUBLIC ${CMAKE_SOURCE_DIR})
pano_warnings(pano_file_io)

include(tools/panopack/panopack.cmake)

# Expected screen colours for the end-to-end tests.
add_executable(expect_pixels tests/e2e/expect_pixels.cpp)
target_link_libraries(expect_pixels PRIVATE pano_core pano_anchor_search panopack_lib pano_samples)
pano_warnings(expect_pixels)

add_executable(panosamples tools/samplegen/main.cpp)
target_link_libraries(panosamples PRIVATE pano_samples pano_file_io)
pano_warnings(panosamples)

# The sample panoramas, made at build time: no image files live in git.
set(PANO_SAMPLES_DIR ${CMAKE_BINARY_DIR}/samples)
add_custom_command(
  OUTPUT ${PANO_SAMPLES_DIR}/harbour.jpg ${PANO_SAMPLES_DIR}/harbour.args
         ${PANO_SAMPLES_DIR}/sphere.jpg ${PANO_SAMPLES_DIR}/sphere.args
         ${PANO_SAMPLES_DIR}/wide.jpg ${PANO_SAMPLES_DIR}/wide.args
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PANO_SAMPLES_DIR}
  COMMAND panosamples ${PANO_SAMPLES_DIR}
  DEPENDS panosamples
  VERBATIM)
add_custom_target(samples ALL DEPENDS ${PANO_SAMPLES_DIR}/harbour.jpg ${PANO_SAMPLES_DIR}/sphere.jpg
                  ${PANO_SAMPLES_DIR}/wide.jpg)

if(PANO_FUZZ)
  add_subdirectory(fuzz)
else()
  add_subdirectory(tests/host)
  if(NOT PANO_SANITIZE)
    add_subdirectory(bench)
    # Which Windows tree and which Wine the build's scripts choose.
    add_test(NAME machine_choice
             COMMAND ${CMAKE_SOURCE_DIR}/tests/tools/machine_choice_test ${CMAKE_SOURCE_DIR})
  endif()
endif()
