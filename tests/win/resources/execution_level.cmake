# Fails unless the executable EXE carries a manifest that asks for the execution level LEVEL:
#   cmake -DEXE=<file> -DLEVEL=<asInvoker|highestAvailable> -P execution_level.cmake
file(STRINGS "${EXE}" requests REGEX "requestedExecutionLevel")
if(NOT requests)
    message(FATAL_ERROR "${EXE}: no requestedExecutionLevel in its manifest")
endif()
string(REGEX MATCH "level=\"([A-Za-z]+)\"" found "${requests}")
if(NOT CMAKE_MATCH_1 STREQUAL LEVEL)
    message(FATAL_ERROR "${EXE}: asks for '${CMAKE_MATCH_1}', expected '${LEVEL}'")
endif()
message(STATUS "${EXE}: ${LEVEL}")
