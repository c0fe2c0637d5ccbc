# Builds the portable package: the program as users get it, in one zip.
#   cmake -DBIN=<build/bin> -DSTAGE=<folder> -DOUT=<zip> -DSOURCE=<repository> -DVERSION=<x.y.z>
#         -DWEB=<address> -DMAIL=<address> -DLIBPNG_NOTICE=<file> -DZLIB_NOTICE=<file> -P package.cmake
cmake_minimum_required(VERSION 3.20)
file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/Langs" "${STAGE}/Skins")

file(COPY "${BIN}/Purgeon.exe" "${BIN}/Doffkit.dll" DESTINATION "${STAGE}")
# Translations and the help file; English is the built-in table, written at the first start.
file(GLOB langs "${BIN}/Langs/*.ini")
list(FILTER langs EXCLUDE REGEX "/English\\.ini$")
file(COPY ${langs} "${BIN}/Langs/Help.Chm" DESTINATION "${STAGE}/Langs")
file(COPY "${BIN}/Skins/" DESTINATION "${STAGE}/Skins" FILES_MATCHING PATTERN "*.ini" PATTERN "*.png")

set(PROJECT_VERSION "${VERSION}")
set(PURGEON_WEB_PAGE "${WEB}")
set(PURGEON_SUPPORT_MAIL "${MAIL}")
foreach(text IN ITEMS ReadMe.txt License.txt)
  configure_file("${SOURCE}/scripts/package/${text}" "${STAGE}/${text}" @ONLY NEWLINE_STYLE CRLF)
endforeach()
# The libraries' own notices, as their packages on this machine carry them.
set(notices "Purgeon is built with these libraries, linked into Purgeon.exe.\n")
foreach(library IN ITEMS libpng zlib)
  string(TOUPPER "${library}_NOTICE" variable)
  set(notice "${${variable}}")
  if(NOT EXISTS "${notice}")
    message(FATAL_ERROR "The notice of ${library} (${notice}) is missing: the package cannot be made without it")
  endif()
  file(READ "${notice}" body)
  string(APPEND notices "\n==============================================================================\n${library}\n\n${body}")
endforeach()
string(REPLACE "\r\n" "\n" notices "${notices}")
string(REPLACE "\n" "\r\n" notices "${notices}")  # Windows line ends, as Notepad wants them
file(WRITE "${STAGE}/ThirdParty.txt" "${notices}")

file(REMOVE "${OUT}")
file(GLOB_RECURSE entries RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT entries)
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${OUT}" --format=zip ${entries}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${OUT}")
  message(FATAL_ERROR "Cannot write ${OUT}")
endif()
