# Host trees only: sanitizers, or libFuzzer coverage, for every target.
option(PANO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(PANO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(PANO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(PANO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(PANO_FUZZ)
  # The ray casts of the view limits run thousands of loop comparisons per
  # input; tracing each one for the fuzzer costs most of its time and guides
  # nothing (the inputs are floating-point angles, not magic values).
  set_source_files_properties(src/math/d3d_math.cpp src/viewer/mesh_cells.cpp
                              src/viewer/view_limits.cpp
                              PROPERTIES COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
  set_source_files_properties(src/viewer/mesh_triangles.cpp PROPERTIES COMPILE_OPTIONS
                              "-fno-sanitize-coverage=trace-cmp;-fno-sanitize=address,undefined")
endif()
