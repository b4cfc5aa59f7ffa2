# Windows tree: static, size-optimised, Unicode; tests run under Wine in a prefix of the build tree.

# Boost and stb are header-only here; a folder holding only their links keeps /usr/include
# itself off the mingw include path.
set(TAVORA_BOOST_DIR ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${TAVORA_BOOST_DIR})
file(CREATE_LINK /usr/include/boost ${TAVORA_BOOST_DIR}/boost SYMBOLIC)
file(CREATE_LINK /usr/include/stb ${TAVORA_BOOST_DIR}/stb SYMBOLIC)
include_directories(SYSTEM ${TAVORA_BOOST_DIR})

add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
set(CMAKE_C_FLAGS_RELEASE "-Os -ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -ffunction-sections -fdata-sections")
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

# Windows code: everything of the installer except the entry point.
add_library(tavora_win STATIC)
target_link_libraries(tavora_win PUBLIC tavora_portable
  wininet winhttp gdiplus shlwapi ole32 oleaut32 uuid version ws2_32)
# MD5 and triple DES come from the system's crypto provider (advapi32), SHA-256 and ECDSA
# from CNG (bcrypt), not from a linked library.
target_link_libraries(tavora_portable PUBLIC z advapi32 bcrypt)

# Wine: a prefix, a HOME and a virtual display of the build tree's own. An i686 tree runs
# under 32-bit Wine, an x86_64 tree (machines that cannot execute 32-bit programs) under
# 64-bit Wine in a win64 prefix; the loader is called directly because the `wine` wrapper
# prefers the 32-bit one whenever it is installed.
set(TAVORA_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(TAVORA_WINE_ARCH win64)
  set(TAVORA_WINE_LOADER /usr/lib/wine/wine64)
  set(TAVORA_MANIFEST_ARCH amd64)
else()
  set(TAVORA_WINE_ARCH win32)
  set(TAVORA_WINE_LOADER wine)
  set(TAVORA_MANIFEST_ARCH x86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-session.sh.in ${CMAKE_BINARY_DIR}/wine-session @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# One persistent wineserver (and one Xvfb) for the whole ctest run.
# The desktop starter (tests/support) makes Wine's desktop process start with closed output.
add_test(NAME wine.start COMMAND ${CMAKE_BINARY_DIR}/wine-session start $<TARGET_FILE:tavora_desktop_starter>)
add_test(NAME wine.stop COMMAND ${CMAKE_BINARY_DIR}/wine-session stop)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# Windows tests that talk to the host tools (the reference update service) find them here.
set(TAVORA_HOST_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/host CACHE PATH "Host build tree holding the tools")
