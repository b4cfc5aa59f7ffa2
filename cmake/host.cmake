# Host tree: the portable code and its tests under AddressSanitizer and UBSan, and the tools.
find_package(ZLIB REQUIRED)
find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
find_library(GPG_ERROR_LIBRARY gpg-error REQUIRED)
target_link_libraries(tavora_portable PUBLIC ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY} ZLIB::ZLIB)

# Off only for a tree that measures (the service load benchmark): sanitizers change both the
# time and the memory it reports. Such a tree has no fuzz targets.
option(TAVORA_HOST_SANITIZERS "Build the host tree under AddressSanitizer and UBSan" ON)
if(TAVORA_HOST_SANITIZERS)
  set(TAVORA_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_options(${TAVORA_SANITIZE} -g)
  add_link_options(${TAVORA_SANITIZE})
endif()

# Coverage for the fuzz targets; harmless for everything else.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND TAVORA_HOST_SANITIZERS)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# libFuzzer needs clang; with another compiler the fuzz targets are left out.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND TAVORA_HOST_SANITIZERS)
  set(TAVORA_FUZZ ON)
else()
  set(TAVORA_FUZZ OFF)
endif()

# A libFuzzer target over portable sources, run by ctest for a bounded time.
function(tavora_add_fuzz_target name source)
  if(NOT TAVORA_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE tavora_portable)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_test(NAME fuzz.${name} COMMAND ${name} -max_total_time=${TAVORA_FUZZ_SECONDS} -rss_limit_mb=2048)
  set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
endfunction()
set(TAVORA_FUZZ_SECONDS 20 CACHE STRING "How long each fuzz target runs in the test run")
