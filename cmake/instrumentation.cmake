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
