# Shared part of the MinGW-w64 toolchain files. Prefers the posix thread model
# compilers (std::thread and std::mutex work); everything links statically.
foreach(tool gcc g++)
  string(TOUPPER ${tool} _up)
  find_program(KLV_${_up}_PATH NAMES ${KLV_MINGW_TRIPLE}-${tool}-posix ${KLV_MINGW_TRIPLE}-${tool})
endforeach()
set(CMAKE_C_COMPILER ${KLV_GCC_PATH})
set(CMAKE_CXX_COMPILER ${KLV_G++_PATH})
set(CMAKE_RC_COMPILER ${KLV_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KLV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
