# The packer, from the same sources in every tree: `panopack` on Linux,
# `panopack.exe` in the Windows trees. Included by cmake/host.cmake and
# cmake/windows.cmake after pano_file_io is defined. Each program that runs
# `create` links one embedded_stub_*.cpp: where its default viewer lives.
add_library(panopack_lib STATIC
  tools/panopack/file_names.cpp
  tools/panopack/launch.cpp
  tools/panopack/output_kind.cpp
  tools/panopack/pack_images.cpp
  tools/panopack/pack_options.cpp
  tools/panopack/pack_settings.cpp
  tools/panopack/panopack.cpp
  tools/panopack/payload_builder.cpp
  tools/panopack/gpano_fields.cpp
  tools/panopack/photo_sphere.cpp
)
target_compile_definitions(panopack_lib PRIVATE PANO_VERSION="${PROJECT_VERSION}")
target_link_libraries(panopack_lib PUBLIC pano_core pano_anchor_search pano_jpeg_io pano_file_io)
pano_warnings(panopack_lib)

if(WIN32)
  # The viewer it carries is this tree's panoview.exe, stamped: the resource
  # compiler finds it in the programs' folder.
  add_executable(panopack
    tools/panopack/main_win.cpp
    tools/panopack/embedded_stub_win.cpp
    tools/panopack/launch_win.cpp
    src/resources/panopack.rc
  )
  target_include_directories(panopack PRIVATE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_source_files_properties(src/resources/panopack.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/panoview${CMAKE_EXECUTABLE_SUFFIX})
  add_dependencies(panopack panoview)
  target_link_libraries(panopack PRIVATE panopack_lib shell32 user32)
else()
  # Without --stub the Linux packer packs into the Windows tree's viewer.
  set(PANO_VIEWER_STUB ${CMAKE_SOURCE_DIR}/build/win/bin/panoview.exe CACHE FILEPATH
      "The viewer panopack packs into when no --stub is given")
  add_executable(panopack tools/panopack/main.cpp tools/panopack/embedded_stub_host.cpp)
  target_compile_definitions(panopack PRIVATE PANO_VIEWER_STUB="${PANO_VIEWER_STUB}")
  target_link_libraries(panopack PRIVATE panopack_lib)
endif()
pano_warnings(panopack)
