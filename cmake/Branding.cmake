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

set(SORVANE_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/app/resources)
