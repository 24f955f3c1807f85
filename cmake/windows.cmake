# Windows build: Keyloom.exe, the real platform layer, and the Windows-side
# test programs that run under Wine.
enable_language(RC)
target_compile_definitions(keyloom_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)

file(GLOB WIN32_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(keyloom_win32 STATIC ${WIN32_PLATFORM_SOURCES})
target_include_directories(keyloom_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(keyloom_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
target_compile_options(keyloom_win32 PRIVATE ${PRODUCT_WARNINGS})
target_link_libraries(keyloom_win32 PUBLIC comctl32 shell32 advapi32 user32 gdi32 ole32 oleaut32 uuid)
target_link_libraries(keyloom_core PUBLIC keyloom_win32)

set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# The version record and the manifest carry the project's version; the
# manifest also names the processor architecture of the build.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KEYLOOM_MANIFEST_ARCH amd64)
else()
  set(KEYLOOM_MANIFEST_ARCH x86)
endif()
set(GENERATED_RES ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/res/keyloom_version.h.in ${GENERATED_RES}/keyloom_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/res/keyloom.manifest.in ${GENERATED_RES}/keyloom.manifest @ONLY)

add_executable(Keyloom WIN32 ${WIN32_SOURCES} ${CMAKE_SOURCE_DIR}/src/res/keyloom.rc)
target_include_directories(Keyloom PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/res ${GENERATED_RES})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/res/keyloom.rc APPEND PROPERTY OBJECT_DEPENDS
  ${GENERATED_RES}/keyloom_version.h ${GENERATED_RES}/keyloom.manifest)
target_compile_options(Keyloom PRIVATE ${PRODUCT_WARNINGS})
target_link_libraries(Keyloom PRIVATE keyloom_core)
target_link_options(Keyloom PRIVATE ${STATIC_RUNTIME})
set_target_properties(Keyloom PROPERTIES OUTPUT_NAME Keyloom)
# Sections laid out in the file at page boundaries, as in memory: a loader
# can then map the image from the file, shared with every other mapping of
# it. Wine copies an image whose file sections are not page-aligned into the
# process's own memory, some 2 MB of private bytes held for the whole run.
target_link_options(Keyloom PRIVATE -Wl,--file-alignment,0x1000)

# keyloomc.exe: a console program, run without administrator rights.
configure_file(${CMAKE_SOURCE_DIR}/src/keyloomc/keyloomc.manifest.in ${GENERATED_RES}/keyloomc.manifest @ONLY)
add_executable(keyloomc ${KEYLOOMC_WIN32_SOURCES} ${CMAKE_SOURCE_DIR}/src/keyloomc/keyloomc.rc)
target_include_directories(keyloomc PRIVATE ${CMAKE_SOURCE_DIR}/src ${GENERATED_RES})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/keyloomc/keyloomc.rc APPEND PROPERTY OBJECT_DEPENDS
  ${GENERATED_RES}/keyloom_version.h ${GENERATED_RES}/keyloomc.manifest)
target_compile_options(keyloomc PRIVATE ${PRODUCT_WARNINGS})
target_link_libraries(keyloomc PRIVATE keyloom_core)
target_link_options(keyloomc PRIVATE ${STATIC_RUNTIME})

# GoogleTest built from Debian's sources with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB CONTRACT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/contract/*.cpp)
add_executable(contract_tests ${CONTRACT_SOURCES})
target_link_libraries(contract_tests PRIVATE keyloom_win32 gtest gtest_main)
target_link_options(contract_tests PRIVATE ${STATIC_RUNTIME})

# The e2e driver's probe: reads and pokes windows of other processes.
file(GLOB PROBE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/probe/*.cpp)
if(PROBE_SOURCES)
  add_executable(klprobe ${PROBE_SOURCES})
  target_link_libraries(klprobe PRIVATE user32 comctl32 psapi advapi32)
  target_link_options(klprobe PRIVATE ${STATIC_RUNTIME})
endif()

# Benchmarks drive the program's lists through the same Windows side as the
# program does.
file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_win32.cpp)
foreach(source IN LISTS BENCH_SOURCES)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source} ${CMAKE_SOURCE_DIR}/src/common/row_list_win32.cpp
                 ${CMAKE_SOURCE_DIR}/src/editor/line_list_win32.cpp)
  target_link_libraries(${name} PRIVATE keyloom_core)
  target_link_options(${name} PRIVATE ${STATIC_RUNTIME})
endforeach()

# The memory benchmark starts the real Keyloom.exe and an empty program of
# its own beside it.
if(TARGET memory_win32)
  add_executable(memory_empty ${CMAKE_SOURCE_DIR}/bench/memory_empty.cpp)
  target_link_options(memory_empty PRIVATE ${STATIC_RUNTIME})
  target_link_libraries(memory_win32 PRIVATE psapi)
  add_dependencies(memory_win32 memory_empty Keyloom)
endif()
