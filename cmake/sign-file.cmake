# Signs one Windows executable with Authenticode (osslsigncode):
#   cmake -DSETTINGS=<build>/sign-settings.cmake -DIN=<file> [-DOUT=<file>] [-DCOPY=<file>] -P sign-file.cmake
# The signed file is written beside OUT (IN when OUT is not given) and moved over it only
# once complete, so a failed or interrupted signing never leaves a half-signed file. COPY,
# when given, receives a copy of the signed file the same way.
if(NOT SETTINGS OR NOT IN)
    message(FATAL_ERROR "usage: cmake -DSETTINGS=<file> -DIN=<file> [-DOUT=<file>] [-DCOPY=<file>] -P sign-file.cmake")
endif()
include(${SETTINGS})
if(NOT OUT)
    set(OUT ${IN})
endif()

set(args sign -h sha256 -n ${SIGN_DESCRIPTION} -i ${SIGN_URL})
if(SIGN_PFX)
    list(APPEND args -pkcs12 ${SIGN_PFX})
else()
    list(APPEND args -certs ${SIGN_CERT} -key ${SIGN_KEY})
endif()
if(SIGN_PASSWORD_FILE)
    list(APPEND args -readpass ${SIGN_PASSWORD_FILE})
endif()
foreach(url IN LISTS SIGN_TIMESTAMP_URL)
    list(APPEND args -ts ${url})
endforeach()

set(partial ${OUT}.signing)
file(REMOVE ${partial})
execute_process(COMMAND ${OSSLSIGNCODE} ${args} -in ${IN} -out ${partial}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT EXISTS ${partial})
    file(REMOVE ${partial})
    message(FATAL_ERROR "Signing ${IN} failed (osslsigncode exit ${rc}):\n${out}")
endif()
file(RENAME ${partial} ${OUT})

if(COPY)
    file(REMOVE ${COPY}.partial)
    file(COPY_FILE ${OUT} ${COPY}.partial)
    file(RENAME ${COPY}.partial ${COPY})
endif()
