# The product's identity: every executable's version resource is made from these values,
# and the program reads its name, company and web site back from that resource at run
# time. A rebrand changes them here (or with -D on the configure line) and nothing else.
set(SORVANE_PRODUCT_NAME "Sorvane" CACHE STRING "Product name in the version resource")
set(SORVANE_COMPANY_NAME "Talvenor" CACHE STRING "Company name in the version resource")
set(SORVANE_WEBSITE "www.sorvane.example/" CACHE STRING "Web site (domain followed by /), kept in the Comments value")
set(SORVANE_COPYRIGHT "Copyright (C) 2024 ${SORVANE_COMPANY_NAME}" CACHE STRING "Legal copyright text")
# The version text is the major version and the minor version as two digits ("3.00").
if(PROJECT_VERSION_MINOR LESS 10)
    set(minor_text "0${PROJECT_VERSION_MINOR}")
else()
    set(minor_text "${PROJECT_VERSION_MINOR}")
endif()
set(SORVANE_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${minor_text}" CACHE STRING "File and product version text")

# The public key whose signed statements the program trusts for updates and translations:
# ECDSA P-256, X then Y as 128 hex digits (the body of a BCRYPT_ECCPUBLIC_BLOB). The default
# is the public key of cmake/dev-signing-key.pem, a development key for tests only; a
# vendor's build gives its own here or with -D (the private key never enters the repository).
set(SORVANE_UPDATE_PUBLIC_KEY
    "90bfb0d24e521ae2d67fe01430bc79d25c0e3113d4415ba1309fad78a10f1888431811198af597220c47b26df5d1eeef36f298d792ca239247931b98be8c5920"
    CACHE STRING "Update signing public key: P-256 X and Y in hex, empty for none")

set(SORVANE_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/app/resources)

# The Authenticode certificate the Windows build signs its programs, uninstaller and setup
# with: a PKCS#12 file, or a certificate chain (PEM, the signing certificate first) and its
# key. A password, when the key has one, is read from a file so that it never enters the
# cache. With neither, the build makes a throwaway test CA and code-signing certificate in
# its own folder (cmake/Signing.cmake); such a build verifies only against that CA.
set(SORVANE_SIGN_PFX "" CACHE FILEPATH "Authenticode certificate and key as a PKCS#12 file")
set(SORVANE_SIGN_CERT "" CACHE FILEPATH "Authenticode certificate chain (PEM), used with SORVANE_SIGN_KEY")
set(SORVANE_SIGN_KEY "" CACHE FILEPATH "Private key of SORVANE_SIGN_CERT (PEM)")
set(SORVANE_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of the key or PKCS#12 file")
set(SORVANE_SIGN_CA_FILE "" CACHE FILEPATH "Root certificates the signatures are checked against (default: the test CA or the system's roots)")
set(SORVANE_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server; empty for no timestamp (builds without network)")
