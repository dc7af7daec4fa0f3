# The signing step and the signature check, on copies of an unsigned program in WORK:
# an unsigned file, a file changed after signing and a file signed under other roots are
# refused; a signing that fails leaves the file as it was and nothing beside it.
foreach(name IN ITEMS OSSLSIGNCODE CA SETTINGS SIGN_SCRIPT VERIFY_SCRIPT UNSIGNED WORK)
    if(NOT ${name})
        message(FATAL_ERROR "signing_checks: -D${name}= missing")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(failures)

# Sets the calling function's `out` in its caller to whether the exit code `rc` was 0.
macro(succeeded out rc)
    if(${rc} EQUAL 0)
        set(${out} TRUE PARENT_SCOPE)
    else()
        set(${out} FALSE PARENT_SCOPE)
    endif()
endmacro()

function(verify out file)
    set(roots ${CA})
    if(ARGC GREATER 2)
        set(roots ${ARGV2})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE} -DCA=${roots} -P ${VERIFY_SCRIPT} ${file}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
    succeeded(${out} rc)
endfunction()

function(sign out settings in)
    execute_process(COMMAND ${CMAKE_COMMAND} -DSETTINGS=${settings} -DIN=${in} ${ARGN} -P ${SIGN_SCRIPT}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
    succeeded(${out} rc)
endfunction()

function(expect what got wanted)
    if(NOT got STREQUAL wanted)
        set(failures "${failures}\n${what}: ${got}, expected ${wanted}" PARENT_SCOPE)
    endif()
endfunction()

set(plain ${WORK}/plain.exe)
file(COPY_FILE ${UNSIGNED} ${plain})
verify(ok ${plain})
expect("an unsigned program verifies" ${ok} FALSE)

# Signed into another name: the signature holds and the source stays unsigned.
set(signed ${WORK}/signed.exe)
sign(ok ${SETTINGS} ${plain} -DOUT=${signed})
expect("signing succeeds" ${ok} TRUE)
verify(ok ${signed})
expect("the signed program verifies" ${ok} TRUE)
verify(ok ${plain})
expect("the source of a signing to another name is left unsigned" ${ok} FALSE)
if(EXISTS ${signed}.signing)
    list(APPEND failures "a partial file is left beside the signed program")
endif()

# Other roots: the build's own certificate does not chain to the system's.
if(NOT CA STREQUAL "/etc/ssl/certs/ca-certificates.crt" AND EXISTS /etc/ssl/certs/ca-certificates.crt)
    verify(ok ${signed} /etc/ssl/certs/ca-certificates.crt)
    expect("a program signed by the build's test CA verifies under the system's roots" ${ok} FALSE)
endif()

# Changed after signing: a few bytes well inside the signed image.
set(tampered ${WORK}/tampered.exe)
file(COPY_FILE ${signed} ${tampered})
file(WRITE ${WORK}/patch.bin "changed by a test")
execute_process(COMMAND dd if=${WORK}/patch.bin of=${tampered} bs=1 seek=4096 conv=notrunc status=none RESULT_VARIABLE rc)
expect("patching the copy" ${rc} 0)
verify(ok ${tampered})
expect("a program changed after signing verifies" ${ok} FALSE)

# A signing that fails (a key that is not there) leaves the file whole and unsigned.
file(WRITE ${WORK}/broken-settings.cmake
     "include([==[${SETTINGS}]==])\nset(SIGN_PFX \"\")\nset(SIGN_KEY [==[${WORK}/no-such.key]==])\n")
set(victim ${WORK}/victim.exe)
file(COPY_FILE ${UNSIGNED} ${victim})
file(SHA256 ${victim} before)
sign(ok ${WORK}/broken-settings.cmake ${victim})
expect("signing with a missing key succeeds" ${ok} FALSE)
file(SHA256 ${victim} after)
expect("the file a failed signing was given is unchanged" ${after} ${before})
if(EXISTS ${victim}.signing)
    list(APPEND failures "a failed signing left a partial file")
endif()

if(failures)
    message(FATAL_ERROR "${failures}")
endif()
message(STATUS "signing checks passed")
