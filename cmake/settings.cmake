# Build-time settings shared by the installer and the host tools. Defaults point at the
# reference update service on 127.0.0.1, so a default build of both sides agrees.
set(TAVORA_TIME_HOST "127.0.0.1:18080" CACHE STRING "Time service host[:port]")
set(TAVORA_SERVICE_HOST "127.0.0.1:18080" CACHE STRING "Request service host[:port]")
set(TAVORA_WEB_HOST "127.0.0.1:18080" CACHE STRING "Web site host[:port] for the privacy and offline package pages")
set(TAVORA_SIGN_SALT "QelvoTavora24:" CACHE STRING "Signature salt: 14 ASCII characters ending in ':'")
set(TAVORA_DES_KEY "3a8f21c47be05d9612fe4c07a35b8e6d19c2f0847ab3e561"
    CACHE STRING "Triple DES key: 24 bytes as 48 hexadecimal digits")
set(TAVORA_INSTALLER_VERSION "1.0.0.0" CACHE STRING "File version of TavoraStudentInstaller.exe (a.b.c.d)")
set(TAVORA_RELEASE_PUBLIC_KEY "" CACHE STRING
    "Release public key (P-256, uncompressed point 04||X||Y as 130 hexadecimal digits); empty: unsigned releases")

foreach(var TAVORA_TIME_HOST TAVORA_SERVICE_HOST TAVORA_WEB_HOST)
  if(NOT "${${var}}" MATCHES "^[A-Za-z0-9.-]+(:[0-9]+)?$")
    message(FATAL_ERROR "${var} must be host or host:port (letters, digits, '.', '-'), not '${${var}}'")
  endif()
endforeach()
string(LENGTH "${TAVORA_SIGN_SALT}" saltLength)
if(NOT saltLength EQUAL 14 OR NOT TAVORA_SIGN_SALT MATCHES "^[!-~]+:$" OR TAVORA_SIGN_SALT MATCHES "[\"\\\\]")
  message(FATAL_ERROR "TAVORA_SIGN_SALT must be 14 printable ASCII characters (no quote or backslash) ending in ':', not '${TAVORA_SIGN_SALT}' (${saltLength} characters)")
endif()
if(NOT TAVORA_DES_KEY MATCHES "^[0-9A-Fa-f]+$")
  message(FATAL_ERROR "TAVORA_DES_KEY must hold hexadecimal digits only, not '${TAVORA_DES_KEY}'")
endif()
string(LENGTH "${TAVORA_DES_KEY}" keyLength)
if(NOT keyLength EQUAL 48)
  message(FATAL_ERROR "TAVORA_DES_KEY must be 48 hexadecimal digits (24 bytes), not ${keyLength}")
endif()
if(NOT TAVORA_INSTALLER_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "TAVORA_INSTALLER_VERSION must be a.b.c.d, not '${TAVORA_INSTALLER_VERSION}'")
endif()
foreach(i 1 2 3 4)
  if(CMAKE_MATCH_${i} GREATER 65535)
    message(FATAL_ERROR "TAVORA_INSTALLER_VERSION parts must be at most 65535")
  endif()
endforeach()
string(REPLACE "." "," TAVORA_INSTALLER_VERSION_COMMAS "${TAVORA_INSTALLER_VERSION}")
string(LENGTH "${TAVORA_RELEASE_PUBLIC_KEY}" releaseKeyLength)
if(NOT releaseKeyLength EQUAL 0 AND
   (NOT releaseKeyLength EQUAL 130 OR NOT TAVORA_RELEASE_PUBLIC_KEY MATCHES "^04[0-9A-Fa-f]+$"))
  message(FATAL_ERROR "TAVORA_RELEASE_PUBLIC_KEY must be empty or 130 hexadecimal digits starting with 04 "
                      "(a P-256 public key as an uncompressed point), not '${TAVORA_RELEASE_PUBLIC_KEY}' "
                      "(${releaseKeyLength} characters)")
endif()
string(TOLOWER "${TAVORA_RELEASE_PUBLIC_KEY}" TAVORA_RELEASE_PUBLIC_KEY_LOWER)
# The line of the resource script that gives the installer its release key (see
# src/net/release_trust.h); without a key a comment takes its place and the program stays
# unsigned. The keyed installers of tests/e2e are made with the same line.
function(tavora_release_key_resource key out)
  string(TOLOWER "${key}" lower)
  if(lower STREQUAL "")
    set(${out} "// no release key: unsigned releases" PARENT_SCOPE)
  else()
    set(${out} "130 RCDATA { \"${lower}\" }" PARENT_SCOPE)
  endif()
endfunction()
tavora_release_key_resource("${TAVORA_RELEASE_PUBLIC_KEY}" TAVORA_RELEASE_KEY_RESOURCE)

string(REGEX REPLACE "([0-9A-Fa-f][0-9A-Fa-f])" "0x\\1, " TAVORA_DES_KEY_BYTES "${TAVORA_DES_KEY}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/build_settings.h.in
               ${CMAKE_BINARY_DIR}/generated/build_settings.h @ONLY)
