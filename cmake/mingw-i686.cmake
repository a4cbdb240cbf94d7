# The shipped viewer: 32-bit Windows programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# 4 GiB of address space instead of 2 on a 64-bit system (and under Wine):
# a large panorama's tiles, texture surfaces and the driver's copies of
# them need it.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--large-address-aware")
