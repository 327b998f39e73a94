# The posix thread model gives std::thread (the simulator runs beside the
# driver in test processes); -static keeps libgcc, libstdc++ and winpthread
# inside each binary, so a DLL needs only system DLLs and its declared imports.
set(CMAKE_C_COMPILER ${TORVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVA_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
find_program(TORVA_DLLTOOL ${TORVA_MINGW_PREFIX}-dlltool REQUIRED)
find_program(TORVA_OBJDUMP ${TORVA_MINGW_PREFIX}-objdump REQUIRED)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
