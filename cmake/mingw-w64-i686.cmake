# Cross build for 32-bit Windows with MinGW-w64 (the shipped deliverables).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KLV_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# One arithmetic for both builds: double arithmetic on SSE2 registers, as the
# x86_64 build does, instead of the x87 unit, whose extended precision made
# the 32-bit figures differ from the 64-bit ones (0.5 / 0.0016 was not 312.5).
# Windows calls window procedures and thread functions with only 4-byte stack
# alignment; -mstackrealign keeps SSE spills safe there.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
