#!/usr/bin/env bash
# Wine makes the profile's Desktop, Documents, Downloads, Music, Pictures and Videos
# symbolic links to the real home folder (or to the home folder itself), and Templates,
# deep in AppData, too. A scan or a removal under the profile would then reach the user's
# own files: replace every link below drive_c/users, at any depth, with an empty real
# folder. Run it after the prefix is made.
set -euo pipefail
users="${WINEPREFIX:?WINEPREFIX must name the throwaway prefix}/drive_c/users"
[[ -d "$users" ]] || exit 0
find "$users" -type l -print0 | while IFS= read -r -d '' link; do
    rm -f -- "$link"
    mkdir -p -- "$link"
done
