# Host tree: the portable code and its tests under AddressSanitizer and UBSan, and the tools.
find_package(ZLIB REQUIRED)
find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
find_library(GPG_ERROR_LIBRARY gpg-error REQUIRED)
target_link_libraries(tavora_portable PUBLIC ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY} ZLIB::ZLIB)

set(TAVORA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_compile_options(${TAVORA_SANITIZE} -g)
add_link_options(${TAVORA_SANITIZE})

# libFuzzer needs clang; with another compiler the fuzz targets are left out.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(TAVORA_FUZZ ON)
else()
  set(TAVORA_FUZZ OFF)
endif()
