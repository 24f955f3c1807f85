# The Windows program built with clang and lld instead of GCC, against the
# MinGW-w64 headers and libraries (x86-64): a second compiler's warnings.
# Clang does not find Debian's "12-posix" GCC directory by itself, so the
# GCC cross compiler is asked where its libgcc and libstdc++ live.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-libgcc-file-name
                OUTPUT_VARIABLE KEYLOOM_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(KEYLOOM_GCC_DIR "${KEYLOOM_LIBGCC}" DIRECTORY)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${KEYLOOM_GCC_DIR}/include/c++ ${KEYLOOM_GCC_DIR}/include/c++/x86_64-w64-mingw32
    ${KEYLOOM_GCC_DIR}/include/c++/backward)
# GCC's posix driver links winpthreads, which its libstdc++ needs, by itself.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${KEYLOOM_GCC_DIR} -pthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -L${KEYLOOM_GCC_DIR} -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
