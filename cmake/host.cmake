# Host tree: the portable core, the packer and the host tests.
find_package(GTest REQUIRED)
find_package(JPEG REQUIRED)
include(GoogleTest)

option(PANO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(PANO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(pano_jpeg_io STATIC tools/common/jpeg_io.cpp)
target_include_directories(pano_jpeg_io PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(pano_jpeg_io PUBLIC JPEG::JPEG)
pano_warnings(pano_jpeg_io)

add_library(panopack_lib STATIC
  tools/panopack/file_io.cpp
  tools/panopack/pack_options.cpp
  tools/panopack/panopack.cpp
  tools/panopack/payload_builder.cpp
)
target_link_libraries(panopack_lib PUBLIC pano_core pano_anchor_search pano_jpeg_io)
pano_warnings(panopack_lib)

add_executable(panopack tools/panopack/main.cpp)
target_link_libraries(panopack PRIVATE panopack_lib)
pano_warnings(panopack)

add_subdirectory(tests/host)
