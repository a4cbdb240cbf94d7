# libjpeg for Windows: Debian packages no mingw build of it, so the build
# fetches Debian's libjpeg-turbo source package into the build tree and
# cross-builds its static library (6b interface, SIMD with nasm).
include(ExternalProject)

set(PANO_JPEG_DIR ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(PANO_JPEG_SOURCE ${PANO_JPEG_DIR}/source)
set(PANO_JPEG_BUILD ${PANO_JPEG_DIR}/build)
set(PANO_JPEG_LIBRARY ${PANO_JPEG_BUILD}/libjpeg.a)

ExternalProject_Add(libjpeg_turbo_windows
  PREFIX ${PANO_JPEG_DIR}
  SOURCE_DIR ${PANO_JPEG_SOURCE}
  BINARY_DIR ${PANO_JPEG_BUILD}
  DOWNLOAD_COMMAND ${CMAKE_SOURCE_DIR}/tools/fetch-libjpeg-source ${PANO_JPEG_SOURCE}
  UPDATE_COMMAND ""
  CMAKE_ARGS
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${PANO_JPEG_DIR}/install
    -DENABLE_SHARED=OFF
    -DENABLE_STATIC=ON
    -DWITH_TURBOJPEG=OFF
    -DWITH_JPEG7=OFF
    -DWITH_JPEG8=OFF
    -DWITH_SIMD=ON
    -DREQUIRE_SIMD=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${PANO_JPEG_BUILD} --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${PANO_JPEG_LIBRARY}
)

add_library(pano_jpeg STATIC IMPORTED GLOBAL)
file(MAKE_DIRECTORY ${PANO_JPEG_SOURCE} ${PANO_JPEG_BUILD})
set_target_properties(pano_jpeg PROPERTIES
  IMPORTED_LOCATION ${PANO_JPEG_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES "${PANO_JPEG_SOURCE};${PANO_JPEG_BUILD}")
add_dependencies(pano_jpeg libjpeg_turbo_windows)
