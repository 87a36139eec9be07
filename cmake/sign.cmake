# Authenticode signing of QuorvalentInstaller.exe right after it is linked, for release builds
# given a code-signing certificate and its key. Without them nothing here runs and osslsigncode
# is not needed. The command is cmake/sign.sh, the same one the signing test uses.
#
# A setting left empty here is taken from the environment variable of the same name and then
# kept in the cache: the re-runs of CMake that the build starts by itself, in whatever
# environment, must not drop the signature of a release build.

set(QUORVALENT_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM, optionally followed by its chain); empty: the installer is not signed")
set(QUORVALENT_SIGN_KEY "" CACHE FILEPATH "Private key of QUORVALENT_SIGN_CERT (PEM or DER)")
set(QUORVALENT_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the password of QUORVALENT_SIGN_KEY")
set(QUORVALENT_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server of the certificate authority; empty: no time-stamp")
foreach(setting QUORVALENT_SIGN_CERT QUORVALENT_SIGN_KEY QUORVALENT_SIGN_PASSWORD_FILE QUORVALENT_SIGN_TIMESTAMP_URL)
  if("${${setting}}" STREQUAL "" AND NOT "$ENV{${setting}}" STREQUAL "")
    set_property(CACHE ${setting} PROPERTY VALUE "$ENV{${setting}}")
    set(${setting} "$ENV{${setting}}")
  endif()
endforeach()

# A password given directly never stays in CMakeCache.txt or the build files: it is moved to
# a file only the owner can read, which the signing command reads.
set(QV_SIGN_STORED_PASSWORD ${CMAKE_BINARY_DIR}/signing/key-password)
unset(QV_SIGN_PASSWORD_GIVEN)
if(DEFINED CACHE{QUORVALENT_SIGN_PASSWORD})
  set(QV_SIGN_PASSWORD_GIVEN "${QUORVALENT_SIGN_PASSWORD}")
  unset(QUORVALENT_SIGN_PASSWORD CACHE)
elseif(DEFINED ENV{QUORVALENT_SIGN_PASSWORD})
  set(QV_SIGN_PASSWORD_GIVEN "$ENV{QUORVALENT_SIGN_PASSWORD}")
endif()

if(NOT QUORVALENT_SIGN_CERT STREQUAL "" OR NOT QUORVALENT_SIGN_KEY STREQUAL "")
  set(QV_SIGN_FILE_SETTINGS QUORVALENT_SIGN_CERT QUORVALENT_SIGN_KEY)
  if(NOT QUORVALENT_SIGN_PASSWORD_FILE STREQUAL "")
    list(APPEND QV_SIGN_FILE_SETTINGS QUORVALENT_SIGN_PASSWORD_FILE)
  endif()
  foreach(setting ${QV_SIGN_FILE_SETTINGS})
    if(NOT IS_ABSOLUTE "${${setting}}" OR NOT EXISTS "${${setting}}")
      message(FATAL_ERROR "${setting} must name an existing file by its full path (it is '${${setting}}')")
    endif()
  endforeach()
  if(DEFINED QV_SIGN_PASSWORD_GIVEN AND NOT QUORVALENT_SIGN_PASSWORD_FILE STREQUAL "")
    message(FATAL_ERROR "Give the key's password either as QUORVALENT_SIGN_PASSWORD or as QUORVALENT_SIGN_PASSWORD_FILE, not both")
  endif()

  if(DEFINED QV_SIGN_PASSWORD_GIVEN)
    if(QV_SIGN_PASSWORD_GIVEN STREQUAL "")
      file(REMOVE ${QV_SIGN_STORED_PASSWORD})
    else()
      # The folder is closed first, so the file is never readable by others, not even briefly.
      file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/signing)
      file(CHMOD ${CMAKE_BINARY_DIR}/signing DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
      file(WRITE ${QV_SIGN_STORED_PASSWORD} "${QV_SIGN_PASSWORD_GIVEN}\n")
      file(CHMOD ${QV_SIGN_STORED_PASSWORD} PERMISSIONS OWNER_READ OWNER_WRITE)
    endif()
  elseif(NOT QUORVALENT_SIGN_PASSWORD_FILE STREQUAL "")
    file(REMOVE ${QV_SIGN_STORED_PASSWORD})
  endif()

  find_program(QV_OSSLSIGNCODE osslsigncode REQUIRED)
  set(QV_SIGN_ARGUMENTS --tool ${QV_OSSLSIGNCODE} --cert ${QUORVALENT_SIGN_CERT} --key ${QUORVALENT_SIGN_KEY})
  if(NOT QUORVALENT_SIGN_PASSWORD_FILE STREQUAL "")
    list(APPEND QV_SIGN_ARGUMENTS --password-file ${QUORVALENT_SIGN_PASSWORD_FILE})
  elseif(EXISTS ${QV_SIGN_STORED_PASSWORD})
    list(APPEND QV_SIGN_ARGUMENTS --password-file ${QV_SIGN_STORED_PASSWORD})
  endif()
  if(NOT QUORVALENT_SIGN_TIMESTAMP_URL STREQUAL "")
    list(APPEND QV_SIGN_ARGUMENTS --timestamp-url ${QUORVALENT_SIGN_TIMESTAMP_URL})
  endif()

  # In place: the target file is the signed installer, so everything that uses it (the tests,
  # ./run, packaging) gets the signed one.
  add_custom_command(TARGET QuorvalentInstaller POST_BUILD
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/sign.sh ${QV_SIGN_ARGUMENTS}
            $<TARGET_FILE:QuorvalentInstaller> $<TARGET_FILE:QuorvalentInstaller>
    COMMENT "Signing QuorvalentInstaller.exe"
    VERBATIM)
  # A new certificate or key signs again.
  set_property(TARGET QuorvalentInstaller APPEND PROPERTY LINK_DEPENDS ${QUORVALENT_SIGN_CERT} ${QUORVALENT_SIGN_KEY})
  message(STATUS "QuorvalentInstaller.exe is signed with ${QUORVALENT_SIGN_CERT}")
else()
  file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/signing)
endif()
