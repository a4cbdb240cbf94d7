# The same sources as 64-bit Windows programs, for machines whose kernel runs
# no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
