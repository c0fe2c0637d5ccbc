# Writes a module-definition file naming every function of an import library, for dlltool to
# make a delay-import library of it.
#   cmake -DNM=... -DIMPORT_LIB=libx.a -DDLL=x.dll -DDEF=x.def -P delayImport.cmake
execute_process(COMMAND "${NM}" -g --defined-only "${IMPORT_LIB}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed
                ERROR_QUIET)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@]+" names "${symbols}")
list(TRANSFORM names REPLACE " I __imp_" "")
list(REMOVE_DUPLICATES names)
list(JOIN names "\n" exports)
file(WRITE "${DEF}" "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
