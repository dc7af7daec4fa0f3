# Authenticode signatures for what the Windows build ships: Sorvane.exe, SorvaneCmd.exe, the
# uninstaller and the setup, signed with osslsigncode. The certificate comes from the
# branding values (cmake/Branding.cmake); without one the build makes a throwaway test CA
# and a code-signing certificate made under it, in <build>/signing (never in the sources).
#
#   sorvane_sign_target(target)   signs the target's file after every link
#   SORVANE_SIGN_COMMAND          the command that signs: append -DIN=<file> [-DOUT=<file>]
#                                 [-DCOPY=<file>] -P ${SORVANE_SIGN_SCRIPT}
#   SORVANE_SIGN_VERIFY_CA        the roots the signatures must verify against
option(SORVANE_SIGN "Sign the Windows programs, uninstaller and setup (Authenticode)" ON)
function(sorvane_sign_target target)
    if(SORVANE_SIGN_SCRIPT)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${SORVANE_SIGN_COMMAND} -DIN=$<TARGET_FILE:${target}> -P ${SORVANE_SIGN_SCRIPT}
            COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
            VERBATIM)
        # Another certificate or timestamp server links and signs the program again.
        set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SORVANE_SIGN_INPUTS})
    endif()
endfunction()
if(NOT WIN32 OR NOT SORVANE_SIGN)
    return()
endif()
find_program(SORVANE_OSSLSIGNCODE osslsigncode)
if(NOT SORVANE_OSSLSIGNCODE)
    message(FATAL_ERROR "osslsigncode not found (Debian package osslsigncode); -DSORVANE_SIGN=OFF builds unsigned")
endif()

set(signing_dir ${CMAKE_BINARY_DIR}/signing)
if(SORVANE_SIGN_PFX)
    set(sign_pfx ${SORVANE_SIGN_PFX})
    set(sign_cert "")
    set(sign_key "")
elseif(SORVANE_SIGN_CERT AND SORVANE_SIGN_KEY)
    set(sign_pfx "")
    set(sign_cert ${SORVANE_SIGN_CERT})
    set(sign_key ${SORVANE_SIGN_KEY})
elseif(SORVANE_SIGN_CERT OR SORVANE_SIGN_KEY)
    message(FATAL_ERROR "SORVANE_SIGN_CERT and SORVANE_SIGN_KEY go together (or give SORVANE_SIGN_PFX)")
else()
    # A test CA and a code-signing certificate signed by it, made once per build folder.
    # They are made in a folder beside and moved in whole, so an interrupted configure
    # leaves no certificate without its key.
    find_program(SORVANE_OPENSSL openssl)
    if(NOT SORVANE_OPENSSL)
        message(FATAL_ERROR "openssl not found: it makes the build's test code-signing certificate")
    endif()
    set(sign_pfx "")
    set(sign_cert ${signing_dir}/test-code-signing-chain.pem)
    set(sign_key ${signing_dir}/test-code-signing.key)
    if(NOT EXISTS ${sign_cert} OR NOT EXISTS ${sign_key})
        set(partial ${signing_dir}.partial)
        file(REMOVE_RECURSE ${partial} ${signing_dir})
        file(MAKE_DIRECTORY ${partial})
        file(WRITE ${partial}/leaf.ext
             "basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n"
             "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n")
        set(run_openssl ${SORVANE_OPENSSL})
        foreach(step IN ITEMS
                "req;-x509;-newkey;rsa:2048;-nodes;-sha256;-days;3650;-subj;/CN=Build Test Code Signing CA;-addext;basicConstraints=critical,CA:TRUE;-addext;keyUsage=critical,keyCertSign,cRLSign;-keyout;test-ca.key;-out;test-ca.pem"
                "req;-newkey;rsa:2048;-nodes;-sha256;-subj;/CN=Build Test Code Signing;-keyout;test-code-signing.key;-out;leaf.csr"
                "x509;-req;-sha256;-days;3650;-in;leaf.csr;-CA;test-ca.pem;-CAkey;test-ca.key;-CAcreateserial;-extfile;leaf.ext;-out;test-code-signing.pem")
            execute_process(COMMAND ${run_openssl} ${step} WORKING_DIRECTORY ${partial}
                            RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
            if(NOT rc EQUAL 0)
                message(FATAL_ERROR "Making the test code-signing certificate failed (openssl ${step}):\n${out}")
            endif()
        endforeach()
        # The chain carries the CA, so a verifier given only the root finds the path.
        file(READ ${partial}/test-code-signing.pem leaf_pem)
        file(READ ${partial}/test-ca.pem ca_pem)
        file(WRITE ${partial}/test-code-signing-chain.pem "${leaf_pem}${ca_pem}")
        file(REMOVE ${partial}/leaf.csr ${partial}/leaf.ext ${partial}/test-ca.srl)
        file(RENAME ${partial} ${signing_dir})
        message(STATUS "Made a test code-signing certificate in ${signing_dir}")
    endif()
endif()

if(SORVANE_SIGN_CA_FILE)
    set(SORVANE_SIGN_VERIFY_CA ${SORVANE_SIGN_CA_FILE})
elseif(sign_cert STREQUAL "${signing_dir}/test-code-signing-chain.pem")
    set(SORVANE_SIGN_VERIFY_CA ${signing_dir}/test-ca.pem)
else()
    set(SORVANE_SIGN_VERIFY_CA /etc/ssl/certs/ca-certificates.crt)
endif()

# What a signature says besides the certificate: the product and its web site.
set(sign_url "${SORVANE_WEBSITE}")
if(NOT sign_url MATCHES "^[a-z]+://")
    set(sign_url "https://${sign_url}")
endif()
# The settings go to a script file, so that every signer (the links, makensis's command
# for the uninstaller, the setup) runs one short command whatever characters they hold.
set(SORVANE_SIGN_SETTINGS ${CMAKE_BINARY_DIR}/sign-settings.cmake)
file(CONFIGURE OUTPUT ${SORVANE_SIGN_SETTINGS} CONTENT
"set(OSSLSIGNCODE [==[${SORVANE_OSSLSIGNCODE}]==])
set(SIGN_PFX [==[${sign_pfx}]==])
set(SIGN_CERT [==[${sign_cert}]==])
set(SIGN_KEY [==[${sign_key}]==])
set(SIGN_PASSWORD_FILE [==[${SORVANE_SIGN_PASSWORD_FILE}]==])
set(SIGN_TIMESTAMP_URL [==[${SORVANE_SIGN_TIMESTAMP_URL}]==])
set(SIGN_DESCRIPTION [==[${SORVANE_PRODUCT_NAME}]==])
set(SIGN_URL [==[${sign_url}]==])
")
set(SORVANE_SIGN_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/sign-file.cmake)
set(SORVANE_SIGN_COMMAND ${CMAKE_COMMAND} -DSETTINGS=${SORVANE_SIGN_SETTINGS})
# What a signature depends on: a change to any of them signs again.
set(SORVANE_SIGN_INPUTS ${SORVANE_SIGN_SETTINGS} ${SORVANE_SIGN_SCRIPT} ${sign_pfx} ${sign_cert} ${sign_key})
set(SORVANE_VERIFY_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/verify-signatures.cmake)
