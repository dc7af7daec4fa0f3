# Writes the NSIS lines that ship each of NAMES found in the first of FOLDERS holding it,
# with the file's hash, so that a changed file changes the list. The list is replaced
# only when its text changes.
#   cmake -DOUTPUT=list.nsh -DNAMES=a;b -DFOLDERS=x;y -P optional_files.cmake
set(text "; Optional files of this build, found at build time.\n")
foreach(name IN LISTS NAMES)
    foreach(folder IN LISTS FOLDERS)
        if(EXISTS "${folder}/${name}" AND NOT IS_DIRECTORY "${folder}/${name}")
            file(MD5 "${folder}/${name}" hash)
            string(APPEND text "; ${hash}\nFile \"${folder}/${name}\"\n")
            # The statement the program keeps of a language file it downloaded describes a file
            # this one replaces.
            if(name STREQUAL "Localization.xml")
                string(APPEND text "Delete \"$INSTDIR\\Localization.sig\"\n")
            endif()
            break()
        endif()
    endforeach()
endforeach()
set(previous "")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL text)
    file(WRITE "${OUTPUT}.new" "${text}")
    file(RENAME "${OUTPUT}.new" "${OUTPUT}")
endif()
