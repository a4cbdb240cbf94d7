# Windows trees: the viewer stub, its test programs and the portable core's
# tests, all run under Wine: the 32-bit tree (the shipped product) in a win32
# prefix, the 64-bit tree of the same sources in a win64 one.
# All programs side by side: tests find the stub and the probe beside them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PANO_WINE_ARCH win64)
else()
  set(PANO_WINE_ARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/tools/wine-run --arch ${PANO_WINE_ARCH} --prefix ${CMAKE_BINARY_DIR}/wineprefix)

enable_language(RC)
include_directories(${CMAKE_SOURCE_DIR}/src)

include(cmake/libjpeg-windows.cmake)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Writes the file size of a freshly linked viewer into its payload anchor.
function(pano_stamp_payload_offset target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/tools/stamp-payload-offset $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

target_sources(pano_core PRIVATE src/display/texture_surface_release_win.cpp)
target_link_libraries(pano_core PUBLIC pano_jpeg)

set(PANO_JPEG_LIBRARY pano_jpeg)
include(cmake/tool_libraries.cmake)

add_library(pano_shell STATIC
  src/display/change_device_dialog_win.cpp
  src/display/d3d_display_win.cpp
  src/display/device_table_win.cpp
  src/display/spare_textures_win.cpp
  src/display/surface_desc_win.cpp
  src/display/texture_surface_win.cpp
  src/framework/d3d_application_win.cpp
  src/framework/monitor_covers_win.cpp
  src/framework/paced_loop_win.cpp
  src/framework/stage_trace_win.cpp
  src/framework/window_messages_win.cpp
  src/package/module_path_win.cpp
  src/viewer/background_decode_win.cpp
  src/viewer/pano_player_slides_win.cpp
  src/viewer/pano_player_win.cpp
  src/viewer/slide_win.cpp
)
target_link_libraries(pano_shell PUBLIC pano_core ddraw dxguid winmm gdi32 user32)
pano_warnings(pano_shell)

# The icon and cursors, drawn by a host program of ours at build time.
set(PANO_RESOURCE_DIR ${CMAKE_BINARY_DIR}/generated-resources)
set(PANO_RESOURCE_FILES program.ico crleft.cur crright.cur crup.cur crdown.cur crleftup.cur
    crrightup.cur crleftdown.cur crrightdown.cur navisize.cur)
list(TRANSFORM PANO_RESOURCE_FILES PREPEND ${PANO_RESOURCE_DIR}/ OUTPUT_VARIABLE pano_resource_paths)
add_custom_command(
  OUTPUT ${pano_resource_paths}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PANO_RESOURCE_DIR}
  COMMAND c++ -std=c++20 -O2 -I${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tools/resgen/resgen.cpp
          ${CMAKE_SOURCE_DIR}/tools/common/file_io.cpp -o ${PANO_RESOURCE_DIR}/resgen
  COMMAND ${PANO_RESOURCE_DIR}/resgen ${PANO_RESOURCE_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/resgen/resgen.cpp ${CMAKE_SOURCE_DIR}/tools/common/file_io.cpp
  VERBATIM)
add_custom_target(pano_resources DEPENDS ${pano_resource_paths})
set_source_files_properties(src/resources/viewer.rc PROPERTIES OBJECT_DEPENDS "${pano_resource_paths}")

add_executable(panoview WIN32
  src/package/entry_win.cpp
  src/package/payload_anchor_value.cpp
  src/resources/framework.rc
  src/resources/viewer.rc
)
target_include_directories(panoview PRIVATE ${PANO_RESOURCE_DIR})
add_dependencies(panoview pano_resources)
target_link_libraries(panoview PRIVATE pano_shell)
pano_warnings(panoview)
pano_stamp_payload_offset(panoview)

# The packer, carrying this tree's viewer.
add_library(pano_file_io STATIC tools/common/file_io_win.cpp tools/common/utf8_win.cpp)
target_include_directories(pano_file_io PUBLIC ${CMAKE_SOURCE_DIR})
pano_warnings(pano_file_io)
include(tools/panopack/panopack.cmake)

add_subdirectory(tests/host)
add_subdirectory(tests/win)

# The floor the viewer's first frame is measured against (make bench-wine).
add_executable(first_frame_anchor WIN32 bench/first_frame_anchor_win.cpp
  src/display/surface_desc_win.cpp src/framework/stage_trace_win.cpp)
target_link_libraries(first_frame_anchor PRIVATE pano_core ddraw dxguid user32 gdi32)
pano_warnings(first_frame_anchor)
